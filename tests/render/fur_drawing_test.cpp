// The fur passes in a real GL context: the triangles the skin and shells
// draw, the state drawFur leaves behind, and the untextured skin without
// shells.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/illumination_map.h"
#include "fur/shell_textures.h"
#include "mesh/indexed_mesh.h"
#include "model/obj_model.h"
#include "render/frame_display.h"
#include "render/fur_drawing.h"
#include "render/fur_mesh.h"
#include "render/mesh_buffers.h"
#include "render/render_camera.h"
#include "render/shader_setup.h"
#include "tests/render/test_mesh.h"
#include "tests/support/gl_context.h"
#include "tests/support/obj_text.h"

namespace {

constexpr int viewSize = 128;

// A closed octahedron of radius 1 with texture coordinates: every face is
// seen from some direction and the shells have a pattern to sample.
const char* const octahedronObj =
    "v 1 0 0\nv -1 0 0\nv 0 1 0\nv 0 -1 0\nv 0 0 1\nv 0 0 -1\n"
    "vt 0 0\nvt 1 0\nvt 0 1\n"
    "f 1/1 3/2 5/3\nf 3/1 2/2 5/3\nf 2/1 4/2 5/3\nf 4/1 1/2 5/3\n"
    "f 3/1 1/2 6/3\nf 2/1 3/2 6/3\nf 4/1 2/2 6/3\nf 1/1 4/2 6/3\n";

class FurDrawing : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!ensureGlContext(viewSize, viewSize)) return;
        prepareFurPasses();
        furMesh = new FurMesh;
        std::string text = octahedronObj;
        furMesh->model = glmReadOBJText(text.data(), text.size(), "octahedron.obj");
        glmTriangleNormals(furMesh->model);
        glmVertexNormals(furMesh->model, 90.0f);
        glmCenterAndScale(furMesh->model);
        furMesh->build();
        buildMeshBuffers();
        ready = true;
    }
    static void TearDownTestSuite() {
        if (furMesh) glmDeleteModel(furMesh->model);
        delete furMesh;
        furMesh = nullptr;
    }
    void SetUp() override {
        ASSERT_GL_CONTEXT(viewSize, viewSize);
        ASSERT_TRUE(ready);
        furSettings = FurSettings{};
        furSettings.numHairs = 300;
        glViewport(0, 0, viewSize, viewSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.01, 0.01, -0.01, 0.01, 0.02, 100);  // 53 degrees, square
        glMatrixMode(GL_MODELVIEW);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    static bool ready;
};
bool FurDrawing::ready = false;

int integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

TEST_F(FurDrawing, TheMeshTrianglesAreEveryRecordsCornersInOrder) {
    // Feedback mode reports the triangles sent, in window coordinates: with
    // identity matrices and a 2 x 2 viewport, x + 1 and y + 1.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, 2, 2);
    glDisable(GL_DEPTH_TEST);
    GLfloat buffer[2048];
    glFeedbackBuffer(2048, GL_3D, buffer);
    glRenderMode(GL_FEEDBACK);
    drawMeshTriangles();
    int values = glRenderMode(GL_RENDER);
    glEnable(GL_DEPTH_TEST);
    // Far-side triangles are still reported: nothing culls.
    ASSERT_EQ(values, furMesh->recordCount * (2 + 3 * 3));
    for (int k = 0; k < furMesh->recordCount; ++k) {
        const GLfloat* polygon = buffer + k * 11;
        ASSERT_EQ(polygon[0], GL_POLYGON_TOKEN);
        ASSERT_EQ(polygon[1], 3);
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(polygon[2 + 3 * j], furMesh->records[k].positions[j][0] + 1, 1e-4f) << k << "," << j;
            EXPECT_NEAR(polygon[3 + 3 * j], furMesh->records[k].positions[j][1] + 1, 1e-4f) << k << "," << j;
        }
    }
}

// The state drawFur promises to leave as it found it.
struct GlState {
    float modelView[16];
    int modelViewDepth, textureDepth, program, activeTexture;
    GLboolean texture2D, alphaTest, depthMask, blend;

    static GlState read() {
        GlState s{};
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelView);
        s.modelViewDepth = integer(GL_MODELVIEW_STACK_DEPTH);
        s.textureDepth = integer(GL_TEXTURE_STACK_DEPTH);
        s.program = integer(GL_CURRENT_PROGRAM);
        s.activeTexture = integer(GL_ACTIVE_TEXTURE);
        s.texture2D = glIsEnabled(GL_TEXTURE_2D);
        s.alphaTest = glIsEnabled(GL_ALPHA_TEST);
        s.blend = glIsEnabled(GL_BLEND);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
        return s;
    }
};

void expectSameState(const GlState& before, const GlState& after) {
    for (int k = 0; k < 16; ++k) EXPECT_EQ(before.modelView[k], after.modelView[k]) << "model-view element " << k;
    EXPECT_EQ(before.modelViewDepth, after.modelViewDepth);
    EXPECT_EQ(before.textureDepth, after.textureDepth);
    EXPECT_EQ(before.program, after.program) << "the shader profiles are switched off again";
    EXPECT_EQ(before.activeTexture, after.activeTexture);
    EXPECT_EQ(before.texture2D, after.texture2D);
    EXPECT_EQ(before.alphaTest, after.alphaTest);
    EXPECT_EQ(before.depthMask, after.depthMask);
    EXPECT_EQ(after.blend, GL_TRUE) << "blending stays on";
}

void lookFrom(float x, float y, float z) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A look-at of the origin from (x, y, z) with up y, for eyes off the y axis.
    float f[3] = {-x, -y, -z};
    float len = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (float& c : f) c /= len;
    float s[3] = {-f[2], 0, f[0]};
    float sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    s[0] /= sl;
    s[2] /= sl;
    float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    const float m[16] = {s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1};
    glMultMatrixf(m);
    glTranslatef(-x, -y, -z);
}

TEST_F(FurDrawing, LeavesTheStateAsFoundWithEveryLayerOn) {
    glClearColor(1, 1, 1, 0);
    furSettings.texturesDirty = true;
    drawFrame();  // builds the textures and draws once with the frame's own set-up
    lookFrom(0.5f, 0.5f, 3);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    GlState before = GlState::read();
    drawFur();
    expectSameState(before, GlState::read());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Mean colour of the central 9 x 9 pixels of the back buffer.
void centreColour(float rgb[3]) {
    unsigned char pixels[9 * 9 * 3];
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewSize / 2 - 4, viewSize / 2 - 4, 9, 9, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    rgb[0] = rgb[1] = rgb[2] = 0;
    for (int i = 0; i < 81; ++i)
        for (int c = 0; c < 3; ++c) rgb[c] += pixels[3 * i + c] / (81.0f * 255.0f);
}

TEST_F(FurDrawing, WithoutShellsTheSkinIsDrawnLitInTheSkinColour) {
    furSettings.numShells = 0;
    furSettings.skinColor[0] = 0.1f;
    furSettings.skinColor[1] = 0.9f;
    furSettings.skinColor[2] = 0.1f;
    furSettings.drawFins = 0;
    regenerateShellTextures();
    ASSERT_EQ(shellTextureCount, 0);
    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    lookFrom(0.3f, 0.4f, 3);
    float light[4] = {0, 0, 5, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    GlState before = GlState::read();
    drawFur();
    expectSameState(before, GlState::read());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    float rgb[3];
    centreColour(rgb);
    EXPECT_GT(rgb[1], 0.3f) << "lit green skin, not black and not the white background";
    EXPECT_GT(rgb[1], 2 * rgb[0]);
    EXPECT_GT(rgb[1], 2 * rgb[2]);
}

TEST_F(FurDrawing, TheShellsDrawnFollowTheCoatsHeightOnScreen) {
    furSettings.shellHeight = 0.1f;
    furSettings.texturesDirty = true;
    drawFrame();
    static float eye[3], lookAt[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    setRenderCamera(eye, lookAt, up);
    // Box [-1, 1] each way, projection y scale 2: a coat 0.1 x viewport / (z - 1) pixels high.
    struct Case { float z, shellLod; int viewport, layers; };
    const Case cases[] = {{1.2f, 1.5f, viewSize, 32}, {2, 1.5f, viewSize, 10}, {2, 0.5f, viewSize, 27},
                          {2, 1, viewSize, 14},       {5, 0, viewSize, 32},     {2, 1, viewSize / 2, 10}};
    for (const Case& c : cases) {
        eye[2] = c.z;
        furSettings.shellLod = c.shellLod;
        glViewport(0, 0, c.viewport, c.viewport);
        lookFrom(0, 0.001f, c.z);
        drawFur();
        EXPECT_EQ(shellLayersDrawnLastFrame, c.layers) << "eye at " << c.z << ", " << c.shellLod << ", " << c.viewport;
    }
    eye[2] = 3;  // where the default camera stands, for the tests that follow
}

TEST_F(FurDrawing, DegenerateShellHeightAndEyeOnTheModelStayErrorFree) {
    furSettings.shellHeight = 0;
    furSettings.texturesDirty = true;
    glClearColor(1, 1, 1, 0);
    drawFrame();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();  // the eye at the model's origin
    glEnable(GL_BLEND);
    GlState before = GlState::read();
    drawFur();
    expectSameState(before, GlState::read());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Models the reader accepts, however odd: each must draw without a GL error,
// and everything the passes send the vertex program must be finite.
struct RejectedModel {};
[[noreturn]] void rejectModel(int) { throw RejectedModel{}; }

std::vector<std::pair<std::string, std::string>> oddModels() {
    std::vector<std::pair<std::string, std::string>> models = {
        {"one triangle", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"a flat quad", "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nf 1 2 3 4\n"},
        {"no triangles", "v 0 0 0\nv 1 0 0\n"},
        {"no vertices", ""},
        {"far from the origin", "v 1e7 1e7 1e7\nv 10000001 1e7 1e7\nv 1e7 10000001 1e7\nf 1 2 3\n"},
        {"one vertex named three times", "v 1 2 3\nf 1 1 1\n"},
    };
    // And every file of the reader's malformed-input collection it accepts.
    std::string folder = std::string(PELAGE_SOURCE_DIR) + "/tests/model/malformed";
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".obj") models.push_back({entry.path().filename(), readTextFile(entry.path())});
    return models;
}

// Every float of every record (records of floats only) is finite.
template <typename Record>
bool allFinite(const std::vector<Record>& records) {
    static_assert(sizeof(Record) % sizeof(float) == 0);
    for (const Record& record : records) {
        const float* values = reinterpret_cast<const float*>(&record);
        for (size_t i = 0; i < sizeof(Record) / sizeof(float); ++i)
            if (!std::isfinite(values[i])) return false;
    }
    return true;
}

TEST_F(FurDrawing, EveryModelTheReaderAcceptsDrawsWithoutAGlErrorOrANonFiniteValue) {
    FurMesh* kept = furMesh;
    setFatalExitHook(rejectModel);
    int drawn = 0;
    for (const auto& [name, obj] : oddModels()) {
        SCOPED_TRACE(name);
        std::unique_ptr<TestMesh> mesh;
        try {
            mesh = std::make_unique<TestMesh>(obj);
        } catch (const RejectedModel&) {
            continue;
        }
        furMesh = mesh.get();
        buildMeshBuffers();
        EXPECT_TRUE(allFinite(mesh->drawn.vertices));
        for (int alphaBlendFins : {1, 0}) {
            furSettings.alphaBlendFins = alphaBlendFins;
            glClearColor(1, 1, 1, 0);
            drawFrame();
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "fading " << alphaBlendFins;
            const FinGeometry& fins = meshFinGeometry();
            EXPECT_TRUE(allFinite(fins.quads));
        }
        ++drawn;
    }
    setFatalExitHook(nullptr);
    furMesh = kept;
    buildMeshBuffers();
    EXPECT_GT(drawn, 15);
}

}  // namespace

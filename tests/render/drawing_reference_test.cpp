// The drawing path against the reference it replaced (reference_drawing.cpp):
// the same frames, compared pixel by pixel, for the bundled bunny with its own
// and with generated coordinates, a model made on the spot and the large
// scanned bunny, from several sides and with the settings that change what the
// fins and shells send. The images must be identical: the new path sends the
// vertex program the same values in the same order, only from buffers, and a
// fin's top is lifted there by the same arithmetic the processor did.
#include <gtest/gtest.h>

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/illumination_map.h"
#include "fur/random.h"
#include "fur/shell_textures.h"
#include "render/fur_drawing.h"
#include "render/mesh_buffers.h"
#include "render/render_camera.h"
#include "render/shader_setup.h"
#include "tests/render/reference_drawing.h"
#include "tests/render/test_mesh.h"
#include "tests/support/gl_context.h"
#include "tests/support/obj_text.h"

namespace {

constexpr int viewSize = 256;

float eye[3], lookAt[3] = {0, 0, 0}, up[3] = {0, 1, 0};
std::unique_ptr<TestMesh> mesh;

void useModel(const std::string& obj, bool generated) {
    furMesh = nullptr;
    mesh = std::make_unique<TestMesh>(obj, generated);
    furMesh = mesh.get();
    buildMeshBuffers();
    buildReferenceMeshList();
}

// Textures for the current settings, as the frame display builds them.
void rebuildTextures() {
    glClearColor(1, 1, 1, 0);
    glViewport(0, 0, viewSize, viewSize);
    synthesizeFinTexture(furSettings.finDensity);
    regenerateShellTextures();
}

// One frame drawn by `drawFurry` from `from`, read back as RGBA.
std::vector<unsigned char> frame(void (*drawFurry)(), const float from[3]) {
    for (int k = 0; k < 3; ++k) eye[k] = from[k];
    glViewport(0, 0, viewSize, viewSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50, 1, 0.01, 1000);
    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], lookAt[0], lookAt[1], lookAt[2], up[0], up[1], up[2]);
    float light[4] = {5, 5, 2, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawFurry();
    glDisable(GL_BLEND);
    std::vector<unsigned char> pixels(4u * viewSize * viewSize);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewSize, viewSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

long differingPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    long count = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        count += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2] || a[i + 3] != b[i + 3];
    return count;
}

long drawnPixels(const std::vector<unsigned char>& image) {
    long count = 0;
    for (size_t i = 0; i < image.size(); i += 4) count += image[i] != 255 || image[i + 1] != 255 || image[i + 2] != 255;
    return count;
}

struct View {
    const char* name;
    float eye[3];
    void (*settings)(FurSettings&);
};

const View views[] = {
    {"defaults, front", {0, 0, 3}, [](FurSettings&) {}},
    {"defaults, above and to the side", {2.5f, 0.8f, 1.5f}, [](FurSettings&) {}},
    {"fins unfaded and tall, from behind", {-0.5f, 0.4f, -3}, [](FurSettings& s) {
         s.alphaBlendFins = 0;
         s.finHeight = 0.2f;
         s.finScalingFactor = 3;
     }},
    {"long shells, coarse texture, moved and turned model", {1, 1, 2.5f}, [](FurSettings& s) {
         s.shellHeight = 0.15f;
         s.shellTextureScale = 1.5f;
         s.minShadow = 0.4f;
         s.modelTransform.translateY = 0.2f;
         s.modelTransform.rotation[0] = s.modelTransform.rotation[10] = 0.6f;
         s.modelTransform.rotation[2] = 0.8f;
         s.modelTransform.rotation[8] = -0.8f;
     }},
    {"skin and fins only", {0.3f, 0.2f, 3}, [](FurSettings& s) { s.drawShells = 0; }},
};

// Every view drawn both ways with `shells` shells; the frames must agree.
void expectSameFrames(int shells) {
    if (furSettings.numShells != shells || shellTextureCount != shells) {
        furSettings.numShells = shells;
        rebuildTextures();
    }
    for (const View& view : views) {
        SCOPED_TRACE(view.name);
        FurSettings base = furSettings;
        view.settings(furSettings);
        std::vector<unsigned char> reference = frame(referenceDrawFur, view.eye);
        int afterReference = randomDraw();
        std::vector<unsigned char> drawn = frame(drawFur, view.eye);
        int afterDrawing = randomDraw();
        EXPECT_GT(drawnPixels(reference), 2000) << "the model is in view";
        EXPECT_EQ(differingPixels(reference, drawn), 0);
        EXPECT_EQ(afterDrawing, afterReference) << "the generator is left where the reference leaves it";
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        furSettings = base;
    }
}

class DrawingReference : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!ensureGlContext(viewSize, viewSize)) return;
        setRenderCamera(eye, lookAt, up);
        furSettings = FurSettings{};
        furSettings.shellLod = 0;  // every shell, as the reference: "Shell LOD" 0 draws as before
        prepareFurPasses();
        rebuildTextures();
        ready = true;
    }
    static void TearDownTestSuite() {
        furMesh = nullptr;
        mesh.reset();
    }
    void SetUp() override {
        ASSERT_GL_CONTEXT(viewSize, viewSize);
        ASSERT_TRUE(ready);
    }
    static bool ready;
};
bool DrawingReference::ready = false;

std::string bundledBunny() { return readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj"); }

TEST_F(DrawingReference, TheBundledBunnyWithItsOwnCoordinates) {
    useModel(bundledBunny(), false);
    expectSameFrames(32);
}

TEST_F(DrawingReference, TheBundledBunnyWithGeneratedCoordinates) {
    useModel(bundledBunny(), true);
    ASSERT_TRUE(furMesh->texCoordsGenerated);
    expectSameFrames(12);
}

TEST_F(DrawingReference, WithoutShellsTheUntexturedSkin) {
    useModel(bundledBunny(), false);
    expectSameFrames(0);
}

TEST_F(DrawingReference, ASphereMadeOnTheSpot) {
    useModel(sphereObj(12, 24), false);
    expectSameFrames(6);
}

TEST_F(DrawingReference, TheLargeScannedBunny) {
    // 69,666 triangles without texture coordinates: generated ones, and fins
    // on edges a pixel or two long.
    std::string large = readTextFile("/usr/share/glmark2/models/bunny.obj");
    if (large.empty()) GTEST_SKIP() << "glmark2-data is not installed";
    useModel(large, false);
    ASSERT_TRUE(furMesh->texCoordsGenerated);
    expectSameFrames(4);
}

}  // namespace

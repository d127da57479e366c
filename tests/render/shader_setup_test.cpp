// Shader set-up run in-process in a scratch working directory: the messages,
// streams and exit statuses of its failures, what a good start-up leaves, and
// rendering through the real lighting programs (displacement by green, shade
// by red, alpha from texture and colour, the two lighting-table axes, and the
// bent hair of the moving fur, as fur_dynamics.h computes it).
#include "render/shader_setup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "fur/illumination_map.h"
#include "render/fur_dynamics.h"
#include "tests/support/gl_context.h"

namespace {

struct FatalExit {
    int status;
};
[[noreturn]] void throwOnExit(int status) { throw FatalExit{status}; }

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Outcome {
    int status = 0;  // 0 when initShaders returned
    std::string out, err;
};

class ShaderSetup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GL_CONTEXT(64, 64);
        const char* source = std::getenv("PELAGE_SOURCE_DIR");
        sources_ = std::filesystem::path(source ? source : ".") / "shaders";
        previous_ = std::filesystem::current_path();
        scratch_ = std::filesystem::temp_directory_path() / ("pelage-shaders-" + std::to_string(getpid()));
        std::filesystem::create_directories(scratch_);
        for (const char* name : {"lighting_vertex.cg", "lighting_fragment.cg"})
            std::filesystem::copy_file(sources_ / name, scratch_ / name,
                                       std::filesystem::copy_options::overwrite_existing);
        std::filesystem::current_path(scratch_);
        setFatalExitHook(throwOnExit);
        if (illuminationMap == 0) buildIlluminationMap();
    }
    void TearDown() override {
        setFatalExitHook(nullptr);
        pelageSetShaderProfiles(nullptr);
        if (!previous_.empty()) std::filesystem::current_path(previous_);
        if (!scratch_.empty()) std::filesystem::remove_all(scratch_);
        furSettings = FurSettings{};
    }

    Outcome runInitShaders() {
        Outcome outcome;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        try {
            initShaders();
        } catch (const FatalExit& exit) {
            outcome.status = exit.status;
        }
        outcome.out = testing::internal::GetCapturedStdout();
        outcome.err = testing::internal::GetCapturedStderr();
        return outcome;
    }
    std::string source(const char* name) { return readFile(sources_ / name); }
    // The start-up log a program leaves on standard error.
    std::string programBlock(const char* name) {
        return "---- PROGRAM BEGIN ----\n" + source(name) + "---- PROGRAM END ----\n";
    }

    std::filesystem::path sources_, previous_, scratch_;
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(ShaderSetup, MissingVertexFileEndsBeforeAnythingAboutTheFragmentProgram) {
    std::filesystem::remove("lighting_vertex.cg");
    Outcome outcome = runInitShaders();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out.rfind("CG error: The file could not be read.\nError listing follows:\n ", 0), 0u)
        << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "lighting_vertex.cg")) << outcome.out;
    EXPECT_EQ(outcome.err, "") << "no listing, nothing of the fragment program";
}

TEST_F(ShaderSetup, FragmentSyntaxErrorEndsAfterTheVertexListings) {
    std::ofstream("lighting_fragment.cg") << "#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n";
    Outcome outcome = runInitShaders();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out.rfind("CG error: The compile returned an error.\nError listing follows:\n ", 0), 0u)
        << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "error")) << "the compiler's log follows";
    EXPECT_EQ(outcome.err.rfind("LAST LISTING----", 0), 0u) << outcome.err;
    EXPECT_TRUE(contains(outcome.err, programBlock("lighting_vertex.cg")));
    EXPECT_EQ(outcome.err.find("PROGRAM BEGIN"), outcome.err.rfind("PROGRAM BEGIN")) << "the vertex program's only";
}

TEST_F(ShaderSetup, MissingProfilesEndWithStatusMinusOne) {
    struct Case {
        const char* profiles;
        const char* message;
        bool vertexListed;
    };
    const Case cases[] = {
        {"none", "Video card does not support vertex programs, exiting...\n", false},
        {"fragment-only", "Video card does not support vertex programs, exiting...\n", false},
        {"vertex-only", "Video card does not support fragment programs, exiting...\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profiles);
        pelageSetShaderProfiles(c.profiles);
        Outcome outcome = runInitShaders();
        EXPECT_EQ(outcome.status, -1);
        EXPECT_EQ(outcome.out, "");
        ASSERT_GE(outcome.err.size(), std::strlen(c.message));
        EXPECT_EQ(outcome.err.substr(outcome.err.size() - std::strlen(c.message)), c.message);
        EXPECT_EQ(contains(outcome.err, programBlock("lighting_vertex.cg")), c.vertexListed);
    }
}

TEST_F(ShaderSetup, StartUpChoosesProfilesAndFindsEveryParameter) {
    struct Case {
        const char* profiles;
        CGprofile vertex, fragment;
    };
    const Case cases[] = {
        {nullptr, CG_PROFILE_ARBVP1, CG_PROFILE_ARBFP1},
        {"all", CG_PROFILE_VP20, CG_PROFILE_FP20},  // both families: the older ones win
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profiles ? c.profiles : "(GL only)");
        pelageSetShaderProfiles(c.profiles);
        Outcome outcome = runInitShaders();
        ASSERT_EQ(outcome.status, 0) << outcome.out;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(vertexProfile, c.vertex);
        EXPECT_EQ(fragmentProfile, c.fragment);
        size_t vertexAt = outcome.err.find(programBlock("lighting_vertex.cg"));
        size_t fragmentAt = outcome.err.find(programBlock("lighting_fragment.cg"));
        EXPECT_NE(vertexAt, std::string::npos);
        EXPECT_NE(fragmentAt, std::string::npos);
        EXPECT_LT(vertexAt, fragmentAt);
        EXPECT_EQ(outcome.err.rfind("LAST LISTING----", 0), 0u);
        for (CGparameter param : {modelViewMatrixParam, projectionMatrixParam, modelViewMatrixITParam,
                                  textureMatrixParam, lightPositionParam, eyePositionParam, preModelMatrixParam,
                                  furBendParam, furTurnParam, windVectorParam, windPhaseParam, illuminationMapParam,
                                  hairTexParam})
            EXPECT_NE(param, nullptr);
        EXPECT_EQ(cgGetProgramContext(vertexProgram), cgContext);
        EXPECT_EQ(cgGetProgramContext(fragmentProgram), cgContext);
    }
}

TEST_F(ShaderSetup, IlluminationMapIsHandedToItsOwnUnit) {
    ASSERT_EQ(runInitShaders().status, 0);
    cgGLEnableTextureParameter(illuminationMapParam);
    glActiveTexture(GL_TEXTURE1);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glActiveTexture(GL_TEXTURE0);
    cgGLDisableTextureParameter(illuminationMapParam);
    EXPECT_EQ(bound, static_cast<GLint>(illuminationMap));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

// --- Rendering through the lighting programs --------------------------------

class ShaderRendering : public ShaderSetup {
protected:
    void SetUp() override {
        ShaderSetup::SetUp();
        if (IsSkipped()) return;
        glViewport(0, 0, 64, 64);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -2, 2);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
    }
    void TearDown() override {
        if (hairTexture_) glDeleteTextures(1, &hairTexture_);
        ShaderSetup::TearDown();
        buildIlluminationMap();  // back to the default table for other tests
    }
    void setHairTexture(std::array<unsigned char, 4> rgba) {
        if (!hairTexture_) glGenTextures(1, &hairTexture_);
        glBindTexture(GL_TEXTURE_2D, hairTexture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    // Sets every parameter the way the fur pass does, with the view and model
    // transforms the identity, and draws the quad through both programs.
    void drawThroughPrograms(void (*quad)(), const float light[4], const float eye[3]) {
        cgGLSetStateMatrixParameter(preModelMatrixParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
        cgGLBindProgram(vertexProgram);
        cgGLBindProgram(fragmentProgram);
        cgGLSetStateMatrixParameter(modelViewMatrixParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
        cgGLSetStateMatrixParameter(projectionMatrixParam, CG_GL_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
        cgGLSetStateMatrixParameter(modelViewMatrixITParam, CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_INVERSE_TRANSPOSE);
        cgGLSetParameter4fv(lightPositionParam, light);
        cgGLSetParameter3fv(eyePositionParam, eye);
        cgGLEnableProfile(vertexProfile);
        cgGLEnableProfile(fragmentProfile);
        cgGLEnableTextureParameter(illuminationMapParam);
        cgGLSetStateMatrixParameter(textureMatrixParam, CG_GL_TEXTURE_MATRIX, CG_GL_MATRIX_IDENTITY);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, hairTexture_);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        quad();
        glDisable(GL_TEXTURE_2D);
        cgGLDisableTextureParameter(illuminationMapParam);
        cgGLDisableProfile(vertexProfile);
        cgGLDisableProfile(fragmentProfile);
        ASSERT_EQ(cgGetError(), CG_NO_ERROR);
    }
    static std::array<int, 4> pixel(int x, int y) {
        unsigned char rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2], rgba[3]};
    }
    GLuint hairTexture_ = 0;
};

float quadRed, quadGreen, quadAlpha;

// The left half of the view, normal along +x: a green offset of 1 moves it
// onto the right half.
void leftHalfFacingRight() {
    glBegin(GL_QUADS);
    glColor4f(quadRed, quadGreen, 0, quadAlpha);
    glNormal3f(1, 0, 0);
    glTexCoord2f(0, 0); glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0); glVertex3f(0, -1, 0);
    glTexCoord2f(1, 1); glVertex3f(0, 1, 0);
    glTexCoord2f(0, 1); glVertex3f(-1, 1, 0);
    glEnd();
}

TEST_F(ShaderRendering, DisplacesByGreenShadesByRedAndCarriesAlpha) {
    // Exponents 0 make both lighting terms 1 everywhere: the table saturates to
    // white and the image shows the texture, shade and alpha alone.
    furSettings.diffuseExponent = 0;
    furSettings.specularExponent = 0;
    buildIlluminationMap();
    ASSERT_EQ(runInitShaders().status, 0);
    setHairTexture({200, 100, 50, 128});
    struct Case {
        float red, green, alpha;
        bool onRight;
        std::array<int, 4> expected;
    };
    const Case cases[] = {
        {1.0f, 0.0f, 1.0f, false, {200, 100, 50, 128}},
        {1.0f, 1.0f, 1.0f, true, {200, 100, 50, 128}},
        {0.5f, 0.0f, 1.0f, false, {100, 50, 25, 128}},
        {1.0f, 0.0f, 0.5f, false, {200, 100, 50, 64}},
        {0.25f, 1.0f, 0.25f, true, {50, 25, 12, 32}},
    };
    const float light[4] = {0, 0, 5, 1}, eye[3] = {0, 0, 5};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "red " << c.red << " green " << c.green << " alpha " << c.alpha);
        quadRed = c.red;
        quadGreen = c.green;
        quadAlpha = c.alpha;
        drawThroughPrograms(leftHalfFacingRight, light, eye);
        std::array<int, 4> covered = pixel(c.onRight ? 48 : 16, 32), empty = pixel(c.onRight ? 16 : 48, 32);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(covered[k], c.expected[k], 2) << "channel " << k;
        EXPECT_EQ(empty, (std::array<int, 4>{0, 0, 0, 0}));
    }
}

// The whole view, facing the eye along +z.
void wholeViewFacingEye() {
    glBegin(GL_QUADS);
    glColor4f(1, 0, 0, 1);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0); glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0); glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1); glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1); glVertex3f(-1, 1, 0);
    glEnd();
}

TEST_F(ShaderRendering, LightingReadsDiffuseAlongTAndSpecularAlongS) {
    // Diffuse in red, specular in green, no ambient: the image shows each term.
    furSettings.diffuseExponent = 2;   // sin^2 = 1 - cos^2
    furSettings.specularExponent = 2;
    const float none[4] = {0, 0, 0, 1}, red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1};
    std::copy(none, none + 4, furSettings.ambientColor);
    std::copy(red, red + 4, furSettings.diffuseColor);
    std::copy(green, green + 4, furSettings.specularColor);
    buildIlluminationMap();
    ASSERT_EQ(runInitShaders().status, 0);
    setHairTexture({255, 255, 255, 255});
    struct Case {
        const char* what;
        float light[4];
        float expectedRed, expectedGreen;  // sin^2 of (normal, light), of (normal, half vector)
    };
    const Case cases[] = {
        // Light and eye along the hair: no diffuse, no specular.
        {"light along the hair", {0, 0, 50, 1}, 0.0f, 0.0f},
        // Light across the hair, eye along it: half vector at 45 degrees.
        {"light across the hair", {50, 0, 0, 1}, 1.0f, 0.5f},
        // Light at 60 degrees from the hair: half vector at 30 degrees.
        {"light at 60 degrees", {43.30127f, 0, 25, 1}, 0.75f, 0.25f},
    };
    const float eye[3] = {0, 0, 50};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        drawThroughPrograms(wholeViewFacingEye, c.light, eye);
        std::array<int, 4> centre = pixel(32, 32);
        EXPECT_NEAR(centre[0], 255 * c.expectedRed, 8);
        EXPECT_NEAR(centre[1], 255 * c.expectedGreen, 8);
        EXPECT_EQ(centre[2], 0);
    }
}

// One hair point: its root, unit normal and height, drawn as a point.
float pointRoot[3], pointNormal[3], pointHeight;

void hairPoint() {
    glBegin(GL_POINTS);
    glColor4f(1, pointHeight, 0, 1);
    glNormal3fv(pointNormal);
    glTexCoord2f(0, 0);
    glVertex3fv(pointRoot);
    glEnd();
}

// The centre of the lit pixels, in view units ([-1, 1] each way).
bool litCentre(float& x, float& y) {
    unsigned char rgba[64 * 64 * 4];
    glReadPixels(0, 0, 64, 64, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    float sumX = 0, sumY = 0;
    int lit = 0;
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col)
            if (rgba[4 * (row * 64 + col)] > 128) {
                sumX += col + 0.5f;
                sumY += row + 0.5f;
                ++lit;
            }
    if (!lit) return false;
    x = sumX / lit / 32 - 1;
    y = sumY / lit / 32 - 1;
    return true;
}

TEST_F(ShaderRendering, BendsAHairPointAsTheDynamicsArithmeticSays) {
    furSettings.diffuseExponent = 0;
    furSettings.specularExponent = 0;
    buildIlluminationMap();
    ASSERT_EQ(runInitShaders().status, 0);
    setHairTexture({255, 255, 255, 255});
    struct Case {
        const char* what;
        FurBend bend;
        float root[3], normal[3], height;
    };
    const Case cases[] = {
        {"rigid", {{0.9f, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0}, {0, -0.6f, 0}, {0, 1, 0}, 0.5f},
        {"a steady bend at the tip", {{0.5f, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 2}, {-0.3f, -0.3f, 0},
         {0, 1, 0}, 0.5f},
        {"half way up a long hair", {{0, -1.5f, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 1}, {0, 0, 0}, {1, 0, 0}, 0.5f},
        {"a lag turn about the root's position", {{0, 0, 0}, {0, 0, 1.2f}, {0, 0, 0}, {0, 0, 0}, 2.5f},
         {0.2f, 0.3f, 0}, {0, 1, 0}, 0.4f},
        {"a gust", {{0, 0, 0}, {0, 0, 0}, {0.8f, 0.2f, 0}, {1, 2.5f, 4}, 2}, {0.3f, -0.4f, 0.1f}, {0, 1, 0}, 0.5f},
        {"gravity through an upward face lies on it", {{0.3f, -3, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 2},
         {0, -0.3f, 0}, {0, 1, 0}, 0.5f},
    };
    const float light[4] = {0, 0, 5, 1}, eye[3] = {0, 0, 5};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        float d[3], offset[3];
        bendVector(c.bend, c.root, d);
        bentOffset(c.normal, c.height, c.bend.inverseHeight, d, offset);
        const float steady[4] = {c.bend.steady[0], c.bend.steady[1], c.bend.steady[2], c.bend.inverseHeight};
        cgGLSetParameter4fv(furBendParam, steady);
        cgGLSetParameter3fv(furTurnParam, c.bend.turn);
        cgGLSetParameter3fv(windVectorParam, c.bend.wind);
        cgGLSetParameter3fv(windPhaseParam, c.bend.windPhase);
        std::copy_n(c.root, 3, pointRoot);
        std::copy_n(c.normal, 3, pointNormal);
        pointHeight = c.height;
        drawThroughPrograms(hairPoint, light, eye);
        float x = 0, y = 0;
        ASSERT_TRUE(litCentre(x, y));
        // One pixel is 1/32 of a view unit.
        EXPECT_NEAR(x, c.root[0] + offset[0], 1.0f / 32);
        EXPECT_NEAR(y, c.root[1] + offset[1], 1.0f / 32);
    }
}

}  // namespace

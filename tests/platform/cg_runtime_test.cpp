// The shader runtime against a real GL: profiles and the seam, errors with
// their strings and listings, parameters kept until their program is in use,
// tracked matrices, and texture parameters on their own units.
#include "platform/cg_runtime.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/matrix4.h"
#include "tests/support/gl_context.h"

namespace {

const char* const vertexSource = R"(#version 120
uniform mat4 ModelView;
uniform mat4 Projection;
uniform mat4 NormalMatrix;
uniform vec4 Offset;
varying vec3 normalOut;
void main() {
    gl_Position = Projection * (ModelView * gl_Vertex + Offset);
    normalOut = (NormalMatrix * vec4(gl_Normal, 0.0)).xyz;
    gl_TexCoord[0] = gl_MultiTexCoord0;
}
)";

const char* const fragmentSource = R"(#version 120
uniform vec3 Tint;
uniform sampler2D base;
uniform sampler2D extra;
varying vec3 normalOut;
void main() {
    vec4 texel = texture2D(base, gl_TexCoord[0].xy) * texture2D(extra, gl_TexCoord[0].xy);
    gl_FragColor = vec4(Tint, 1.0) * texel + vec4(normalOut * 1e-6, 0.0);
}
)";

class CgRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GL_CONTEXT(64, 64);
        dir_ = std::filesystem::temp_directory_path() / ("pelage-cg-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        pelageSetShaderProfiles("arbvp1,arbfp1");
        context_ = cgCreateContext();
        cgGetError();
    }
    void TearDown() override {
        cgGLDisableProfile(CG_PROFILE_ARBVP1);
        cgGLDisableProfile(CG_PROFILE_ARBFP1);
        pelageSetShaderProfiles(nullptr);
        cgGetError();
        std::filesystem::remove_all(dir_);
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string path = (dir_ / name).string();
        std::ofstream(path) << text;
        return path;
    }
    CGprogram create(const std::string& name, const std::string& text, CGprofile profile) {
        return cgCreateProgramFromFile(context_, CG_SOURCE, write(name, text).c_str(), profile, nullptr, nullptr);
    }
    // Both test programs created, loaded and bound.
    void createPair() {
        vertex_ = create("v.glsl", vertexSource, CG_PROFILE_ARBVP1);
        fragment_ = create("f.glsl", fragmentSource, CG_PROFILE_ARBFP1);
        ASSERT_TRUE(vertex_ && fragment_) << cgGetLastListing(context_);
        cgGLLoadProgram(vertex_);
        cgGLLoadProgram(fragment_);
        ASSERT_EQ(cgGetError(), CG_NO_ERROR);
    }
    CGparameter param(CGprogram program, const char* name) {
        CGparameter p = cgGetNamedParameter(program, name);
        EXPECT_NE(p, nullptr) << name;
        return p;
    }

    std::filesystem::path dir_;
    CGcontext context_ = nullptr;
    CGprogram vertex_ = nullptr, fragment_ = nullptr;
};

// The uniform's value in the GL program now in use.
std::vector<float> currentUniform(const char* name, int count) {
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    std::vector<float> value(16, -99.0f);
    if (program == 0) return {};
    glGetUniformfv(static_cast<GLuint>(program), glGetUniformLocation(static_cast<GLuint>(program), name),
                   value.data());
    value.resize(static_cast<size_t>(count));
    return value;
}

GLuint solidTexture(const unsigned char rgba[4]) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

std::array<int, 4> drawQuadAndReadCentre() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(-1, -1);
    glTexCoord2f(1, 0); glVertex2f(1, -1);
    glTexCoord2f(1, 1); glVertex2f(1, 1);
    glTexCoord2f(0, 1); glVertex2f(-1, 1);
    glEnd();
    unsigned char pixel[4] = {};
    glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

TEST(CgProfiles, SeamNarrowsOrWidensWhatTheGlOffers) {
    ASSERT_GL_CONTEXT(64, 64);
    struct Case {
        const char* seam;
        bool vp20, fp20, arbvp1, arbfp1;
    };
    const Case cases[] = {
        {nullptr, false, false, true, true},  // Mesa: GLSL, no NV profiles
        {"none", false, false, false, false},
        {"vertex-only", false, false, true, false},
        {"fragment-only", false, false, false, true},
        {"all", true, true, true, true},
        {"vp20,arbfp1", true, false, false, true},
    };
    for (const Case& c : cases) {
        pelageSetShaderProfiles(c.seam);
        SCOPED_TRACE(c.seam ? c.seam : "(GL only)");
        EXPECT_EQ(cgGLIsProfileSupported(CG_PROFILE_VP20) != 0, c.vp20);
        EXPECT_EQ(cgGLIsProfileSupported(CG_PROFILE_FP20) != 0, c.fp20);
        EXPECT_EQ(cgGLIsProfileSupported(CG_PROFILE_ARBVP1) != 0, c.arbvp1);
        EXPECT_EQ(cgGLIsProfileSupported(CG_PROFILE_ARBFP1) != 0, c.arbfp1);
    }
    pelageSetShaderProfiles(nullptr);
    EXPECT_EQ(cgGLIsProfileSupported(static_cast<CGprofile>(1234)), 0);
}

TEST(CgProfiles, EnvironmentVariableIsTheSeamWithoutACall) {
    ASSERT_GL_CONTEXT(64, 64);
    pelageSetShaderProfiles(nullptr);
    setenv("PELAGE_SHADER_PROFILES", "fragment-only", 1);
    EXPECT_EQ(cgGLIsProfileSupported(CG_PROFILE_ARBVP1), 0);
    EXPECT_NE(cgGLIsProfileSupported(CG_PROFILE_ARBFP1), 0);
    unsetenv("PELAGE_SHADER_PROFILES");
    EXPECT_NE(cgGLIsProfileSupported(CG_PROFILE_ARBVP1), 0);
}

TEST_F(CgRuntime, FailedCreationsReportCodeStringAndListing) {
    struct Case {
        const char* what;
        std::string path;
        CGprofile profile;
        CGerror error;
        const char* message;
        const char* inListing;
    };
    std::string broken = write("broken.glsl", "#version 120\nvoid main() { gl_Position = undeclared; }\n");
    std::string good = write("good.glsl", vertexSource);
    std::string frag = write("frag.glsl", fragmentSource);
    for (auto [path, profile] : {std::pair{good, CG_PROFILE_ARBVP1}, std::pair{frag, CG_PROFILE_ARBFP1}})
        ASSERT_NE(cgCreateProgramFromFile(context_, CG_SOURCE, path.c_str(), profile, nullptr, nullptr), nullptr);
    const Case cases[] = {
        {"missing file", (dir_ / "absent.cg").string(), CG_PROFILE_ARBVP1, CG_FILE_READ_ERROR,
         "The file could not be read.", "absent.cg"},
        {"syntax error", broken, CG_PROFILE_ARBVP1, CG_COMPILER_ERROR, "The compile returned an error.",
         "undeclared"},
        // Each compiled once for its own stage first: a compiler that caches by
        // text must still compile them again for the other stage.
        {"vertex code as fragment", good, CG_PROFILE_ARBFP1, CG_COMPILER_ERROR,
         "The compile returned an error.", "error"},
        {"fragment code as vertex", frag, CG_PROFILE_ARBVP1, CG_COMPILER_ERROR,
         "The compile returned an error.", "error"},
        {"unsupported profile", good, CG_PROFILE_VP20, CG_INVALID_PROFILE_ERROR, "The profile is not supported.",
         ""},
        {"unknown profile", good, static_cast<CGprofile>(42), CG_UNKNOWN_PROFILE_ERROR,
         "The specified profile is unknown.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CGprogram program =
            cgCreateProgramFromFile(context_, CG_SOURCE, c.path.c_str(), c.profile, nullptr, nullptr);
        EXPECT_EQ(program, nullptr);
        CGerror error = cgGetError();
        EXPECT_EQ(error, c.error);
        EXPECT_STREQ(cgGetErrorString(error), c.message);
        EXPECT_NE(std::string(cgGetLastListing(context_)).find(c.inListing), std::string::npos)
            << cgGetLastListing(context_);
        EXPECT_EQ(cgGetError(), CG_NO_ERROR) << "reading the error clears it";
    }
}

// "-DNAME" defines NAME after the #version line; without it, the same file
// compiles to what it says without NAME.
TEST_F(CgRuntime, DefineArgumentsChooseWhatTheSourceCompiles) {
    std::string path = write("defined.glsl", "#version 120\n#ifdef GROOM\nvoid main() { gl_Position = vec4(1.0); }\n"
                                             "#else\nvoid main() { gl_Position = undeclared; }\n#endif\n");
    const char* defines[] = {"-DGROOM", "-O3", nullptr};
    CGprogram defined = cgCreateProgramFromFile(context_, CG_SOURCE, path.c_str(), CG_PROFILE_ARBVP1, nullptr, defines);
    ASSERT_NE(defined, nullptr) << cgGetLastListing(context_);
    EXPECT_EQ(std::string(cgGetProgramString(defined, CG_COMPILED_PROGRAM)).find("#version 120\n#define GROOM\n"), 0u);
    EXPECT_EQ(cgCreateProgramFromFile(context_, CG_SOURCE, path.c_str(), CG_PROFILE_ARBVP1, nullptr, nullptr), nullptr);
    EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
}

TEST_F(CgRuntime, ProgramStringIsTheSourceAsCompiled) {
    CGprogram program = create("v.glsl", vertexSource, CG_PROFILE_ARBVP1);
    ASSERT_NE(program, nullptr);
    EXPECT_STREQ(cgGetProgramString(program, CG_COMPILED_PROGRAM), vertexSource);
    EXPECT_STREQ(cgGetProgramString(program, CG_PROGRAM_PROFILE), "arbvp1");
    EXPECT_EQ(cgGetProgramContext(program), context_);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(CgRuntime, MisuseRaisesCgErrors) {
    createPair();
    CGprogram unloaded = create("v2.glsl", vertexSource, CG_PROFILE_ARBVP1);
    float v[4] = {1, 2, 3, 4};
    struct Case {
        const char* what;
        std::function<void()> call;
        CGerror error;
    };
    const Case cases[] = {
        {"bind null", [] { cgGLBindProgram(nullptr); }, CG_INVALID_PROGRAM_HANDLE_ERROR},
        {"bind unloaded", [&] { cgGLBindProgram(unloaded); }, CG_PROGRAM_NOT_LOADED_ERROR},
        {"set null", [&] { cgGLSetParameter4fv(nullptr, v); }, CG_INVALID_PARAM_HANDLE_ERROR},
        {"matrix into vector", [&] { cgGLSetStateMatrixParameter(param(vertex_, "Offset"), CG_GL_MODELVIEW_MATRIX,
                                                                 CG_GL_MATRIX_IDENTITY); },
         CG_NOT_MATRIX_PARAM_ERROR},
        {"vector into matrix", [&] { cgGLSetParameter4fv(param(vertex_, "ModelView"), v); },
         CG_INVALID_PARAMETER_ERROR},
        {"texture into vector", [&] { cgGLSetTextureParameter(param(fragment_, "Tint"), 1); },
         CG_INVALID_PARAMETER_ERROR},
        {"unknown matrix", [&] { cgGLSetStateMatrixParameter(param(vertex_, "ModelView"),
                                                             static_cast<CGGLenum>(99), CG_GL_MATRIX_IDENTITY); },
         CG_INVALID_ENUMERANT_ERROR},
        {"listing of no context", [] { cgGetLastListing(nullptr); }, CG_INVALID_CONTEXT_HANDLE_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.call();
        EXPECT_EQ(cgGetError(), c.error);
    }
    EXPECT_EQ(cgGetNamedParameter(vertex_, "NoSuchName"), nullptr);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR) << "an unknown name is no error";
}

TEST_F(CgRuntime, ValuesSetBeforeBindReachTheProgramInUse) {
    createPair();
    unsigned char white[4] = {255, 255, 255, 255};
    GLuint texture = solidTexture(white);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    // Everything set while neither program is bound or enabled.
    const float tint[3] = {1.0f, 0.5f, 0.25f};
    const float offset[4] = {0, 0, 0, 0};
    cgGLSetParameter3fv(param(fragment_, "Tint"), tint);
    cgGLSetParameter4fv(param(vertex_, "Offset"), offset);
    cgGLSetStateMatrixParameter(param(vertex_, "ModelView"), CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetStateMatrixParameter(param(vertex_, "Projection"), CG_GL_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetTextureParameter(param(fragment_, "extra"), texture);
    glBindTexture(GL_TEXTURE_2D, texture);  // "base" stays on unit 0

    cgGLBindProgram(vertex_);
    cgGLBindProgram(fragment_);
    cgGLEnableProfile(CG_PROFILE_ARBVP1);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    cgGLEnableTextureParameter(param(fragment_, "extra"));
    ASSERT_EQ(cgGetError(), CG_NO_ERROR);

    auto pixel = drawQuadAndReadCentre();
    EXPECT_NEAR(pixel[0], 255, 1);
    EXPECT_NEAR(pixel[1], 128, 1);
    EXPECT_NEAR(pixel[2], 64, 1);

    // A value set while the pair is in use takes effect at once.
    const float green[3] = {0, 1, 0};
    cgGLSetParameter3fv(param(fragment_, "Tint"), green);
    pixel = drawQuadAndReadCentre();
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);

    // Switched off, the fixed-function pipeline draws again.
    cgGLDisableTextureParameter(param(fragment_, "extra"));
    cgGLDisableProfile(CG_PROFILE_ARBVP1);
    cgGLDisableProfile(CG_PROFILE_ARBFP1);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
}

TEST_F(CgRuntime, OneEnabledStageRunsAloneWithItsValues) {
    createPair();
    const float tint[3] = {0.2f, 0.4f, 0.6f};
    cgGLSetParameter3fv(param(fragment_, "Tint"), tint);
    cgGLBindProgram(vertex_);
    cgGLBindProgram(fragment_);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    EXPECT_EQ(currentUniform("Tint", 3), std::vector<float>(tint, tint + 3));
    EXPECT_EQ(currentUniform("ModelView", 1), std::vector<float>{-99.0f}) << "no vertex stage in use";
    cgGLEnableProfile(CG_PROFILE_ARBVP1);
    EXPECT_EQ(currentUniform("Tint", 3), std::vector<float>(tint, tint + 3));
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(CgRuntime, StateMatricesAreReadAtTheSetCall) {
    createPair();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, -2, 5);
    glRotatef(30, 0, 0, 1);
    glScalef(2, 3, 0.5f);
    Matrix4 modelView{};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView.data());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    Matrix4 projection{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(4, 4, 1);
    glMatrixMode(GL_MODELVIEW);

    cgGLSetStateMatrixParameter(param(vertex_, "ModelView"), CG_GL_MODELVIEW_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetStateMatrixParameter(param(vertex_, "NormalMatrix"), CG_GL_MODELVIEW_MATRIX,
                                CG_GL_MATRIX_INVERSE_TRANSPOSE);
    cgGLSetStateMatrixParameter(param(vertex_, "Projection"), CG_GL_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    // Later changes of the GL matrices do not reach the kept values.
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    cgGLBindProgram(vertex_);
    cgGLBindProgram(fragment_);
    cgGLEnableProfile(CG_PROFILE_ARBVP1);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    auto asMatrix = [](const std::vector<float>& v) {
        Matrix4 m{};
        std::copy(v.begin(), v.end(), m.begin());
        return m;
    };
    Matrix4 gotModelView = asMatrix(currentUniform("ModelView", 16));
    Matrix4 gotNormal = asMatrix(currentUniform("NormalMatrix", 16));
    Matrix4 gotProjection = asMatrix(currentUniform("Projection", 16));
    Matrix4 unit = multiply(transpose(gotNormal), gotModelView);  // (M^-1 M) from the inverse transpose
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(gotModelView[i], modelView[i]) << i;
        EXPECT_FLOAT_EQ(gotProjection[i], projection[i]) << i;
        EXPECT_NEAR(unit[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-5f) << i;
    }

    // The texture matrix, set while the pair is in use.
    cgGLSetStateMatrixParameter(param(vertex_, "ModelView"), CG_GL_TEXTURE_MATRIX, CG_GL_MATRIX_IDENTITY);
    Matrix4 texture = asMatrix(currentUniform("ModelView", 16));
    EXPECT_FLOAT_EQ(texture[0], 4.0f);
    EXPECT_FLOAT_EQ(texture[5], 4.0f);
    EXPECT_FLOAT_EQ(texture[10], 1.0f);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

TEST_F(CgRuntime, TextureParametersUseTheirOwnUnitsAndLeaveUnitZeroActive) {
    createPair();
    unsigned char grey[4] = {100, 100, 100, 255};
    GLuint first = solidTexture(grey), second = solidTexture(grey);
    CGparameter extra = param(fragment_, "extra"), base = param(fragment_, "base");
    cgGLSetTextureParameter(extra, first);
    cgGLSetTextureParameter(base, second);
    cgGLSetTextureParameter(extra, second);  // a new texture keeps the unit
    cgGLBindProgram(vertex_);
    cgGLBindProgram(fragment_);
    cgGLEnableProfile(CG_PROFILE_ARBFP1);
    EXPECT_EQ(currentUniform("extra", 1), std::vector<float>{1.0f});
    EXPECT_EQ(currentUniform("base", 1), std::vector<float>{2.0f});

    glBindTexture(GL_TEXTURE_2D, first);
    cgGLEnableTextureParameter(extra);
    auto boundOn = [](int unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        GLboolean enabled = glIsEnabled(GL_TEXTURE_2D);
        glActiveTexture(GL_TEXTURE0);
        return std::make_pair(bound, enabled == GL_TRUE);
    };
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(boundOn(1), std::make_pair(static_cast<GLint>(second), true));
    EXPECT_EQ(boundOn(0).first, static_cast<GLint>(first)) << "unit 0 is the caller's";
    cgGLDisableTextureParameter(extra);
    EXPECT_EQ(boundOn(1), std::make_pair(0, false));
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &first);
    glDeleteTextures(1, &second);
}

// A sampler both stages declare is one uniform of the linked pair: whichever
// program's parameter was given the texture, the vertex stage reads it there,
// and the other program's parameter (never given one) does not reset its unit.
TEST_F(CgRuntime, SamplerDeclaredByBothStagesReadsTheTextureEitherWasGiven) {
    const char* sharedVertex = R"(#version 120
uniform sampler2D table;
varying vec4 fetched;
void main() {
    gl_Position = gl_Vertex;
    fetched = texture2DLod(table, vec2(0.5), 0.0);
}
)";
    const char* sharedFragment = R"(#version 120
uniform sampler2D base;
uniform sampler2D table;
varying vec4 fetched;
void main() { gl_FragColor = fetched + texture2D(base, vec2(0.5)) * 1e-6; }
)";
    unsigned char tableColour[4] = {40, 160, 220, 255}, black[4] = {0, 0, 0, 255};
    GLuint tableTexture = solidTexture(tableColour), baseTexture = solidTexture(black);
    for (bool givenToFragment : {true, false}) {
        SCOPED_TRACE(givenToFragment ? "table given to the fragment program" : "table given to the vertex program");
        CGprogram vertex = create("sv.glsl", sharedVertex, CG_PROFILE_ARBVP1);
        CGprogram fragment = create("sf.glsl", sharedFragment, CG_PROFILE_ARBFP1);
        ASSERT_TRUE(vertex && fragment) << cgGetLastListing(context_);
        cgGLLoadProgram(vertex);
        cgGLLoadProgram(fragment);
        CGparameter table = param(givenToFragment ? fragment : vertex, "table");
        cgGLSetTextureParameter(table, tableTexture);
        cgGLBindProgram(vertex);
        cgGLBindProgram(fragment);
        cgGLEnableProfile(CG_PROFILE_ARBVP1);
        cgGLEnableProfile(CG_PROFILE_ARBFP1);
        cgGLEnableTextureParameter(table);
        glBindTexture(GL_TEXTURE_2D, baseTexture);
        ASSERT_EQ(cgGetError(), CG_NO_ERROR);
        EXPECT_EQ(currentUniform("table", 1), std::vector<float>{1.0f});
        auto pixel = drawQuadAndReadCentre();
        EXPECT_NEAR(pixel[0], 40, 1);
        EXPECT_NEAR(pixel[1], 160, 1);
        EXPECT_NEAR(pixel[2], 220, 1);
        cgGLDisableTextureParameter(table);
        cgGLDisableProfile(CG_PROFILE_ARBVP1);
        cgGLDisableProfile(CG_PROFILE_ARBFP1);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glDeleteTextures(1, &tableTexture);
    glDeleteTextures(1, &baseTexture);
}

// A volume read as its slices: the array's parameter binds its own target.
TEST_F(CgRuntime, ArrayTextureParameterReadsTheLayerAsked) {
    createPair();
    const unsigned char layers[2][4] = {{200, 10, 10, 255}, {10, 200, 10, 255}};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D_ARRAY, texture);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA, 1, 1, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, layers);
    for (int layer : {0, 1}) {
        CGprogram fragment = create("a.glsl", "#version 120\n#extension GL_EXT_texture_array : enable\nuniform "
                                    "sampler2DArray s;\nvoid main() { gl_FragColor = texture2DArray(s, vec3(0.5, 0.5, " +
                                    std::to_string(layer) + ".0)); }\n", CG_PROFILE_ARBFP1);
        cgGLLoadProgram(fragment);
        cgGLSetTextureParameter(param(fragment, "s"), texture);
        cgGLBindProgram(vertex_);
        cgGLBindProgram(fragment);
        cgGLEnableProfile(CG_PROFILE_ARBFP1);
        cgGLEnableTextureParameter(param(fragment, "s"));
        EXPECT_EQ(drawQuadAndReadCentre(), (std::array<int, 4>{layers[layer][0], layers[layer][1], 10, 255}));
    }
    glDeleteTextures(1, &texture);
}

TEST_F(CgRuntime, PairThatDoesNotLinkFailsTheBind) {
    // The fragment program reads a varying of a type the vertex program does
    // not write with: each compiles and links alone, the pair does not.
    CGprogram vertex = create("v.glsl", "#version 120\nvarying vec2 value;\nvoid main() { value = vec2(1.0); "
                                        "gl_Position = gl_Vertex; }\n", CG_PROFILE_ARBVP1);
    CGprogram fragment = create("f.glsl", "#version 120\nvarying vec3 value;\nvoid main() { "
                                          "gl_FragColor = vec4(value, 1.0); }\n", CG_PROFILE_ARBFP1);
    ASSERT_TRUE(vertex && fragment) << cgGetLastListing(context_);
    cgGLLoadProgram(vertex);
    cgGLLoadProgram(fragment);
    cgGLBindProgram(vertex);
    cgGetError();  // the fragment program bound before may or may not go with it
    cgGLBindProgram(fragment);
    EXPECT_EQ(cgGetError(), CG_PROGRAM_BIND_ERROR);
    EXPECT_STRNE(cgGetLastListing(context_), "");
}

}  // namespace

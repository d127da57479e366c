// pelage-render's command line: options, settings by name with checked
// values, output patterns, the turntable's orbit and the model's spin.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "core/fur_settings.h"
#include "headless/render_options.h"

namespace {

bool parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
    args.insert(args.begin(), "pelage-render");
    return parseRenderOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(RenderOptions, ReadsEveryOption) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"-e", "1", "2", "3.5", "-a", "0", "0.5", "0", "-u", "0", "0", "1", "-sx", "640", "-sy", "480",
                       "--out", "turn-%03d.png", "--frames", "36", "--orbit", "10", "--set", "numShells=64",
                       "--spin", "-7.5", "--time-step", "0.01", "--bench", "--model", "scans/statue.obj", "--gl", "glx",
                       "--up", "z"},
                      o, error))
        << error;
    EXPECT_EQ(o.eye[2], 3.5f);
    EXPECT_EQ(o.lookAt[1], 0.5f);
    EXPECT_EQ(o.up[2], 1.0f);
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
    EXPECT_EQ(o.out, "turn-%03d.png");
    EXPECT_EQ(o.frames, 36);
    EXPECT_EQ(o.orbit, 10.0f);
    EXPECT_EQ(o.spin, -7.5f);
    EXPECT_EQ(o.timeStep, 0.01f);
    EXPECT_TRUE(o.bench);
    ASSERT_EQ(o.settings.size(), 2u);
    EXPECT_EQ(o.settings[0].value, "numShells=64");
    EXPECT_EQ(o.settings[1].value, "upAxis=2") << "--up is a setting, applied in its turn";
    EXPECT_EQ(o.model, "scans/statue.obj");
    EXPECT_EQ(o.gl, GlInterface::Glx);
}

TEST(RenderOptions, UsageErrorsSayWhatIsWrong) {
    struct Case {
        std::vector<const char*> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"input.obj"}, "unknown option"},
        {{"-e", "1", "2"}, "-e needs 3 values"},
        {{"-e", "1", "x", "3"}, "-e takes three numbers"},
        {{"-a", "1", "2", "nan"}, "-a takes three numbers"},
        {{"-sx", "0"}, "-sx takes a whole number"},
        {{"-sy", "12.5"}, "-sy takes a whole number"},
        {{"-sx", "100000"}, "-sx takes"},
        {{"--frames", "0"}, "--frames takes"},
        {{"--frames"}, "--frames needs 1 value"},
        {{"--orbit", "ten"}, "--orbit takes"},
        {{"--spin", "361"}, "--spin takes"},
        {{"--spin"}, "--spin needs 1 value"},
        {{"--time-step", "-0.01"}, "--time-step takes"},
        {{"--time-step", "2"}, "--time-step takes"},
        {{"--out", "a%s.png"}, "--out takes"},
        {{"--out", "%d-%d.png"}, "--out takes"},
        {{"--frames", "3", "--out", "still.png"}, "frame number"},
        {{"--set", "numShells"}, "NAME=VALUE"},
        {{"--set", "furLength=2"}, "unknown setting \"furLength\""},
        {{"--set", "numShells=101"}, "bad value \"101\" for numShells"},
        {{"--model"}, "--model needs 1 value"},
        {{"--model", ""}, "--model takes the path of a model file"},
        {{"--set", "generatedTexCoords=2"}, "bad value \"2\" for generatedTexCoords"},
        {{"--gl", "wgl"}, "--gl takes egl or glx"},
        {{"--up", "x"}, "--up takes y or z"},
        {{"--set", "upAxis=3"}, "bad value \"3\" for upAxis"},
    };
    for (const Case& c : cases) {
        RenderOptions o;
        std::string error;
        EXPECT_FALSE(parse(c.args, o, error)) << c.args[0];
        EXPECT_NE(error.find(c.mentions), std::string::npos) << "got: " << error;
    }
}

TEST(RenderOptions, HelpAndDefaults) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_EQ(o.frames, 1);
    EXPECT_EQ(o.width, 1024);
    EXPECT_EQ(o.height, 1024);
    EXPECT_EQ(o.spin, 0.0f);
    EXPECT_FLOAT_EQ(o.timeStep, 1.0f / 30);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.model, "") << "pelage's own default model";
    ASSERT_TRUE(parse({"--help"}, o, error));
    EXPECT_TRUE(o.help);
    EXPECT_NE(std::string(renderUsage()).find("--set NAME=VALUE"), std::string::npos);
    EXPECT_NE(std::string(renderUsage()).find("--model FILE"), std::string::npos);
}

TEST(FurSettingByName, SetsEveryKindOfField) {
    FurSettings s;
    std::string error;
    for (const char* assignment :
         {"numShells=64", "shellHeight=0.5", "hairColor=0.3,0.2,0.1", "drawFins=0", "specularColor=0,0.5,1,1",
          "lightTransform=1,2,3", "texturesDirty=0", "objectToMove=2", "windDirection=0,0,-1"})
        ASSERT_TRUE(applyFurSetting(s, assignment, error)) << assignment << ": " << error;
    EXPECT_EQ(s.numShells, 64);
    EXPECT_EQ(s.shellHeight, 0.5f);
    EXPECT_EQ(s.hairColor[0], 0.3f);
    EXPECT_EQ(s.hairColor[2], 0.1f);
    EXPECT_EQ(s.drawFins, 0);
    EXPECT_EQ(s.specularColor[2], 1.0f);
    float light[3];
    objectPosition(s.lightTransform, light);
    EXPECT_EQ(light[0], 1.0f);
    EXPECT_EQ(light[1], 2.0f) << "x,y,z is a world position, stored as x, z, y";
    EXPECT_EQ(light[2], 3.0f);
    EXPECT_FALSE(s.texturesDirty);
    EXPECT_EQ(s.objectToMove, 2);
    EXPECT_EQ(s.windDirection[2], -1.0f);

    // 16 rotation values then the position: a quarter turn about y.
    ASSERT_TRUE(applyFurSetting(s, "modelTransform=0,0,-1,0,0,1,0,0,1,0,0,0,0,0,0,1,0.5,0,0", error)) << error;
    EXPECT_EQ(s.modelTransform.rotation[2], -1.0f);
    EXPECT_EQ(s.modelTransform.rotation[8], 1.0f);
    EXPECT_EQ(s.modelTransform.translateXZ[0], 0.5f);
}

TEST(FurSettingByName, NamesEveryFieldOfTheRecord) {
    const std::vector<std::string>& names = furSettingNames();
    EXPECT_EQ(names.size(), 46u);
    FurSettings s;
    std::string error;
    for (const std::string& name : names) {
        // Every name is known: whatever is wrong with the empty value, it is not the name.
        bool text = findSettingField(name)->kind == SettingKind::Text;
        EXPECT_EQ(applyFurSetting(s, name + "=", error), text) << name << " (an empty text is a value)";
        EXPECT_EQ(error.find("unknown setting"), std::string::npos) << name;
    }
}

TEST(FurSettingByName, RejectsBadValuesAndLeavesTheRecordAlone) {
    const char* bad[] = {
        "numShells=-1",       "numShells=1.5",        "numShells=",          "numHairs=0",
        "numHairs=10001",     "drawFins=2",           "drawFins=yes",        "shellHeight=-0.1",
        "shellHeight=inf",    "shellHeight=nan",      "finHeight=1e40",      "hairColor=0.3,0.2",
        "hairColor=1,1,1,1",  "hairColor=0.3,,0.1",   "skinColor=2,0,0",     "minShadow=1.5",
        "finScalingFactor=0", "shellTextureScale=25", "diffuseExponent=-1",  "ambientColor=1,1,1",
        "objectToMove=3",     "lightTransform=1,2",   "lightTransform=1,2,nan", "lightTransform=1e9,0,0",
        // 16 values that are no rotation (a scale by 2), then a position.
        "modelTransform=2,0,0,0,0,2,0,0,0,0,2,0,0,0,0,1,0,0,0",
        "finDensity= 0.5",    "finDensity=0.5 ",
        // A clip's name a look line could not carry back.
        "animationClip= Walk", "animationClip=Walk#2", "animationClip=Walk\tfast",
        "animationClip=0123456789012345678901234567890123456789012345678901234567890123",
    };
    for (const char* assignment : bad) {
        FurSettings s;
        std::string error;
        EXPECT_FALSE(applyFurSetting(s, assignment, error)) << assignment;
        EXPECT_NE(error.find("bad value"), std::string::npos) << assignment << ": " << error;
        FurSettings defaults;
        // Every field before the final bool is a 4-byte value, so no padding is compared.
        EXPECT_EQ(std::memcmp(&s, &defaults, offsetof(FurSettings, texturesDirty)), 0) << assignment;
        EXPECT_EQ(s.texturesDirty, defaults.texturesDirty) << assignment;
    }
}

TEST(FramePattern, NumbersFramesAndEscapesPercent) {
    struct Case {
        const char* pattern;
        int index;
        const char* name;
    };
    const Case cases[] = {
        {"turn-%03d.png", 7, "turn-007.png"},
        {"turn-%03d.png", 1234, "turn-1234.png"},
        {"f%d.png", 12, "f12.png"},
        {"f%4d.png", 5, "f   5.png"},
        {"100%%-%02d.png", 3, "100%-03.png"},
        {"still.png", 9, "still.png"},
    };
    for (const Case& c : cases) {
        std::string name;
        ASSERT_TRUE(frameFileName(c.pattern, c.index, name)) << c.pattern;
        EXPECT_EQ(name, c.name);
    }
    std::string name;
    EXPECT_FALSE(frameFileName("%s.png", 1, name));
    EXPECT_FALSE(frameFileName("%d%d.png", 1, name));
    EXPECT_FALSE(frameFileName("%999d.png", 1, name)) << "widths are kept to two digits";
    EXPECT_TRUE(hasFrameNumber("a%04d.png"));
    EXPECT_FALSE(hasFrameNumber("a%%d.png"));
}

TEST(Orbit, TurnsTheEyeAboutTheVerticalThroughTheLookAtPoint) {
    const float eye[3] = {0, 1, 3}, lookAt[3] = {0, 1, 0};
    float out[3];
    orbitEye(eye, lookAt, 90, out);
    EXPECT_NEAR(out[0], 3, 1e-5f);
    EXPECT_NEAR(out[1], 1, 1e-6f);
    EXPECT_NEAR(out[2], 0, 1e-5f);
    const float offCentre[3] = {1, 0, 0};
    orbitEye(eye, offCentre, 180, out);
    EXPECT_NEAR(out[0], 2, 1e-5f);
    EXPECT_NEAR(out[2], -3, 1e-5f);
    orbitEye(eye, lookAt, 0, out);
    EXPECT_EQ(out[0], eye[0]);
    EXPECT_EQ(out[2], eye[2]);
}

TEST(Spin, TurnsTheModelAboutWorldYInTheOrbitsSense) {
    // A model already tipped a quarter turn about x: its y axis points along z.
    const float tipped[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    float out[16];
    spinRotation(tipped, 90, out);
    // x goes to -z as the orbit takes an eye on +x to -z...
    EXPECT_NEAR(out[0], 0, 1e-6f);
    EXPECT_NEAR(out[2], -1, 1e-6f);
    // ...and the model's own y axis, along world z, goes to world x: the spin
    // is about world y, after the model's rotation.
    EXPECT_NEAR(out[4], 1, 1e-6f);
    EXPECT_NEAR(out[6], 0, 1e-6f);
    EXPECT_NEAR(out[9], -1, 1e-6f) << "its z axis, along world -y, stays";
    EXPECT_EQ(out[15], 1.0f);
    spinRotation(tipped, 0, out);
    EXPECT_EQ(std::memcmp(out, tipped, sizeof out), 0) << "no spin leaves the rotation bit for bit";
}

}  // namespace

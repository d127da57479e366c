// pelage-render's GL interfaces: EGL draws GLX's picture byte for byte; the
// interface asked for is the one used, the other one is tried when the
// default fails, and one line names what was tried when neither opens.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/harness.h"

namespace {

// What GLVND reads for its EGL vendors: a file that is not there leaves EGL
// without any.
const std::pair<std::string, std::string> noEglVendor = {"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/egl.json"};

class GlInterfaces : public testing::Test {
protected:
    e2e::VirtualDisplay display;  // GLX's server
    e2e::ScratchDirectory scratch{"pelage-gl"};
};

TEST_F(GlInterfaces, EglDrawsWhatGlxDraws) {
    // Fur, fins, shells and the light marker in view, at a size of its own.
    const std::vector<std::string> view = {"-sx", "200", "-sy", "150", "-e", "0.5", "0.4", "5", "--set",
                                           "numHairs=500", "--set", "lightTransform=1.7,0.9,0.5"};
    RgbImage images[2];
    const char* interfaces[2] = {"glx", "egl"};
    for (int i = 0; i < 2; ++i) {
        std::string path = scratch.path() + "/" + interfaces[i] + ".png", error;
        std::vector<std::string> args = view;
        args.insert(args.end(), {"--gl", interfaces[i], "--out", path});
        e2e::Program program("pelage-render", args);
        ASSERT_EQ(program.wait(120), 0) << program.standardError().substr(0, 2000);
        ASSERT_TRUE(readPng(path, images[i], error)) << error;
    }
    ASSERT_EQ(images[1].width, 200);
    ASSERT_EQ(images[1].height, 150);
    long drawn = 0;
    for (size_t p = 0; p < images[1].rgb.size(); p += 3) {
        const unsigned char* rgb = &images[1].rgb[p];
        drawn += rgb[0] < 250 || rgb[1] < 250 || rgb[2] < 250;
    }
    EXPECT_GT(drawn, 3000) << "the bunny is drawn";
    EXPECT_EQ(e2e::countDifferent(images[0], images[1]), 0);
}

TEST_F(GlInterfaces, TheOneAskedForOrTheOtherAndOneLineWhenNeitherOpens) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> environment;
        std::vector<std::string> args;
        int status;
        std::string error;  // standard error, whole ("" when the run succeeds)
    };
    const std::string noContext = "pelage-render: no OpenGL context (";
    const std::string noDisplay = "GLX: no display (DISPLAY is not set)";
    const std::string noPlatform = "EGL: neither Mesa's surfaceless platform nor its software device";
    const Case cases[] = {
        {{{"DISPLAY", ""}, noEglVendor}, {}, 1, noContext + noPlatform + "; " + noDisplay + ")\n"},
        {{{"DISPLAY", ""}}, {"--gl", "glx"}, 1, noContext + noDisplay + ")\n"},
        {{noEglVendor}, {"--gl", "egl"}, 1, noContext + noPlatform + ")\n"},
        // No server answers there: GLX fails and EGL draws.
        {{{"DISPLAY", ":1999"}}, {}, 0, ""},
    };
    for (const Case& c : cases) {
        e2e::Environment environment(c.environment);
        std::vector<std::string> args = {"-sx", "32", "-sy", "32", "--set", "numHairs=20", "--out",
                                         scratch.path() + "/small.png"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        e2e::Program program("pelage-render", args);
        EXPECT_EQ(program.wait(60), c.status) << c.error;
        if (c.status != 0) {
            EXPECT_EQ(program.standardError(), c.error);
        }
    }
}

}  // namespace

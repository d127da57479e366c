// The shell level of detail against the full stack of shells, in pictures
// rendered by pelage-render at pelage's default view, at the README's small
// one and close up: blurred by 2 pixels, they differ by at most 0.5% of full
// scale on average over the image (ImageMagick's mean absolute error).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

// The mean absolute difference of two pictures after a 2-pixel blur, as a
// share of full scale; -1 when ImageMagick gives no figure.
double blurredDifference(const std::string& a, const std::string& b) {
    std::string out = e2e::shell("convert '" + a + "' -blur 0x2 '" + a + ".blurred.png' && convert '" + b +
                                 "' -blur 0x2 '" + b + ".blurred.png' && compare -metric MAE '" + a +
                                 ".blurred.png' '" + b + ".blurred.png' null: 2>&1");
    size_t open = out.find('(');
    return open == std::string::npos ? -1 : std::atof(out.c_str() + open + 1);
}

struct View {
    const char* name;
    std::vector<std::string> options;
    bool fewerShells;  // whether the level of detail drops any shell here
};

TEST(ShellLodImages, StayWithinHalfAPercentOfTheFullStackAtEachView) {
    e2e::VirtualDisplay display;
    e2e::ScratchDirectory scratch{"shell-lod"};
    const View views[] = {
        {"default", {}, true},
        {"small", {"-sx", "400", "-sy", "360", "-e", "0.5", "0.4", "3.2"}, true},
        {"close", {"-e", "0", "0.1", "1.35"}, false},  // the coat some 75 pixels high
    };
    for (const View& view : views) {
        SCOPED_TRACE(view.name);
        std::string paths[2];
        for (int lod = 0; lod < 2; ++lod) {
            paths[lod] = scratch.path() + "/" + view.name + (lod ? "-lod.png" : "-full.png");
            std::vector<std::string> args = view.options;
            args.insert(args.end(), {"--out", paths[lod]});
            if (!lod) args.insert(args.end(), {"--set", "shellLod=0"});
            e2e::Program program("pelage-render", args);
            ASSERT_EQ(program.wait(300), 0) << program.standardError().substr(0, 2000);
        }
        double difference = blurredDifference(paths[0], paths[1]);
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, 0.005);
        if (view.fewerShells) EXPECT_GT(difference, 0) << "shells were dropped";
        else EXPECT_EQ(difference, 0) << "every shell is needed";
    }
}

}  // namespace

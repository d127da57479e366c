// A clip played in images rendered by pelage-render without a display: the
// skinned box bent a quarter turn at its middle stands its tip, fur and all,
// up over its root; a clip it does not have is a usage error, and in a look
// a warning.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/harness.h"
#include "tests/support/skinned_box.h"

namespace {

constexpr int imageSize = 128;

class AnimationImages : public testing::Test {
protected:
    void SetUp() override { std::ofstream(box) << skinnedBoxGltf(); }

    int render(std::vector<std::string> args, const std::string& out, RgbImage* image = nullptr,
               std::string* standardError = nullptr) {
        std::vector<std::string> all = {"--model", box, "-sx", std::to_string(imageSize), "-sy",
                                        std::to_string(imageSize), "--set", "numHairs=500", "--out", dir + "/" + out};
        all.insert(all.end(), args.begin(), args.end());
        e2e::Program program("pelage-render", all);
        int status = program.wait(120);
        if (standardError) *standardError = program.standardError();
        std::string error;
        if (image) {
            EXPECT_TRUE(readPng(dir + "/" + out, *image, error)) << error << program.standardError().substr(0, 2000);
        }
        return status;
    }

    // Pixels other than the white background in the image's right quarter,
    // where the box's tip stands unbent.
    static long rightQuarterCovered(const RgbImage& image) {
        long covered = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = image.width * 3 / 4; x < image.width; ++x) {
                const unsigned char* p = &image.rgb[3 * (static_cast<std::size_t>(y) * image.width + x)];
                covered += p[0] < 250 || p[1] < 250 || p[2] < 250;
            }
        return covered;
    }

    e2e::Environment noDisplay;
    e2e::ScratchDirectory scratch{"pelage-animation"};
    const std::string& dir = scratch.path();
    std::string box = dir + "/box.gltf";
};

TEST_F(AnimationImages, TheBentBoxStandsItsFurredTipUpOverItsRoot) {
    RgbImage straight, bent;
    ASSERT_EQ(render({"--animation", "Bend", "--time", "0"}, "straight.png", &straight), 0);
    // Half way: a quarter turn, the tip standing up over the root.
    ASSERT_EQ(render({"--animation", "0", "--time", "0.5"}, "bent.png", &bent), 0);
    EXPECT_GT(rightQuarterCovered(straight), 200);
    EXPECT_EQ(rightQuarterCovered(bent), 0);
    EXPECT_EQ(render({"--animation", "Gallop"}, "none.png"), 2);
}

TEST_F(AnimationImages, TheLookKeepsTheClipByNameAndOneTheModelLacksStandsInBindPose) {
    std::ofstream(dir + "/bent.look") << "animationClip = Bend\n";
    RgbImage bent, straight;
    ASSERT_EQ(render({"--look", dir + "/bent.look", "--time", "0.5"}, "look.png", &bent), 0);
    EXPECT_EQ(rightQuarterCovered(bent), 0);
    std::string error;
    ASSERT_EQ(render({"--set", "animationClip=Gallop", "--time", "0.5"}, "lacking.png", &straight, &error), 0);
    EXPECT_GT(rightQuarterCovered(straight), 200);
    std::size_t first = error.find("no clip \"Gallop\"");
    EXPECT_NE(first, std::string::npos) << error;
    EXPECT_EQ(error.find("no clip", first + 1), std::string::npos) << "one warning: " << error;
}

}  // namespace

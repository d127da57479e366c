// Moving fur in images rendered by pelage-render without a display: with
// the dynamics off the picture is the rigid one byte for byte whatever the
// motion settings say; gravity pulls shells and fins down; wind changes the picture
// from frame to frame and gives the same picture for the same time; a spinning
// model's fur trails behind the spin; turning the camera moves no fur.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

constexpr int imageSize = 256;

// Fur three or four times the default length, so that bending it moves whole
// pixels at this image size.
const std::vector<std::string> longFur = {"--set", "shellHeight=0.15", "--set", "finHeight=0.15"};

class DynamicsImages : public testing::Test {
protected:
    // `frames` frames of the default bunny at imageSize, with fewer strands
    // than the default (quicker texture synthesis), long fur and `args`.
    std::vector<RgbImage> renderFrames(std::vector<std::string> args, const std::string& name, int frames) {
        std::string pattern = dir + "/" + name + "-%02d.png";
        std::vector<std::string> all = {"-sx", std::to_string(imageSize), "-sy", std::to_string(imageSize),
                                        "--set", "numHairs=1000", "--frames", std::to_string(frames),
                                        "--out", pattern};
        all.insert(all.end(), longFur.begin(), longFur.end());
        all.insert(all.end(), args.begin(), args.end());
        e2e::Program program("pelage-render", all);
        EXPECT_EQ(program.wait(120), 0) << program.standardError().substr(0, 2000);
        std::vector<RgbImage> images(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i) {
            char path[64];
            std::snprintf(path, sizeof path, "/%s-%02d.png", name.c_str(), i);
            std::string error;
            EXPECT_TRUE(readPng(dir + path, images[i], error)) << error;
            if (images[i].width != imageSize || images[i].height != imageSize)
                images[i] = {imageSize, imageSize, std::vector<unsigned char>(3 * imageSize * imageSize, 255)};
        }
        return images;
    }

    RgbImage render(std::vector<std::string> args, const std::string& name) {
        return renderFrames(std::move(args), name, 1)[0];
    }

    e2e::Environment noDisplay;
    e2e::ScratchDirectory scratch{"pelage-dynamics"};
    const std::string& dir = scratch.path();
};

bool isBackground(const unsigned char* p) { return p[0] >= 250 && p[1] >= 250 && p[2] >= 250; }

// Hair colour (1, 0.6, 0) under any lighting: red over green over blue.
bool isHairColoured(const unsigned char* p) { return p[0] > p[1] + 20 && p[1] > p[2] + 20; }

long countDiffering(const RgbImage& a, const RgbImage& b, int tolerance) {
    long n = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        for (size_t c = 0; c < 3; ++c)
            if (std::abs(a.rgb[i + c] - b.rgb[i + c]) > tolerance) {
                ++n;
                break;
            }
    return n;
}

struct Centroid {
    double x = 0, y = 0;
    long pixels = 0;
};

// The centre of the hair-coloured pixels of `fur` that stand out of the
// silhouette of `skin` (the same view with the fur layers off).
Centroid furBeyondSkin(const RgbImage& fur, const RgbImage& skin) {
    Centroid c;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x)
            if (isBackground(skin.at(x, y)) && isHairColoured(fur.at(x, y))) {
                c.x += x;
                c.y += y;
                ++c.pixels;
            }
    if (c.pixels) c.x /= c.pixels, c.y /= c.pixels;
    return c;
}

Centroid skinCentre(const RgbImage& skin) {
    Centroid c;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x)
            if (!isBackground(skin.at(x, y))) {
                c.x += x;
                c.y += y;
                ++c.pixels;
            }
    if (c.pixels) c.x /= c.pixels, c.y /= c.pixels;
    return c;
}

const std::vector<std::string> skinOnly = {"--set", "drawShells=0", "--set", "drawFins=0"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(DynamicsImages, WithTheDynamicsOffEveryMotionSettingLeavesTheRigidPicture) {
    RgbImage rigid = render({}, "rigid");
    RgbImage off = render({"--set", "gravity=5", "--set", "windStrength=2", "--set", "windDirection=1,0.5,0",
                           "--set", "windFrequency=3", "--set", "springStiffness=500", "--set", "springDamping=50",
                           "--time-step", "0.5"},
                          "off");
    EXPECT_EQ(rigid.rgb, off.rgb);
}

TEST_F(DynamicsImages, GravityPullsShellsAndFinsDown) {
    RgbImage skin = render(skinOnly, "skin");
    Centroid body = skinCentre(skin);
    struct Layers {
        const char* name;
        std::vector<std::string> args;
    };
    const Layers layers[] = {
        {"both", {}},
        {"shells", {"--set", "drawFins=0"}},
        {"fins", {"--set", "drawShells=0"}},
    };
    for (const Layers& layer : layers) {
        SCOPED_TRACE(layer.name);
        RgbImage rigid = render(layer.args, std::string("rigid-") + layer.name);
        RgbImage fallen = render(with(layer.args, {"--set", "dynamics=1", "--set", "gravity=0.3"}),
                                 std::string("fallen-") + layer.name);
        Centroid up = furBeyondSkin(rigid, skin), down = furBeyondSkin(fallen, skin);
        ASSERT_GT(up.pixels, 500);
        ASSERT_GT(down.pixels, 500);
        // Image rows grow downwards: the fur's centre sinks below the skin's.
        EXPECT_GT(down.y - body.y, up.y - body.y + 3)
            << "rigid " << up.y << ", fallen " << down.y << ", skin " << body.y;
    }
}

TEST_F(DynamicsImages, WindChangesThePictureFromFrameToFrameAndRepeatsForTheSameTime) {
    const std::vector<std::string> wind = {"--set", "dynamics=1",           "--set", "windStrength=0.15",
                                           "--set", "windDirection=1,0,0", "--set", "windFrequency=1"};
    std::vector<RgbImage> tenths = renderFrames(with(wind, {"--time-step", "0.1"}), "tenths", 3);
    std::vector<RgbImage> fifths = renderFrames(with(wind, {"--time-step", "0.2"}), "fifths", 2);
    EXPECT_EQ(tenths[0].rgb, fifths[0].rgb) << "time 0 either way";
    EXPECT_GT(countDiffering(tenths[0], tenths[1], 8), 1000) << "the fur sways";
    EXPECT_GT(countDiffering(tenths[1], tenths[2], 8), 1000);
    // 0.2 s as two steps or one: the same gusts, up to the rounding of the
    // phase sums, which may flip a handful of pixels.
    long same = countDiffering(tenths[2], fifths[1], 8), other = countDiffering(tenths[1], fifths[1], 8);
    EXPECT_LT(same, 50) << "at the same time";
    EXPECT_GT(other, 20 * same + 500) << "at another time";
}

// The column-major rotation by `degrees` about y, as --set modelTransform
// takes it (16 values, then the position).
std::string turnedAboutY(double degrees) {
    double a = degrees * 3.14159265358979 / 180;
    char text[200];
    std::snprintf(text, sizeof text, "modelTransform=%.7f,0,%.7f,0,0,1,0,0,%.7f,0,%.7f,0,0,0,0,1,0,0,0", std::cos(a),
                  -std::sin(a), std::sin(a), std::cos(a));
    return text;
}

TEST_F(DynamicsImages, ASpinningModelsFurTrailsBehindTheSpin) {
    // Two spins from opposite senses that end at the same turn, 70 degrees.
    // Seen from the front, a positive spin moves the near surface to the
    // right (+x), so its fur, trailing, leans left; the other spin, right.
    const std::vector<std::string> springs = {"--set", "dynamics=1", "--set", "springStiffness=400",
                                              "--set", "springDamping=40"};
    const int frames = 8;
    RgbImage skin = render(with(skinOnly, {"--set", turnedAboutY(70)}), "skin");
    RgbImage rigid = render({"--set", turnedAboutY(70)}, "rigid");
    RgbImage leftward = renderFrames(with(springs, {"--spin", "10"}), "leftward", frames).back();
    RgbImage rightward =
        renderFrames(with(springs, {"--set", turnedAboutY(140), "--spin", "-10"}), "rightward", frames).back();

    EXPECT_GT(countDiffering(leftward, rigid, 8), 1000) << "the fur moved";
    EXPECT_GT(countDiffering(rightward, rigid, 8), 1000);
    // Either spin also tips the fur at the side outlines towards or away from
    // the eye, which shortens it alike; what the sense of the spin decides is
    // which way the fur along the top and bottom outlines leans.
    Centroid left = furBeyondSkin(leftward, skin), right = furBeyondSkin(rightward, skin);
    ASSERT_GT(left.pixels, 500);
    ASSERT_GT(right.pixels, 500);
    EXPECT_LT(left.x, right.x - 4) << "the fur trails behind each spin";
}

TEST_F(DynamicsImages, TurningTheCameraMovesNoFur) {
    // The same orbit with and without springs: only the model's own motion
    // drives them, so every frame is the same.
    const std::vector<std::string> orbit = {"--set", "dynamics=1", "--set", "gravity=0.1", "--orbit", "30"};
    std::vector<RgbImage> plain = renderFrames(orbit, "plain", 3);
    std::vector<RgbImage> sprung =
        renderFrames(with(orbit, {"--set", "springStiffness=400", "--set", "springDamping=40"}), "sprung", 3);
    EXPECT_GT(countDiffering(plain[0], plain[2], 8), 1000) << "the camera turned";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(plain[i].rgb, sprung[i].rgb) << "frame " << i;
}

}  // namespace

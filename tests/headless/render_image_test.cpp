// Images rendered by pelage-render without a display: each layer switch
// removes its own layer, the light marker sits at the light, the light shades
// the fur, the shell slices stand at the origin, and a rendering repeats
// exactly. Also the renderer's exit statuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

constexpr int imageSize = 256;

class RenderImages : public testing::Test {
protected:
    // Renders the default bunny at imageSize with fewer strands than the
    // default (quicker texture synthesis) plus the given options.
    RgbImage render(std::vector<std::string> args, const std::string& name) {
        std::string path = dir + "/" + name + ".png";
        std::vector<std::string> all = {"-sx", std::to_string(imageSize), "-sy", std::to_string(imageSize),
                                        "--set", "numHairs=1000", "--out", path};
        all.insert(all.end(), args.begin(), args.end());
        e2e::Program program("pelage-render", all);
        int status = program.wait(120);
        RgbImage image;
        std::string error;
        EXPECT_EQ(status, 0) << program.standardError().substr(0, 2000);
        EXPECT_TRUE(readPng(path, image, error)) << error;
        if (image.width != imageSize || image.height != imageSize) image.rgb.assign(3 * imageSize * imageSize, 255);
        image.width = image.height = imageSize;
        return image;
    }

    e2e::Environment noDisplay;
    e2e::ScratchDirectory scratch{"pelage-render"};
    const std::string& dir = scratch.path();
};

bool isBackground(const unsigned char* p) { return p[0] >= 250 && p[1] >= 250 && p[2] >= 250; }

// Hair colour (1, 0.6, 0) under any lighting: red over green over blue.
bool isHairColoured(const unsigned char* p) { return p[0] > p[1] + 20 && p[1] > p[2] + 20; }

std::vector<bool> differing(const RgbImage& a, const RgbImage& b, int tolerance = 8) {
    std::vector<bool> mask(static_cast<size_t>(a.width) * a.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned char *p = a.at(x, y), *q = b.at(x, y);
            for (int c = 0; c < 3; ++c)
                if (std::abs(p[c] - q[c]) > tolerance) mask[static_cast<size_t>(y) * a.width + x] = true;
        }
    return mask;
}

long count(const std::vector<bool>& mask) {
    long n = 0;
    for (bool b : mask) n += b;
    return n;
}

// The share of `part` that lies inside `whole` grown by `margin` pixels.
double shareInside(const std::vector<bool>& part, const std::vector<bool>& whole, int margin) {
    long inside = 0, total = 0;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x) {
            if (!part[static_cast<size_t>(y) * imageSize + x]) continue;
            ++total;
            bool near = false;
            for (int dy = -margin; dy <= margin && !near; ++dy)
                for (int dx = -margin; dx <= margin && !near; ++dx) {
                    int u = x + dx, v = y + dy;
                    if (u >= 0 && v >= 0 && u < imageSize && v < imageSize)
                        near = whole[static_cast<size_t>(v) * imageSize + u];
                }
            inside += near;
        }
    return total ? static_cast<double>(inside) / total : 1.0;
}

TEST_F(RenderImages, EachLayerSwitchRemovesExactlyItsLayer) {
    RgbImage all = render({}, "all");
    RgbImage noShells = render({"--set", "drawShells=0"}, "noShells");
    RgbImage noFins = render({"--set", "drawFins=0"}, "noFins");
    RgbImage skin = render({"--set", "drawShells=0", "--set", "drawFins=0"}, "skin");

    // Fur beyond the skin's silhouette, in the hair colour.
    long beyond = 0, hairBeyond = 0;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x) {
            if (!isBackground(skin.at(x, y)) || isBackground(all.at(x, y))) continue;
            ++beyond;
            hairBeyond += isHairColoured(all.at(x, y));
        }
    EXPECT_GT(beyond, 300) << "fur stands out of the silhouette";
    EXPECT_GT(hairBeyond, beyond / 3) << "and it is hair-coloured";

    // Where each layer draws, seen against the skin alone...
    std::vector<bool> finsAlone = differing(noShells, skin), shellsAlone = differing(noFins, skin);
    EXPECT_GT(count(finsAlone), 300);
    EXPECT_GT(count(shellsAlone), 300);
    // ...is where switching that layer off changes the full image.
    std::vector<bool> finsRemoved = differing(all, noFins), shellsRemoved = differing(all, noShells);
    EXPECT_GT(count(finsRemoved), 300);
    EXPECT_GT(count(shellsRemoved), 300);
    EXPECT_GT(shareInside(finsRemoved, finsAlone, 1), 0.95);
    EXPECT_GT(shareInside(shellsRemoved, shellsAlone, 1), 0.95);
}

// The pixel where a world point appears for the default camera looking down
// -z from (0, 0, eyeZ) with the 50-degree view of the whole square image.
void project(float x, float y, float z, float eyeZ, int& px, int& py) {
    double f = 1.0 / std::tan(25.0 * 3.14159265358979 / 180.0);
    double depth = eyeZ - z;
    px = static_cast<int>((x * f / depth + 1) / 2 * imageSize);
    py = static_cast<int>((1 - y * f / depth) / 2 * imageSize);
}

bool isMarker(const unsigned char* p) {
    // Warm emission (1, 0.8, 0.7) plus lighting: full red, blue clearly below.
    return p[0] >= 235 && p[2] <= 235 && p[0] > p[2];
}

TEST_F(RenderImages, TheLightMarkerSitsAtTheLightAndTheLightShadesTheFur) {
    // From further back the marker (radius 1) stands clear of the model.
    RgbImage right = render({"-e", "0", "0", "8", "--set", "lightTransform=2.6,0,0"}, "right");
    RgbImage left = render({"-e", "0", "0", "8", "--set", "lightTransform=-2.6,0,0"}, "left");
    int rx, ry, lx, ly;
    project(2.6f, 0, 0, 8, rx, ry);
    project(-2.6f, 0, 0, 8, lx, ly);
    EXPECT_TRUE(isMarker(right.at(rx, ry)));
    EXPECT_TRUE(isBackground(right.at(lx, ly)));
    EXPECT_TRUE(isMarker(left.at(lx, ly)));
    EXPECT_TRUE(isBackground(left.at(rx, ry)));

    // On the model itself (the middle of the image), the light's side changes the shading.
    long changed = 0, model = 0;
    for (int y = imageSize / 2 - 30; y < imageSize / 2 + 30; ++y)
        for (int x = imageSize / 2 - 30; x < imageSize / 2 + 30; ++x) {
            if (isBackground(right.at(x, y)) && isBackground(left.at(x, y))) continue;
            ++model;
            const unsigned char *a = right.at(x, y), *b = left.at(x, y);
            changed += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 30;
        }
    EXPECT_GT(model, 500);
    EXPECT_GT(changed, model / 4);
}

TEST_F(RenderImages, TheShellBoxShowsTheSlicesInTheUnitCubeAtTheOrigin) {
    // The model moved out of view, the camera looking at the cube from the front.
    std::vector<std::string> view = {"-e", "0.5", "0.5", "3", "-a", "0.5", "0.5", "0", "--set", "modelTransform=20,0,0"};
    RgbImage without = render(view, "without");
    view.insert(view.end(), {"--set", "drawShellBox=1"});
    RgbImage with = render(view, "with");
    std::vector<bool> box = differing(with, without);
    EXPECT_GT(count(box), 1000) << "the slices show";
    // Every changed pixel lies within the square the cube's front and back
    // faces project to, seen from (0.5, 0.5, 3).
    int x0, y0, x1, y1;
    project(-0.5f, 0.5f, 1, 3, x0, y0);  // front top-left, relative to the eye's x and y
    project(0.5f, -0.5f, 1, 3, x1, y1);
    long outside = 0;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x)
            if (box[static_cast<size_t>(y) * imageSize + x] && (x < x0 - 2 || x > x1 + 2 || y < y0 - 2 || y > y1 + 2))
                ++outside;
    EXPECT_EQ(outside, 0);
}

TEST_F(RenderImages, TheSameOptionsGiveTheSameImage) {
    std::vector<std::string> options = {"-e", "1", "0.5", "2.5", "--set", "numShells=16"};
    RgbImage first = render(options, "first");
    RgbImage second = render(options, "second");
    EXPECT_EQ(count(differing(first, second, 0)), 0);
}

TEST_F(RenderImages, ASavedLookRendersTheSameImageAgain) {
    std::string look = dir + "/saved.look";
    RgbImage first = render({"--set", "hairColor=0.3,0.55,0.9", "--set", "shellHeight=0.0612345", "--set",
                             "numShells=20", "--set", "modelTransform=0.8,0,0.6,0,0,1,0,0,-0.6,0,0.8,0,0,0,0,1,0.1,0,0",
                             "--save-look", look},
                            "first");
    // The look overrides every setting given before it.
    RgbImage again = render({"--set", "numShells=40", "--set", "hairColor=1,1,1", "--look", look}, "again");
    EXPECT_EQ(count(differing(first, again, 0)), 0);
}

TEST_F(RenderImages, ATurntableWritesOneTurnedFramePerNumber) {
    std::string pattern = dir + "/turn-%02d.png";
    e2e::Program program("pelage-render", {"-sx", "128", "-sy", "128", "--set", "numHairs=200", "--frames", "3",
                                           "--orbit", "90", "--out", pattern});
    ASSERT_EQ(program.wait(120), 0) << program.standardError().substr(0, 2000);
    RgbImage frames[3];
    for (int i = 0; i < 3; ++i) {
        std::string error;
        char name[64];
        std::snprintf(name, sizeof name, "/turn-%02d.png", i);
        ASSERT_TRUE(readPng(dir + name, frames[i], error)) << error;
    }
    EXPECT_GT(count(differing(frames[0], frames[1])), 200);
    EXPECT_GT(count(differing(frames[1], frames[2])), 200);
}

TEST(RenderExitStatus, HelpUsageErrorsAndUnwritableOutput) {
    e2e::Program help("pelage-render", {"--help"});
    EXPECT_EQ(help.wait(30), 0);
    EXPECT_NE(help.standardOutput().find("usage: pelage-render"), std::string::npos);

    e2e::Program unknown("pelage-render", {"--set", "furLength=3"});
    EXPECT_EQ(unknown.wait(30), 2);
    EXPECT_NE(unknown.standardError().find("unknown setting \"furLength\""), std::string::npos)
        << unknown.standardError();

    e2e::Program bad("pelage-render", {"--set", "numShells=-4"});
    EXPECT_EQ(bad.wait(30), 2);
    EXPECT_NE(bad.standardError().find("bad value \"-4\" for numShells"), std::string::npos) << bad.standardError();

    e2e::ScratchDirectory scratch("pelage-render-look");
    std::string look = scratch.path() + "/bad.look";
    std::ofstream(look) << "numShells = 20\nnumShells = lots\n";
    e2e::Program badLook("pelage-render", {"--look", look, "--save-look", scratch.path() + "/out.look"});
    EXPECT_EQ(badLook.wait(30), 2);
    EXPECT_EQ(badLook.standardError(),
              "pelage-render: " + look + ":2: bad value \"lots\" for numShells: expected a whole number from 0 to 100\n");

    e2e::Environment noDisplay;
    e2e::Program unwritable("pelage-render",
                            {"-sx", "64", "-sy", "64", "--set", "numHairs=50", "--out", "/nonexistent/dir/x.png"});
    EXPECT_EQ(unwritable.wait(120), 1);
    EXPECT_NE(unwritable.standardError().find("can't write \"/nonexistent/dir/x.png\""), std::string::npos);
}

}  // namespace

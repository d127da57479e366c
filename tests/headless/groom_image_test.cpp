// A groom in images rendered by pelage-render from looks: a length map with a
// zero half makes that half bald and leaves the other as it was, a colour map
// colours where it says, and a comb leans the fur.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/map_image.h"
#include "tests/support/harness.h"

namespace {

constexpr int imageSize = 256;

class GroomImages : public testing::Test {
protected:
    // The default bunny seen from the front (+x to the right, +y up), with
    // long fur and fewer strands than the default, and the look `lines`;
    // `more` options after them.
    RgbImage render(const std::string& name, const std::string& lines, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"-sx", std::to_string(imageSize), "-sy", std::to_string(imageSize),
                                         "-e", "0", "0", "3.2"};
        args.insert(args.end(), more.begin(), more.end());
        return renderAs(name, "shellHeight = 0.12\nfinHeight = 0.12\nnumHairs = 1000\n" + lines, args, imageSize,
                        imageSize);
    }

    RgbImage renderAs(const std::string& name, const std::string& lines, std::vector<std::string> args, int width,
                      int height) {
        std::string look = dir + "/" + name + ".look";
        std::ofstream(look) << lines;
        std::string out = dir + "/" + name + ".png";
        args.insert(args.end(), {"--look", look, "--out", out});
        e2e::Program program("pelage-render", args);
        EXPECT_EQ(program.wait(120), 0) << program.standardError().substr(0, 2000);
        RgbImage image;
        std::string error;
        EXPECT_TRUE(readPng(out, image, error)) << error;
        if (image.width != width || image.height != height)
            image = {width, height, std::vector<unsigned char>(3 * std::size_t(width) * height, 255)};
        return image;
    }

    static std::string map(const char* name) {
        return std::string(std::getenv("PELAGE_SOURCE_DIR")) + "/tests/groom/maps/" + name;
    }

    e2e::Environment noDisplay;
    e2e::ScratchDirectory scratch{"pelage-groom"};
    const std::string& dir = scratch.path();
};

bool isBackground(const unsigned char* p) { return p[0] >= 250 && p[1] >= 250 && p[2] >= 250; }

struct Region {
    long drawn = 0, differing = 0;
    double x = 0;  // the mean column of drawn pixels
};

// Columns [x0, x1) of `image` compared with `plain`, and rows [y0, y1).
Region compare(const RgbImage& image, const RgbImage& plain, int x0, int x1, int y0 = 0, int y1 = imageSize) {
    Region r;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char *p = image.at(x, y), *q = plain.at(x, y);
            if (!isBackground(p)) r.drawn++, r.x += x;
            if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 24) r.differing++;
        }
    if (r.drawn) r.x /= r.drawn;
    return r;
}

// The drawn pixels of `fur` outside the outline of `skin`.
Region beyond(const RgbImage& fur, const RgbImage& skin) {
    Region r;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x)
            if (isBackground(skin.at(x, y)) && !isBackground(fur.at(x, y))) r.drawn++, r.x += x;
    if (r.drawn) r.x /= r.drawn;
    return r;
}

TEST_F(GroomImages, LengthColourAndCombShowWhereTheMapsSay) {
    RgbImage plain = render("plain", "");
    Region whole = compare(plain, plain, 0, imageSize);
    ASSERT_GT(whole.drawn, 5000);

    // x < 0 bald: the fur that stood out on the left is gone, the right stays.
    RgbImage half = render("half", "lengthMap = " + map("half-length.png") + "\n");
    Region left = compare(half, plain, 0, imageSize * 3 / 8), right = compare(half, plain, imageSize * 5 / 8, imageSize);
    Region plainLeft = compare(plain, plain, 0, imageSize * 3 / 8);
    EXPECT_LT(left.drawn, plainLeft.drawn * 95 / 100);
    EXPECT_GT(left.differing, left.drawn / 3);
    EXPECT_LT(right.differing, right.drawn / 50 + 10);

    // Red above y = 0, blue below.
    RgbImage coloured = render("colour", "colorMap = " + map("red-over-blue.png") + "\n");
    long red = 0, blue = 0, top = 0, bottom = 0;
    for (int y = 0; y < imageSize; ++y)
        for (int x = 0; x < imageSize; ++x) {
            const unsigned char* p = coloured.at(x, y);
            if (isBackground(p)) continue;
            bool above = y < imageSize / 2 - 12, below = y > imageSize / 2 + 12;
            top += above, bottom += below;
            // Shaded hairs are dark in either half: only the hue counts.
            red += (above && p[0] > p[2]) - (below && p[0] > p[2] + 30);
            blue += (below && p[2] > p[0]) - (above && p[2] > p[0] + 30);
        }
    EXPECT_GT(red, top * 8 / 10);
    EXPECT_GT(blue, bottom * 8 / 10);

    // Combed along +x: the fur standing out of the skin's outline leans right.
    RgbImage skin = render("skin", "drawShells = 0\ndrawFins = 0\n");
    RgbImage combed = render("comb", "directionMap = " + map("comb-x.png") + "\n");
    EXPECT_GT(beyond(combed, skin).x, beyond(plain, skin).x + 1.0);
}

// A colour layer over a bunny textured red over blue: where it covers (x < 0)
// the hair shows its purple, not multiplied into the red; elsewhere the
// picture is the texture's, pixel for pixel.
TEST_F(GroomImages, AColourLayerCoversWhereItIsPaintedAndLeavesTheTextureWhole) {
    std::ifstream bunny(std::string(std::getenv("PELAGE_SOURCE_DIR")) + "/OBJ/bunny-1500-cleaned.obj");
    std::ofstream(dir + "/textured.obj") << "mtllib textured.mtl\nusemtl furry\n" << bunny.rdbuf();
    std::ofstream(dir + "/textured.mtl") << "newmtl furry\nmap_Kd " << map("red-over-blue.png") << "\n";
    const int side = 16;
    MapImage layer{side * side, side, 4, {}, "16 16 16"};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < layer.width; ++x) {
            bool covered = x % side < side / 2;
            for (std::uint16_t v : {39321, 6554, 52428, covered ? 65535 : 0}) layer.values.push_back(v);
        }
    std::string error;
    ASSERT_TRUE(writeMapImage(dir + "/layer.png", layer, error)) << error;
    const std::vector<std::string> model = {"--model", dir + "/textured.obj"};
    RgbImage plain = render("textured", "", model), painted = render("layer", "colorMap = layer.png\n", model);
    long purple = 0, drawn = 0, changedRight = 0;
    for (int y = 0; y < imageSize / 2 - 12; ++y)
        for (int x = 0; x < imageSize; ++x) {
            const unsigned char *p = painted.at(x, y), *q = plain.at(x, y);
            if (x < imageSize / 2 - 12 && !isBackground(p)) drawn++, purple += p[2] > p[0] && p[0] > p[1];
            if (x > imageSize / 2 + 12) changedRight += !std::equal(p, p + 3, q);
        }
    EXPECT_GT(purple, drawn * 8 / 10) << "of " << drawn;
    EXPECT_EQ(changedRight, 0);
}

// A straight comb stroke along +x across the bunny's flank, as the brush
// paints one (lean 0.5 at its middle line, falling off smoothly to none 0.12
// away), drawn at the starting view with the light taken out (ambient only),
// so that only where each hair is drawn tells combed from plain. Per slice of
// 8 columns along the stroke: the mean row and the spread (standard
// deviation) of the pixels that differ from the plain picture. A comb as fine
// as the map draws a straight band of even width: neither jumps by more than
// a few pixels between neighbouring slices, where a comb held per corner of
// the triangles follows their edges (7.1 and 3.9 pixels, against 3.5 and 2.1).
TEST_F(GroomImages, AStraightCombStrokeLeansEvenlyAlongItsLength) {
    const int side = 64, columns = 8, width = 640, height = 480;
    MapImage comb{side * columns, side * side / columns, 3, {}, "64 64 64"};
    comb.values.resize(std::size_t(comb.width) * comb.height * 3);
    for (int z = 0; z < side; ++z)
        for (int j = 0; j < side; ++j) {
            float t = std::max(0.0f, 1 - std::fabs(-1 + (j + 0.5f) * 2 / side + 0.05f) / 0.12f);
            float lean = 0.5f * t * t * (3 - 2 * t);
            for (int i = 0; i < side; ++i) {
                std::size_t row = (z / columns) * side + side - 1 - j, at = row * comb.width + (z % columns) * side + i;
                for (int c = 0; c < 3; ++c) comb.values[3 * at + c] = std::uint16_t(32767.5f * (1 + (c == 0) * lean));
            }
        }
    std::string error;
    ASSERT_TRUE(writeMapImage(dir + "/stroke.png", comb, error)) << error;
    const std::string unlit = "ambientColor = 1,1,1,1\ndiffuseColor = 0,0,0,1\nspecularColor = 0,0,0,1\n";
    const std::vector<std::string> size = {"-sx", std::to_string(width), "-sy", std::to_string(height)};
    RgbImage plain = renderAs("unlit", unlit, size, width, height);
    RgbImage combed = renderAs("stroke", unlit + "directionMap = stroke.png\n", size, width, height);
    double last[2] = {}, jump[2] = {};
    for (int x0 = 140; x0 < 440; x0 += 8) {
        double sum = 0, squares = 0, count = 0;
        for (int y = 150; y < 400; ++y)
            for (int x = x0; x < x0 + 8; ++x) {
                const unsigned char *p = combed.at(x, y), *q = plain.at(x, y);
                if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) <= 60) continue;
                sum += y, squares += double(y) * y, count++;
            }
        ASSERT_GT(count, 8 * 10) << "the stroke shows at column " << x0;
        double slice[2] = {sum / count, std::sqrt(squares / count - sum * sum / (count * count))};
        for (int k = 0; k < 2 && x0 > 140; ++k) jump[k] = std::max(jump[k], std::fabs(slice[k] - last[k]));
        std::copy(slice, slice + 2, last);
    }
    EXPECT_LE(jump[0], 5.0) << "the stroke's middle row jumps";
    EXPECT_LE(jump[1], 3.0) << "the stroke's width jumps";
}

}  // namespace

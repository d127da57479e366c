// The Quality section's settings in pictures rendered by pelage-render at the
// README's view: off, they leave the README's picture exactly as it is; each
// one on changes the picture the way it is meant to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

class QualityImages : public testing::Test {
public:
    // The README's view (`-sx 400 -sy 360 -e 0.5 0.4 3.2`), `scale` times as
    // large, with the given --set values; its PNG's path.
    std::string render(const std::string& name, const std::vector<std::string>& settings, int scale = 1) {
        std::string path = scratch.path() + "/" + name + ".png";
        std::vector<std::string> args = {"-sx", std::to_string(400 * scale), "-sy", std::to_string(360 * scale),
                                         "-e", "0.5", "0.4", "3.2", "--out", path};
        for (const std::string& setting : settings) args.insert(args.end(), {"--set", setting});
        e2e::Program program("pelage-render", args);
        EXPECT_EQ(program.wait(300), 0) << program.standardError().substr(0, 2000);
        return path;
    }

    // ImageMagick's mean absolute error between two pictures, 0..1; -1 when
    // it gives none.
    static double meanAbsoluteError(const std::string& a, const std::string& b) {
        std::string out = e2e::shell("compare -metric MAE '" + a + "' '" + b + "' null: 2>&1");
        return out.find('(') == std::string::npos ? -1 : std::atof(out.c_str() + out.find('(') + 1);
    }

    // The README's view rendered at 4 x 4 the pixels and box-filtered down.
    const std::string& supersampled() {
        if (reference.empty()) {
            reference = render("large", {}, 4);
            e2e::shell("convert '" + reference + "' -filter box -resize 400x360 '" + reference + "'");
        }
        return reference;
    }

    static RgbImage read(const std::string& path) {
        RgbImage image;
        std::string error;
        EXPECT_TRUE(readPng(path, image, error)) << error;
        return image;
    }

    // Luminance, 0..255, of a pixel.
    static double luminance(const RgbImage& image, int x, int y) {
        const unsigned char* p = image.at(x, y);
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    }

    // The mean brightening from `off` to `on` (its size, with `absolute`)
    // over the coat's pixels within `near` pixels of the white background
    // (its fringe), and over those further than `far` from it (its inside).
    static void brighteningByPlace(const RgbImage& off, const RgbImage& on, int near, int far, double& fringe,
                                   double& inside, bool absolute = false) {
        double sums[2] = {0, 0};
        long counts[2] = {0, 0};
        const auto background = [&](int x, int y) {
            const unsigned char* p = off.at(x, y);
            return p[0] >= 250 && p[1] >= 250 && p[2] >= 250;
        };
        for (int y = far; y < off.height - far; ++y)
            for (int x = far; x < off.width - far; ++x) {
                if (background(x, y)) continue;
                int nearest = far + 1;
                for (int dy = -far; dy <= far; ++dy)
                    for (int dx = -far; dx <= far; ++dx)
                        if (background(x + dx, y + dy)) nearest = std::min(nearest, std::max(std::abs(dx), std::abs(dy)));
                int place = nearest <= near ? 0 : nearest > far ? 1 : -1;
                if (place < 0) continue;
                double change = luminance(on, x, y) - luminance(off, x, y);
                sums[place] += absolute ? std::abs(change) : change;
                ++counts[place];
            }
        fringe = counts[0] ? sums[0] / counts[0] : 0;
        inside = counts[1] ? sums[1] / counts[1] : 0;
    }

    std::string reference;
    e2e::Environment noDisplay;
    e2e::ScratchDirectory scratch{"quality"};
};

TEST_F(QualityImages, AtTheirDefaultsTheReadmePictureIsUnchanged) {
    const RgbImage readme = read(e2e::sourceDir() + "/docs/pelage.png");
    const RgbImage rendered = read(render("defaults", {}));
    EXPECT_EQ(rendered.width, readme.width);
    EXPECT_TRUE(rendered.rgb == readme.rgb) << "the README's picture is no longer what its command renders";
}

// Each setting against the default picture, and what it must do.
struct QualityCase {
    const char* setting;
    std::function<void(QualityImages&, const std::string& on, const std::string& off)> check;
};

TEST_F(QualityImages, EachSettingChangesThePictureAsMeant) {
    const std::string off = render("off", {});
    // Smooth shells: near the supersampled picture, which the plain
    // textures' grain is far from.
    const auto nearerTheSupersampledPicture = [](QualityImages& t, const std::string& on, const std::string& plain) {
        double smooth = meanAbsoluteError(on, t.supersampled()), grainy = meanAbsoluteError(plain, t.supersampled());
        EXPECT_GE(smooth, 0);
        EXPECT_LE(smooth, 0.015);
        EXPECT_LT(smooth, grainy - 0.01);
    };
    // Antialiasing (Mesa's software renderer has four samples a pixel): the
    // coat's edges change, its inside, where the layers cover every
    // sample alike, hardly.
    const auto smootherEdges = [](QualityImages&, const std::string& on, const std::string& plain) {
        double fringe = 0, inside = 0;
        brighteningByPlace(read(plain), read(on), 2, 12, fringe, inside, true);
        EXPECT_GT(fringe, 4) << "inside " << inside;
        EXPECT_GT(fringe, 3 * inside) << "fringe " << fringe;
    };
    // Rim light: the fringe of the coat brightened, its inside hardly.
    const auto brighterFringes = [](QualityImages&, const std::string& on, const std::string& plain) {
        double fringe = 0, inside = 0;
        brighteningByPlace(read(plain), read(on), 4, 12, fringe, inside);
        EXPECT_GT(fringe, 15);
        EXPECT_GT(fringe, 3 * inside);
    };
    // Shadows: the coat under the long ear, which hides it from the light
    // (upper right), darker.
    const auto darkerUnderTheEar = [](QualityImages&, const std::string& on, const std::string& plain) {
        const RgbImage lit = read(plain), shadowed = read(on);
        double darkening = 0;
        long coat = 0;
        for (int y = 100; y < 135; ++y)
            for (int x = 150; x < 215; ++x) {
                const unsigned char* p = lit.at(x, y);
                if (p[0] >= 250 && p[1] >= 250 && p[2] >= 250) continue;
                darkening += luminance(lit, x, y) - luminance(shadowed, x, y);
                ++coat;
            }
        ASSERT_GT(coat, 500);
        EXPECT_GT(darkening / coat, 8);
    };
    const QualityCase cases[] = {
        {"smoothShells=1", nearerTheSupersampledPicture},
        {"antialiasing=1", smootherEdges},
        {"rimLight=2", brighterFringes},
        {"furShadows=1", darkerUnderTheEar},
    };
    for (const QualityCase& c : cases) {
        SCOPED_TRACE(c.setting);
        std::string name = std::string(c.setting).substr(0, std::string(c.setting).find('='));
        c.check(*this, render(name, {c.setting}), off);
    }
}

}  // namespace

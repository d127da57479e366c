// The Quality section's settings in pictures rendered by pelage-render at the
// README's view: off, they leave the README's picture exactly as it is; each
// one on changes the picture the way it is meant to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/png_file.h"
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

    static RgbImage read(const std::string& path) {
        RgbImage image;
        std::string error;
        EXPECT_TRUE(readPng(path, image, error)) << error;
        return image;
    }

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
    // Smooth shells: nearer the picture rendered at 4 x 4 the pixels and
    // box-filtered down, which the plain textures' grain is far from.
    const auto nearerTheSupersampledPicture = [](QualityImages& t, const std::string& on, const std::string& plain) {
        std::string reference = t.render("large", {}, 4);
        e2e::shell("convert '" + reference + "' -filter box -resize 400x360 '" + reference + "'");
        double smooth = meanAbsoluteError(on, reference), grainy = meanAbsoluteError(plain, reference);
        EXPECT_GE(smooth, 0);
        EXPECT_LE(smooth, 0.015);
        EXPECT_LT(smooth, grainy - 0.01);
    };
    const QualityCase cases[] = {
        {"smoothShells=1", nearerTheSupersampledPicture},
    };
    for (const QualityCase& c : cases) {
        SCOPED_TRACE(c.setting);
        std::string name = std::string(c.setting).substr(0, std::string(c.setting).find('='));
        c.check(*this, render(name, {c.setting}), off);
    }
}

}  // namespace

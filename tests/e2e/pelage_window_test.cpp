// End to end: the real pelage shows the furry bunny in its window, the same
// picture pelage-render draws for a view of the same size.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/control_panel.h"
#include "tests/support/harness.h"

namespace {

using namespace e2e;

constexpr int windowWidthPx = 700, windowHeightPx = 520;

// The 3D view: the part of the window left of the docked panel.
Image viewOf(const Image& shot, int width) {
    Image view;
    view.width = width;
    view.height = shot.height;
    for (int y = 0; y < shot.height; ++y)
        view.rgb.insert(view.rgb.end(), shot.at(0, y), shot.at(0, y) + 3 * width);
    return view;
}

long nonWhite(const Image& image) {
    long n = 0;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3)
        n += image.rgb[i] < 245 || image.rgb[i + 1] < 245 || image.rgb[i + 2] < 245;
    return n;
}

TEST(PelageWindow, ShowsTheFurryBunnyAsPelageRenderDrawsIt) {
    VirtualDisplay display;
    const int viewWidth = windowWidthPx - panelWidth;

    char pattern[] = "/tmp/pelage-window-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string png = std::string(pattern) + "/view.png";
    Program render("pelage-render",
                   {"-sx", std::to_string(viewWidth), "-sy", std::to_string(windowHeightPx), "--out", png});
    ASSERT_EQ(render.wait(120), 0) << render.standardError().substr(0, 2000);
    RgbImage expected;
    std::string error;
    ASSERT_TRUE(readPng(png, expected, error)) << error;
    shell("rm -rf '" + std::string(pattern) + "'");

    Program pelage("pelage", {"-sx", std::to_string(windowWidthPx), "-sy", std::to_string(windowHeightPx)});
    std::string window = findWindow("Pelage");
    ASSERT_FALSE(window.empty()) << pelage.standardError().substr(0, 2000);
    // The first frame builds the textures; wait until the view holds a frame
    // that no longer changes.
    Image view, previous;
    for (int attempt = 0; attempt < 150; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        Image shot = screenshot(window);
        if (shot.width != windowWidthPx) continue;
        view = viewOf(shot, viewWidth);
        // Before the first frame the window is black: a frame has a white
        // background and the bunny.
        long drawn = nonWhite(view), pixels = static_cast<long>(view.width) * view.height;
        if (drawn > 1000 && drawn < pixels * 9 / 10 && countDifferent(view, previous) == 0) break;
        previous = view;
    }
    key(window, "q");
    EXPECT_EQ(pelage.wait(120), 0);

    ASSERT_EQ(view.width, expected.width);
    ASSERT_EQ(view.height, expected.height);
    Image reference{expected.width, expected.height, expected.rgb};
    long bunny = nonWhite(reference);
    EXPECT_GT(bunny, viewWidth * windowHeightPx / 10) << "the bunny fills a good part of the view";
    EXPECT_LT(countDifferent(view, reference, 8), bunny / 100) << "pelage and pelage-render draw the same frame";
}

}  // namespace

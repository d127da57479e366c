// The control panel in the real program, driven with real pointer events: a
// spinner and a checkbox change the view, the transform pads move the chosen
// object only, the panel stays docked at the right when the window is
// resized, and wind set in the "Dynamics" section keeps the fur moving. Controls are found where the panel's own layout puts them, laid
// out again here in a window-less ImGui context.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "app/control_panel.h"
#include "tests/support/headless_panel.h"
#include "tests/support/harness.h"

using namespace e2e;

namespace {

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    long count = 0;
    double sumX = 0, sumY = 0;
    bool empty() const { return count == 0; }
    int width() const { return x1 - x0 + 1; }
    int height() const { return y1 - y0 + 1; }
    double centreX() const { return sumX / count; }
    double centreY() const { return sumY / count; }
};

bool isBackground(const unsigned char* p) { return p[0] > 235 && p[1] > 235 && p[2] > 235; }

// The non-white pixels of the view (the part of the window left of the panel)
// inside the given region.
Box drawnPixels(const Image& image, int viewWidth, int x0 = 0, int y0 = 0, int x1 = 1 << 30, int y1 = 1 << 30) {
    Box box;
    for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(viewWidth, x1); ++x) {
            if (isBackground(image.at(x, y))) continue;
            box.x0 = std::min(box.x0, x);
            box.y0 = std::min(box.y0, y);
            box.x1 = std::max(box.x1, x);
            box.y1 = std::max(box.y1, y);
            ++box.count;
            box.sumX += x;
            box.sumY += y;
        }
    return box;
}

Image crop(const Image& image, int x0, int width) {
    Image part;
    part.width = std::max(0, std::min(width, image.width - x0));
    part.height = image.height;
    for (int y = 0; y < image.height; ++y)
        for (int x = x0; x < x0 + part.width; ++x) part.rgb.insert(part.rgb.end(), image.at(x, y), image.at(x, y) + 3);
    return part;
}

void sleepSeconds(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// The program as the user sees it: one window with the panel at its right.
class RunningPelage {
public:
    RunningPelage(int width, int height)
        : width_(width), height_(height),
          program_("pelage", {"-sx", std::to_string(width), "-sy", std::to_string(height)}) {
        // The window shows once the start-up has run, which takes a while
        // under the sanitizers.
        window_ = findWindow("Pelage", 90);
    }
    ~RunningPelage() { quit(); }

    // Quits with q, as the user would; the exit status (a sanitizer report
    // makes it non-zero).
    int quit() {
        if (!window_.empty() && program_.running()) key(window_, "q");
        return program_.wait(90);
    }

    const std::string& window() const { return window_; }
    Program& program() { return program_; }
    int viewWidth() const { return width_ - panelWidth; }

    // Waits until nothing is redrawn any more: two screenshots far enough
    // apart for a frame agree (the first frame builds every texture).
    Image settled(double seconds = 120) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        Image previous = screenshot(window_);
        while (std::chrono::steady_clock::now() < deadline) {
            sleepSeconds(1.5);
            Image now = screenshot(window_);
            if (now.width > 0 && countDifferent(previous, now) == 0 && hasDrawnView(now)) return last_ = now;
            previous = now;
        }
        return {};
    }

    // After an action that changes the window: a rebuild inside a callback
    // holds the picture still for a while, so first wait for the change to
    // show, then for the redrawing to end.
    // With viewOnly, the panel's own changes (a field being typed) don't count.
    Image changed(bool viewOnly = false, double seconds = 120) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            Image now = screenshot(window_);
            bool differs = viewOnly ? countDifferent(crop(last_, 0, viewWidth()), crop(now, 0, viewWidth())) > 0
                                    : countDifferent(last_, now) > 0;
            if (now.width > 0 && differs) return settled(seconds);
            sleepSeconds(0.5);
        }
        return {};
    }

    // Before the first frame the window is black; a drawn view shows the
    // white background somewhere.
    bool hasDrawnView(const Image& image) {
        long drawn = drawnPixels(image, viewWidth()).count;
        return drawn > 0 && drawn < static_cast<long>(viewWidth()) * image.height;
    }

    // Where the panel draws a control, in the main window's coordinates.
    void controlCentre(const std::string& label, int* x, int* y, const std::string& openList = "") {
        headless::Panel layout(panelWidth, static_cast<float>(height_));
        if (!openList.empty()) layout.click(openList);
        ImVec2 centre = layout.centre(label);
        ASSERT_GE(centre.x, 0) << label;
        *x = viewWidth() + static_cast<int>(centre.x);
        *y = static_cast<int>(centre.y);
    }

    void clickControl(const std::string& label, const std::string& openList = "") {
        int x = 0, y = 0;
        controlCentre(label, &x, &y, openList);
        click(window_, 1, x, y);
    }

    void dragControl(const std::string& label, int dx, int dy) {
        int x = 0, y = 0;
        controlCentre(label, &x, &y);
        drag(window_, 1, x, y, x + dx, y + dy);
    }

    // Ctrl+click on a spinner, type, then Enter.
    void typeInto(const std::string& label, const std::string& text) {
        int x = 0, y = 0;
        controlCentre(label, &x, &y);
        shell("xdotool mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y) +
              " keydown ctrl click 1 keyup ctrl sleep 0.3 type --delay 80 '" + text + "'");
        shell("xdotool sleep 0.2 key Return");
    }

    void resizeTo(int width, int height) {
        width_ = width;
        height_ = height;
        resize(window_, width, height);
    }

private:
    int width_, height_;
    Program program_;
    std::string window_;
    Image last_;
};

// The panel's sub-window: x, y, width and height relative to the main window.
std::vector<int> panelGeometry(const std::string& window) {
    std::string tree = shell("xwininfo -children -id " + window + " 2>/dev/null | grep -E '^ +0x' | head -1");
    // "     0x200006 (has no name): ()  290x800+710+0  +810+100"
    std::vector<int> g(4, -1);
    auto size = tree.find("  ", tree.find("()"));
    if (size == std::string::npos) return g;
    std::istringstream in(tree.substr(size));
    char x, plus1, plus2;
    in >> g[2] >> x >> g[3] >> plus1 >> g[0] >> plus2 >> g[1];
    return g;
}

TEST(PanelEndToEnd, DraggingShellHeightAndUntickingDrawFinsChangeTheView) {
    VirtualDisplay display;
    RunningPelage pelage(800, 700);
    ASSERT_FALSE(pelage.window().empty()) << pelage.program().standardError();
    Image start = pelage.settled();
    ASSERT_GT(start.width, 0) << "the first frame never settled";
    Box before = drawnPixels(start, pelage.viewWidth());

    pelage.dragControl("Shell Height", 120, 0);
    Image taller = pelage.changed();
    ASSERT_GT(taller.width, 0);
    Box after = drawnPixels(taller, pelage.viewWidth());
    EXPECT_GT(countDifferent(crop(start, 0, pelage.viewWidth()), crop(taller, 0, pelage.viewWidth()), 8), 2000);
    EXPECT_GT(after.count, before.count + 1000) << "higher shells widen the furry silhouette";

    pelage.clickControl("Draw Fins");
    Image finless = pelage.changed();
    ASSERT_GT(finless.width, 0);
    EXPECT_GT(countDifferent(crop(taller, 0, pelage.viewWidth()), crop(finless, 0, pelage.viewWidth()), 8), 500);
    Box finlessBox = drawnPixels(finless, pelage.viewWidth());
    EXPECT_LT(finlessBox.count, after.count) << "the fins' fringe is gone";

    // Ctrl+click to type a value: the keys go to the field, not to the view
    // (where q would quit), and Enter applies it.
    pelage.typeInto("Shell Height", "0.3q");  // the field takes no letters: it holds 0.3
    Image typed = pelage.changed(true);
    ASSERT_GT(typed.width, 0);
    EXPECT_TRUE(pelage.program().running()) << "a q typed into a field does not quit";
    EXPECT_GT(drawnPixels(typed, pelage.viewWidth()).count, finlessBox.count + 5000) << "shells at 0.3 stand far out";
    EXPECT_EQ(pelage.quit(), 0) << pelage.program().standardError().substr(0, 2000);
}

// Mean green over red of the drawn pixels of the view.
double greenOverRed(const Image& image, int viewWidth) {
    double sum = 0;
    long count = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < viewWidth; ++x) {
            const unsigned char* p = image.at(x, y);
            if (isBackground(p) || p[0] < 40) continue;
            sum += static_cast<double>(p[1]) / p[0];
            ++count;
        }
    return count ? sum / count : 0;
}

TEST(PanelEndToEnd, TypedAndDraggedColoursChangeTheViewAtOnce) {
    VirtualDisplay display;
    RunningPelage pelage(800, 700);
    ASSERT_FALSE(pelage.window().empty()) << pelage.program().standardError();
    Image start = pelage.settled();
    ASSERT_GT(start.width, 0);
    pelage.typeInto("Hair Color/Green", "0");
    Image red = pelage.changed(true);
    ASSERT_GT(red.width, 0);
    EXPECT_GT(countDifferent(crop(start, 0, pelage.viewWidth()), crop(red, 0, pelage.viewWidth()), 8), 5000);
    EXPECT_LT(greenOverRed(red, pelage.viewWidth()), greenOverRed(start, pelage.viewWidth()) - 0.05)
        << "red hair without green";

    // A drag recolours at every step; the picture follows it.
    pelage.dragControl("Hair Color/Green", 150, 0);
    Image dragged = pelage.changed();
    ASSERT_GT(dragged.width, 0);
    EXPECT_GT(greenOverRed(dragged, pelage.viewWidth()), greenOverRed(red, pelage.viewWidth()) + 0.05)
        << "green back in the hair";
    EXPECT_EQ(pelage.quit(), 0);
}

TEST(PanelEndToEnd, TheLightMovesWhenSelectedAndTheModelStaysWhereItWas) {
    VirtualDisplay display;
    RunningPelage pelage(900, 700);
    ASSERT_FALSE(pelage.window().empty()) << pelage.program().standardError();
    ASSERT_GT(pelage.settled().width, 0);
    // Dolly out (middle button, downwards) until the light at (5, 5, 2) is in view.
    int centreX = pelage.viewWidth() / 2;
    drag(pelage.window(), 2, centreX, 150, centreX, 550, 20);
    pelage.changed();
    drag(pelage.window(), 2, centreX, 150, centreX, 550, 20);
    Image far = pelage.changed();
    ASSERT_GT(far.width, 0);
    // The model sits at the centre, the light up and to the right.
    const int cx = pelage.viewWidth() / 2, cy = 350;
    Box model = drawnPixels(far, pelage.viewWidth(), cx - 60, cy - 60, cx + 60, cy + 60);
    Box light = drawnPixels(far, pelage.viewWidth(), cx + 61, 0, 1 << 30, cy - 60);
    ASSERT_FALSE(model.empty());
    ASSERT_FALSE(light.empty()) << "the light marker is not in view";

    pelage.clickControl("Object to move");
    pelage.changed();
    pelage.clickControl("Object to move/Light", "Object to move");
    Image lightSelected = pelage.changed();
    ASSERT_GT(lightSelected.width, 0);
    EXPECT_EQ(countDifferent(crop(far, 0, pelage.viewWidth()), crop(lightSelected, 0, pelage.viewWidth())), 0)
        << "selecting an object moves nothing";

    pelage.dragControl("Translate XZ", -100, 0);
    Image moved = pelage.changed();
    ASSERT_GT(moved.width, 0);
    Box lightAfter = drawnPixels(moved, pelage.viewWidth(), cx + 61, 0, 1 << 30, cy - 60);
    Box modelAfter = drawnPixels(moved, pelage.viewWidth(), cx - 60, cy - 60, cx + 60, cy + 60);
    ASSERT_FALSE(lightAfter.empty());
    EXPECT_LT(lightAfter.centreX(), light.centreX() - 10) << "the marker follows the pad to the left";
    EXPECT_NEAR(modelAfter.centreX(), model.centreX(), 1.5) << "the model stays where it was";
    EXPECT_NEAR(modelAfter.centreY(), model.centreY(), 1.5);

    pelage.clickControl("Object to move");
    pelage.changed();
    pelage.clickControl("Object to move/Model", "Object to move");
    Image modelSelected = pelage.changed();
    ASSERT_GT(modelSelected.width, 0);
    EXPECT_EQ(countDifferent(crop(moved, 0, pelage.viewWidth()), crop(modelSelected, 0, pelage.viewWidth())), 0)
        << "selecting the model again moves neither the model nor the light";
    EXPECT_EQ(pelage.quit(), 0);
}

TEST(PanelEndToEnd, MouseInThePanelNeverMovesTheCamera) {
    VirtualDisplay display;
    RunningPelage pelage(800, 700);
    ASSERT_FALSE(pelage.window().empty()) << pelage.program().standardError();
    Image start = pelage.settled();
    ASSERT_GT(start.width, 0);
    // Right-button and left-button drags over the empty foot of the panel:
    // in the view they would orbit and pan the camera.
    drag(pelage.window(), 3, pelage.viewWidth() + 100, 690, pelage.viewWidth() + 200, 670);
    drag(pelage.window(), 1, pelage.viewWidth() + 200, 690, pelage.viewWidth() + 100, 670);
    sleepSeconds(3);
    Image after = pelage.settled();
    EXPECT_EQ(countDifferent(crop(start, 0, pelage.viewWidth()), crop(after, 0, pelage.viewWidth())), 0);
    EXPECT_EQ(pelage.quit(), 0);
}

TEST(PanelEndToEnd, ResizingKeepsThePanelDockedAndTheViewsAspectFollowsTheFreeArea) {
    VirtualDisplay display;
    const int width = 800, height = 700, wideWidth = 1100, tallHeight = 760;
    RunningPelage pelage(width, height);
    ASSERT_FALSE(pelage.window().empty()) << pelage.program().standardError();
    const int viewWidth = pelage.viewWidth();
    ASSERT_GT(pelage.settled().width, 0);
    drag(pelage.window(), 2, viewWidth / 2, 200, viewWidth / 2, 350, 10);  // dolly out: the whole model in view
    Image narrow = pelage.changed();
    ASSERT_GT(narrow.width, 0);
    EXPECT_EQ(panelGeometry(pelage.window()), (std::vector<int>{viewWidth, 0, panelWidth, height}));
    Box before = drawnPixels(narrow, viewWidth);
    ASSERT_GT(before.x0, 0);
    ASSERT_LT(before.x1, viewWidth - 1) << "the model must be whole for its proportions to be measured";

    pelage.resizeTo(wideWidth, tallHeight);
    Image wide = pelage.changed();
    ASSERT_EQ(wide.width, wideWidth);
    const int wideView = pelage.viewWidth();
    EXPECT_EQ(panelGeometry(pelage.window()), (std::vector<int>{wideView, 0, panelWidth, tallHeight}));
    // The panel's background fills the right edge from top to bottom.
    const unsigned char* top = wide.at(wideWidth - 2, 2);
    const unsigned char* bottom = wide.at(wideWidth - 2, tallHeight - 2);
    EXPECT_TRUE(top[0] == bottom[0] && top[1] == bottom[1] && top[2] == bottom[2])
        << int(top[0]) << " " << int(top[1]) << " " << int(top[2]) << " / " << int(bottom[0]) << " "
        << int(bottom[1]) << " " << int(bottom[2]);
    if (HasFailure()) writePpm(wide, "panel_resize_failure.ppm");
    EXPECT_FALSE(top[0] > 250 && top[1] > 250 && top[2] > 250) << "the view's white shows where the panel belongs";

    // The vertical field of view is fixed: the model grows with the height
    // alone, keeps its proportions, and stays centred in the free area.
    Box after = drawnPixels(wide, wideView);
    const double scale = static_cast<double>(tallHeight) / height;
    EXPECT_NEAR(after.height(), before.height() * scale, 4);
    EXPECT_NEAR(after.width(), before.width() * scale, 4);
    const double offsetBefore = (before.x0 + before.x1) / 2.0 - viewWidth / 2.0;
    EXPECT_NEAR((after.x0 + after.x1) / 2.0 - wideView / 2.0, offsetBefore * scale, 4);
    EXPECT_EQ(pelage.quit(), 0);
}

}  // namespace

TEST(PanelEndToEnd, WindKeepsTheFurMovingWithoutInputUntilItStops) {
    VirtualDisplay display;
    // Tall enough for the "Dynamics" section below every other control.
    RunningPelage pelage(800, 1100);
    ASSERT_FALSE(pelage.window().empty()) << pelage.program().standardError();
    ASSERT_GT(pelage.settled().width, 0);
    pelage.clickControl("Dynamics");
    ASSERT_GT(pelage.changed().width, 0);
    dynamicsRolloutOpen = true;  // where the controls are now laid out
    pelage.clickControl("Enable Dynamics");
    pelage.typeInto("Wind Strength", "0.1");
    pelage.typeInto("X", "1");
    pelage.typeInto("Wind Frequency", "1");

    // No more input: the view goes on changing.
    sleepSeconds(1);
    Image first = screenshot(pelage.window());
    sleepSeconds(1.5);
    Image later = screenshot(pelage.window());
    EXPECT_GT(countDifferent(crop(first, 0, pelage.viewWidth()), crop(later, 0, pelage.viewWidth()), 8), 500)
        << "the fur sways on its own";

    // Still air: the redrawing ends.
    pelage.typeInto("Wind Frequency", "0");
    EXPECT_GT(pelage.settled(60).width, 0) << "a steady picture once nothing moves";
    dynamicsRolloutOpen = false;
    EXPECT_EQ(pelage.quit(), 0) << pelage.program().standardError().substr(0, 2000);
}

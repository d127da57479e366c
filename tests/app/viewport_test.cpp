// The view's area beside the docked panel and its aspect ratio.
#include <gtest/gtest.h>

#include "app/viewport.h"

TEST(Viewport, TheViewTakesWhatThePanelLeavesFree) {
    struct Case {
        int window[2], panel;
        ViewportArea area;
        double aspect;
    } cases[] = {
        {{1024, 1024}, 0, {0, 0, 1024, 1024}, 1.0},
        {{1024, 768}, 224, {0, 0, 800, 768}, 800.0 / 768},
        {{200, 300}, 250, {0, 0, 0, 300}, 1.0},   // narrower than the panel
        {{640, 0}, 100, {0, 0, 540, 0}, 1.0},     // minimised: no division by zero
    };
    for (const Case& c : cases) {
        ViewportArea a = viewportArea(c.window[0], c.window[1], c.panel);
        EXPECT_EQ(a.x, c.area.x);
        EXPECT_EQ(a.y, c.area.y);
        EXPECT_EQ(a.width, c.area.width);
        EXPECT_EQ(a.height, c.area.height);
        EXPECT_DOUBLE_EQ(viewAspect(a), c.aspect);
    }
}

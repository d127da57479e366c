// Framing: over boxes, views and the areas panels of several widths leave,
// the framed box lies inside the view with the margin, touches it on the
// tighter axis on both sides, and is seen from the same direction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/camera_framing.h"
#include "app/viewport.h"
#include "core/fur_settings.h"
#include "core/vector3.h"

namespace {

struct Projected {
    float x, y, depth;  // tangents across the view's right and up, distance along it
};

Projected project(const float eye[3], const float lookAt[3], const float up[3], const float p[3]) {
    Vec3 f = loadVec3(lookAt) - loadVec3(eye), d = loadVec3(p) - loadVec3(eye);
    f = f * (1 / length(f));
    Vec3 r = cross(f, loadVec3(up));
    r = r * (1 / length(r));
    float depth = dot(f, d);
    return {dot(r, d) / depth, dot(cross(r, f), d) / depth, depth};
}

}  // namespace

TEST(CameraFraming, TheBoxFillsTheFreeAreaWithTheMargin) {
    struct Case {
        const char* what;
        float lo[3], hi[3];
        float eye[3], lookAt[3];
        int window[2], panel;
    } cases[] = {
        {"bunny-sized box, default view, panel", {-1, -0.9f, -0.7f}, {1, 0.9f, 0.7f}, {0, 0, 3}, {0, 0, 0}, {1024, 1024}, 290},
        {"long thin box across the view", {-4, -0.2f, -0.2f}, {4, 0.2f, 0.2f}, {0, 0, 3}, {0, 0, 0}, {1024, 1024}, 290},
        {"tall box in a wide window", {-0.1f, -3, -0.1f}, {0.1f, 3, 0.1f}, {0, 0, 3}, {0, 0, 0}, {1600, 600}, 290},
        {"box off to one side, seen from above", {2, 1, -5}, {3, 2, -4}, {1, 6, 4}, {0, 0, 0}, {800, 800}, 0},
        {"far away box, oblique", {-10, -10, -10}, {-9, -8, -9}, {30, 5, 30}, {28, 4, 29}, {640, 480}, 100},
        {"camera inside the box", {-2, -2, -2}, {2, 2, 2}, {0, 0, 0.5f}, {0, 0, 0}, {1024, 1024}, 290},
    };
    const float up[3] = {0, 1, 0};
    for (const Case& c : cases) {
        float corners[8][3];
        ObjectTransform turned;  // a quarter turn about y, lifted by one
        turned.rotation[0] = turned.rotation[10] = 0, turned.rotation[2] = -1, turned.rotation[8] = 1;
        turned.translateY = 1;
        for (int i = 0; i < 8; ++i) {
            float p[3] = {(i & 1) ? c.hi[0] : c.lo[0], (i & 2) ? c.hi[1] : c.lo[1], (i & 4) ? c.hi[2] : c.lo[2]};
            placeModelPoint(turned, p, corners[i]);
        }
        ViewportArea area = viewportArea(c.window[0], c.window[1], c.panel);
        double aspect = viewAspect(area);
        float eye[3], lookAt[3];
        ASSERT_TRUE(frameCorners(c.eye, c.lookAt, up, corners, 8, viewFieldOfView, aspect, framingMargin, eye, lookAt))
            << c.what;

        Vec3 before = loadVec3(c.lookAt) - loadVec3(c.eye), after = loadVec3(lookAt) - loadVec3(eye);
        EXPECT_NEAR(dot(before, after) / (length(before) * length(after)), 1, 1e-6) << c.what;

        double limitY = std::tan(viewFieldOfView * std::numbers::pi / 360) * (1 - framingMargin);
        double limit[2] = {limitY * aspect, limitY};
        double low[2] = {1e9, 1e9}, high[2] = {-1e9, -1e9};
        for (const float* p : corners) {
            Projected q = project(eye, lookAt, up, p);
            EXPECT_GT(q.depth, 0.01) << c.what;  // in front of the near plane
            low[0] = std::min(low[0], q.x / limit[0]), high[0] = std::max(high[0], q.x / limit[0]);
            low[1] = std::min(low[1], q.y / limit[1]), high[1] = std::max(high[1], q.y / limit[1]);
        }
        for (int axis = 0; axis < 2; ++axis) {
            EXPECT_GE(low[axis], -1 - 1e-4) << c.what << " axis " << axis;
            EXPECT_LE(high[axis], 1 + 1e-4) << c.what << " axis " << axis;
            // Centred: as far from the edge on one side as on the other.
            EXPECT_NEAR(low[axis], -high[axis], 1e-4) << c.what << " axis " << axis;
        }
        // Tight: the binding axis reaches the margin.
        EXPECT_NEAR(std::max(high[0], high[1]), 1.0, 1e-4) << c.what;
    }
}

TEST(CameraFraming, NothingToFrameOrNoDirectionLeavesTheCamera) {
    float corner[1][3] = {{0, 0, 0}}, eye[3] = {7, 7, 7}, lookAt[3] = {8, 8, 8};
    const float up[3] = {0, 1, 0}, same[3] = {1, 1, 1}, above[3] = {0, 5, 0}, origin[3] = {0, 0, 0};
    EXPECT_FALSE(frameCorners(origin, same, up, corner, 0, 50, 1, 0.05f, eye, lookAt) ||
                 frameCorners(same, same, up, corner, 1, 50, 1, 0.05f, eye, lookAt) ||
                 frameCorners(above, origin, up, corner, 1, 50, 1, 0.05f, eye, lookAt));
    EXPECT_EQ(eye[0] + lookAt[0], 15);
}

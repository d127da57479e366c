// Framing: over boxes, views and the areas panels of several widths leave,
// the framed box lies inside the view with the margin, touches it on the
// tighter axis on both sides, and is seen from the same direction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/camera.h"
#include "app/camera_framing.h"
#include "app/viewport.h"
#include "core/fur_settings.h"

namespace {

struct Projected {
    double x, y, depth;  // tangents across the view's right and up, distance along it
};

Projected project(const float eye[3], const float lookAt[3], const float up[3], const float p[3]) {
    double f[3], r[3], u[3], d[3];
    for (int k = 0; k < 3; ++k) f[k] = lookAt[k] - eye[k], d[k] = p[k] - eye[k];
    double fl = std::hypot(f[0], f[1], f[2]);
    for (double& c : f) c /= fl;
    r[0] = f[1] * up[2] - f[2] * up[1], r[1] = f[2] * up[0] - f[0] * up[2], r[2] = f[0] * up[1] - f[1] * up[0];
    double rl = std::hypot(r[0], r[1], r[2]);
    for (double& c : r) c /= rl;
    u[0] = r[1] * f[2] - r[2] * f[1], u[1] = r[2] * f[0] - r[0] * f[2], u[2] = r[0] * f[1] - r[1] * f[0];
    double depth = f[0] * d[0] + f[1] * d[1] + f[2] * d[2];
    return {(r[0] * d[0] + r[1] * d[1] + r[2] * d[2]) / depth, (u[0] * d[0] + u[1] * d[1] + u[2] * d[2]) / depth,
            depth};
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

        double before[3], after[3];
        for (int k = 0; k < 3; ++k) before[k] = c.lookAt[k] - c.eye[k], after[k] = lookAt[k] - eye[k];
        double bl = std::hypot(before[0], before[1], before[2]), al = std::hypot(after[0], after[1], after[2]);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(before[k] / bl, after[k] / al, 1e-5) << c.what;

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
    EXPECT_FALSE(frameCorners(origin, same, up, corner, 0, 50, 1, 0.05f, eye, lookAt));
    EXPECT_FALSE(frameCorners(same, same, up, corner, 1, 50, 1, 0.05f, eye, lookAt));
    EXPECT_FALSE(frameCorners(above, origin, up, corner, 1, 50, 1, 0.05f, eye, lookAt));
    EXPECT_EQ(eye[0], 7);
    EXPECT_EQ(lookAt[0], 8);
}

TEST(CameraFraming, HomeBringsBackTheStartupCameraAndTheWheelDollies) {
    resetCamera();
    eyePoint[0] = 1, eyePoint[2] = 4;
    rememberStartupCamera();
    cameraWheel(1);
    float distance = std::hypot(eyePoint[0] - lookAtPoint[0], eyePoint[2] - lookAtPoint[2]);
    float start = std::hypot(1.0f, 4.0f);
    EXPECT_NEAR(distance, start - 0.01f * wheelStepPixels * std::sqrt(start), 1e-4);
    cameraWheel(-1);
    cameraOrbit(40, 15);
    restoreStartupCamera();
    EXPECT_EQ(eyePoint[0], 1);
    EXPECT_EQ(eyePoint[2], 4);
    EXPECT_EQ(lookAtPoint[0], 0);
}

// Camera navigation: the documented drag results and the degenerate cameras.
#include <gtest/gtest.h>

#include <cmath>

#include "app/camera.h"

namespace {

constexpr int kLeft = 0, kMiddle = 1, kRight = 2, kDown = 0, kUp = 1;

void drag(int button, int fromX, int fromY, int toX, int toY) {
    mouseButtonEvent(button, kDown, fromX, fromY);
    mouseMotionEvent(toX, toY);
    mouseButtonEvent(button, kUp, toX, toY);
}

void expectNear(const float* v, float x, float y, float z) {
    EXPECT_NEAR(v[0], x, 1e-4);
    EXPECT_NEAR(v[1], y, 1e-4);
    EXPECT_NEAR(v[2], z, 1e-4);
}

bool finite(const float* v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

class Camera : public ::testing::Test {
protected:
    void SetUp() override { resetCamera(); }
};

}  // namespace

TEST_F(Camera, OrbitRightAndDownKeepTheDistance) {
    drag(kRight, 100, 100, 200, 100);
    expectNear(eyePoint, -1.4383f, 0, 2.6327f);
    expectNear(lookAtPoint, 0, 0, 0);
    resetCamera();
    drag(kRight, 100, 100, 100, 200);
    expectNear(eyePoint, 0, 1.4383f, 2.6327f);
    EXPECT_NEAR(std::hypot(eyePoint[0], eyePoint[1], eyePoint[2]), 3.0, 1e-5);
}

TEST_F(Camera, PanMovesEyeAndLookAtTogether) {
    drag(kLeft, 0, 0, 10, 0);
    expectNear(eyePoint, -0.12124f, 0, 3);
    expectNear(lookAtPoint, -0.12124f, 0, 0);
}

TEST_F(Camera, DollyUpApproachesThenCarriesTheLookAtPoint) {
    drag(kMiddle, 0, 200, 0, 100);
    expectNear(eyePoint, 0, 0, 1.2679f);
    expectNear(lookAtPoint, 0, 0, 0);
    drag(kMiddle, 0, 200, 0, 100);
    expectNear(eyePoint, 0, 0, 0.1419f);
    expectNear(lookAtPoint, 0, 0, -0.8581f);
}

TEST_F(Camera, ReleasingTheNewerButtonEndsTheDrag) {
    mouseButtonEvent(kLeft, kDown, 10, 10);
    mouseButtonEvent(kRight, kDown, 10, 10);
    mouseButtonEvent(kRight, kUp, 10, 10);
    EXPECT_EQ(dragButton, -1);
    mouseMotionEvent(50, 80);
    expectNear(eyePoint, 0, 0, 3);
    EXPECT_EQ(lastMouseX, 50);
    EXPECT_EQ(lastMouseY, 80);
}

TEST_F(Camera, ReleasingTheOlderButtonKeepsTheNewerMode) {
    mouseButtonEvent(kLeft, kDown, 0, 0);
    mouseButtonEvent(kRight, kDown, 0, 0);
    mouseButtonEvent(kLeft, kUp, 0, 0);
    EXPECT_EQ(dragButton, kRight);
}

TEST_F(Camera, AClickWithoutMotionChangesNothing) {
    for (int button : {kLeft, kMiddle, kRight}) {
        mouseButtonEvent(button, kDown, 30, 40);
        mouseButtonEvent(button, kUp, 30, 40);
    }
    expectNear(eyePoint, 0, 0, 3);
    expectNear(lookAtPoint, 0, 0, 0);
}

TEST_F(Camera, DegenerateCamerasStayFinite) {
    struct Case {
        const char* what;
        float eye[3], lookAt[3];
    } cases[] = {
        {"eye on the look-at point", {1, 2, 3}, {1, 2, 3}},
        {"looking straight down", {0, 5, 0}, {0, 0, 0}},
        {"looking straight up", {0, -5, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        for (int button : {kLeft, kMiddle, kRight}) {
            std::copy(c.eye, c.eye + 3, eyePoint);
            std::copy(c.lookAt, c.lookAt + 3, lookAtPoint);
            drag(button, 0, 0, 37, -23);
            EXPECT_TRUE(finite(eyePoint)) << c.what << " button " << button;
            EXPECT_TRUE(finite(lookAtPoint)) << c.what << " button " << button;
        }
    }
}

TEST_F(Camera, OrbitOverThePoleStaysFinite) {
    // The pitch has no limit: dragging far enough passes over the pole, where
    // the side vector vanishes for a moment.
    mouseButtonEvent(kRight, kDown, 0, 0);
    for (int y = 1; y <= 2000; y += 7) mouseMotionEvent(0, y);
    EXPECT_TRUE(finite(eyePoint));
    EXPECT_NEAR(std::hypot(eyePoint[0], eyePoint[1], eyePoint[2]), 3.0, 1e-3);
}

// Camera navigation arithmetic, single precision as the view uses it.
#include "app/camera.h"

#include <cmath>

#include "core/vector3.h"

float eyePoint[3] = {0, 0, 3};
float lookAtPoint[3] = {0, 0, 0};
float upVector[3] = {0, 1, 0};
int dragButton = -1;
int lastMouseX = 0, lastMouseY = 0;

namespace {

// GLUT's button and state numbers, repeated so this file needs no GL header.
constexpr int kLeftButton = 0, kMiddleButton = 1, kRightButton = 2;
constexpr int kButtonDown = 0;

// A unit vector, or false when the vector has no direction (zero or not finite).
bool normalized(Vec3 a, Vec3& unit) {
    float v[3] = {a.x, a.y, a.z};
    if (!normalize3(v)) return false;
    unit = loadVec3(v);
    return true;
}

Vec3 load(const float v[3]) { return loadVec3(v); }
void store(float v[3], Vec3 a) { storeVec3(v, a); }

// Stores the new camera only when both points are finite: a step that would
// break the camera is skipped and the previous camera is kept.
void commit(Vec3 eye, Vec3 lookAt) {
    if (!isFinite(eye) || !isFinite(lookAt)) return;
    store(eyePoint, eye);
    store(lookAtPoint, lookAt);
}

}  // namespace

void resetCamera() {
    store(eyePoint, {0, 0, 3});
    store(lookAtPoint, {0, 0, 0});
    store(upVector, {0, 1, 0});
    dragButton = -1;
    lastMouseX = lastMouseY = 0;
}

namespace {
struct StartupCamera {
    float eye[3] = {0, 0, 3}, lookAt[3] = {0, 0, 0}, up[3] = {0, 1, 0};
} startupCamera;
}  // namespace

void rememberStartupCamera() {
    storeVec3(startupCamera.eye, load(eyePoint));
    storeVec3(startupCamera.lookAt, load(lookAtPoint));
    storeVec3(startupCamera.up, load(upVector));
}

void restoreStartupCamera() {
    store(eyePoint, load(startupCamera.eye));
    store(lookAtPoint, load(startupCamera.lookAt));
    store(upVector, load(startupCamera.up));
}

void cameraWheel(int direction) {
    if (direction != 0) cameraDolly(direction > 0 ? -wheelStepPixels : wheelStepPixels);
}

void cameraPan(float dx, float dy) {
    Vec3 eye = load(eyePoint), lookAt = load(lookAtPoint);
    Vec3 d = lookAt - eye;
    float scale = 0.007f * std::sqrt(length(d));
    Vec3 side = {-d.z, 0, d.x};  // d x (0, 1, 0)
    Vec3 up = cross(side, d);
    Vec3 sideUnit, upUnit;
    if (!normalized(side, sideUnit) || !normalized(up, upUnit)) return;
    Vec3 delta = (upUnit * dy - sideUnit * dx) * scale;
    commit(eye + delta, lookAt + delta);
}

void cameraDolly(float dy) {
    Vec3 eye = load(eyePoint), lookAt = load(lookAtPoint);
    Vec3 d = lookAt - eye;
    float dist = length(d);
    Vec3 dir;
    if (!normalized(d, dir)) return;
    float newDist = dist + 0.01f * dy * std::sqrt(dist);
    Vec3 newEye = lookAt - dir * newDist;
    // Closer than one unit the look-at point is carried along, one unit ahead.
    Vec3 newLookAt = newDist < 1 ? newEye + dir : lookAt;
    commit(newEye, newLookAt);
}

void cameraOrbit(float dx, float dy) {
    Vec3 eye = load(eyePoint), lookAt = load(lookAtPoint);
    Vec3 v = eye - lookAt;
    float a = -0.005f * dx;
    float ca = std::cos(a), sa = std::sin(a);
    Vec3 yawed = {ca * v.x + sa * v.z, v.y, -sa * v.x + ca * v.z};
    Vec3 f = yawed * -1.0f;
    float dist = length(f);
    Vec3 side = {-f.z, 0, f.x};  // f x (0, 1, 0)
    Vec3 up = cross(side, f);
    Vec3 forward, upUnit;
    if (!normalized(f, forward) || !normalized(up, upUnit)) return;
    float b = -0.005f * dy;
    Vec3 g = forward * std::cos(b) + upUnit * std::sin(b);
    commit(lookAt - g * dist, lookAt);
}

void mouseButtonEvent(int button, int state, int x, int y) {
    if (state == kButtonDown) {
        dragButton = button;
    } else if (button == dragButton) {
        dragButton = -1;
    }
    lastMouseX = x;
    lastMouseY = y;
}

void mouseMotionEvent(int x, int y) {
    float dx = static_cast<float>(x - lastMouseX);
    float dy = static_cast<float>(y - lastMouseY);
    switch (dragButton) {
    case kLeftButton: cameraPan(dx, dy); break;
    case kMiddleButton: cameraDolly(dy); break;
    case kRightButton: cameraOrbit(dx, dy); break;
    default: break;
    }
    lastMouseX = x;
    lastMouseY = y;
}

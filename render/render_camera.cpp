// The camera handed down from the application. See render_camera.h.
#include "render/render_camera.h"

namespace {
const float defaultEye[3] = {0, 0, 3};
const float defaultLookAt[3] = {0, 0, 0};
const float defaultUp[3] = {0, 1, 0};
RenderCamera camera = {defaultEye, defaultLookAt, defaultUp};
}  // namespace

void setRenderCamera(const float* eye, const float* lookAt, const float* up) { camera = {eye, lookAt, up}; }

const RenderCamera& renderCamera() { return camera; }

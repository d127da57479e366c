// The camera the frames are drawn from. The camera's vectors belong to the
// application, a layer above; it hands them down once at start-up, so render/
// links and tests without it. Until then a camera at (0, 0, 3) looking at the
// origin with up (0, 1, 0) stands in.
#pragma once

struct RenderCamera {
    const float* eye;     // 3 floats, world space
    const float* lookAt;  // 3 floats
    const float* up;      // 3 floats, never normalised
};

// The three vectors are read at every frame, never copied.
void setRenderCamera(const float* eye, const float* lookAt, const float* up);
const RenderCamera& renderCamera();

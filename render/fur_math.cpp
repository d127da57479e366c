// Arithmetic of the fur passes. See fur_math.h.
#include "render/fur_math.h"

#include <cmath>

#include "core/fur_settings.h"
#include "core/vector3.h"

Vec4 transformVec4(const float m[16], const Vec4& v) {
    float in[4] = {v.x, v.y, v.z, v.w};
    float out[4];
    for (int i = 0; i < 4; ++i) out[i] = m[i] * in[0] + m[i + 4] * in[1] + m[i + 8] * in[2] + m[i + 12] * in[3];
    return {out[0], out[1], out[2], out[3]};
}

float shellOffset(int i, int numShells, float shellHeight) {
    float h = static_cast<float>(i) / static_cast<float>(numShells - 1) * shellHeight;
    return std::isfinite(h) ? h : 0.0f;
}

float shellShade(int i, int numShells, float shellHeight, float minShadow) {
    // The unguarded height: where it is not finite the quotient is NaN or
    // infinite and the shade becomes 1, as for shellHeight 0.
    float h = static_cast<float>(i) / static_cast<float>(numShells - 1) * shellHeight;
    float shade = minShadow + (1.0f - minShadow) * (2.0f * h / shellHeight);
    // Written so that NaN takes the same branch as a shade of 1 or more.
    if (!(shade < 1.0f)) return 1.0f;
    return std::isfinite(shade) ? shade : 1.0f;
}

bool finPlaneNormal(const float p[3], const float q[3], const float np[3], float plane[3]) {
    float edge[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    cross3(edge, np, plane);
    return normalize3(plane);
}

float finFadeFromPlane(const float plane[3], const float view[3]) {
    float alpha = 2.0f * std::fabs(plane[0] * view[0] + plane[1] * view[1] + plane[2] * view[2]) - 1.0f;
    if (!(alpha > 0.0f)) return 0.0f;
    // Rounding may carry a squarely facing fin a hair above 1.
    return alpha < 1.0f ? alpha : 1.0f;
}

float finFade(const float p[3], const float q[3], const float np[3], const float view[3], bool alphaBlendFins) {
    if (!alphaBlendFins) return 1.0f;
    float plane[3];
    if (!finPlaneNormal(p, q, np, plane)) return 0.0f;
    return finFadeFromPlane(plane, view);
}

namespace {

// The inverse rotation (the transpose) applied to (point - translation).
bool modelSpaceDirection(const float point[3], const ObjectTransform& model, float direction[3]) {
    float translation[3];
    objectPosition(model, translation);
    float transposed[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) transposed[col * 4 + row] = model.rotation[row * 4 + col];
    Vec4 v = transformVec4(transposed, {point[0] - translation[0], point[1] - translation[1], point[2] - translation[2], 0.0f});
    direction[0] = v.x;
    direction[1] = v.y;
    direction[2] = v.z;
    return normalize3(direction);
}

}  // namespace

void viewDirection(const float eye[3], const float lookAt[3], const ObjectTransform& model, float direction[3]) {
    if (modelSpaceDirection(eye, model, direction)) return;
    // The direction from the look-at point to the eye: shifted so that the
    // model's translation cancels and only its rotation acts on it.
    float translation[3];
    objectPosition(model, translation);
    float shifted[3] = {eye[0] - lookAt[0] + translation[0], eye[1] - lookAt[1] + translation[1],
                        eye[2] - lookAt[2] + translation[2]};
    if (modelSpaceDirection(shifted, model, direction)) return;
    direction[0] = 0.0f;
    direction[1] = 0.0f;
    direction[2] = 1.0f;
}

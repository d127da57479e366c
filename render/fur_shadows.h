// Self-shadowing of the fur: a depth map of the model's skin seen from the
// light (the light marker's position), which the vertex program compares each
// hair point with, and with it a fade of the inner layers under the outer
// ones that grows as the light grazes the coat (lighting_vertex.cg). Only
// the depth pass lives here; the vertex program does the rest. Drawn once a
// frame, before the fur, when furShadows is on.
#pragma once
#include <epoxy/gl.h>

struct ObjectTransform;

// The depth pass's state: made on first use, kept between frames.
struct ShadowMap {
    GLuint framebuffer = 0, depth = 0;
    // Model space to the map's texture coordinates (x, y) and depth (z), all
    // 0..1 after the division by w; column-major.
    float modelToMap[16] = {};
};

// The map's size in texels: the coat's shadows are soft at this size, and a
// pass over the skin at it costs little beside a frame's shell passes.
constexpr int shadowMapSize = 512;

// Draws the skin of the mesh placed by `model` into `map`'s depth texture,
// seen from `light` (world space) with a perspective that just holds the
// mesh's box, and sets map.modelToMap. Restores the framebuffer, viewport,
// matrices and the state it changes.
void renderShadowMap(ShadowMap& map, const ObjectTransform& model, const float light[3]);

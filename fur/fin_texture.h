// The fin texture: a 512 x 256 side view of the slab z < 2 x density of the
// hair patch, drawn opaque, rendered offscreen and copied into a texture.
#pragma once
#include <epoxy/gl.h>

extern GLuint finTexture;  // 0 while none exists

constexpr int finTextureWidth = 512;
constexpr int finTextureHeight = 256;

// Replaces finTexture; density is the current finDensity.
void synthesizeFinTexture(float density);

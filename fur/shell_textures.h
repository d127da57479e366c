// Shell textures: one 256 x 256 horizontal cross-section of the hair patch per
// shell, level i / numShells, rendered offscreen and copied into a texture.
#pragma once
#include <epoxy/gl.h>

extern GLuint* shellTextures;    // shellTextureCount names, index 0 innermost
extern int shellTextureCount;

constexpr int shellTextureSize = 256;

// Deletes the existing shell textures and makes numShells new ones.
void regenerateShellTextures();

// Renders and captures shellTextures[index]; called by regenerateShellTextures,
// whose slots it fills (an index outside them does nothing) and whose view of
// which strand triangles can reach a pixel it reuses.
void synthesizeShellTexture(int index);

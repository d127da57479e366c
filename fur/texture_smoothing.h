// Smooth minification of the fin and shell textures: their level 0, as the
// synthesis or the recolouring left it, read back and averaged down into mip
// levels with alpha as the weight (fur/mip_levels.h), each pixel sampled
// bilinearly from its nearest level: trilinear sampling costs a software
// rasteriser a second level's reads in every pass, for no closer picture.
// Without it each texture has its one level and a coat seen from afar breaks
// into salt-and-pepper noise. A texture's GL_TEXTURE_MAX_LEVEL says whether
// its levels follow its level 0 (above 0) or are missing or stale (0), so
// turning the smoothing off and on again costs nothing.
#pragma once
#include <epoxy/gl.h>

// One level sharper than the footprint asks: the shells are mostly seen
// aslant, where an isotropic level blurs across the strands to fit their
// length. At the README's view the coat is then nearer a 4x-supersampled
// picture: MAE 1.37% (3.02% without smoothing).
constexpr float smoothLodBias = -1.0f;

// Makes the mip levels of `texture` (width x height RGBA) from its level 0
// and switches its minification to GL_LINEAR_MIPMAP_NEAREST with
// smoothLodBias; leaves it bound. Cost: one read-back and one pass over its
// texels.
void smoothTexture(GLuint texture, int width, int height);

// Level 0 changed without new levels: back to the one level, GL_LINEAR, the
// picture of a texture never smoothed, its levels marked stale.
void dropSmoothLevels(GLuint texture);

// Every fin and shell texture that exists sampled smoothly (on) or from its
// one level; levels still current are reused, not made again.
void smoothFurTextures(bool on);

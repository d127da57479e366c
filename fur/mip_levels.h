// Mip levels of a fur texture, averaged with alpha as the weight: a texel of
// the next level is colour = sum(c a) / sum(a) and alpha = mean(a) over the
// 2 x 2 texels below it. The fur textures are strands blended over a white,
// fully transparent background; a plain average mixes that white into the
// hair and the coat turns grey at a distance, while weighting by alpha keeps
// the hair's hue and only thins its coverage. Plain arithmetic on 8-bit RGBA
// rows, no OpenGL.
#pragma once

#include <cstdint>
#include <vector>

// One RGBA8 image, rows from the bottom, four bytes a texel.
struct MipLevel {
    int width = 0, height = 0;
    std::vector<std::uint8_t> texels;
};

// The level below `level`: half its size in each direction (never below 1),
// for the powers of two the fur textures have; a side of 1 is averaged with
// itself. Where all four alphas
// are 0 the colour is their plain mean, so the background stays white.
// Each value is rounded to the nearest. Cost: one pass over `level`.
MipLevel nextMipLevel(const MipLevel& level);

// Every level below `base` down to 1 x 1, in order (base not included).
std::vector<MipLevel> mipChain(const MipLevel& base);

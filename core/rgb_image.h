// An 8-bit RGB image in memory: what pelage-render writes as PNG and what the
// tests read back, compare and crop. Plain data.
#pragma once

#include <cstddef>
#include <vector>

struct RgbImage {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // rows from the top, 3 bytes a pixel
    const unsigned char* at(int x, int y) const { return &rgb[3 * (static_cast<std::size_t>(y) * width + x)]; }
};

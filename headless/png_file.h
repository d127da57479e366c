// PNG files of RGB images, through libpng: written by pelage-render, read back
// by the tests that compare its images. No OpenGL.
#pragma once

#include <string>
#include <vector>

struct RgbImage {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // rows from the top, 3 bytes a pixel
    const unsigned char* at(int x, int y) const { return &rgb[3 * (static_cast<size_t>(y) * width + x)]; }
};

// False with a message in `error` when the file cannot be written.
bool writePng(const std::string& path, const RgbImage& image, std::string& error);

// Any 8-bit PNG, converted to RGB; false with a message when it cannot be read.
bool readPng(const std::string& path, RgbImage& image, std::string& error);

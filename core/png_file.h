// PNG files of RGB images, through libpng: the pictures both programs write.
// No OpenGL.
#pragma once

#include <string>

#include "core/rgb_image.h"

// False with a message in `error` when the file cannot be written.
bool writePng(const std::string& path, const RgbImage& image, std::string& error);


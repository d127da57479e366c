// PNG files of RGB images, through libpng: pictures written by both programs,
// read back by the tests that compare them, and map files checked whole before
// a look names them. No OpenGL.
#pragma once

#include <string>

#include "core/rgb_image.h"

// False with a message in `error` when the file cannot be written.
bool writePng(const std::string& path, const RgbImage& image, std::string& error);

// Any 8-bit PNG, converted to RGB; false with a message when it cannot be read.
bool readPng(const std::string& path, RgbImage& image, std::string& error);


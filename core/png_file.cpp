// PNG writing with libpng's simplified interface. See png_file.h.
#include "core/png_file.h"

#include <png.h>

#include <cstring>
#include <vector>

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    if (image.width <= 0 || image.height <= 0 || image.rgb.size() != 3u * image.width * image.height) {
        error = "no image to write";
        return false;
    }
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        error = std::string("can't write \"") + path + "\": " + png.message;
        return false;
    }
    return true;
}

// Map images: what a groom map or a model's colour texture holds once read,
// and the reading of PNG (8 or 16 bits, grey, grey and alpha, RGB, RGBA,
// palette) and JPEG files through libpng and libjpeg. Values keep 16 bits, so a
// 16-bit length map loses nothing. No OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Larger maps are refused before anything is allocated for them.
constexpr int largestMapSide = 8192;

struct MapImage {
    int width = 0, height = 0;
    int channels = 0;                    // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    std::vector<std::uint16_t> values;   // rows from the top, 0..65535 per channel
    // The PNG text entry "pelage-volume" of a map that holds a volume as a
    // row of slices ("NX NY NZ"); empty for a map in texture space.
    std::string volumeLayout;

    // Which of the pixel's stored values channel c reads: grey stands for all
    // three colours.
    int storedChannel(int c) const {
        return channels < 3 ? (c < 3 ? 0 : channels - 1) : (c < channels ? c : channels - 1);
    }
    // Channel c of pixel (x, y) as 0..1.
    float at(int x, int y, int c) const {
        return values[(static_cast<std::size_t>(y) * width + x) * channels + storedChannel(c)] * (1.0f / 65535.0f);
    }
};

// Reads a PNG or JPEG file, told apart by its first bytes. False with a
// message naming the file and the reason when it cannot be read: missing, a
// directory, empty, truncated, corrupt, another format, or a side over
// largestMapSide.
bool readMapImage(const std::string& path, MapImage& image, std::string& error);

// Writes the image as a PNG of its channels at 16 bits (8 when every value
// is a multiple of 257, as an 8-bit map's are), with its volume layout,
// atomically (core/atomic_file.h). False with a message when the file cannot
// be written, and the old file, if any, untouched.
bool writeMapImage(const std::string& path, const MapImage& image, std::string& error);

// The same from bytes in memory (an embedded texture); `name` names it in the
// message.
bool decodeMapImage(const unsigned char* bytes, std::size_t size, const std::string& name, MapImage& image,
                    std::string& error);

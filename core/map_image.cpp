// Reading map images with libpng's and libjpeg's own interfaces. Both report
// errors by longjmp; the jumps land in the small functions that called
// setjmp, which hold no objects with destructors between the two.
#include "core/map_image.h"

#include <jpeglib.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/atomic_file.h"

namespace {

// Files of maps this size are not maps: a 8192 x 8192 RGBA PNG at 16 bits
// that compresses to nothing is still well under this.
constexpr std::size_t largestMapFile = std::size_t{1} << 30;

// Deflate expands a byte into at most 1032, and the leanest JPEG spends a
// few bits on an 8 x 8 block: a header that promises more than this many
// decoded bytes per byte of file is a truncated or forged file, refused
// before its pixels are allocated.
constexpr std::size_t pngExpansion = 1100;
constexpr std::size_t jpegExpansion = 4096;

// What a reader may allocate besides the pixels. A map's own chunks (its
// volume layout, a colour profile) are far smaller than a chunk limit of
// 8 MiB; a file whose chunk claims more is forged, and would otherwise make
// libpng allocate what the length field promises before reading a byte of it.
constexpr png_alloc_size_t largestPngChunk = png_alloc_size_t{8} << 20;
constexpr png_uint_32 largestPngChunkCount = 256;
// libjpeg's working memory: a progressive file keeps every coefficient, two
// bytes a sample, so twice the decoded samples, and a little for its tables.
constexpr std::size_t jpegWorkingMargin = std::size_t{32} << 20;

bool fail(std::string& error, const std::string& name, const std::string& why) {
    error = "can't read \"" + name + "\": " + why;
    return false;
}

bool tooLarge(unsigned width, unsigned height) {
    return width == 0 || height == 0 || width > largestMapSide || height > largestMapSide;
}

// --- PNG ---------------------------------------------------------------------

struct PngInput {
    const unsigned char* bytes;
    std::size_t size, offset;
    char message[200];
};

void pngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (length > input->size - input->offset) png_error(png, "the file is truncated");
    std::memcpy(out, input->bytes + input->offset, length);
    input->offset += length;
}

void pngError(png_structp png, png_const_charp message) {
    auto* input = static_cast<PngInput*>(png_get_error_ptr(png));
    std::snprintf(input->message, sizeof input->message, "%s", message);
    png_longjmp(png, 1);
}

// libpng only warns of a chunk over the allocation limit, then allocates it
// anyway: for a map that is an error.
void pngWarning(png_structp png, png_const_charp message) {
    if (std::strstr(message, "chunk data is too large")) png_error(png, "a chunk is larger than any map's can be");
}

// The text entry "pelage-volume", from the chunks read so far.
void readVolumeLayout(png_structp png, png_infop info, MapImage& image) {
    png_textp text = nullptr;
    int textCount = 0;
    png_get_text(png, info, &text, &textCount);
    for (int t = 0; t < textCount; ++t)
        if (std::strcmp(text[t].key, "pelage-volume") == 0 && text[t].text) image.volumeLayout = text[t].text;
}

// Header, transformations to 8 or 16 bits per channel without a palette, and
// the volume layout; false when the header is unusable. `storedBytes` is what
// the pixels take in the file before they are compressed (a row's filter byte
// included): deflate's bound applies to those, not to the expanded pixels a
// palette or a low bit depth decodes to.
bool readPngHeader(png_structp png, png_infop info, MapImage& image, std::string& why, std::size_t& storedBytes) {
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (tooLarge(width, height)) {
        why = "its size " + std::to_string(width) + " x " + std::to_string(height) + " is outside 1 to " +
              std::to_string(largestMapSide) + " a side";
        return false;
    }
    std::size_t storedBits = std::size_t{width} * png_get_channels(png, info) * png_get_bit_depth(png, info);
    storedBytes = ((storedBits + 7) / 8 + 1) * height;
    int colorType = png_get_color_type(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (png_get_bit_depth(png, info) == 16) png_set_swap(png);  // PNG is big-endian; read native
    png_read_update_info(png, info);
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.channels = png_get_channels(png, info);
    readVolumeLayout(png, info, image);
    return true;
}

// libpng refuses a side over the limit in the header, before we see it, as
// invalid; the header is the first chunk, so its size is at a fixed place.
std::string whyPngFailed(const PngInput& input) {
    auto bigEndian = [&](std::size_t at) {
        return static_cast<png_uint_32>(input.bytes[at]) << 24 | static_cast<png_uint_32>(input.bytes[at + 1]) << 16 |
               static_cast<png_uint_32>(input.bytes[at + 2]) << 8 | input.bytes[at + 3];
    };
    if (input.size < 24 || !tooLarge(bigEndian(16), bigEndian(20))) return input.message;
    return "its size " + std::to_string(bigEndian(16)) + " x " + std::to_string(bigEndian(20)) + " is outside 1 to " +
           std::to_string(largestMapSide) + " a side";
}

bool decodePng(PngInput& input, MapImage& image, std::string& why) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        why = "out of memory";
        return false;
    }
    png_set_read_fn(png, &input, pngRead);
    png_set_user_limits(png, largestMapSide, largestMapSide);
    png_set_chunk_malloc_max(png, largestPngChunk);
    png_set_chunk_cache_max(png, largestPngChunkCount);
    std::vector<png_bytep> rows;
    std::vector<unsigned char> pixels;
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        std::size_t storedBytes = 0;
        if (readPngHeader(png, info, image, why, storedBytes)) {
            std::size_t rowBytes = png_get_rowbytes(png, info);
            if (storedBytes > input.size * pngExpansion) png_error(png, "the file is too short for its size");
            pixels.resize(rowBytes * image.height);
            rows.resize(image.height);
            for (int y = 0; y < image.height; ++y) rows[y] = pixels.data() + rowBytes * y;
            png_read_image(png, rows.data());
            // Text may also follow the pixels, as ImageMagick writes it.
            png_read_end(png, info);
            readVolumeLayout(png, info, image);
            int depth = png_get_bit_depth(png, info);
            std::size_t count = static_cast<std::size_t>(image.width) * image.height * image.channels;
            image.values.resize(count);
            for (std::size_t k = 0; k < count; ++k) {
                if (depth == 16) {
                    std::uint16_t v;
                    std::memcpy(&v, pixels.data() + 2 * k, 2);
                    image.values[k] = v;
                } else {
                    image.values[k] = static_cast<std::uint16_t>(pixels[k] * 257);
                }
            }
            ok = true;
        }
    } else {
        why = whyPngFailed(input);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

// --- JPEG --------------------------------------------------------------------

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegError(j_common_ptr jpeg) {
    auto* errors = reinterpret_cast<JpegErrors*>(jpeg->err);
    jpeg->err->format_message(jpeg, errors->message);
    std::longjmp(errors->jump, 1);
}

bool decodeJpeg(const unsigned char* bytes, std::size_t size, MapImage& image, std::string& why) {
    jpeg_decompress_struct jpeg;
    JpegErrors errors;
    jpeg.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegError;
    errors.manager.emit_message = [](j_common_ptr, int) {};
    std::vector<unsigned char> row;
    bool ok = false;
    if (setjmp(errors.jump) == 0) {
        jpeg_create_decompress(&jpeg);
        jpeg_mem_src(&jpeg, bytes, static_cast<unsigned long>(size));
        jpeg_read_header(&jpeg, TRUE);
        if (tooLarge(jpeg.image_width, jpeg.image_height)) {
            why = "its size is outside 1 to " + std::to_string(largestMapSide) + " a side";
        } else if (std::size_t{jpeg.image_width} * jpeg.image_height * 3 > size * jpegExpansion) {
            why = "the file is too short for its size";
        } else {
            jpeg.out_color_space = jpeg.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
            // Beyond this libjpeg asks for a backing store, which has none
            // here, and stops with an error instead of holding more.
            jpeg.mem->max_memory_to_use = static_cast<long>(
                std::size_t{jpeg.image_width} * jpeg.image_height * jpeg.num_components * 2 + jpegWorkingMargin);
            jpeg_start_decompress(&jpeg);
            image.width = static_cast<int>(jpeg.output_width);
            image.height = static_cast<int>(jpeg.output_height);
            image.channels = jpeg.output_components;
            row.resize(static_cast<std::size_t>(image.width) * image.channels);
            image.values.resize(row.size() * image.height);
            while (jpeg.output_scanline < jpeg.output_height) {
                std::size_t y = jpeg.output_scanline;
                JSAMPROW rows[1] = {row.data()};
                jpeg_read_scanlines(&jpeg, rows, 1);
                for (std::size_t k = 0; k < row.size(); ++k)
                    image.values[y * row.size() + k] = static_cast<std::uint16_t>(row[k] * 257);
            }
            jpeg_finish_decompress(&jpeg);
            ok = true;
        }
    } else {
        why = errors.message;
    }
    jpeg_destroy_decompress(&jpeg);
    return ok;
}

bool encodePng(std::FILE* file, const MapImage& image, std::string& why) {
    PngInput state{nullptr, 0, 0, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        why = "out of memory";
        return false;
    }
    bool eightBits = std::all_of(image.values.begin(), image.values.end(), [](std::uint16_t v) { return v % 257 == 0; });
    std::size_t rowValues = static_cast<std::size_t>(image.width) * image.channels;
    std::vector<unsigned char> row(rowValues * (eightBits ? 1 : 2));
    static const int colourTypes[5] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                                       PNG_COLOR_TYPE_RGB_ALPHA};
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, image.width, image.height, eightBits ? 8 : 16, colourTypes[image.channels],
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>("pelage-volume");
        text.text = const_cast<char*>(image.volumeLayout.c_str());
        if (!image.volumeLayout.empty()) png_set_text(png, info, &text, 1);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y) {
            const std::uint16_t* values = &image.values[rowValues * y];
            for (std::size_t k = 0; k < rowValues; ++k) {
                if (eightBits) {
                    row[k] = static_cast<unsigned char>(values[k] / 257);
                } else {
                    row[2 * k] = static_cast<unsigned char>(values[k] >> 8);
                    row[2 * k + 1] = static_cast<unsigned char>(values[k] & 0xFF);
                }
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    } else {
        why = state.message;
    }
    png_destroy_write_struct(&png, &info);
    return ok;
}

}  // namespace

bool writeMapImage(const std::string& path, const MapImage& image, std::string& error) {
    if (image.width <= 0 || image.height <= 0 || image.channels < 1 || image.channels > 4 ||
        image.values.size() != static_cast<std::size_t>(image.width) * image.height * image.channels) {
        error = "can't write \"" + path + "\": no image to write";
        return false;
    }
    return writeFileAtomically(path, [&](std::FILE* file, std::string& why) { return encodePng(file, image, why); },
                               error);
}

bool decodeMapImage(const unsigned char* bytes, std::size_t size, const std::string& name, MapImage& image,
                    std::string& error) {
    image = MapImage{};
    std::string why;
    bool ok = false;
    if (size == 0) {
        why = "the file is empty";
    } else if (size >= 8 && png_sig_cmp(bytes, 0, 8) == 0) {
        PngInput input{bytes, size, 0, {}};
        ok = decodePng(input, image, why);
    } else if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        ok = decodeJpeg(bytes, size, image, why);
    } else {
        why = "not a PNG or JPEG image";
    }
    if (!ok) {
        image = MapImage{};
        return fail(error, name, why);
    }
    return true;
}

bool readMapImage(const std::string& path, MapImage& image, std::string& error) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return fail(error, path, std::strerror(errno));
    if (S_ISDIR(status.st_mode)) return fail(error, path, "it is a directory");
    if (!S_ISREG(status.st_mode)) return fail(error, path, "not a regular file");
    if (static_cast<std::size_t>(status.st_size) > largestMapFile) return fail(error, path, "the file is too large");
    std::ifstream file(path, std::ios::binary);
    if (!file) return fail(error, path, "it cannot be opened");
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return decodeMapImage(bytes.data(), bytes.size(), path, image, error);
}

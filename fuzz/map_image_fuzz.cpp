// Fuzzes the map image reader (PNG and JPEG) with bytes from memory: it must
// read or refuse every input without a crash, a leak or a hang, and what it
// reads must hold exactly the values its size promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/map_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MapImage image;
    std::string error;
    if (decodeMapImage(data, size, "fuzz", image, error)) {
        std::size_t expected = static_cast<std::size_t>(image.width) * image.height * image.channels;
        if (image.channels < 1 || image.channels > 4 || image.values.size() != expected) std::abort();
        volatile float last = image.at(image.width - 1, image.height - 1, 3);
        (void)last;
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}

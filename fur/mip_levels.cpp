// Alpha-weighted mip levels; see mip_levels.h.
#include "fur/mip_levels.h"

#include <algorithm>

namespace {

const std::uint8_t* texelAt(const MipLevel& level, int x, int y) {
    x = std::min(x, level.width - 1);
    y = std::min(y, level.height - 1);
    return &level.texels[(static_cast<std::size_t>(y) * level.width + x) * 4];
}

// Integer division rounded to the nearest, halves up.
unsigned roundedQuotient(unsigned numerator, unsigned denominator) {
    return (2 * numerator + denominator) / (2 * denominator);
}

void averageFour(const std::uint8_t* const texels[4], std::uint8_t* out) {
    unsigned alphaSum = 0;
    for (int k = 0; k < 4; ++k) alphaSum += texels[k][3];
    for (int c = 0; c < 3; ++c) {
        unsigned weighted = 0, plain = 0;
        for (int k = 0; k < 4; ++k) {
            weighted += unsigned{texels[k][c]} * texels[k][3];
            plain += texels[k][c];
        }
        out[c] = static_cast<std::uint8_t>(alphaSum ? roundedQuotient(weighted, alphaSum) : roundedQuotient(plain, 4));
    }
    out[3] = static_cast<std::uint8_t>(roundedQuotient(alphaSum, 4));
}

}  // namespace

MipLevel nextMipLevel(const MipLevel& level) {
    MipLevel next{std::max(1, level.width / 2), std::max(1, level.height / 2), {}};
    next.texels.resize(static_cast<std::size_t>(next.width) * next.height * 4);
    for (int y = 0; y < next.height; ++y)
        for (int x = 0; x < next.width; ++x) {
            const std::uint8_t* const four[4] = {texelAt(level, 2 * x, 2 * y), texelAt(level, 2 * x + 1, 2 * y),
                                                 texelAt(level, 2 * x, 2 * y + 1),
                                                 texelAt(level, 2 * x + 1, 2 * y + 1)};
            averageFour(four, &next.texels[(static_cast<std::size_t>(y) * next.width + x) * 4]);
        }
    return next;
}

std::vector<MipLevel> mipChain(const MipLevel& base) {
    std::vector<MipLevel> chain;
    for (const MipLevel* above = &base; above->width > 1 || above->height > 1; above = &chain.back())
        chain.push_back(nextMipLevel(*above));
    return chain;
}

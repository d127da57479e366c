// The alpha-weighted averaging of the fur textures' mip levels, on 2 x 2
// textures whose one averaged texel is worked out by hand.
#include "fur/mip_levels.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Texel = std::array<std::uint8_t, 4>;

struct AveragingCase {
    const char* what;
    Texel texels[4];
    Texel expected;
};

const AveragingCase averagingCases[] = {
    // Hair beside the white, clear background keeps its hue and halves its coverage.
    {"hair beside clear white", {{255, 153, 0, 255}, {255, 255, 255, 0}, {255, 153, 0, 255}, {255, 255, 255, 0}},
     {255, 153, 0, 128}},
    // Each colour weighted by its alpha: (200 x 200 + 40 x 50) / 250 = 168.
    {"faint and strong", {{200, 0, 0, 200}, {40, 0, 0, 50}, {0, 0, 0, 0}, {0, 0, 0, 0}}, {168, 0, 0, 63}},
    // Nothing covered: the plain mean, so the background stays as it was.
    {"all clear", {{255, 255, 255, 0}, {255, 255, 255, 0}, {255, 255, 255, 0}, {251, 255, 255, 0}},
     {254, 255, 255, 0}},
    {"opaque skin", {{10, 20, 30, 255}, {20, 20, 30, 255}, {30, 20, 30, 255}, {40, 20, 30, 255}}, {25, 20, 30, 255}},
};

TEST(MipLevels, AveragesTwoByTwoTexelsWithAlphaAsTheWeight) {
    for (const AveragingCase& c : averagingCases) {
        SCOPED_TRACE(c.what);
        MipLevel level{2, 2, {}};
        for (const Texel& texel : c.texels) level.texels.insert(level.texels.end(), texel.begin(), texel.end());
        const MipLevel next = nextMipLevel(level);
        ASSERT_EQ(next.width, 1);
        ASSERT_EQ(next.height, 1);
        EXPECT_EQ((Texel{next.texels[0], next.texels[1], next.texels[2], next.texels[3]}), c.expected);
    }
}

TEST(MipLevels, TheChainHalvesEachSideDownToOneTexel) {
    MipLevel base{8, 2, std::vector<std::uint8_t>(8 * 2 * 4, 255)};
    const std::vector<MipLevel> chain = mipChain(base);
    ASSERT_EQ(chain.size(), 3u);
    const int sizes[3][2] = {{4, 1}, {2, 1}, {1, 1}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(chain[k].width, sizes[k][0]);
        EXPECT_EQ(chain[k].height, sizes[k][1]);
        EXPECT_EQ(chain[k].texels, std::vector<std::uint8_t>(sizes[k][0] * sizes[k][1] * 4, 255));
    }
}

}  // namespace

// The uploaded lighting texture: clamped table contents, orientation, and a
// texture name that never changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/fur_settings.h"
#include "fur/illumination_map.h"
#include "tests/fur/fur_gl_fixture.h"

namespace {

class IlluminationMapTest : public FurGlTest {};

unsigned char clampedEightBit(float value) {
    return static_cast<unsigned char>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

TEST_F(IlluminationMapTest, TextureHoldsTheClampedTableInsideItsBorder) {
    buildIlluminationMap();
    EXPECT_EQ(illuminationTable[0][0][0], 2.1f);
    EXPECT_EQ(illuminationTable[0][0][3], 0.0f);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), illuminationMap);
    int width = 0, height = 0;
    const std::vector<Rgba> texels = readTexture(illuminationMap, &width, &height);
    ASSERT_EQ(width, 128);
    ASSERT_EQ(height, 128);
    EXPECT_EQ(texels[0], (Rgba{255, 255, 255, 0}));
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const float* expected = illuminationTable[row + 1][column + 1];  // inside the border
            const Rgba texel = texels[row * width + column];
            ASSERT_LE(std::abs(texel.r - clampedEightBit(expected[0])), 1) << row << ", " << column;
            ASSERT_LE(std::abs(texel.b - clampedEightBit(expected[2])), 1) << row << ", " << column;
            ASSERT_EQ(texel.a, 0);
        }
    }
}

TEST_F(IlluminationMapTest, RebuildKeepsTheNameAndFollowsTheExponents) {
    buildIlluminationMap();
    const GLuint name = illuminationMap;
    const std::vector<Rgba> defaults = readTexture(name);
    buildIlluminationMap();
    EXPECT_EQ(illuminationMap, name);
    EXPECT_EQ(readTexture(name), defaults);

    furSettings.diffuseExponent = 0;
    furSettings.specularExponent = 0;
    buildIlluminationMap();
    EXPECT_EQ(illuminationMap, name);
    // Both terms 1: every texel saturates.
    for (const Rgba& texel : readTexture(name)) ASSERT_EQ(texel, (Rgba{255, 255, 255, 0}));
}

}  // namespace

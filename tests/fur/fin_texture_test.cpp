// The fin texture read back from the GL: a two-valued mask of the slab's
// strands, empty above the tallest tip, following the fin density.
#include <gtest/gtest.h>

#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "tests/fur/fur_gl_fixture.h"
#include "tests/support/gl_context.h"

namespace {

const Rgba clearTexel{255, 255, 255, 0};

class FinTextureTest : public FurGlTest {
protected:
    int hairTexels(float density) {
        synthesizeFinTexture(density);
        int count = 0;
        for (const Rgba& texel : readTexture(finTexture)) count += !(texel == clearTexel);
        return count;
    }
};

TEST_F(FinTextureTest, IsA512By256MaskOfHairColourOverClear) {
    makePatch(3000);
    synthesizeFinTexture(0.5f);
    int width = 0, height = 0;
    const std::vector<Rgba> texels = readTexture(finTexture, &width, &height);
    EXPECT_EQ(width, finTextureWidth);
    EXPECT_EQ(height, finTextureHeight);
    const Rgba hair = eightBit(furSettings.hairColor, 255);
    int hairCount = 0;
    for (const Rgba& texel : texels) {
        ASSERT_TRUE(texel == clearTexel || texel == hair);
        hairCount += texel == hair;
    }
    EXPECT_GT(hairCount, 0);
    EXPECT_EQ(restoreCalls, 1);
}

TEST_F(FinTextureTest, RowsAboveTheTallestTipAreAlwaysClear) {
    makePatch(3000);
    synthesizeFinTexture(1.0f);
    const std::vector<Rgba> texels = readTexture(finTexture);
    // Row r holds heights (r + 0.5) / 256; tips reach 0.96875 = 248 / 256.
    for (int row = 248; row < finTextureHeight; ++row)
        for (int column = 0; column < finTextureWidth; ++column)
            ASSERT_EQ(texels[row * finTextureWidth + column], clearTexel) << row << ", " << column;
    int nearRoots = 0;
    for (int column = 0; column < finTextureWidth; ++column) nearRoots += !(texels[column] == clearTexel);
    EXPECT_GT(nearRoots, finTextureWidth / 2);
}

TEST_F(FinTextureTest, DensityChoosesHowMuchHairAppears) {
    makePatch(3000);
    EXPECT_EQ(hairTexels(0.0f), 0);
    const int thin = hairTexels(0.02f);
    const int half = hairTexels(0.5f);
    EXPECT_GT(thin, 0);
    EXPECT_GT(half, 4 * thin);
    EXPECT_GE(hairTexels(1.0f), half);
}

TEST_F(FinTextureTest, StrandRootedOnTheSlabBoundaryIsLeftOut) {
    makePatch(1);
    HairStrand& strand = hairPatch.strands[0];
    for (auto& point : strand.points) point[2] = 0.5f;  // root z exactly 2 x 0.25
    EXPECT_EQ(hairTexels(0.25f), 0);
    EXPECT_GT(hairTexels(0.2500001f), 0);
}

TEST_F(FinTextureTest, RebuildReplacesTheNameAndIgnoresTheWindow) {
    makePatch(3000);
    synthesizeFinTexture(0.3f);
    const GLuint old = finTexture;
    const std::vector<Rgba> inLargeWindow = readTexture(finTexture);
    ensureGlContext(300, 200);
    synthesizeFinTexture(0.3f);
    const std::vector<Rgba> inSmallWindow = readTexture(finTexture);
    ensureGlContext(1024, 1024);
    EXPECT_EQ(inSmallWindow, inLargeWindow);
    if (finTexture != old) {
        EXPECT_FALSE(glIsTexture(old));
    }
    EXPECT_TRUE(glIsTexture(finTexture));
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
}

}  // namespace

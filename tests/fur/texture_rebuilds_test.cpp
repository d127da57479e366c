// When the textures are made again: a new shell count waits for the frame
// and is rebuilt once however often it changed; a colour change while a
// rebuild is pending leaves it to that rebuild; the frame rebuilds what is
// pending and nothing more.
#include <gtest/gtest.h>

#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/shell_textures.h"
#include "fur/texture_rebuilds.h"
#include "tests/fur/fur_gl_fixture.h"

namespace {

class TextureRebuildsTest : public FurGlTest {
protected:
    void SetUp() override {
        FurGlTest::SetUp();
        makePatch(300, 5);
        furSettings.numShells = 8;
        rebuildPendingFurTextures(furSettings.finDensity);  // the first frame
    }
    // The marks outlive a test: leave nothing pending for the next one.
    void TearDown() override {
        rebuildPendingFurTextures(furSettings.finDensity);
        FurGlTest::TearDown();
    }
};

TEST_F(TextureRebuildsTest, ShellCountChangesWaitForTheFrameWhichRebuildsTheShellsOnce) {
    ASSERT_FALSE(furTexturesPending());
    const GLuint fin = finTexture;
    const long long start = strandsDrawn;
    for (int shells : {9, 12, 5}) {
        furSettings.numShells = shells;
        requestShellTextures();
    }
    EXPECT_TRUE(furTexturesPending());
    EXPECT_EQ(strandsDrawn, start) << "nothing is drawn before the frame";
    EXPECT_EQ(shellTextureCount, 8);

    rebuildPendingFurTextures(furSettings.finDensity);
    EXPECT_EQ(shellTextureCount, 5);
    EXPECT_EQ(finTexture, fin) << "the fin does not depend on the shell count";
    const long long oneRebuild = strandsDrawn - start;
    EXPECT_GT(oneRebuild, 0);
    EXPECT_LE(oneRebuild, 5LL * hairPatch.strandCount) << "one rebuild of five shells, not three";
    EXPECT_FALSE(furTexturesPending());

    rebuildPendingFurTextures(furSettings.finDensity);
    EXPECT_EQ(strandsDrawn - start, oneRebuild) << "a frame with nothing pending rebuilds nothing";
}

TEST_F(TextureRebuildsTest, AColourChangeWhileAllIsPendingIsLeftToTheFrame) {
    const std::vector<Rgba> before = readTexture(shellTextures[3]);
    makePatch(300, 5);  // the same patch, marked dirty
    furSettings.hairColor[0] = 0.1f;
    const long long start = strandsDrawn;
    recolourFurTextures(furSettings.finDensity);
    EXPECT_EQ(strandsDrawn, start);
    EXPECT_EQ(readTexture(shellTextures[3]), before);

    rebuildPendingFurTextures(furSettings.finDensity);
    EXPECT_GT(strandsDrawn, start);
    EXPECT_NE(readTexture(shellTextures[3]), before) << "the frame's rebuild has the new colour";
}

TEST_F(TextureRebuildsTest, AColourChangeWhileShellsArePendingRecoloursTheFinOnly) {
    furSettings.numShells = 3;
    requestShellTextures();
    const std::vector<Rgba> fin = readTexture(finTexture);
    const std::vector<Rgba> shell = readTexture(shellTextures[2]);
    furSettings.hairColor[1] = 0.1f;
    const long long start = strandsDrawn;
    recolourFurTextures(furSettings.finDensity);
    EXPECT_EQ(strandsDrawn, start);
    EXPECT_NE(readTexture(finTexture), fin);
    EXPECT_EQ(readTexture(shellTextures[2]), shell);
    EXPECT_EQ(shellTextureCount, 8);
}

}  // namespace

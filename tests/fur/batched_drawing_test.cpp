// The batched strand submission must give byte for byte the images of the
// plain immediate-mode drawing, for the shells and the fin alike.
#include <gtest/gtest.h>

#include <vector>

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/shell_textures.h"
#include "fur/synthesis_options.h"
#include "tests/fur/fur_gl_fixture.h"

namespace {

class BatchedDrawingTest : public FurGlTest {
protected:
    static std::vector<std::vector<Rgba>> synthesizeAll(StrandSubmission submission, float finDensity) {
        setStrandSubmission(submission);
        synthesizeFinTexture(finDensity);
        regenerateShellTextures();
        std::vector<std::vector<Rgba>> images{readTexture(finTexture)};
        for (int i = 0; i < shellTextureCount; ++i) images.push_back(readTexture(shellTextures[i]));
        setStrandSubmission(StrandSubmission::Batched);
        return images;
    }

    static void expectSameImages(float finDensity) {
        const auto plain = synthesizeAll(StrandSubmission::Immediate, finDensity);
        const auto batched = synthesizeAll(StrandSubmission::Batched, finDensity);
        ASSERT_EQ(plain.size(), batched.size());
        for (size_t i = 0; i < plain.size(); ++i) {
            size_t differing = 0;
            for (size_t t = 0; t < plain[i].size(); ++t) differing += !(plain[i][t] == batched[i][t]);
            EXPECT_EQ(differing, 0u) << (i == 0 ? "fin texture" : "shell " + std::to_string(i - 1));
        }
    }
};

TEST_F(BatchedDrawingTest, DefaultsGiveTheImagesOfThePlainDrawing) {
    makePatch(3000, 17);
    expectSameImages(0.02f);
}

TEST_F(BatchedDrawingTest, OtherCountsColoursAndDensitiesGiveThePlainImages) {
    makePatch(6000, 23);
    furSettings.numShells = 13;
    furSettings.hairColor[0] = 0.2f;
    furSettings.hairColor[1] = 0.45f;
    furSettings.hairColor[2] = 0.9f;
    furSettings.skinColor[1] = 0.3f;
    expectSameImages(1.0f);
}

TEST_F(BatchedDrawingTest, DenseHairAndManyShellsGiveThePlainImages) {
    // Many faint fragments near the opacity bound and many thin triangles.
    makePatch(10000, 5);
    furSettings.numShells = 24;
    expectSameImages(0.05f);
}

// With the opacity bound at 0.45 / 255 one texel of this shell came out one
// step lighter than in the plain drawing: a faint end of a thin triangle.
TEST_F(BatchedDrawingTest, FaintEndsOfThinTrianglesStillMatchThePlainImage) {
    makePatch(10000, 1);
    furSettings.numShells = 100;
    regenerateShellTextures();
    glDisable(GL_LIGHTING);  // as the regeneration has it around each shell
    for (int shell : {71, 72}) {
        setStrandSubmission(StrandSubmission::Immediate);
        synthesizeShellTexture(shell);
        const std::vector<Rgba> plain = readTexture(shellTextures[shell]);
        setStrandSubmission(StrandSubmission::Batched);
        synthesizeShellTexture(shell);
        EXPECT_TRUE(readTexture(shellTextures[shell]) == plain) << "shell " << shell;
    }
    glEnable(GL_LIGHTING);
}

TEST_F(BatchedDrawingTest, BothLeaveTheCurrentColourOfTheLastStrand) {
    makePatch(40, 3);
    furSettings.numShells = 2;
    float plain[4], batched[4];
    setStrandSubmission(StrandSubmission::Immediate);
    regenerateShellTextures();
    glGetFloatv(GL_CURRENT_COLOR, plain);
    setStrandSubmission(StrandSubmission::Batched);
    regenerateShellTextures();
    glGetFloatv(GL_CURRENT_COLOR, batched);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(plain[c], batched[c]) << c;
}

}  // namespace

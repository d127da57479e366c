// The panel's widgets driving the program's own rebuilds in a real GL
// context: a colour drag changes the textures without drawing a strand, and
// a shell-count or hair-count drag rebuilds nothing until the frame, which
// rebuilds once.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <cstdlib>
#include <vector>

#include "app/control_panel.h"
#include "app/panel_rebuilds.h"
#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/random.h"
#include "fur/shell_textures.h"
#include "fur/texture_rebuilds.h"
#include "tests/support/gl_context.h"
#include "tests/support/headless_panel.h"

namespace {

using Texels = std::vector<unsigned char>;

Texels readTexture(GLuint texture, int width, int height) {
    Texels texels(static_cast<size_t>(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

std::vector<Texels> readAll() {
    std::vector<Texels> all{readTexture(finTexture, finTextureWidth, finTextureHeight)};
    for (int i = 0; i < shellTextureCount; ++i) all.push_back(readTexture(shellTextures[i], shellTextureSize, shellTextureSize));
    return all;
}

int largestDifference(const std::vector<Texels>& a, const std::vector<Texels>& b) {
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t t = 0; t < a[i].size(); ++t) largest = std::max(largest, std::abs(a[i][t] - b[i][t]));
    return largest;
}

class PanelRebuilds : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(ensureGlContext(1024, 1024), 0) << "no X display: run the GL tests under xvfb-run";
        // The state the frame display leaves for a rebuild.
        glClearColor(1, 1, 1, 0);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        furSettings = FurSettings{};
        initControlBindings();
        installFurRebuilds();
        seedRandom(11);
        generateHairPatch();
        rebuildPendingFurTextures(furSettings.finDensity);  // the first frame
    }
    void TearDown() override {
        rebuildPendingFurTextures(furSettings.finDensity);
        setPanelRebuilds({});
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
};

TEST_F(PanelRebuilds, AColourDragRecoloursTheTexturesWithoutDrawingAStrand) {
    headless::Panel panel;
    const std::vector<Texels> before = readAll();
    const long long strands = strandsDrawn;
    panel.drag("Hair Color/Green", -80, 0);
    panel.drag("Skin Color/Red", -80, 0);
    EXPECT_LT(furSettings.hairColor[1], 0.5f);
    EXPECT_LT(furSettings.skinColor[0], 0.9f);
    EXPECT_EQ(strandsDrawn, strands) << "no strand is drawn for a colour";
    EXPECT_FALSE(furTexturesPending());
    const std::vector<Texels> recoloured = readAll();
    EXPECT_GT(largestDifference(before, recoloured), 40) << "the picture follows the colours";

    synthesizeFinTexture(furSettings.finDensity);
    regenerateShellTextures();
    EXPECT_LE(largestDifference(recoloured, readAll()), 3) << "as the full synthesis makes them";
}

TEST_F(PanelRebuilds, ShellAndHairCountDragsRebuildOnceAtTheNextFrame) {
    headless::Panel panel;
    const long long strands = strandsDrawn;
    panel.drag("Number of Shells", -60, 0);
    panel.drag("numHairs", 60, 0);
    ASSERT_NE(furSettings.numShells, 32);
    ASSERT_NE(furSettings.numHairs, 3000);
    EXPECT_EQ(strandsDrawn, strands) << "nothing is drawn before the frame";
    EXPECT_EQ(shellTextureCount, 32);
    EXPECT_TRUE(furTexturesPending());

    rebuildPendingFurTextures(furSettings.finDensity);
    EXPECT_EQ(shellTextureCount, furSettings.numShells);
    EXPECT_EQ(hairPatch.strandCount, furSettings.numHairs);
    // One fin and one set of shells: each shell draws each strand at most once.
    EXPECT_LE(strandsDrawn - strands, static_cast<long long>(furSettings.numShells + 1) * furSettings.numHairs);
}

}  // namespace

// Shell textures read back from the GL: background of the innermost and the
// other shells, texture count and names, tiling, repeatability, and
// independence of the window the synthesis runs in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/shell_textures.h"
#include "tests/fur/fur_gl_fixture.h"
#include "tests/support/gl_context.h"

namespace {

constexpr int size = shellTextureSize;
const Rgba clearTexel{255, 255, 255, 0};

class ShellTexturesTest : public FurGlTest {};

std::vector<std::vector<Rgba>> allShells() {
    std::vector<std::vector<Rgba>> shells;
    for (int i = 0; i < shellTextureCount; ++i) shells.push_back(FurGlTest::readTexture(shellTextures[i]));
    return shells;
}

// Distance in the periodic square between two coordinates of [0, 2].
float periodicDistance(float a, float b) {
    const float d = std::fabs(a - b);
    return std::min(d, 2.0f - d);
}

TEST_F(ShellTexturesTest, TexturesAre256SquareWithLinearFilteringAndRepeat) {
    makePatch(200);
    furSettings.numShells = 4;
    regenerateShellTextures();
    ASSERT_EQ(shellTextureCount, 4);
    for (int i = 0; i < 4; ++i) {
        int width = 0, height = 0;
        readTexture(shellTextures[i], &width, &height);
        EXPECT_EQ(width, size);
        EXPECT_EQ(height, size);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
        EXPECT_EQ(value, GL_REPEAT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
        EXPECT_EQ(value, GL_REPEAT);
    }
    EXPECT_EQ(restoreCalls, 4);  // the view is restored after every texture
}

TEST_F(ShellTexturesTest, InnermostShellIsOpaqueSkinWhereNoHairIs) {
    makePatch(1);
    furSettings.numShells = 8;
    regenerateShellTextures();
    const std::vector<Rgba> shell0 = readTexture(shellTextures[0]);
    // Alpha is blended with the colour's factors: hair of alpha a over the
    // opaque skin leaves a^2 + (1 - a), less than 1 but far from 0; where no
    // hair is the skin stays fully opaque.
    const Rgba skin = eightBit(furSettings.skinColor, 255);
    const float* root = hairPatch.strands[0].points[0];
    int skinTexels = 0;
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const Rgba texel = shell0[row * size + column];
            ASSERT_GT(texel.a, 127) << row << ", " << column;
            // Pixel column x * 128 and row z * 128; the strand stays within 0.3.
            const float x = (column + 0.5f) / 128, z = (row + 0.5f) / 128;
            if (periodicDistance(x, root[0]) > 0.35f || periodicDistance(z, root[2]) > 0.35f) {
                EXPECT_LE(std::abs(texel.r - skin.r) + std::abs(texel.g - skin.g) + std::abs(texel.b - skin.b), 1);
                EXPECT_EQ(texel.a, 255);
                ++skinTexels;
            }
        }
    }
    EXPECT_GT(skinTexels, size * size / 2);
}

TEST_F(ShellTexturesTest, OtherShellsAreClearWhereNoHairIsNearTheirLevel) {
    makePatch(3000);
    furSettings.numShells = 32;
    regenerateShellTextures();
    // Levels above every tip (0.96875 at most) by more than 0.2 show nothing;
    // with 32 shells the top ones are near the tallest tips and show little.
    const std::vector<Rgba> top = readTexture(shellTextures[31]);
    const std::vector<Rgba> middle = readTexture(shellTextures[12]);
    int hairInTop = 0, hairInMiddle = 0;
    for (int t = 0; t < size * size; ++t) {
        hairInTop += !(top[t] == clearTexel);
        hairInMiddle += !(middle[t] == clearTexel);
        if (!(middle[t] == clearTexel)) {
            // Hair colour (1, 0.6, 0) blended over white: red stays full.
            EXPECT_EQ(middle[t].r, 255);
            EXPECT_LE(middle[t].b, 255 - middle[t].a / 2 + 2);
        }
    }
    EXPECT_GT(hairInMiddle, size * size / 10);
    EXPECT_LT(hairInTop, hairInMiddle / 4);

    // A single short strand: every shell above its tip by 0.2 is all clear.
    makePatch(1);
    regenerateShellTextures();
    const float tip = hairPatch.strands[0].points[31][1];
    int clearShells = 0;
    for (int i = 1; i < 32; ++i) {
        if (i / 32.0f < tip + 0.2f) continue;
        const std::vector<Rgba> shell = readTexture(shellTextures[i]);
        for (const Rgba& texel : shell) ASSERT_EQ(texel, clearTexel) << "shell " << i;
        ++clearShells;
    }
    if (tip < 0.6f) {
        EXPECT_GT(clearShells, 0);
    }
}

TEST_F(ShellTexturesTest, CountFollowsNumShellsAndOldNamesAreDeleted) {
    makePatch(100);
    for (int shells : {0, 1, 32, 10}) {
        const std::vector<GLuint> old(shellTextures, shellTextures + shellTextureCount);
        furSettings.numShells = shells;
        regenerateShellTextures();
        EXPECT_EQ(shellTextureCount, shells);
        for (GLuint name : old) {
            bool reused = false;
            for (int i = 0; i < shellTextureCount; ++i) reused |= shellTextures[i] == name;
            if (!reused) {
                EXPECT_FALSE(glIsTexture(name)) << "name " << name << " still in use";
            }
        }
        for (int i = 0; i < shellTextureCount; ++i) EXPECT_TRUE(glIsTexture(shellTextures[i]));
    }
}

// Texels with any hair in a band of columns (or rows) [from, to).
int hairTexelsIn(const std::vector<Rgba>& texels, int from, int to, bool columns) {
    int count = 0;
    for (int line = from; line < to; ++line)
        for (int n = 0; n < size; ++n) count += (columns ? texels[n * size + line] : texels[line * size + n]).a != 0;
    return count;
}

TEST_F(ShellTexturesTest, StrandLeavingOneEdgeContinuesAtTheOppositeEdge) {
    makePatch(1);
    furSettings.numShells = 4;
    for (int axis : {0, 2}) {
        // A straight strand from 1.96 that crosses 2 at point 10.
        HairStrand& strand = hairPatch.strands[0];
        for (int k = 0; k < hairStrandPoints; ++k) {
            strand.points[k][axis] = 1.96f + 0.004f * k + 0.0001f;
            strand.points[k][2 - axis] = 1.0f;
            strand.points[k][1] = 0.03125f * k;
        }
        wrapStrand(strand);
        regenerateShellTextures();
        const std::vector<Rgba> shell = readTexture(shellTextures[1]);  // level 0.25, around point 8
        const bool columns = axis == 0;
        EXPECT_GT(hairTexelsIn(shell, size - 8, size, columns), 0) << "axis " << axis;
        EXPECT_GT(hairTexelsIn(shell, 0, 8, columns), 0) << "axis " << axis;
        EXPECT_EQ(hairTexelsIn(shell, 8, size - 8, columns), 0) << "axis " << axis;
    }
}

TEST_F(ShellTexturesTest, RegenerationWithoutChangesGivesTheSameImages) {
    makePatch(1500);
    furSettings.numShells = 12;
    regenerateShellTextures();
    const auto first = allShells();
    regenerateShellTextures();
    EXPECT_EQ(allShells(), first);
}

TEST_F(ShellTexturesTest, ImagesDoNotDependOnTheWindow) {
    makePatch(1500);
    furSettings.numShells = 6;
    regenerateShellTextures();
    const auto inLargeWindow = allShells();

    ensureGlContext(300, 200);
    glViewport(0, 0, 300, 200);
    regenerateShellTextures();
    const auto inSmallWindow = allShells();
    ensureGlContext(1024, 1024);
    EXPECT_EQ(inSmallWindow, inLargeWindow);
}

TEST_F(ShellTexturesTest, WindowAndBindingsAreLeftAlone) {
    makePatch(300);
    furSettings.numShells = 3;
    // The window's back buffer keeps what was drawn there.
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(1, 1, 1, 0);
    GLint projectionDepth = 0, modelviewDepth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glEnable(GL_LINE_SMOOTH);  // start-up's, off while the synthesis draws

    regenerateShellTextures();

    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[2], 255);
    GLint drawBinding = -1, readBinding = -1, depth = 0, mode = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawBinding);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readBinding);
    EXPECT_EQ(drawBinding, 0);
    EXPECT_EQ(readBinding, 0);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, modelviewDepth);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(modelview[12], 1);
    EXPECT_EQ(modelview[14], 3);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    glDisable(GL_LINE_SMOOTH);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

TEST_F(ShellTexturesTest, HundredsOfRegenerationsKeepNoOldNames) {
    makePatch(50);
    furSettings.numShells = 4;
    regenerateShellTextures();
    const std::vector<GLuint> first(shellTextures, shellTextures + shellTextureCount);
    GLuint highest = 0;
    for (int round = 0; round < 300; ++round) {
        furSettings.numShells = 2 + round % 3;
        regenerateShellTextures();
        for (int i = 0; i < shellTextureCount; ++i) highest = std::max(highest, shellTextures[i]);
    }
    int firstStillLive = 0;
    for (GLuint name : first) {
        bool current = false;
        for (int i = 0; i < shellTextureCount; ++i) current |= shellTextures[i] == name;
        firstStillLive += !current && glIsTexture(name);
    }
    EXPECT_EQ(firstStillLive, 0);
    // Names in use stay few, however high the numbers went.
    int liveBelowHighest = 0;
    for (GLuint name = 1; name <= highest; ++name) liveBelowHighest += glIsTexture(name);
    EXPECT_LE(liveBelowHighest, shellTextureCount + 8);
}

}  // namespace

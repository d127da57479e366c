// See fur_gl_fixture.h.
#include "tests/fur/fur_gl_fixture.h"

#include <cmath>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/random.h"
#include "fur/synthesis_options.h"
#include "fur/view_restore.h"
#include "tests/support/gl_context.h"

int FurGlTest::restoreCalls = 0;

namespace {
void countRestore(int width, int height) {
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    ++FurGlTest::restoreCalls;
}
}  // namespace

void FurGlTest::SetUp() {
    ASSERT_GL_CONTEXT(1024, 1024);
    furSettings = FurSettings{};
    setStrandSubmission(StrandSubmission::Batched);
    setViewRestorer(countRestore);
    restoreCalls = 0;
    // What the frame display has set when it starts a synthesis.
    glClearColor(1, 1, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glDisable(GL_BLEND);
    glViewport(0, 0, 1024, 1024);
}

void FurGlTest::TearDown() {
    setViewRestorer(nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void FurGlTest::makePatch(int hairs, unsigned seed) {
    furSettings.numHairs = hairs;
    seedRandom(seed);
    generateHairPatch();
}

std::vector<Rgba> FurGlTest::readTexture(GLuint texture, int* width, int* height) {
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<Rgba> texels(static_cast<size_t>(w) * h);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    if (width) *width = w;
    if (height) *height = h;
    return texels;
}

Rgba eightBit(const float rgb[3], unsigned char alpha) {
    auto channel = [](float value) { return static_cast<unsigned char>(std::lround(value * 255.0f)); };
    return {channel(rgb[0]), channel(rgb[1]), channel(rgb[2]), alpha};
}

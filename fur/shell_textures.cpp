// Shell texture synthesis: the hair patch seen along its y axis, each strand
// point faded by a Gaussian of its height around the shell's level, blended
// over the clear colour (and over the skin colour for the innermost shell).
// Drawn straight into the texture; the caller's clear colour, (1, 1, 1, 0)
// from the frame display, is kept. The batched drawing also keeps the weights
// a recolouring needs (texture_weights.h).
#include "fur/shell_textures.h"

#include <bit>
#include <new>
#include <vector>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/strand_visibility.h"
#include "fur/strand_batch.h"
#include "fur/synthesis_options.h"
#include "fur/synthesis_target.h"
#include "fur/texture_smoothing.h"
#include "fur/texture_weights.h"
#include "fur/view_restore.h"

GLuint* shellTextures = nullptr;
int shellTextureCount = 0;

namespace {

StrandBatch shellBatch;  // kept between shells so its storage is reused

// glOrtho(0, 2, 0, 2) over the 256 x 256 target, seen from above; the
// margin follows the rasteriser's sub-pixel precision (set per regeneration).
TopView shellView{shellTextureSize / 2.0f, snapMarginForSubpixelBits(4)};

// Per strand, the triangles of each ribbon that can reach a pixel at all;
// they do not depend on the level, so they are found once per regeneration.
struct StrandCoverage {
    RibbonCoverage alongX;
    RibbonCoverage alongZ;
};
std::vector<StrandCoverage> strandCoverage;

void findStrandCoverage() {
    GLint subpixelBits = 4;
    glGetIntegerv(GL_SUBPIXEL_BITS, &subpixelBits);
    shellView.snapMargin = snapMarginForSubpixelBits(subpixelBits);
    strandCoverage.resize(static_cast<size_t>(hairPatch.strandCount));
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const HairStrand& strand = hairPatch.strands[s];
        strandCoverage[s] = {ribbonCoverage(strand, RibbonAxis::X, shellView),
                             ribbonCoverage(strand, RibbonAxis::Z, shellView)};
    }
}

SegmentMask coveredSegments(const RibbonCoverage& coverage) {
    return coverage.firstTriangle | coverage.secondTriangle;
}

void drawSkinQuad() {
    const float* skin = furSettings.skinColor;
    glColor4f(skin[0], skin[1], skin[2], 1.0f);
    glBegin(GL_QUADS);
    glVertex3f(-4, -1, -4);
    glVertex3f(-4, -1, 4);
    glVertex3f(4, -1, 4);
    glVertex3f(4, -1, -4);
    glEnd();
}

void drawShellStrandsImmediate(float level) {
    float alphas[hairStrandPoints];
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const HairStrand& strand = hairPatch.strands[s];
        for (int k = 0; k < hairStrandPoints; ++k) alphas[k] = shellOpacity(strand.points[k][1], level);
        drawStrand(strand, alphas);
    }
}

// The same image as drawShellStrandsImmediate: only triangles that can change
// a pixel are sent, and opacities are computed only for the points they use.
void drawShellStrandsBatched(float level, const SynthesisTarget& target) {
    if (strandCoverage.size() != static_cast<size_t>(hairPatch.strandCount)) findStrandCoverage();
    shellBatch.clear();
    float alphas[hairStrandPoints];
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const HairStrand& strand = hairPatch.strands[s];
        const SegmentMask visible = segmentsVisibleAtLevel(strand, level);
        const StrandCoverage& coverage = strandCoverage[s];
        const SegmentMask alongX = visible & coveredSegments(coverage.alongX);
        const SegmentMask alongZ = visible & coveredSegments(coverage.alongZ);
        const SegmentMask either = alongX | alongZ;
        if (!either) continue;
        shellBatch.countStrand();
        const int lowest = std::countr_zero(either) - 1;
        const int highest = 31 - std::countl_zero(either);
        for (int k = lowest; k <= highest; ++k) alphas[k] = shellOpacity(strand.points[k][1], level);
        shellBatch.addRibbon(strand, alphas, RibbonAxis::X, alongX, &coverage.alongX);
        shellBatch.addRibbon(strand, alphas, RibbonAxis::Z, alongZ, &coverage.alongZ);
    }
    if (hairPatch.strandCount > 0) {
        const HairStrand& last = hairPatch.strands[hairPatch.strandCount - 1];
        shellBatch.endStrand(shellOpacity(last.points[hairStrandPoints - 1][1], level));
    }
    drawBatchWithWeights(shellBatch, target);
}

// Weights are kept by the batched drawing only: the plain one stays the
// reference it is measured against.
GLuint weightsForShell(int index) {
    if (strandSubmission() != StrandSubmission::Batched || !weightsAvailable()) return 0;
    return weightTexture(shellWeights[static_cast<size_t>(index)], shellTextureSize, shellTextureSize);
}

}  // namespace

void regenerateShellTextures() {
    if (shellTextures) {
        glDeleteTextures(shellTextureCount, shellTextures);
        delete[] shellTextures;
        shellTextures = nullptr;
        shellTextureCount = 0;
    }
    const int count = furSettings.numShells > 0 ? furSettings.numShells : 0;
    shellTextures = new (std::nothrow) GLuint[count]();
    if (!shellTextures) return;
    shellTextureCount = count;
    keepShellWeights(count);

    findStrandCoverage();
    glDisable(GL_LIGHTING);
    for (int i = 0; i < count; ++i) synthesizeShellTexture(i);
    glEnable(GL_LIGHTING);
    if (furSettings.smoothShells)
        for (int i = 0; i < count; ++i) smoothTexture(shellTextures[i], shellTextureSize, shellTextureSize);
}

void synthesizeShellTexture(int index) {
    // Only the slots the last regeneration made exist.
    if (index < 0 || index >= shellTextureCount) return;
    GLuint& texture = shellTextures[index];
    replaceWithSynthesisTexture(texture, shellTextureSize, shellTextureSize);
    const GLuint weights = weightsForShell(index);
    {
        SynthesisTarget target(texture, weights);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glViewport(0, 0, shellTextureSize, shellTextureSize);
        glOrtho(0, 2, 0, 2, -5, 5);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        // Patch point (x, y, z) lands at (x, z, -y - 2): seen from above.
        glTranslatef(0, 0, -2);
        glRotatef(-90, 1, 0, 0);

        // With depth writes off nothing is rejected: the image depends only
        // on the drawing order.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        if (index == 0) drawSkinQuad();  // the background, not in the weights
        const float level = shellLevel(index, furSettings.numShells);
        if (strandSubmission() == StrandSubmission::Batched)
            drawShellStrandsBatched(level, target);
        else
            drawShellStrandsImmediate(level);
        glDepthMask(GL_TRUE);
    }
    shellWeights[static_cast<size_t>(index)].current = weights != 0;
    glPopMatrix();
    restoreView();  // loads its own projection, discarded just below
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

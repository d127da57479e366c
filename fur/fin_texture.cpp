// Fin texture synthesis: the strands rooted in the slab z < 2 x density, drawn
// opaque and seen along z, so the texture is hair colour where a strand is and
// the clear colour (1, 1, 1, 0) elsewhere. Drawn straight into the texture;
// the batched drawing also keeps the weights a recolouring needs.
#include "fur/fin_texture.h"

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/strand_batch.h"
#include "fur/synthesis_options.h"
#include "fur/synthesis_target.h"
#include "fur/texture_smoothing.h"
#include "fur/texture_weights.h"
#include "fur/view_restore.h"

GLuint finTexture = 0;

namespace {

void drawSlabBatched(float depth, const SynthesisTarget& target) {
    static StrandBatch batch;
    batch.clear();
    float opaque[hairStrandPoints];
    for (float& alpha : opaque) alpha = 1.0f;
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const HairStrand& strand = hairPatch.strands[s];
        if (strand.points[0][2] < depth) batch.addStrand(strand, opaque, 0.0f);
    }
    drawBatchWithWeights(batch, target);
}

void drawSlabImmediate(float depth) {
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const HairStrand& strand = hairPatch.strands[s];
        if (strand.points[0][2] < depth) drawStrandOpaque(strand);
    }
}

// Weights are kept by the batched drawing only: the plain one stays the
// reference it is measured against.
GLuint weightsForFin() {
    if (strandSubmission() != StrandSubmission::Batched || !weightsAvailable()) return 0;
    return weightTexture(finWeights, finTextureWidth, finTextureHeight);
}

}  // namespace

void synthesizeFinTexture(float density) {
    const float depth = 2 * density;
    replaceWithSynthesisTexture(finTexture, finTextureWidth, finTextureHeight);
    const GLuint weights = weightsForFin();
    {
        SynthesisTarget target(finTexture, weights);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glViewport(0, 0, finTextureWidth, finTextureHeight);
        glOrtho(0, 2, 0, 1, -4, 4);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();

        glDisable(GL_LIGHTING);
        if (strandSubmission() == StrandSubmission::Batched)
            drawSlabBatched(depth, target);
        else
            drawSlabImmediate(depth);
        glEnable(GL_LIGHTING);
    }
    finWeights.current = weights != 0;
    glPopMatrix();
    restoreView();  // loads its own projection, discarded just below
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    if (furSettings.smoothShells) smoothTexture(finTexture, finTextureWidth, finTextureHeight);
}

// Fin texture synthesis: the strands rooted in the slab z < 2 x density, drawn
// opaque and seen along z, so the texture is hair colour where a strand is and
// the clear colour (1, 1, 1, 0) elsewhere. Drawn into an offscreen target of
// the texture's size and copied from there.
#include "fur/fin_texture.h"

#include "fur/hair_patch.h"
#include "fur/offscreen_target.h"
#include "fur/strand_batch.h"
#include "fur/synthesis_options.h"
#include "fur/view_restore.h"

GLuint finTexture = 0;

namespace {

void drawSlab(float depth) {
    const bool batched = strandSubmission() == StrandSubmission::Batched;
    static StrandBatch batch;
    batch.clear();
    float opaque[hairStrandPoints];
    for (float& alpha : opaque) alpha = 1.0f;
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const HairStrand& strand = hairPatch.strands[s];
        if (!(strand.points[0][2] < depth)) continue;
        if (batched)
            batch.addStrand(strand, opaque, 0.0f);
        else
            drawStrandOpaque(strand);
    }
    if (batched) batch.draw();
}

}  // namespace

void synthesizeFinTexture(float density) {
    const float depth = 2 * density;
    {
        OffscreenTarget target(finTextureWidth, finTextureHeight);
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
        drawSlab(depth);
        glEnable(GL_LIGHTING);

        copyIntoNewTexture(finTexture, finTextureWidth, finTextureHeight);
    }
    glPopMatrix();
    restoreView();  // loads its own projection, discarded just below
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// Immediate-mode drawing of strands: two ribbons 0.01 wide, one along x and
// one along z, each a run of quad strips cut at the strand's breaks.
#include <epoxy/gl.h>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"

long long strandsDrawn = 0;

namespace {

// offsetX/offsetZ place the second vertex of each pair; the sums are formed in
// double and rounded by glVertex3f, which the batched drawing reproduces.
void drawRibbon(const HairStrand& strand, const float alphas[hairStrandPoints], double offsetX, double offsetZ) {
    const float* color = furSettings.hairColor;
    glBegin(GL_QUAD_STRIP);
    for (int k = 0; k < hairStrandPoints; ++k) {
        if (strand.breakBefore[k]) {
            glEnd();
            glBegin(GL_QUAD_STRIP);
        }
        const float* p = strand.points[k];
        glColor4f(color[0], color[1], color[2], alphas[k]);
        glVertex3f(p[0], p[1], p[2]);
        glVertex3f(p[0] + offsetX, p[1], p[2] + offsetZ);
    }
    glEnd();
}

}  // namespace

void drawStrand(const HairStrand& strand, const float alphas[hairStrandPoints]) {
    ++strandsDrawn;
    drawRibbon(strand, alphas, 0.01, 0.0);
    drawRibbon(strand, alphas, 0.0, 0.01);
}

void drawStrandOpaque(const HairStrand& strand) {
    float alphas[hairStrandPoints];
    for (float& alpha : alphas) alpha = 1.0f;
    drawStrand(strand, alphas);
}

void drawHairPatch() {
    const ObjectTransform& volume = furSettings.hairVolumeTransform;
    glPushMatrix();
    glTranslatef(volume.translateXZ[0], volume.translateY, volume.translateXZ[1]);
    glMultMatrixf(volume.rotation);
    for (int s = 0; s < hairPatch.strandCount; ++s) drawStrandOpaque(hairPatch.strands[s]);
    glPopMatrix();
}

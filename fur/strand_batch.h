// Batched strand drawing: the ribbons that drawStrand would send, gathered for
// many strands into one vertex array and sent with one glDrawRangeElements.
// Each quad of a strip is sent as the two triangles the GL itself makes of it,
// in the same order, with the same vertices and colours, so the image is the
// one the immediate-mode drawing gives; segments and triangles that cannot
// change the image may be left out (see strand_visibility.h).
#pragma once
#include <epoxy/gl.h>

#include <vector>

#include "fur/hair_patch.h"
#include "fur/strand_visibility.h"

class StrandBatch {
public:
    void clear();

    // Adds the segments of one ribbon in hairColor with the per-point alphas;
    // only the alphas of points inside `segments` are read. With a coverage,
    // each segment sends only the triangles it marks.
    void addRibbon(const HairStrand& strand, const float alphas[hairStrandPoints], RibbonAxis axis,
                   SegmentMask segments, const RibbonCoverage* coverage = nullptr);

    // Records a strand as drawn: the plain drawing's last glColor4f of a
    // strand carries the alpha of its point 31.
    void endStrand(float lastAlpha);

    // Counts a strand whose ribbons were added (addStrand counts its own).
    void countStrand() { ++strands; }

    // Both ribbons of a strand, without the segments whose both ends are below
    // minimumAlpha (0 keeps all).
    void addStrand(const HairStrand& strand, const float alphas[hairStrandPoints], float minimumAlpha);

    // Sends everything added, then leaves the current colour as the last
    // glColor4f of the plain drawing would have left it; adds the strands
    // counted to strandsDrawn.
    void draw() const;

    int triangleCount() const { return static_cast<int>(indices.size() / 3); }

private:
    std::vector<float> vertices;  // x, y, z, r, g, b, a
    std::vector<GLuint> indices;
    bool anyStrand = false;
    int strands = 0;
    float lastColor[4] = {};
};

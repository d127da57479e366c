// What of a strand can show in a shell texture: the opacity that selects one
// height level, and which segments and triangles of the ribbons can change a
// pixel at all. Pure arithmetic; the plain and the batched drawing share the
// opacity so both send the same values, and the batched one leaves out what
// cannot show.
#pragma once
#include <cmath>

#include "fur/hair_patch.h"

// The level of shell `index` of `numShells`: index / numShells.
inline float shellLevel(int index, int numShells) {
    return static_cast<float>(index) / static_cast<float>(numShells);
}

// The normal density of standard deviation 0.4 in d = 8 (y - level), whose
// peak 1 / (0.4 sqrt(2 pi)) is 0.9973557: a Gaussian of standard deviation
// 0.05 in patch heights.
inline float shellOpacity(float height, float level) {
    const float d = 8.0f * (height - level);
    return 0.9973557f * std::exp(-3.125f * d * d);
}

// Below this opacity a fragment blends as alpha 0 into an 8-bit target, which
// rounds anything under 0.5 / 255 to 0, so a segment whose two ends are both
// below it leaves the image unchanged. Half of that bound: fragments of thin
// triangles can come out a little above their corners' alphas (a bound at
// 0.45 / 255 let one texel in millions change).
constexpr float invisibleOpacity = 0.25f / 255.0f;

// The two ribbons of a strand: the second vertex of each pair is the first
// moved by 0.01 along x, or along z.
enum class RibbonAxis { X, Z };

// The offset coordinate of a pair's second vertex, summed in double and
// rounded as glVertex3f(x + 0.01, ...) rounds it.
inline float ribbonOffset(float coordinate) { return static_cast<float>(coordinate + 0.01); }

// The two triangles the GL makes of the quad between points k - 1 and k of a
// ribbon drawn as a quad strip (last-vertex convention), as vertex numbers of
// the quad: 0 and 1 are the pair at point k - 1, 2 and 3 the pair at point k.
constexpr int quadTriangles[2][3] = {{2, 0, 3}, {0, 1, 3}};

// Segment sets of one strand as bit masks: bit k (1..31) stands for the
// segment between points k - 1 and k; bit 0 is never set.
using SegmentMask = unsigned;

// The view from above the patch (along y) that maps (x, z) to pixel
// coordinates (x, z) x pixelsPerUnit, as the shell synthesis sees it, and how
// far (in pixels) the rasteriser's snapping of vertices to its sub-pixel grid
// may move an edge.
struct TopView {
    float pixelsPerUnit;
    float snapMargin;
};

// The margin for a rasteriser with the given sub-pixel bits (GL_SUBPIXEL_BITS,
// at least 4 by the GL's rules): four grid steps, several times the largest
// move of an edge by snapping.
float snapMarginForSubpixelBits(int subpixelBits);

// Whether a triangle, given by its corners in pixel coordinates, can cover a
// pixel centre. A fragment is made only where a pixel centre lies inside a
// primitive: the answer is false only when every centre near the triangle lies
// outside one of its edges by more than `margin`, and the triangle is too
// large for snapping to turn it over.
bool triangleMayCoverPixel(const float a[2], const float b[2], const float c[2], float margin);

// For one ribbon, the segments whose first and whose second triangle can
// cover a pixel centre in the view; segments cut by a break are in neither.
// None of it depends on the shell level.
struct RibbonCoverage {
    SegmentMask firstTriangle;
    SegmentMask secondTriangle;
};
RibbonCoverage ribbonCoverage(const HairStrand& strand, RibbonAxis axis, const TopView& view);

// The segments not cut by a break.
SegmentMask joinedSegments(const HairStrand& strand);

// The segments with at least one end whose opacity is not below minimumAlpha.
SegmentMask segmentsAboveOpacity(const float alphas[hairStrandPoints], float minimumAlpha);

// Same as segmentsAboveOpacity with the shell opacities of `level` and
// invisibleOpacity, but evaluating the exponential only near the threshold.
SegmentMask segmentsVisibleAtLevel(const HairStrand& strand, float level);

// A run of consecutive points of one ribbon drawn as one quad strip.
struct StrandPiece {
    int first;  // first point
    int last;   // last point, > first
};

constexpr int maxStrandPieces = hairStrandPoints / 2;

// The runs of consecutive segments of `segments` as pieces of points. Returns
// the number written to `pieces`.
int piecesOfSegments(SegmentMask segments, StrandPiece pieces[maxStrandPieces]);

// The opacity that selects one height level of the hair for a shell texture,
// and the planning of which ribbon pieces a drawing has to send. Pure
// arithmetic, shared by the plain and the batched drawing so both send the
// same values.
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
// rounds anything under 0.5 / 255 to 0 (this keeps a tenth below that for the
// interpolation), so a segment whose two ends are both below it leaves the
// image unchanged.
constexpr float invisibleOpacity = 0.45f / 255.0f;

// A run of consecutive points of one ribbon drawn as one quad strip.
struct StrandPiece {
    int first;  // first point
    int last;   // last point, > first
};

constexpr int maxStrandPieces = hairStrandPoints / 2;

// The two ribbons of a strand: the second vertex of each pair is the first
// moved by 0.01 along x, or along z.
enum class RibbonAxis { X, Z };

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

// Whether the quad between points k - 1 and k of a ribbon can cover a pixel
// centre in the top view. A fragment is made only where a pixel centre lies
// inside a primitive, so a quad whose bounding box, widened by the margin,
// holds no centre in x or in z adds nothing to the image.
bool segmentMayCoverPixel(const HairStrand& strand, int k, RibbonAxis axis, const TopView& view);

// Whether a triangle, given by its corners in pixel coordinates, can cover a
// pixel centre: false only when every centre near it lies outside one of its
// edges by more than `margin`, and the triangle is too large for snapping to
// turn it over.
bool triangleMayCoverPixel(const float a[2], const float b[2], const float c[2], float margin);

// Segment sets of one strand as bit masks: bit k (1..31) stands for the
// segment between points k - 1 and k; bit 0 is never set.
using SegmentMask = unsigned;

// The segments of a ribbon that may add to the image regardless of opacity:
// not cut by a break and, when `view` is given, covering a pixel centre in it.
SegmentMask drawableSegments(const HairStrand& strand, RibbonAxis axis, const TopView* view);

// The segments with at least one end whose opacity is not below minimumAlpha.
SegmentMask segmentsAboveOpacity(const float alphas[hairStrandPoints], float minimumAlpha);

// Same as segmentsAboveOpacity with the shell opacities of `level` and
// invisibleOpacity, but evaluating the exponential only near the threshold.
SegmentMask segmentsVisibleAtLevel(const HairStrand& strand, float level);

// The runs of consecutive segments of `segments` as pieces of points.
int piecesOfSegments(SegmentMask segments, StrandPiece pieces[maxStrandPieces]);

// The pieces of one ribbon of `strand`: the strips of the plain drawing, cut
// at every break, without the segments whose both ends have an opacity below
// `minimumAlpha` and, when `view` is given, without the segments that cover
// no pixel centre in it. Pieces of a single point draw nothing and are left
// out. Returns the number written to `pieces`.
int planRibbonPieces(const HairStrand& strand, const float alphas[hairStrandPoints], float minimumAlpha,
                     RibbonAxis axis, const TopView* view, StrandPiece pieces[maxStrandPieces]);

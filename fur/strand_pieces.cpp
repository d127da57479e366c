// Planning of the ribbon pieces a batched strand drawing sends: which
// segments can change the image, as bit masks, and their runs.
#include <algorithm>
#include <bit>
#include <cmath>

#include "fur/shell_opacity.h"

namespace {

// OpenGL asks for at least 4 bits of sub-pixel precision, so snapping moves a
// vertex by at most 1/32 pixel; twice that covers rounding on the way.
constexpr float snapMargin = 1.0f / 16.0f;

// Whether [low, high] (in pixels), widened by the margin, holds some i + 0.5.
bool holdsPixelCentre(float low, float high) {
    return std::floor(high + snapMargin - 0.5f) >= std::ceil(low - snapMargin - 0.5f);
}

float secondVertexCoordinate(float coordinate) { return static_cast<float>(coordinate + 0.01); }

// Bounds on d^2 = (8 (y - level))^2 around the threshold: below the first the
// opacity is at least 0.0014, above the second at most 0.00065, both far from
// invisibleOpacity (about 0.00098); only between them is the exact value asked.
constexpr float surelyVisibleD2 = 2.1f;
constexpr float surelyInvisibleD2 = 2.35f;

SegmentMask segmentsOfPoints(unsigned points) {
    // A segment shows when either of its ends does.
    return (points | (points << 1)) & ~1u;
}

}  // namespace

bool segmentMayCoverPixel(const HairStrand& strand, int k, RibbonAxis axis, const TopView& view) {
    const float* a = strand.points[k - 1];
    const float* b = strand.points[k];
    float lowX = std::min(a[0], b[0]), highX = std::max(a[0], b[0]);
    float lowZ = std::min(a[2], b[2]), highZ = std::max(a[2], b[2]);
    if (axis == RibbonAxis::X)
        highX = std::max(secondVertexCoordinate(a[0]), secondVertexCoordinate(b[0]));
    else
        highZ = std::max(secondVertexCoordinate(a[2]), secondVertexCoordinate(b[2]));
    const float scale = view.pixelsPerUnit;
    return holdsPixelCentre(lowX * scale, highX * scale) && holdsPixelCentre(lowZ * scale, highZ * scale);
}

SegmentMask drawableSegments(const HairStrand& strand, RibbonAxis axis, const TopView* view) {
    SegmentMask mask = 0;
    for (int k = 1; k < hairStrandPoints; ++k) {
        if (strand.breakBefore[k]) continue;
        if (view && !segmentMayCoverPixel(strand, k, axis, *view)) continue;
        mask |= 1u << k;
    }
    return mask;
}

SegmentMask segmentsAboveOpacity(const float alphas[hairStrandPoints], float minimumAlpha) {
    unsigned points = 0;
    for (int k = 0; k < hairStrandPoints; ++k) {
        if (alphas[k] >= minimumAlpha) points |= 1u << k;
    }
    return segmentsOfPoints(points);
}

SegmentMask segmentsVisibleAtLevel(const HairStrand& strand, float level) {
    unsigned points = 0;
    for (int k = 0; k < hairStrandPoints; ++k) {
        const float d = 8.0f * (strand.points[k][1] - level);
        const float d2 = d * d;
        const bool visible = d2 < surelyVisibleD2 ||
                             (d2 <= surelyInvisibleD2 &&
                              shellOpacity(strand.points[k][1], level) >= invisibleOpacity);
        if (visible) points |= 1u << k;
    }
    return segmentsOfPoints(points);
}

int piecesOfSegments(SegmentMask segments, StrandPiece pieces[maxStrandPieces]) {
    int count = 0;
    while (segments) {
        const int first = std::countr_zero(segments);      // first segment of the run
        const unsigned fromFirst = segments >> first;
        const int length = std::countr_one(fromFirst);     // segments in the run
        pieces[count++] = {first - 1, first + length - 1};
        segments = length + first >= 32 ? 0 : segments & ~((1u << (first + length)) - 1);
    }
    return count;
}

int planRibbonPieces(const HairStrand& strand, const float alphas[hairStrandPoints], float minimumAlpha,
                     RibbonAxis axis, const TopView* view, StrandPiece pieces[maxStrandPieces]) {
    return piecesOfSegments(drawableSegments(strand, axis, view) & segmentsAboveOpacity(alphas, minimumAlpha),
                            pieces);
}

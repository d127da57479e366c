// Planning of the ribbon pieces a batched strand drawing sends: which
// segments can change the image, as bit masks, and their runs.
#include <algorithm>
#include <bit>
#include <cmath>

#include "fur/shell_opacity.h"

namespace {

// Whether [low, high] (in pixels), widened by the margin, holds some i + 0.5.
bool holdsPixelCentre(float low, float high, float margin) {
    return std::floor(high + margin - 0.5f) >= std::ceil(low - margin - 0.5f);
}

float secondVertexCoordinate(float coordinate) { return static_cast<float>(coordinate + 0.01); }

// Bounds on d^2 = (8 (y - level))^2 around the threshold: below the first the
// opacity is at least 0.0026, above the second at most 0.0011, both far from
// invisibleOpacity (about 0.0018); only between them is the exact value asked.
constexpr float surelyVisibleD2 = 1.9f;
constexpr float surelyInvisibleD2 = 2.2f;

// Triangles spanning more centres than this are not worth testing.
constexpr int mostCentresTested = 16;

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
    return holdsPixelCentre(lowX * scale, highX * scale, view.snapMargin) &&
           holdsPixelCentre(lowZ * scale, highZ * scale, view.snapMargin);
}

float snapMarginForSubpixelBits(int subpixelBits) {
    const int bits = std::clamp(subpixelBits, 4, 16);
    return 4.0f / static_cast<float>(1 << bits);
}

bool triangleMayCoverPixel(const float a[2], const float b[2], const float c[2], float margin) {
    const float lowX = std::min({a[0], b[0], c[0]}) - margin, highX = std::max({a[0], b[0], c[0]}) + margin;
    const float lowY = std::min({a[1], b[1], c[1]}) - margin, highY = std::max({a[1], b[1], c[1]}) + margin;
    const int firstColumn = static_cast<int>(std::ceil(lowX - 0.5f));
    const int lastColumn = static_cast<int>(std::floor(highX - 0.5f));
    const int firstRow = static_cast<int>(std::ceil(lowY - 0.5f));
    const int lastRow = static_cast<int>(std::floor(highY - 0.5f));
    if (firstColumn > lastColumn || firstRow > lastRow) return false;
    if ((lastColumn - firstColumn + 1) * (lastRow - firstRow + 1) > mostCentresTested) return true;

    const float* corners[3] = {a, b, c};
    float lengths[3];
    for (int e = 0; e < 3; ++e) {
        const float* u = corners[e];
        const float* v = corners[(e + 1) % 3];
        lengths[e] = std::hypot(v[0] - u[0], v[1] - u[1]);
    }
    // Snapping moves each corner by less than a quarter of the margin, which
    // changes twice the area by less than that times the perimeter; a
    // triangle that could turn over is kept.
    const float area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    if (std::fabs(area) <= margin * (lengths[0] + lengths[1] + lengths[2])) return true;
    const float orientation = area > 0 ? 1.0f : -1.0f;

    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const float px = column + 0.5f, py = row + 0.5f;
            bool outside = false;
            for (int e = 0; e < 3 && !outside; ++e) {
                const float* u = corners[e];
                const float* v = corners[(e + 1) % 3];
                // Signed distance from the edge, positive inside.
                const float distance = orientation * ((v[0] - u[0]) * (py - u[1]) - (v[1] - u[1]) * (px - u[0]));
                outside = distance < -margin * lengths[e];
            }
            if (!outside) return true;
        }
    }
    return false;
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

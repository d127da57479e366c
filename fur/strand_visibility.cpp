// Which segments and triangles of a strand's ribbons can change a shell
// image: opacity above what 8 bits can show, and coverage of pixel centres.
#include "fur/strand_visibility.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// Bounds on d^2 = (8 (y - level))^2 around the threshold: below the first the
// opacity is at least 0.0014, above the second at most 0.00065, both far from
// invisibleOpacity (about 0.00098); only between them is the exact value asked.
constexpr float surelyVisibleD2 = 2.1f;
constexpr float surelyInvisibleD2 = 2.35f;

// Triangles spanning more centres than this are not worth testing.
constexpr int mostCentresTested = 16;

SegmentMask segmentsOfPoints(unsigned points) {
    // A segment shows when either of its ends does.
    return (points | (points << 1)) & ~1u;
}

}  // namespace

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
    float edgeX[3], edgeY[3], lengths[3];
    for (int e = 0; e < 3; ++e) {
        const float* u = corners[e];
        const float* v = corners[(e + 1) % 3];
        edgeX[e] = v[0] - u[0];
        edgeY[e] = v[1] - u[1];
        lengths[e] = std::sqrt(edgeX[e] * edgeX[e] + edgeY[e] * edgeY[e]);
    }
    // Snapping moves each corner by less than a quarter of the margin, which
    // changes twice the area by less than that times the perimeter; a
    // triangle that could turn over is kept.
    const float area = edgeX[0] * (c[1] - a[1]) - edgeY[0] * (c[0] - a[0]);
    if (std::fabs(area) <= margin * (lengths[0] + lengths[1] + lengths[2])) return true;
    const float orientation = area > 0 ? 1.0f : -1.0f;

    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const float px = column + 0.5f, py = row + 0.5f;
            bool outside = false;
            for (int e = 0; e < 3 && !outside; ++e) {
                // Signed distance from the edge times its length, positive inside.
                const float* u = corners[e];
                const float distance = orientation * (edgeX[e] * (py - u[1]) - edgeY[e] * (px - u[0]));
                outside = distance < -margin * lengths[e];
            }
            if (!outside) return true;
        }
    }
    return false;
}

RibbonCoverage ribbonCoverage(const HairStrand& strand, RibbonAxis axis, const TopView& view) {
    // The four vertices of each quad in pixels, as the drawing sends them.
    float pairs[hairStrandPoints][2][2];
    const float scale = view.pixelsPerUnit;
    for (int k = 0; k < hairStrandPoints; ++k) {
        const float x = strand.points[k][0], z = strand.points[k][2];
        pairs[k][0][0] = x * scale;
        pairs[k][0][1] = z * scale;
        pairs[k][1][0] = (axis == RibbonAxis::X ? ribbonOffset(x) : x) * scale;
        pairs[k][1][1] = (axis == RibbonAxis::Z ? ribbonOffset(z) : z) * scale;
    }
    RibbonCoverage coverage{0, 0};
    const SegmentMask joined = joinedSegments(strand);
    for (int k = 1; k < hairStrandPoints; ++k) {
        if (!(joined & (1u << k))) continue;
        const float* quad[4] = {pairs[k - 1][0], pairs[k - 1][1], pairs[k][0], pairs[k][1]};
        const int* first = quadTriangles[0];
        const int* second = quadTriangles[1];
        if (triangleMayCoverPixel(quad[first[0]], quad[first[1]], quad[first[2]], view.snapMargin))
            coverage.firstTriangle |= 1u << k;
        if (triangleMayCoverPixel(quad[second[0]], quad[second[1]], quad[second[2]], view.snapMargin))
            coverage.secondTriangle |= 1u << k;
    }
    return coverage;
}

SegmentMask joinedSegments(const HairStrand& strand) {
    SegmentMask mask = 0;
    for (int k = 1; k < hairStrandPoints; ++k) {
        if (!strand.breakBefore[k]) mask |= 1u << k;
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
        const int first = std::countr_zero(segments);       // first segment of the run
        const int length = std::countr_one(segments >> first);  // segments in the run
        pieces[count++] = {first - 1, first + length - 1};
        segments = first + length >= 32 ? 0 : segments & ~((1u << (first + length)) - 1);
    }
    return count;
}

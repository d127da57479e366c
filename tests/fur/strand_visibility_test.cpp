// Shell opacity and which ribbon segments and triangles can change a shell
// image: the batched drawing leaves out only what cannot show.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fur/random.h"
#include "fur/strand_visibility.h"

namespace {

TEST(ShellOpacity, GaussianOfStandardDeviationFiveHundredthsAroundTheLevel) {
    const struct {
        float distance, opacity, tolerance;
    } cases[] = {{0.0f, 0.9973557f, 1e-7f}, {0.05f, 0.605f, 1e-3f}, {-0.05f, 0.605f, 1e-3f},
                 {0.1f, 0.135f, 1e-3f},     {0.15f, 0.011f, 1e-3f}, {0.5f, 0.0f, 1e-12f}};
    for (const auto& c : cases) EXPECT_NEAR(shellOpacity(0.4f + c.distance, 0.4f), c.opacity, c.tolerance) << c.distance;
}

TEST(StrandPieces, RunsOfSegmentsBecomePiecesOfPoints) {
    const struct {
        SegmentMask segments;
        std::vector<StrandPiece> pieces;
    } cases[] = {
        {0u, {}},
        {~1u, {{0, 31}}},
        {(1u << 3) | (1u << 4) | (1u << 10), {{2, 4}, {9, 10}}},
        {1u << 31, {{30, 31}}},
        {(1u << 1) | (1u << 31), {{0, 1}, {30, 31}}},
    };
    for (const auto& c : cases) {
        StrandPiece pieces[maxStrandPieces];
        const int count = piecesOfSegments(c.segments, pieces);
        ASSERT_EQ(count, static_cast<int>(c.pieces.size())) << std::hex << c.segments;
        for (int p = 0; p < count; ++p) {
            EXPECT_EQ(pieces[p].first, c.pieces[p].first);
            EXPECT_EQ(pieces[p].last, c.pieces[p].last);
        }
    }
}

TEST(StrandPieces, BreaksAndFaintEndsRemoveSegments) {
    HairStrand strand;
    strand.breakBefore[5] = true;
    EXPECT_EQ(joinedSegments(strand), ~1u & ~(1u << 5));
    float alphas[hairStrandPoints];
    for (float& alpha : alphas) alpha = 1.0f;
    alphas[20] = alphas[21] = alphas[22] = 0.0f;  // segments 21 and 22 have both ends faint
    const SegmentMask segments = joinedSegments(strand) & segmentsAboveOpacity(alphas, 0.5f);
    StrandPiece pieces[maxStrandPieces];
    ASSERT_EQ(piecesOfSegments(segments, pieces), 3);
    EXPECT_EQ(pieces[0].first, 0);
    EXPECT_EQ(pieces[0].last, 4);
    EXPECT_EQ(pieces[1].first, 5);
    EXPECT_EQ(pieces[1].last, 20);
    EXPECT_EQ(pieces[2].first, 22);
    EXPECT_EQ(pieces[2].last, 31);
}

TEST(StrandPieces, ShortcutVisibilityAgreesWithTheExactOpacity) {
    seedRandom(9);
    for (int trial = 0; trial < 2000; ++trial) {
        HairStrand strand;
        const float step = 0.03125f * (0.5f + randomDraw() / 65534.0f);
        for (int k = 0; k < hairStrandPoints; ++k) strand.points[k][1] = step * k;
        const float level = randomDraw() / 32767.0f;
        float alphas[hairStrandPoints];
        for (int k = 0; k < hairStrandPoints; ++k) alphas[k] = shellOpacity(strand.points[k][1], level);
        ASSERT_EQ(segmentsVisibleAtLevel(strand, level), segmentsAboveOpacity(alphas, invisibleOpacity))
            << "step " << step << " level " << level;
    }
}

TEST(StrandPieces, InvisibleOpacityRoundsToZeroInEightBits) {
    EXPECT_LT(invisibleOpacity * 255.0f, 0.5f);
    EXPECT_LT(shellOpacity(0.187f, 0.0f), invisibleOpacity);
    EXPECT_GT(shellOpacity(0.185f, 0.0f), invisibleOpacity);
}

// The coverage of segment 1 of a ribbon from (x0, z0) to (x1, z1) in the 128
// pixels per unit view of the shells (pixel centres at (i + 0.5) / 128).
RibbonCoverage segmentCoverage(float x0, float z0, float x1, float z1, RibbonAxis axis) {
    HairStrand strand;
    for (int k = 0; k < hairStrandPoints; ++k) {
        strand.points[k][0] = k == 0 ? x0 : x1;
        strand.points[k][2] = k == 0 ? z0 : z1;
    }
    const TopView view{128.0f, 1.0f / 64.0f};
    RibbonCoverage coverage = ribbonCoverage(strand, axis, view);
    coverage.firstTriangle &= 2u;
    coverage.secondTriangle &= 2u;
    return coverage;
}

TEST(StrandPieces, SegmentsBetweenPixelCentresCoverNothing) {
    const float row = 10.5f / 128;  // a row of pixel centres
    const struct {
        const char* name;
        float x0, z0, x1, z1;
        RibbonAxis axis;
        bool first, second;
    } cases[] = {
        // Along x the ribbon is 0.01 (1.28 pixels) wide; its z extent is the path's.
        {"between two rows", 0.5f, row + 0.1f / 128, 0.5f, row + 0.8f / 128, RibbonAxis::X, false, false},
        // The centre lies above the diagonal v0-v3, in the first triangle only.
        {"across a row", 0.5f, row - 0.4f / 128, 0.5f, row + 0.4f / 128, RibbonAxis::X, true, false},
        {"between two columns", row + 0.1f / 128, 0.5f, row + 0.8f / 128, 0.5f, RibbonAxis::Z, false, false},
        {"across a column", row - 0.4f / 128, 0.5f, row + 0.4f / 128, 0.5f, RibbonAxis::Z, true, false},
        {"wide across a row", 0.49f, row - 0.4f / 128, 0.5f, row + 0.4f / 128, RibbonAxis::X, true, true},
        // Only the second triangle, (v0, v1, v3), reaches the centre at the start.
        {"centre near the start", 0.5f, row - 0.02f / 128, 0.5f, row + 0.9f / 128, RibbonAxis::X, false, true},
        // Only the first, (v2, v0, v3), reaches the centre near the end.
        {"centre near the end", 0.5f, row - 0.9f / 128, 0.5f, row + 0.02f / 128, RibbonAxis::X, true, false},
    };
    for (const auto& c : cases) {
        const RibbonCoverage coverage = segmentCoverage(c.x0, c.z0, c.x1, c.z1, c.axis);
        EXPECT_EQ(coverage.firstTriangle != 0, c.first) << c.name;
        EXPECT_EQ(coverage.secondTriangle != 0, c.second) << c.name;
    }
}

TEST(StrandPieces, CoverageLeavesOutSegmentsCutByABreak) {
    HairStrand strand;
    for (int k = 0; k < hairStrandPoints; ++k) {
        strand.points[k][0] = 0.5f + 0.02f * k;  // long diagonal segments always cover centres
        strand.points[k][2] = 0.5f + 0.02f * k;
    }
    strand.breakBefore[7] = true;
    const RibbonCoverage coverage = ribbonCoverage(strand, RibbonAxis::Z, TopView{128.0f, 1.0f / 64.0f});
    EXPECT_EQ(coverage.firstTriangle | coverage.secondTriangle, joinedSegments(strand));
}

TEST(StrandPieces, TrianglesCoverPixelCentresOnlyWhenCloseEnough) {
    const float margin = 1.0f / 64.0f;
    const struct {
        const char* name;
        float corners[3][2];
        bool mayCover;
    } cases[] = {
        {"holds the centre (10.5, 10.5)", {{10, 10}, {11.5f, 10}, {10, 11.5f}}, true},
        {"between centres", {{10.6f, 10.6f}, {11.4f, 10.6f}, {10.6f, 11.4f}}, false},
        {"centre just outside the hypotenuse", {{10, 10}, {10.95f, 10}, {10, 10.95f}}, false},
        {"centre within the margin of an edge", {{10, 10}, {11.0f - 0.01f, 10}, {10, 11.0f - 0.01f}}, true},
        {"wound the other way", {{10, 10}, {10, 11.5f}, {11.5f, 10}}, true},
        {"thin sliver between rows", {{3, 20.55f}, {9, 20.6f}, {9, 20.9f}}, false},
        {"thin sliver across a row", {{3, 20.4f}, {9, 20.6f}, {9, 20.7f}}, true},
        {"flat along a row: kept, snapping could open it", {{10.2f, 10.5f}, {12.5f, 10.5f}, {14.5f, 10.5f}}, true},
        {"flat between rows", {{10.2f, 10.4f}, {12.5f, 10.4f}, {14.5f, 10.4f}}, false},
        {"large", {{0, 0}, {40, 0}, {0, 40}}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(triangleMayCoverPixel(c.corners[0], c.corners[1], c.corners[2], margin), c.mayCover) << c.name;
}

}  // namespace

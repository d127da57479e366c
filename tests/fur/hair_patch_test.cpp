// Hair patch generation: roots, draws per strand, strand shape, wrap pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/random.h"

namespace {

constexpr float doubleScale = 2.0f / 32767.0f;

class HairPatchTest : public ::testing::Test {
protected:
    void SetUp() override { furSettings = FurSettings{}; }

    void generate(int hairs, unsigned seed) {
        furSettings.numHairs = hairs;
        seedRandom(seed);
        generateHairPatch();
    }
};

TEST_F(HairPatchTest, EveryStrandTakesSevenDrawsAndIsRootedByTheFirstTwo) {
    generate(300, 11);
    const int nextAfterPatch = randomDraw();
    seedRandom(11);
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const float z = randomDraw() * doubleScale;  // z is drawn before x
        const float x = randomDraw() * doubleScale;
        for (int i = 0; i < 5; ++i) randomDraw();
        const float* root = hairPatch.strands[s].points[0];
        EXPECT_EQ(root[0], x) << "strand " << s;
        EXPECT_EQ(root[1], 0.0f);
        EXPECT_EQ(root[2], z) << "strand " << s;
        EXPECT_EQ(root[3], 1.0f);
        EXPECT_FALSE(hairPatch.strands[s].breakBefore[0]);
    }
    EXPECT_EQ(randomDraw(), nextAfterPatch);
}

TEST_F(HairPatchTest, OneHairIsOneStrandRootedByTheNextTwoDraws) {
    seedRandom(3);
    randomDraw();  // the generator is not reseeded by the patch: it continues
    const int zDraw = randomDraw();
    const int xDraw = randomDraw();
    seedRandom(3);
    randomDraw();
    furSettings.numHairs = 1;
    generateHairPatch();
    ASSERT_EQ(hairPatch.strandCount, 1);
    EXPECT_EQ(hairPatch.strands[0].points[0][0], xDraw * doubleScale);
    EXPECT_EQ(hairPatch.strands[0].points[0][2], zDraw * doubleScale);
}

TEST_F(HairPatchTest, EveryPointLiesInTheSquareAndHeightsAreUniform) {
    generate(3000, 5);
    ASSERT_EQ(hairPatch.strandCount, 3000);
    for (int s = 0; s < hairPatch.strandCount; ++s) {
        const HairStrand& strand = hairPatch.strands[s];
        const float step = strand.points[1][1];
        EXPECT_GE(step, 0.5f * 0.03125f - 1e-6f);
        EXPECT_LE(step, 0.03125f + 1e-6f);
        for (int k = 0; k < hairStrandPoints; ++k) {
            const float* p = strand.points[k];
            ASSERT_TRUE(p[0] >= 0 && p[0] <= 2 && p[2] >= 0 && p[2] <= 2) << "strand " << s << " point " << k;
            EXPECT_NEAR(p[1], step * k, 1e-5f);
            EXPECT_EQ(p[3], 1.0f);
        }
    }
}

TEST_F(HairPatchTest, SetsTexturesDirtyAndTwoGenerationsDiffer) {
    furSettings.numHairs = 50;
    furSettings.texturesDirty = false;
    generateHairPatch();
    EXPECT_TRUE(furSettings.texturesDirty);
    const std::vector<HairStrand> first(hairPatch.strands, hairPatch.strands + hairPatch.strandCount);
    generateHairPatch();
    ASSERT_EQ(hairPatch.strandCount, 50);
    int same = 0;
    for (int s = 0; s < 50; ++s) same += first[s].points[0][0] == hairPatch.strands[s].points[0][0];
    EXPECT_LT(same, 3);
}

TEST_F(HairPatchTest, CountOutsideThePanelLimitsGivesAnEmptyPatch) {
    for (int hairs : {0, -5}) {
        generate(hairs, 1);
        EXPECT_EQ(hairPatch.strandCount, 0);
        EXPECT_EQ(hairPatch.strands, nullptr);
        EXPECT_TRUE(furSettings.texturesDirty);
    }
}

struct ShapeCase {
    int draws[5];
    float bendX, leanX, bendZ, leanZ, lengthFactor;
};

TEST(StrandShape, DrawsMapToBendLeanAndLength) {
    const ShapeCase cases[] = {
        {{0, 0, 0, 0, 0}, -1.0f / 32, -0.5f, -1.0f / 32, -0.5f, 1.0f},
        {{32767, 32767, 32767, 32767, 32767}, 1.0f / 32, 0.5f, 1.0f / 32, 0.5f, 0.5f},
        {{32767, 0, 0, 32767, 0}, 1.0f / 32, -0.5f, -1.0f / 32, 0.5f, 1.0f},
    };
    for (const ShapeCase& c : cases) {
        const StrandShape shape = strandShapeFromDraws(c.draws);
        EXPECT_NEAR(shape.bendX, c.bendX, 1e-7f);
        EXPECT_NEAR(shape.leanX, c.leanX, 1e-7f);
        EXPECT_NEAR(shape.bendZ, c.bendZ, 1e-7f);
        EXPECT_NEAR(shape.leanZ, c.leanZ, 1e-7f);
        EXPECT_NEAR(shape.lengthFactor, c.lengthFactor, 1e-7f);
    }
}

TEST(StrandShape, PointsFollowBendLeanAndLength) {
    const float root[4] = {1.0f, 0.0f, 0.5f, 1.0f};
    const struct {
        int r5;
        float lengthScale;
        float tipHeight;
    } heights[] = {{0, 1.0f, 0.96875f}, {32767, 1.0f, 0.484375f}, {0, 0.5f, 0.484375f}};
    for (const auto& h : heights) {
        const int draws[5] = {16384, 16384, 16384, 16384, h.r5};
        HairStrand strand;
        shapeStrand(strand, strandShapeFromDraws(draws), h.lengthScale, root);
        EXPECT_NEAR(strand.points[31][1], h.tipHeight, 1e-6f);
    }

    // Full bend one way on x, full lean the other way on z.
    const int draws[5] = {32767, 16384, 16384, 0, 0};
    const StrandShape shape = strandShapeFromDraws(draws);
    HairStrand strand;
    shapeStrand(strand, shape, 1.0f, root);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(strand.points[0][c], root[c]);
    const double bendAtTip = 0.3 * std::tan(std::pow(static_cast<float>(shape.bendX * 31), 3) / 2);
    EXPECT_NEAR(strand.points[31][0] - root[0], bendAtTip + 0.009375 * shape.leanX * 31, 1e-6);
    EXPECT_NEAR(bendAtTip, 0.3 * std::tan(0.5 * std::pow(31.0 / 32, 3)), 1e-6);
    EXPECT_NEAR(strand.points[31][2] - root[2], -0.5 * 0.009375 * 31, 1e-6);
    // The bend grows with the cube of the distance: small near the root.
    const double bendAt4 = strand.points[4][0] - root[0] - 0.009375 * shape.leanX * 4;
    EXPECT_NEAR(bendAt4, 0.3 * std::tan(std::pow(4.0 / 32, 3) / 2), 1e-6);
    EXPECT_LT(bendAt4, bendAtTip / 400);
}

// x (or z) paths before the wrap, and what the wrap must make of them.
struct WrapCase {
    const char* name;
    std::vector<float> path;
    std::vector<float> wrapped;
    std::vector<int> breaks;
};

TEST(WrapStrand, CutsWhereThePathLeavesAndReturnsAndShiftsByOnePeriod) {
    const WrapCase cases[] = {
        {"below zero and back", {0.1f, 0.05f, -0.02f, -0.05f, 0.01f, 0.03f},
         {0.1f, 0.05f, 1.98f, 1.95f, 0.01f, 0.03f}, {2, 4}},
        {"above two and back", {1.9f, 1.95f, 2.05f, 2.1f, 1.99f, 1.97f}, {1.9f, 1.95f, 0.05f, 0.1f, 1.99f, 1.97f},
         {2, 4}},
        {"exactly on the edges", {0.0f, 0.0f, 2.0f, 2.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 2.0f, 2.0f, 0.0f, 1.0f}, {}},
        {"stays outside to the tip", {0.02f, -0.01f, -0.04f, -0.08f, -0.1f, -0.12f},
         {0.02f, 1.99f, 1.96f, 1.92f, 1.9f, 1.88f}, {1}},
    };
    for (const WrapCase& c : cases) {
        for (int axis : {0, 2}) {
            HairStrand strand;
            for (int k = 0; k < hairStrandPoints; ++k) {
                const float value = c.path[std::min<size_t>(k, c.path.size() - 1)];
                strand.points[k][axis] = value;
                strand.points[k][2 - axis] = 1.0f;
                strand.points[k][1] = 0.03125f * k;
                strand.breakBefore[k] = true;  // stale flags must all be rewritten
            }
            wrapStrand(strand);
            for (size_t k = 0; k < c.wrapped.size(); ++k) {
                EXPECT_NEAR(strand.points[k][axis], c.wrapped[k], 1e-6f) << c.name << ", axis " << axis << ", point " << k;
            }
            for (int k = 0; k < hairStrandPoints; ++k) {
                const bool expected = std::find(c.breaks.begin(), c.breaks.end(), k) != c.breaks.end();
                EXPECT_EQ(strand.breakBefore[k], expected) << c.name << ", axis " << axis << ", point " << k;
                EXPECT_EQ(strand.points[k][2 - axis], 1.0f);
                EXPECT_EQ(strand.points[k][1], 0.03125f * k);
            }
        }
    }
}

}  // namespace

// The rotation ball's and the translation pads' arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/panel_widgets.h"

namespace {

void apply(const float m[16], const float v[3], float out[3]) {
    for (int row = 0; row < 3; ++row) out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2];
}

TEST(Arcball, PointsInsideLieOnTheSphereAndPointsOutsideOnTheRim) {
    float p[3];
    arcballPoint(0, 0, 50, p);
    EXPECT_FLOAT_EQ(p[2], 1);
    arcballPoint(30, 40, 100, p);
    EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1, 1e-6);
    EXPECT_GT(p[2], 0);
    arcballPoint(300, -400, 100, p);
    EXPECT_FLOAT_EQ(p[0], 0.6f);
    EXPECT_FLOAT_EQ(p[1], -0.8f);
    EXPECT_FLOAT_EQ(p[2], 0);
    arcballPoint(5, 5, 0, p);  // a ball without size
    EXPECT_TRUE(std::isfinite(p[0]) && p[2] == 1);
}

TEST(Arcball, TheRotationTurnsTheFirstPointOntoTheSecond) {
    const float cases[][2][3] = {
        {{0, 0, 1}, {0.6f, 0, 0.8f}},
        {{0, 0, 1}, {0, -1, 0}},
        {{0.48f, 0.6f, 0.64f}, {-0.36f, 0.48f, 0.8f}},
    };
    for (const auto& c : cases) {
        float r[16], turned[3];
        arcballRotation(c[0], c[1], r);
        apply(r, c[0], turned);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(turned[i], c[1][i], 1e-5);
        EXPECT_FLOAT_EQ(r[15], 1);
        EXPECT_FLOAT_EQ(r[12] + r[13] + r[14] + r[3] + r[7] + r[11], 0);
    }
    float same[16], p[3] = {0, 0, 1};
    arcballRotation(p, p, same);
    EXPECT_FLOAT_EQ(same[0] + same[5] + same[10] + same[15], 4);
}

TEST(Arcball, ManySmallTurnsLeaveARotation) {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> offset(-3, 3);
    for (int i = 0; i < 20000; ++i) {
        float from[3], to[3], turn[16];
        float x = offset(random) * 10, y = offset(random) * 10;
        arcballPoint(x, y, 40, from);
        arcballPoint(x + offset(random), y + offset(random), 40, to);
        arcballRotation(from, to, turn);
        turnRotation(turn, m);
    }
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            float dot = m[a * 4] * m[b * 4] + m[a * 4 + 1] * m[b * 4 + 1] + m[a * 4 + 2] * m[b * 4 + 2];
            EXPECT_NEAR(dot, a == b ? 1 : 0, 1e-5) << a << b;
        }
    float determinant = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[4] * (m[1] * m[10] - m[2] * m[9]) +
                        m[8] * (m[1] * m[6] - m[2] * m[5]);
    EXPECT_NEAR(determinant, 1, 1e-5);
}

TEST(Arcball, TurningADegenerateMatrixGivesTheIdentity) {
    float zero[16] = {}, turn[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    turnRotation(turn, zero);
    EXPECT_FLOAT_EQ(zero[0] + zero[5] + zero[10], 3);
}

TEST(TranslationPad, HorizontalDragMovesTheFirstValueAndUpwardDragIncreases) {
    float xy[2] = {1, 2};
    movePadValues(PadAxes::XY, 0.1f, 10, -20, xy);
    EXPECT_FLOAT_EQ(xy[0], 1 + 10 * padUnitsPerPixel * 0.1f);
    EXPECT_FLOAT_EQ(xy[1], 2 + 20 * padUnitsPerPixel * 0.1f);
    float y = 5;
    movePadValues(PadAxes::Y, 1, 30, 10, &y);
    EXPECT_FLOAT_EQ(y, 5 - 10 * padUnitsPerPixel);
}

}  // namespace

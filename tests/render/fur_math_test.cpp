// The fur passes' arithmetic: shell offsets and shades, the fin fade, the view
// direction in model space and the matrix product, including the inputs that
// would make them NaN or infinite.
#include <gtest/gtest.h>

#include <cmath>

#include "core/fur_settings.h"
#include "render/fur_math.h"

namespace {

struct ShadeCase {
    int shell, numShells;
    float shellHeight, minShadow;
    float shade, offset;
};

TEST(ShellShade, FollowsTheHeightUpToHalfTheStackThenStaysOne) {
    const ShadeCase cases[] = {
        {1, 32, 0.04f, 0.1f, 0.1f + 0.9f * 2.0f / 31.0f, 0.04f / 31.0f},  // about 0.158
        {15, 32, 0.04f, 0.1f, 0.1f + 0.9f * 30.0f / 31.0f, 0.04f * 15.0f / 31.0f},  // about 0.971
        {16, 32, 0.04f, 0.1f, 1.0f, 0.04f * 16.0f / 31.0f},
        {31, 32, 0.04f, 0.1f, 1.0f, 0.04f},
        {1, 2, 0.04f, 0.1f, 1.0f, 0.04f},  // the one shell of two sits at shellHeight
        {5, 11, 2.0f, 0.0f, 1.0f, 1.0f},
        {2, 11, 2.0f, 0.5f, 0.5f + 0.5f * 0.4f, 0.4f},
    };
    for (const ShadeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "shell " << c.shell << " of " << c.numShells);
        EXPECT_NEAR(shellShade(c.shell, c.numShells, c.shellHeight, c.minShadow), c.shade, 1e-5f);
        EXPECT_NEAR(shellOffset(c.shell, c.numShells, c.shellHeight), c.offset, 1e-6f);
    }
    EXPECT_NEAR(shellShade(1, 32, 0.04f, 0.1f), 0.158f, 0.001f);
    EXPECT_NEAR(shellShade(15, 32, 0.04f, 0.1f), 0.971f, 0.001f);
}

TEST(ShellShade, IsFiniteForEveryDegenerateInput) {
    // shellHeight 0 is 0 / 0 in the shade; one shell divides by zero in the
    // offset; an infinite height would reach the vertex program unguarded.
    struct Degenerate {
        int shell, numShells;
        float shellHeight;
        float shade, offset;
    };
    const Degenerate cases[] = {
        {1, 32, 0.0f, 1.0f, 0.0f},
        {31, 32, 0.0f, 1.0f, 0.0f},
        {1, 1, 0.04f, 1.0f, 0.0f},
        {0, 1, 0.04f, 1.0f, 0.0f},
        {3, 32, INFINITY, 1.0f, 0.0f},
        {3, 32, NAN, 1.0f, 0.0f},
    };
    for (const Degenerate& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shell << "/" << c.numShells << " height " << c.shellHeight);
        float shade = shellShade(c.shell, c.numShells, c.shellHeight, 0.1f);
        float offset = shellOffset(c.shell, c.numShells, c.shellHeight);
        EXPECT_TRUE(std::isfinite(shade));
        EXPECT_TRUE(std::isfinite(offset));
        EXPECT_EQ(shade, c.shade);
        EXPECT_EQ(offset, c.offset);
    }
}

// An edge along x with the corner normal along y: the fin's plane normal
// (p - q) x np points along -z (or +z), so the fade depends on how much the
// view looks along z.
const float p[3] = {1, 0, 0}, q[3] = {0, 0, 0}, np[3] = {0, 1, 0};

TEST(FinFade, FadesWithTheAngleBetweenTheFinAndTheView) {
    struct FadeCase {
        const char* what;
        float degrees;  // angle between the view and the fin's plane normal
        float alpha;    // 0: not drawn
    };
    const FadeCase cases[] = {
        {"facing the eye squarely", 0.0f, 1.0f},
        {"from behind (fins show from both sides)", 180.0f, 1.0f},
        {"at 30 degrees", 30.0f, 2.0f * std::cos(30.0f * 3.14159265f / 180.0f) - 1.0f},
        {"just inside 60 degrees", 59.0f, 2.0f * std::cos(59.0f * 3.14159265f / 180.0f) - 1.0f},
        {"just beyond 60 degrees", 61.0f, 0.0f},
        {"edge-on", 90.0f, 0.0f},
    };
    for (const FadeCase& c : cases) {
        SCOPED_TRACE(c.what);
        float a = c.degrees * 3.14159265f / 180.0f;
        float view[3] = {0, std::sin(a), std::cos(a)};
        EXPECT_NEAR(finFade(p, q, np, view, true), c.alpha, 1e-5f);
        EXPECT_EQ(finFade(p, q, np, view, false), 1.0f) << "without fading every fin is opaque";
    }
}

TEST(FinFade, AtExactlySixtyDegreesTheFinIsNotDrawn) {
    // cos 60 = 0.5 gives 2 x 0.5 - 1 = 0, which is not greater than 0.
    float view[3] = {0, std::sqrt(3.0f) / 2.0f, 0.5f};
    EXPECT_LE(finFade(p, q, np, view, true), 1e-6f);
}

TEST(FinFade, DegenerateEdgesAreSkippedNotNaN) {
    const float view[3] = {0, 0, 1};
    const float zeroNormal[3] = {0, 0, 0};
    const float alongEdge[3] = {1, 0, 0};
    const float nan3[3] = {NAN, NAN, NAN};
    EXPECT_EQ(finFade(p, p, np, view, true), 0.0f) << "zero-length edge";
    EXPECT_EQ(finFade(p, q, zeroNormal, view, true), 0.0f) << "zero normal";
    EXPECT_EQ(finFade(p, q, alongEdge, view, true), 0.0f) << "normal along the edge";
    EXPECT_EQ(finFade(p, q, np, nan3, true), 0.0f) << "no view direction";
}

TEST(TransformVec4, MultipliesAColumnMajorMatrix) {
    // Columns (1,2,3,4), (5,6,7,8), (9,10,11,12), (13,14,15,16).
    float m[16];
    for (int k = 0; k < 16; ++k) m[k] = static_cast<float>(k + 1);
    Vec4 r = transformVec4(m, {1, 0, 0, 0});
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 2);
    EXPECT_EQ(r.z, 3);
    EXPECT_EQ(r.w, 4);
    r = transformVec4(m, {1, 2, 3, 4});
    EXPECT_EQ(r.x, 1 + 10 + 27 + 52);
    EXPECT_EQ(r.y, 2 + 12 + 30 + 56);
    EXPECT_EQ(r.w, 4 + 16 + 36 + 64);
    const float translate[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    r = transformVec4(translate, {1, 1, 1, 0});
    EXPECT_EQ(r.x, 1) << "a direction (w 0) ignores the translation";
    r = transformVec4(translate, {1, 1, 1, 1});
    EXPECT_EQ(r.z, 8);
}

// Rotation by `degrees` about the y axis, column-major.
ObjectTransform rotatedAboutY(float degrees, float x = 0, float y = 0, float z = 0) {
    float a = degrees * 3.14159265f / 180.0f, c = std::cos(a), s = std::sin(a);
    ObjectTransform t;
    const float m[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
    for (int k = 0; k < 16; ++k) t.rotation[k] = m[k];
    t.translateXZ[0] = x;
    t.translateXZ[1] = z;
    t.translateY = y;
    return t;
}

void expectDirection(const float got[3], float x, float y, float z) {
    EXPECT_NEAR(got[0], x, 1e-5f);
    EXPECT_NEAR(got[1], y, 1e-5f);
    EXPECT_NEAR(got[2], z, 1e-5f);
}

TEST(ViewDirection, IsTheEyeSeenFromTheModelInModelSpace) {
    const float eye[3] = {0, 0, 3}, origin[3] = {0, 0, 0};
    float view[3];
    viewDirection(eye, origin, ObjectTransform{}, view);
    expectDirection(view, 0, 0, 1);

    // The model turned 90 degrees about y: its +x faces world -z, so the eye
    // on world +z lies on the model's -x side.
    viewDirection(eye, origin, rotatedAboutY(90), view);
    expectDirection(view, -1, 0, 0);

    // Moved to (3, 0, 3): the eye lies along world -x from the model.
    viewDirection(eye, origin, rotatedAboutY(0, 3, 0, 3), view);
    expectDirection(view, -1, 0, 0);

    // Raised to y = 3 (stored after x and z): the eye is below and in front.
    viewDirection(eye, origin, rotatedAboutY(0, 0, 3, 0), view);
    expectDirection(view, 0, -3 / std::sqrt(18.0f), 3 / std::sqrt(18.0f));
}

TEST(ViewDirection, EyeOnTheModelOriginFallsBackToTheViewAxis) {
    const float eye[3] = {0, 0, 0}, lookAt[3] = {0, 0, -1};
    float view[3];
    viewDirection(eye, lookAt, ObjectTransform{}, view);
    expectDirection(view, 0, 0, 1);
    viewDirection(eye, lookAt, rotatedAboutY(90), view);
    expectDirection(view, -1, 0, 0);
    // Eye, look-at point and model all in one place: still a unit vector.
    viewDirection(eye, eye, ObjectTransform{}, view);
    expectDirection(view, 0, 0, 1);
}

}  // namespace

// The fur's motion without a GL context: the bent offset at the root and the
// tip and its length, gravity and wind carried into the model's space, the
// gust's range, and the lag springs: how they trail a steady motion, settle,
// ignore the first frame and non-finite input, stay bounded when stiff, and
// repeat exactly under a fixed time step at any frame rate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/fur_settings.h"
#include "render/fur_dynamics.h"

namespace {

constexpr float pi = 3.14159265f;

float length(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Column-major rotation by `angle` radians about the unit axis (x, y, z).
ObjectTransform rotated(float x, float y, float z, float angle) {
    float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const float m[16] = {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0,
                         t * x * y - s * z, t * y * y + c,     t * y * z + s * x, 0,
                         t * x * z + s * y, t * y * z - s * x, t * z * z + c,     0,
                         0,                 0,                 0,                 1};
    ObjectTransform transform;
    std::memcpy(transform.rotation, m, sizeof m);
    return transform;
}

ObjectTransform at(float x, float y, float z) {
    ObjectTransform transform;
    transform.translateXZ[0] = x;
    transform.translateY = y;
    transform.translateXZ[1] = z;
    return transform;
}

// The model-space vector v in world space: the model's rotation applied.
void toWorld(const ObjectTransform& model, const float v[3], float out[3]) {
    const float* m = model.rotation;
    for (int i = 0; i < 3; ++i) out[i] = m[i] * v[0] + m[4 + i] * v[1] + m[8 + i] * v[2];
}

void expectVector(const float got[3], float x, float y, float z, float tolerance) {
    EXPECT_NEAR(got[0], x, tolerance);
    EXPECT_NEAR(got[1], y, tolerance);
    EXPECT_NEAR(got[2], z, tolerance);
}

FurDynamicsParameters springs(float stiffness, float damping) {
    FurDynamicsParameters p;
    p.enabled = true;
    p.springStiffness = stiffness;
    p.springDamping = damping;
    return p;
}

TEST(BentOffset, RootsStayTipsKeepTheirLengthAndRigidFurIsUntouched) {
    const float n[3] = {0, 0, 1};
    const float H = 0.07f;
    struct Case {
        const char* what;
        float d[3];
    };
    const Case cases[] = {
        {"no bend", {0, 0, 0}},
        {"gravity of one height", {0, -H, 0}},
        {"gravity a hundred heights strong", {0, -100 * H, 0}},
        {"a bend against the normal", {0.001f, 0, -3 * H}},
        {"wind along a diagonal", {0.3f, 0.2f, -0.1f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        float offset[3];
        bentOffset(n, 0.0f, 1.0f / H, c.d, offset);
        expectVector(offset, 0, 0, 0, 0);  // the root never moves
        for (float h : {0.25f * H, 0.5f * H, H}) {
            bentOffset(n, h, 1.0f / H, c.d, offset);
            EXPECT_NEAR(length(offset), h, 1e-6f) << "length kept at height " << h;
            EXPECT_GE(offset[2], 0.0f) << "never below the tangent plane at the root";
        }
        bentOffset(n, H, 0.0f, c.d, offset);
        EXPECT_EQ(offset[0], 0.0f);
        EXPECT_EQ(offset[1], 0.0f);
        EXPECT_EQ(offset[2], H) << "rigid fur: exactly the normal times the height";
    }
}

TEST(BentOffset, AtTheFullHeightTheTipLeansTowardsTheNormalPlusTheBend) {
    const float n[3] = {0, 1, 0}, d[3] = {0.07f, 0, 0};
    const float H = 0.07f;
    float offset[3];
    bentOffset(n, H, 1.0f / H, d, offset);
    // n H + d = (H, H, 0): 45 degrees, length H.
    expectVector(offset, H / std::sqrt(2.0f), H / std::sqrt(2.0f), 0, 1e-6f);
}

TEST(BentOffset, TheBendGrowsWithTheSquareOfTheHeight) {
    // A small bend barely turns the hair, so the sideways move is close to
    // d (h / H)^2: a quarter of the tip's at half the height.
    const float n[3] = {0, 1, 0}, d[3] = {0, 0, 0.0007f};
    const float H = 0.07f;
    float half[3], tip[3];
    bentOffset(n, H / 2, 1.0f / H, d, half);
    bentOffset(n, H, 1.0f / H, d, tip);
    EXPECT_NEAR(tip[2], 0.0007f, 1e-6f);
    EXPECT_NEAR(half[2] / tip[2], 0.25f, 0.01f);
}

TEST(FurBend, GravityAndWindPointTheSameWayInTheWorldHoweverTheModelTurns) {
    FurDynamicsParameters p;
    p.enabled = true;
    p.gravity = 0.05f;
    p.windStrength = 0.02f;
    const float direction[3] = {0, 0, 4};  // any length
    std::memcpy(p.windDirection, direction, sizeof direction);
    const ObjectTransform models[] = {ObjectTransform{}, rotated(1, 0, 0, pi / 2), rotated(0.6f, 0.8f, 0, 2.0f),
                                      at(3, -1, 2)};
    for (const ObjectTransform& model : models) {
        FurDynamicsState state;
        stepFurDynamics(state, p, model, 1.0f / 30);
        FurBend bend = furBend(state, p, model, 0.07f);
        float world[3];
        toWorld(model, bend.steady, world);
        expectVector(world, 0, -0.05f, 0, 1e-6f);
        toWorld(model, bend.wind, world);
        expectVector(world, 0, 0, 0.02f, 1e-6f);
        EXPECT_FLOAT_EQ(bend.inverseHeight, 1 / 0.07f);
    }
}

TEST(FurBend, IsRigidWhenOffOrWithoutHeight) {
    FurDynamicsParameters p;
    p.gravity = 1;
    FurDynamicsState state;
    EXPECT_EQ(furBend(state, p, ObjectTransform{}, 0.07f).inverseHeight, 0.0f) << "dynamics off";
    p.enabled = true;
    EXPECT_EQ(furBend(state, p, ObjectTransform{}, 0.0f).inverseHeight, 0.0f) << "no height";
    EXPECT_EQ(furBend(state, p, ObjectTransform{}, NAN).inverseHeight, 0.0f);
}

TEST(WindGust, StaysWithinItsRangeAndVariesInTimeAndOverTheSurface) {
    float lowest = 1, highest = 0;
    for (int t = 0; t < 40; ++t)
        for (int x = -4; x <= 4; ++x)
            for (int y = -4; y <= 4; ++y) {
                const float phase[3] = {0.31f * t, 0.57f * t, 0.89f * t};
                const float position[3] = {0.25f * x, 0.25f * y, 0.1f * (x - y)};
                float gust = windGust(phase, position);
                lowest = std::fmin(lowest, gust);
                highest = std::fmax(highest, gust);
            }
    EXPECT_GE(lowest, 0.0f);
    EXPECT_LE(highest, 1.0f);
    EXPECT_LT(lowest, 0.25f) << "the gusts lull";
    EXPECT_GT(highest, 0.75f) << "and blow";
}

TEST(Wind, StrengthAloneSetsTheDefaultFurMovingAndZeroStrengthBendsNothing) {
    FurSettings settings;
    settings.dynamics = 1;
    FurDynamicsParameters p = dynamicsParameters(settings);
    FurDynamicsState state;
    EXPECT_FALSE(furDynamicsMoving(state, p)) << "no strength, no motion";
    FurBend still = furBend(state, p, settings.modelTransform, 0.07f);
    EXPECT_EQ(length(still.wind), 0.0f);
    settings.windStrength = 1;
    p = dynamicsParameters(settings);
    EXPECT_TRUE(furDynamicsMoving(state, p));
    EXPECT_GT(length(furBend(state, p, settings.modelTransform, 0.07f).wind), 0.0f);
}

TEST(Wind, PhasesDependOnTheTimeElapsedNotOnHowItWasCut) {
    FurDynamicsParameters p;
    p.enabled = true;
    p.windStrength = 0.02f;
    p.windFrequency = 0.7f;
    const float direction[3] = {1, 0, 0};
    std::memcpy(p.windDirection, direction, sizeof direction);
    FurDynamicsState tenths, quarters;
    for (int i = 0; i < 10; ++i) stepFurDynamics(tenths, p, ObjectTransform{}, 0.1f);
    for (int i = 0; i < 4; ++i) stepFurDynamics(quarters, p, ObjectTransform{}, 0.25f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(tenths.windPhase[i], quarters.windPhase[i], 1e-5);
        EXPECT_GE(tenths.windPhase[i], 0.0);
        EXPECT_LT(tenths.windPhase[i], 6.2832);
    }
    // One second turns the slowest wave by windFrequency whole cycles.
    const double twoPi = 6.283185307179586;
    EXPECT_NEAR(std::remainder(tenths.windPhase[0] - twoPi * 0.7, twoPi), 0.0, 1e-5);
    EXPECT_TRUE(furDynamicsMoving(tenths, p));
    p.windFrequency = 0;
    EXPECT_FALSE(furDynamicsMoving(tenths, p)) << "a steady wind leaves a still picture";
}

struct SteadyCase {
    float stiffness, damping;
    float velocity[3];  // model units per second
};

TEST(LagSpring, TrailsASteadyMotionByDampingOverStiffnessTimesTheSpeed) {
    const SteadyCase cases[] = {
        {100, 10, {1, 0, 0}},
        {400, 5, {0, 0, -2}},
        {25, 2, {0.3f, -0.4f, 0}},
    };
    for (const SteadyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "k " << c.stiffness << " c " << c.damping);
        FurDynamicsParameters p = springs(c.stiffness, c.damping);
        FurDynamicsState state;
        const float dt = 1.0f / 30;
        for (int frame = 0; frame < 150; ++frame) {
            float t = dt * frame;
            stepFurDynamics(state, p, at(c.velocity[0] * t, c.velocity[1] * t, c.velocity[2] * t), dt);
        }
        float ratio = c.damping / c.stiffness;
        expectVector(state.shift.lag, -ratio * c.velocity[0], -ratio * c.velocity[1], -ratio * c.velocity[2],
                     0.02f * ratio * length(c.velocity));
        expectVector(state.turn.lag, 0, 0, 0, 0);
    }
}

TEST(LagSpring, SettlesExactlyAtRestOnceTheModelStops) {
    FurDynamicsParameters p = springs(100, 8);
    FurDynamicsState state;
    const float dt = 1.0f / 30;
    stepFurDynamics(state, p, at(0, 0, 0), dt);
    for (int frame = 1; frame <= 10; ++frame) stepFurDynamics(state, p, at(0.05f * frame, 0, 0), dt);
    EXPECT_LT(state.shift.lag[0], 0.0f) << "trails behind a move along +x";
    EXPECT_TRUE(furDynamicsMoving(state, p));
    int framesToRest = 0;
    while (furDynamicsMoving(state, p) && framesToRest < 300) {
        stepFurDynamics(state, p, at(0.5f, 0, 0), dt);
        ++framesToRest;
    }
    EXPECT_LT(framesToRest, 150) << "settles within five seconds";
    expectVector(state.shift.lag, 0, 0, 0, 0);
    expectVector(state.shift.velocity, 0, 0, 0, 0);
}

TEST(LagSpring, ASpinningModelsFurTrailsAlongItsSurface) {
    FurDynamicsParameters p = springs(100, 10);
    FurDynamicsState state;
    const float dt = 1.0f / 30, degreesPerFrame = 6;
    ObjectTransform model;
    for (int frame = 0; frame < 120; ++frame) {
        model = rotated(0, 1, 0, degreesPerFrame * frame * pi / 180);
        stepFurDynamics(state, p, model, dt);
    }
    float omega = degreesPerFrame * pi / 180 / dt;
    expectVector(state.turn.lag, 0, -0.1f * omega, 0, 0.02f * 0.1f * omega);
    expectVector(state.shift.lag, 0, 0, 0, 0);

    // At every point around the model the bend opposes that point's motion.
    FurBend bend = furBend(state, p, model, 0.07f);
    for (float a = 0; a < 2 * pi; a += pi / 4) {
        const float position[3] = {std::cos(a), 0.3f, std::sin(a)};  // model space
        float d[3], world[3], worldPosition[3];
        bendVector(bend, position, d);
        toWorld(model, d, world);
        toWorld(model, position, worldPosition);
        const float velocity[3] = {worldPosition[2] * omega, 0, -worldPosition[0] * omega};  // (0, omega, 0) x p
        EXPECT_LT(dot(world, velocity), -0.9f * length(world) * length(velocity)) << "at angle " << a;
    }
}

TEST(LagSpring, TheFirstFrameAndDisabledFramesExciteNothing) {
    FurDynamicsParameters p = springs(100, 10);
    FurDynamicsState state;
    stepFurDynamics(state, p, rotated(1, 0, 0, 2.0f), 1.0f / 30);  // the model starts far from the identity
    EXPECT_FALSE(furDynamicsMoving(state, p));

    // Moved while the dynamics are off, then switched on: no jump.
    p.enabled = false;
    stepFurDynamics(state, p, at(5, 5, 5), 1.0f / 30);
    p.enabled = true;
    stepFurDynamics(state, p, at(5, 5, 5), 1.0f / 30);
    EXPECT_FALSE(furDynamicsMoving(state, p));
}

TEST(LagSpring, NonFiniteInputMovesNothing) {
    FurDynamicsParameters p = springs(100, 10);
    FurDynamicsState state;
    stepFurDynamics(state, p, at(0, 0, 0), 1.0f / 30);
    stepFurDynamics(state, p, at(NAN, 0, 0), 1.0f / 30);
    ObjectTransform broken;
    broken.rotation[0] = INFINITY;
    stepFurDynamics(state, p, broken, 1.0f / 30);
    stepFurDynamics(state, p, at(0, 0, 0), NAN);
    EXPECT_FALSE(furDynamicsMoving(state, p));
}

TEST(LagSpring, StaysBoundedWhenStiffUndampedAndSlow) {
    // The stiffest spring the settings allow, no damping, four frames a second:
    // one frame at that step would be far past the integration's stability
    // limit; sub-stepping keeps the swing no larger than the move itself.
    FurDynamicsParameters p = springs(1000, 0);
    FurDynamicsState state;
    stepFurDynamics(state, p, at(0, 0, 0), 0.25f);
    float widest = 0;
    for (int frame = 0; frame < 400; ++frame) {
        stepFurDynamics(state, p, at(0.1f, 0, 0), 0.25f);
        widest = std::fmax(widest, length(state.shift.lag));
    }
    EXPECT_TRUE(std::isfinite(widest));
    EXPECT_GT(widest, 0.0f);
    EXPECT_LE(widest, 0.1f);
}

// The translation lag along x at each frame of a scripted drag and release.
std::vector<float> dragTrace(int framesPerSecond) {
    FurDynamicsParameters p = springs(200, 12);
    FurDynamicsState state;
    std::vector<float> trace;
    float dt = 1.0f / framesPerSecond;
    for (int frame = 0; frame <= 2 * framesPerSecond; ++frame) {
        float t = dt * frame;
        float x = t < 0.5f ? 2 * t : 1.0f;  // two units a second for half a second, then still
        stepFurDynamics(state, p, at(x, 0, 0), dt);
        trace.push_back(state.shift.lag[0]);
    }
    return trace;
}

TEST(LagSpring, RepeatsExactlyUnderAFixedStepAndAgreesAcrossFrameRates) {
    std::vector<float> first = dragTrace(30), again = dragTrace(30);
    ASSERT_EQ(first.size(), again.size());
    EXPECT_EQ(std::memcmp(first.data(), again.data(), first.size() * sizeof(float)), 0);

    std::vector<float> sixty = dragTrace(60), slow = dragTrace(10);
    for (int tenth = 0; tenth < static_cast<int>(slow.size()); ++tenth) {
        SCOPED_TRACE(testing::Message() << "tenth " << tenth);
        EXPECT_NEAR(first[3 * tenth], sixty[6 * tenth], 0.01f);
        EXPECT_NEAR(first[3 * tenth], slow[tenth], 0.02f);
    }
}

TEST(RotationBetween, RecoversAxisAndAngle) {
    struct Case {
        float axis[3], angle;
    };
    const Case cases[] = {
        {{0, 1, 0}, 0.1f}, {{1, 0, 0}, -0.5f}, {{0.6f, 0, 0.8f}, 1.5f}, {{0, 0, 1}, 3.0f}, {{0, 1, 0}, 1e-4f},
    };
    ObjectTransform from = rotated(0.48f, 0.6f, 0.64f, 0.9f);  // any start
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "angle " << c.angle);
        ObjectTransform delta = rotated(c.axis[0], c.axis[1], c.axis[2], c.angle), to;
        for (int col = 0; col < 4; ++col)
            for (int row = 0; row < 4; ++row) {
                float sum = 0;
                for (int k = 0; k < 4; ++k) sum += delta.rotation[4 * k + row] * from.rotation[4 * col + k];
                to.rotation[4 * col + row] = sum;
            }
        float v[3];
        rotationBetween(from.rotation, to.rotation, v);
        float tolerance = 1e-5f + 1e-4f * std::fabs(c.angle);
        expectVector(v, c.axis[0] * c.angle, c.axis[1] * c.angle, c.axis[2] * c.angle, tolerance);
    }
    float none[3];
    rotationBetween(from.rotation, from.rotation, none);
    expectVector(none, 0, 0, 0, 0);
}

}  // namespace

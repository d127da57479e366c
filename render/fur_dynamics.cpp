// Gravity, wind and the lag springs of the fur. See fur_dynamics.h.
//
// Each spring models the hair tips as points dragged through still air by the
// model: a spring of stiffness k pulls a tip towards where the model carries
// it, and a drag of coefficient c acts on the tip's own velocity w. With u the
// lag (tip minus carried place) and a the carried place:
//     w' = -k u - c w,    u' = w - a'.
// Under a steady motion a' = V the lag settles at -c V / k, so the fur trails
// behind a drag; when the motion stops it swings back and settles. The
// rotation spring is the same equation on rotation vectors, and a lag turn
// theta displaces a point p (from the model's origin) by theta x p, which is
// how a spinning model's fur trails along its surface.
#include "render/fur_dynamics.h"

#include <algorithm>
#include <cmath>

#include "core/fur_settings.h"
#include "core/vector3.h"

FurDynamicsState furDynamics;

namespace {

constexpr double twoPi = 6.283185307179586;

// Any lag beyond a few hair heights already lays the fur flat; the bound only
// keeps the state finite whatever the input.
constexpr float largestLag = 10.0f;

// Below these the spring snaps to rest, so a settled model stops redrawing.
constexpr float restingLag = 1e-5f;
constexpr float restingVelocity = 1e-4f;

// The gust's three waves: speed relative to windFrequency, weight and spatial
// frequency (radians per model unit). Speeds are not in simple ratios, so the
// sum does not visibly repeat; the weights sum to 0.5 about the mean of 0.5,
// so the gust stays in [0, 1]. The model is about two units across, so each
// wave spans a few bands over it. windGust in lighting_vertex.cg holds the
// same weights and spatial frequencies.
struct GustWave {
    double speed;
    float weight;
    float k[3];
};
constexpr GustWave gustWaves[3] = {
    {1.0, 0.25f, {1.9f, 0.7f, 1.3f}},
    {1.73, 0.15f, {-2.9f, 2.1f, 0.8f}},
    {2.91, 0.10f, {3.7f, -1.1f, -4.3f}},
};

bool allFinite(const float* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

void clampLength(float v[3], float limit) {
    float length = length3(v);
    if (!(length > limit)) return;
    for (int i = 0; i < 3; ++i) v[i] *= limit / length;
}

// The world vector v in the model's space: the transposed rotation.
void toModelSpace(const ObjectTransform& model, const float v[3], float out[3]) {
    const float* m = model.rotation;
    for (int i = 0; i < 3; ++i) out[i] = m[4 * i] * v[0] + m[4 * i + 1] * v[1] + m[4 * i + 2] * v[2];
}

// One semi-implicit Euler sub-step of length h in which the carried place
// moved by `moved`: the velocity first, from the old lag, then the lag from
// the new velocity. That order keeps an undamped spring's energy bounded.
void substep(LagSpring& spring, float k, float c, float h, const float moved[3]) {
    for (int i = 0; i < 3; ++i) {
        spring.velocity[i] += h * (-k * spring.lag[i] - c * spring.velocity[i]);
        spring.lag[i] += h * spring.velocity[i] - moved[i];
    }
    clampLength(spring.lag, largestLag);
}

void settle(LagSpring& spring) {
    if (dot3(spring.lag, spring.lag) < restingLag * restingLag &&
        dot3(spring.velocity, spring.velocity) < restingVelocity * restingVelocity)
        spring = LagSpring{};
}

bool atRest(const LagSpring& spring) {
    for (int i = 0; i < 3; ++i)
        if (spring.lag[i] != 0.0f || spring.velocity[i] != 0.0f) return false;
    return true;
}

// A transform that is not finite is not remembered: the next good one is then
// measured against the last good one.
void remember(FurDynamicsState& state, const ObjectTransform& model) {
    float position[3];
    objectPosition(model, position);
    if (!allFinite(position, 3) || !allFinite(model.rotation, 16)) return;
    std::copy_n(model.rotation, 16, state.lastRotation);
    std::copy_n(position, 3, state.lastPosition);
    state.tracking = true;
}

void advanceWind(FurDynamicsState& state, const FurDynamicsParameters& p, double seconds) {
    for (int i = 0; i < 3; ++i) {
        double phase = state.windPhase[i] + twoPi * p.windFrequency * gustWaves[i].speed * seconds;
        phase = std::fmod(phase, twoPi);
        state.windPhase[i] = phase < 0 ? phase + twoPi : phase;
    }
}

// The model's translation and rotation since the last frame; zero for the
// first frame and for a transform that is not finite.
void modelMotion(const FurDynamicsState& state, const ObjectTransform& model, float shift[3], float turn[3]) {
    std::fill_n(shift, 3, 0.0f);
    std::fill_n(turn, 3, 0.0f);
    float position[3];
    objectPosition(model, position);
    if (!state.tracking || !allFinite(position, 3) || !allFinite(model.rotation, 16)) return;
    for (int i = 0; i < 3; ++i) shift[i] = position[i] - state.lastPosition[i];
    rotationBetween(state.lastRotation, model.rotation, turn);
}

void stepSprings(FurDynamicsState& state, const FurDynamicsParameters& p, const float shift[3],
                 const float turn[3], float seconds) {
    int count = std::max(1, static_cast<int>(std::ceil(seconds / furDynamicsSubstep)));
    float h = seconds / static_cast<float>(count);
    const float shiftPart[3] = {shift[0] / count, shift[1] / count, shift[2] / count};
    const float turnPart[3] = {turn[0] / count, turn[1] / count, turn[2] / count};
    for (int n = 0; n < count; ++n) {
        substep(state.shift, p.springStiffness, p.springDamping, h, shiftPart);
        substep(state.turn, p.springStiffness, p.springDamping, h, turnPart);
    }
    settle(state.shift);
    settle(state.turn);
}

}  // namespace

FurDynamicsParameters dynamicsParameters(const FurSettings& settings) {
    FurDynamicsParameters p;
    p.enabled = settings.dynamics != 0;
    p.gravity = settings.gravity;
    p.windStrength = settings.windStrength;
    std::copy_n(settings.windDirection, 3, p.windDirection);
    p.windFrequency = settings.windFrequency;
    p.springStiffness = settings.springStiffness;
    p.springDamping = settings.springDamping;
    return p;
}

float furFullHeight(const FurSettings& settings) { return std::max(settings.shellHeight, settings.finHeight); }

void advanceFurDynamics(float seconds) {
    stepFurDynamics(furDynamics, dynamicsParameters(furSettings), furSettings.modelTransform, seconds);
}

bool furInMotion() { return furDynamicsMoving(furDynamics, dynamicsParameters(furSettings)); }

void rotationBetween(const float from[16], const float to[16], float rotationVector[3]) {
    // delta = to x transpose(from); only its 3 x 3 part matters.
    float d[3][3];  // d[row][column]
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            d[row][col] = to[row] * from[col] + to[4 + row] * from[4 + col] + to[8 + row] * from[8 + col];
    // The skew part is axis x sin(angle), the trace 1 + 2 cos(angle).
    float s[3] = {0.5f * (d[2][1] - d[1][2]), 0.5f * (d[0][2] - d[2][0]), 0.5f * (d[1][0] - d[0][1])};
    float sine = length3(s);
    float cosine = 0.5f * (d[0][0] + d[1][1] + d[2][2] - 1.0f);
    std::fill_n(rotationVector, 3, 0.0f);
    if (!(sine > 1e-7f) || !std::isfinite(sine)) return;
    float angle = std::atan2(sine, cosine);
    for (int i = 0; i < 3; ++i) rotationVector[i] = s[i] * (angle / sine);
}

void stepFurDynamics(FurDynamicsState& state, const FurDynamicsParameters& parameters, const ObjectTransform& model,
                     float seconds) {
    if (!parameters.enabled) {
        state = FurDynamicsState{};
        remember(state, model);
        return;
    }
    seconds = std::isfinite(seconds) ? std::clamp(seconds, 0.0f, furDynamicsLongestFrame) : 0.0f;
    float shift[3], turn[3];
    modelMotion(state, model, shift, turn);
    if (parameters.springStiffness > 0.0f) {
        stepSprings(state, parameters, shift, turn, seconds);
    } else {
        // Without a restoring force a lag would only ever grow.
        state.shift = LagSpring{};
        state.turn = LagSpring{};
    }
    advanceWind(state, parameters, seconds);
    remember(state, model);
}

bool furDynamicsMoving(const FurDynamicsState& state, const FurDynamicsParameters& parameters) {
    if (!parameters.enabled) return false;
    bool windBlows = parameters.windStrength != 0.0f && parameters.windFrequency != 0.0f &&
                     dot3(parameters.windDirection, parameters.windDirection) > 0.0f;
    return windBlows || !atRest(state.shift) || !atRest(state.turn);
}

FurBend furBend(const FurDynamicsState& state, const FurDynamicsParameters& parameters, const ObjectTransform& model,
                float fullHeight) {
    FurBend bend{};
    if (!parameters.enabled || !(fullHeight > 0.0f) || !std::isfinite(fullHeight)) return bend;
    bend.inverseHeight = 1.0f / fullHeight;
    float steady[3] = {state.shift.lag[0], state.shift.lag[1] - parameters.gravity, state.shift.lag[2]};
    toModelSpace(model, steady, bend.steady);
    toModelSpace(model, state.turn.lag, bend.turn);
    float wind[3] = {0, 0, 0};
    float length = length3(parameters.windDirection);
    if (length > 0.0f && std::isfinite(length))
        for (int i = 0; i < 3; ++i) wind[i] = parameters.windDirection[i] * (parameters.windStrength / length);
    toModelSpace(model, wind, bend.wind);
    for (int i = 0; i < 3; ++i) bend.windPhase[i] = static_cast<float>(state.windPhase[i]);
    return bend;
}

float windGust(const float phase[3], const float position[3]) {
    float gust = 0.5f;
    for (int i = 0; i < 3; ++i) gust += gustWaves[i].weight * std::sin(phase[i] + dot3(gustWaves[i].k, position));
    return gust;
}

void bendVector(const FurBend& bend, const float position[3], float d[3]) {
    float turned[3];
    cross3(bend.turn, position, turned);
    float gust = windGust(bend.windPhase, position);
    for (int i = 0; i < 3; ++i) d[i] = bend.steady[i] + turned[i] + bend.wind[i] * gust;
}

void bentOffset(const float normal[3], float h, float inverseHeight, const float d[3], float offset[3]) {
    for (int i = 0; i < 3; ++i) offset[i] = normal[i] * h;
    if (inverseHeight == 0.0f) return;
    float s = h * inverseHeight;
    float bent[3];
    for (int i = 0; i < 3; ++i) bent[i] = offset[i] + d[i] * (s * s);
    // Hair lies on the skin rather than entering it: a point pushed below the
    // tangent plane at its root is brought back onto that plane.
    float below = dot3(bent, normal);
    if (below < 0.0f)
        for (int i = 0; i < 3; ++i) bent[i] -= normal[i] * below;
    float length = length3(bent);
    // A bend that exactly cancels the normal leaves no direction: stay straight.
    if (!(length > 1e-12f) || !std::isfinite(length)) return;
    for (int i = 0; i < 3; ++i) offset[i] = bent[i] * (h / length);
}

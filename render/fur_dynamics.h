// Fur that moves: gravity, a gusting wind and a springy lag behind the model's
// own motion, as plain arithmetic over plain records, without OpenGL.
//
// A hair point at height h above the skin (0 at the root, H the full height)
// is pushed by a vector D x (h / H)^2 and then brought back to its undisplaced
// distance h from the root: roots stay put, tips bend most, and strong gravity
// bends the fur rather than stretching it. D is the sum of gravity along world
// -y, the wind along its direction scaled by a gust made of three travelling
// sines, and the lag of two damped springs, one following the model's
// translation and one its rotation. The springs are stepped once per frame
// from the change of the model transform; the camera never enters, so turning
// the view excites nothing.
//
// The per-vertex part (bendVector, bentOffset, windGust) runs in the vertex
// program, which mirrors the functions here; the drawing code hands it the
// per-frame values in the model's own space (furBend).
#pragma once

struct FurSettings;
struct ObjectTransform;

// What the settings say about the motion. Strengths are displacements of the
// tallest tips, in model units, before the length is restored.
struct FurDynamicsParameters {
    bool enabled = false;
    float gravity = 0;                // along world -y
    float windStrength = 0;           // at the peak of a gust
    float windDirection[3] = {0, 0, 0};  // world space, any length; no length: no wind
    float windFrequency = 0;          // gusts per second of the slowest wave
    float springStiffness = 0;        // 1/s^2; 0 leaves the springs out
    float springDamping = 0;          // 1/s, the drag that makes the fur trail
};

// The parameters the settings record holds.
FurDynamicsParameters dynamicsParameters(const FurSettings& settings);

// H: the taller of the shells and the fins. Shells and fins share it, so a fin
// and a shell bend alike at the same height and the fins stay with the shells.
float furFullHeight(const FurSettings& settings);

// One damped spring: the lag of the hair tips behind the place the model
// carries them to, and the tips' own velocity. For the translation spring both
// are model-unit vectors; for the rotation spring, rotation vectors (radians).
struct LagSpring {
    float lag[3] = {0, 0, 0};
    float velocity[3] = {0, 0, 0};
};

struct FurDynamicsState {
    bool tracking = false;  // lastRotation and lastPosition hold the previous frame's model
    float lastRotation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float lastPosition[3] = {0, 0, 0};
    LagSpring shift;  // behind the translation
    LagSpring turn;   // behind the rotation, about the model's origin
    double windPhase[3] = {0, 0, 0};  // radians, each kept in [0, 2 pi)
};

// The process's one state, stepped by the programs before each frame is drawn
// and read by the fur drawing.
extern FurDynamicsState furDynamics;

// Advances the state by `seconds` during which the model moved from the last
// frame's transform to `model`. The step is split into equal sub-steps of at
// most furDynamicsSubstep, so the springs behave alike at any frame rate and a
// fixed frame time repeats exactly; a frame longer than furDynamicsLongestFrame
// counts as that long, which bounds the work after a stall. With the dynamics
// off the state rests and only follows the model, so switching them on never
// starts with a jump. Non-finite input moves nothing.
void stepFurDynamics(FurDynamicsState& state, const FurDynamicsParameters& parameters, const ObjectTransform& model,
                     float seconds);

constexpr float furDynamicsSubstep = 1.0f / 240.0f;
constexpr float furDynamicsLongestFrame = 1.0f;

// True while the picture can still change without input: wind that gusts, or
// a spring not yet settled. A settled spring is exactly at rest.
bool furDynamicsMoving(const FurDynamicsState& state, const FurDynamicsParameters& parameters);

// furDynamics stepped by `seconds` with the settings of furSettings and its
// model transform; whether furDynamics is still moving under those settings.
void advanceFurDynamics(float seconds);
bool furInMotion();

// The per-frame values of the vertex program, all in the model's own space.
struct FurBend {
    float steady[3];     // gravity plus the translation lag
    float turn[3];       // rotation lag: adds turn x (root position)
    float wind[3];       // the wind at the peak of a gust
    float windPhase[3];  // the three waves' phases, radians
    float inverseHeight;  // 1 / H; 0 when the fur is rigid (dynamics off, or H is 0)
};

// The frame's values for fur of full height `fullHeight`. The model transform
// is a rotation and a translation, so world vectors reach model space through
// the transposed rotation and keep their lengths.
FurBend furBend(const FurDynamicsState& state, const FurDynamicsParameters& parameters, const ObjectTransform& model,
                float fullHeight);

// The gust factor at a model-space root position, in [0, 1]: smooth in the
// phases and in the position, so neighbouring hairs sway together.
float windGust(const float phase[3], const float position[3]);

// D at a model-space root position: steady + turn x position + wind x gust.
void bendVector(const FurBend& bend, const float position[3], float d[3]);

// The offset of the hair point at height h from its root with unit normal n:
// n h + d (h / H)^2, lifted onto the tangent plane at the root where it lies
// below it (hair lies on the skin, never in it), and brought back to length h. Exactly n h when the fur is
// rigid (inverseHeight 0), which is today's picture bit for bit.
void bentOffset(const float normal[3], float h, float inverseHeight, const float d[3], float offset[3]);

// The rotation vector (axis times angle, radians) of the rotation taking
// column-major rotation `from` to `to` in world space (to = delta x from).
// Zero when the two agree or the turn is a half turn, whose axis has no
// preferred sense.
void rotationBetween(const float from[16], const float to[16], float rotationVector[3]);

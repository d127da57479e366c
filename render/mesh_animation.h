// Playing a model's clips on the prepared mesh: which clip, where in it and
// how fast; posing the drawn vertices (which the fins and picking read too)
// from the rest mesh each frame; and the springs each vertex's hair drives
// from its own acceleration as the clip carries it. The rest mesh is what the
// drawn mesh holds at bind pose, centred and scaled once, so the character
// does not swim in the view as it moves; the prepared mesh itself stays at
// rest, which is where the groom is read and painted.
// Plain data, no OpenGL; mesh_buffers.h uploads what this poses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/indexed_mesh.h"
#include "model/model_skin.h"
#include "render/fur_mesh.h"

struct FurDynamicsParameters;

// What plays: a clip (-1: "Bind Pose"), the time in it, and how it runs.
struct AnimationPlayback {
    int clip = -1;
    float time = 0;  // seconds into the clip
    bool playing = false;
    bool loop = true;
};

struct MeshAnimation {
    const ModelSkin* skin = nullptr;  // null: the model has no skin and nothing here runs
    AnimationPlayback playback;
    // The clip's name as last chosen by chooseClip, and for which skin.
    std::string clipName;
    const ModelSkin* clipNameSkin = nullptr;

    // Fixed by prepareMeshAnimation, for the mesh buffers' build `meshBuild`
    // (mesh_buffers.h; -1: none yet).
    long meshBuild = -1;
    std::vector<MeshVertex> rest;              // the indexed vertices at rest
    std::vector<std::uint32_t> indices;        // three per drawn triangle
    std::vector<std::uint32_t> modelVertices;  // each vertex's model vertex, 0 for none

    // Posed by poseMeshAnimation.
    bool posed = false;  // whether the arrays below hold a pose (a clip chosen)
    std::vector<MeshVertex> vertices;
    std::vector<SkinnedVertexExtra> extras;

    // The per-vertex springs: each vertex's last two positions and its lag's
    // velocity.
    std::vector<float> previous, beforePrevious, lagVelocity;
    bool tracking = 0;  // previous and beforePrevious hold positions

    // Scratch of the pose arithmetic.
    std::vector<NodePose> pose;
    std::vector<Affine> globals, joints;
};

// Ties the animation to the mesh as built: its rest vertices (furMesh's
// drawn ones) and each vertex's model vertex, whose skin weights move it.
// Keeps the playback; drops a pose.
void prepareMeshAnimation(MeshAnimation& animation, const FurMesh& furMesh);

// Plays the clip called `name` (or numbered by it, as findClip takes it),
// from its start and paused, when it is not the one chosen last for this
// skin; "" is "Bind Pose". A name the model has no clip for chooses the bind
// pose, with one warning on standard error.
void chooseClip(MeshAnimation& animation, const char* name);

// The clip's length in seconds; 0 for the bind pose.
float clipDuration(const MeshAnimation& animation);

// Moves the playback on by `seconds` x `speed` while it plays: round to the
// start when it loops, stopping at the end when it does not.
void advancePlayback(MeshAnimation& animation, float seconds, float speed);

// Poses the vertices at the playback's time, and steps the
// springs by `seconds` with the dynamics' parameters (a step of 0, or the
// dynamics off, leaves every lag at 0). With the bind pose nothing is posed.
void poseMeshAnimation(MeshAnimation& animation, const FurDynamicsParameters& parameters, float seconds);

// Restarts the springs at rest: the next pose is taken as still.
void resetAnimationSprings(MeshAnimation& animation);

// True while the springs still move.
bool animationSpringsMoving(const MeshAnimation& animation);

// The point on the rest mesh where drawn triangle `triangle` holds posed
// point `point`: the same barycentric place on the rest triangle.
void restPointOf(const MeshAnimation& animation, long triangle, const float point[3], float rest[3]);

// Whether the animation changes the picture without input: a clip playing,
// or the hair's springs still settling.
bool meshAnimationMoving(const MeshAnimation& animation);

// Plays a paused clip, from its start when it stopped at its end, or pauses
// a playing one; nothing with the bind pose.
void toggleAnimationPlaying(MeshAnimation& animation);

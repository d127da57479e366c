// A model's skeleton and clips, and the arithmetic that poses it: the node
// hierarchy with each node's rest transform, the joints with their inverse
// bind matrices, four joints and weights per model vertex, and the clips'
// keyed translations, rotations and scales. Sampling a clip at a time gives
// every node's local transform; composing them down the hierarchy and with
// the inverse binds gives one matrix per joint, and a vertex is the weighted
// sum of its four joints' matrices applied to it. Plain data, no OpenGL.
//
// Matrices here are affine 3 x 4, rows of (x, y, z, w): element [row * 4 +
// column], the translation in column 3. Quaternions are (x, y, z, w).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Affine = std::array<float, 12>;

struct SkinNode {
    std::string name;
    int parent = -1;  // an index below this node's own, or -1 for a root
    float translation[3] = {0, 0, 0};
    float rotation[4] = {0, 0, 0, 1};
    float scale[3] = {1, 1, 1};
};

struct SkinJoint {
    int node = 0;
    // From the model's bind-pose space into the joint's own space.
    Affine inverseBind{};
};

enum class KeyInterpolation { Step, Linear, CubicSpline };
enum class ChannelPath { Translation, Rotation, Scale };

struct ClipChannel {
    int node = 0;
    ChannelPath path = ChannelPath::Translation;
    KeyInterpolation interpolation = KeyInterpolation::Linear;
    std::vector<float> times;  // ascending, seconds
    // 3 (translation, scale) or 4 (rotation) per key; a cubic spline's keys
    // each hold an in-tangent, the value and an out-tangent, in that order.
    std::vector<float> values;
};

struct AnimationClip {
    std::string name;
    float duration = 0;  // seconds: the last key of any channel
    std::vector<ClipChannel> channels;
};

struct ModelSkin {
    std::vector<SkinNode> nodes;  // parents before their children
    std::vector<SkinJoint> joints;
    // Four per entry of the model's 1-based vertex array (vertexCount + 1
    // entries, entry 0 unused); the weights of each sum to 1.
    std::vector<std::uint32_t> vertexJoints;
    std::vector<float> vertexWeights;
    std::vector<AnimationClip> clips;
    // From the file's space to the model's: what turning the up axis and
    // centring and scaling did to the vertices since they were read.
    Affine placement{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
};

// ---- Affine and quaternion arithmetic -----------------------------------

Affine affineIdentity();
Affine affineMultiply(const Affine& a, const Affine& b);
// The inverse; the identity for a matrix that has none.
Affine affineInverse(const Affine& m);
// Translation x rotation x scale, as glTF composes a node.
Affine affineFromTRS(const float t[3], const float r[4], const float s[3]);
// From a column-major 4 x 4 (OpenGL's and glTF's order).
Affine affineFromColumnMajor(const float m[16]);
void transformPoint(const Affine& m, const float p[3], float out[3]);
void transformVector(const Affine& m, const float v[3], float out[3]);
// The shorter arc from a to b at t in [0, 1]; normalised.
void slerp(const float a[4], const float b[4], float t, float out[4]);

// ---- Posing -------------------------------------------------------------

// The local transform of every node at `time` seconds of `clip` (null: the
// rest pose), each node not keyed by the clip at rest. Times outside the keys
// hold the first or last key.
struct NodePose {
    float translation[3], rotation[4], scale[3];
};
void sampleClip(const ModelSkin& skin, const AnimationClip* clip, float time, std::vector<NodePose>& pose);

// Every joint's matrix for the pose, from the model's rest vertices (as they
// stand now, after placement) to the posed ones: placement x global x
// inverse bind x placement^-1. `globals` is scratch.
void jointMatrices(const ModelSkin& skin, const std::vector<NodePose>& pose, std::vector<Affine>& globals,
                   std::vector<Affine>& joints);
// The nodes' global transforms at rest, as jointMatrices makes them.
std::vector<Affine> restGlobals(const ModelSkin& skin);

// The weighted sum of a vertex's four joints' matrices; a joint outside
// `joints` weighs nothing.
Affine blendJoints(const std::vector<Affine>& joints, const std::uint32_t vertexJoints[4], const float weights[4]);
// A normal carried by `m` and renormalised; one that loses its length stays
// as it was.
void transformNormal(const Affine& m, const float normal[3], float out[3]);

// ---- Weights as files give them ------------------------------------------

enum class WeightRepair { None, Renormalised, Rigid };

// Keeps the four largest of `count` influences (joints outside 0..jointCount-1
// weigh nothing) and makes them sum to 1; what is judged is the sum of all
// the weights on joints that exist. Weights summing to 0, negative or
// not numbers leave the vertex on `rigidJoint` alone (Rigid); a sum further
// than 1% from 1 is renormalised (Renormalised); a smaller error is
// renormalised silently (None).
WeightRepair repairWeights(const std::uint32_t* joints, const float* weights, int count, std::uint32_t jointCount,
                           std::uint32_t rigidJoint, std::uint32_t outJoints[4], float outWeights[4]);

// Index of the clip called `name`, or of the clip numbered by `name` in
// decimal; -1 for neither.
int findClip(const ModelSkin& skin, const std::string& name);

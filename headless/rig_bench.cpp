// The cost of posing a large rig on the processor, apart from drawing: a
// tube of 20,000 triangles on a chain of ten joints, its clip bending every
// joint at once, posed, skinned and its per-vertex springs stepped as
// pelage-render's frames do. The rig is made here, so the figure needs no
// file. No OpenGL.
#include "headless/rig_bench.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/model_skin.h"
#include "model/obj_model.h"
#include "render/fur_dynamics.h"
#include "render/fur_mesh.h"
#include "render/mesh_animation.h"

namespace {

constexpr int around = 100, along = 100, jointCount = 10;  // 2 x 100 x 100 triangles
constexpr float length = 4, radius = 0.3f;

// The tube as OBJ text: rings of `around` vertices at x = 0 .. length.
std::string tubeText() {
    std::string text;
    char line[96];
    for (int i = 0; i <= along; ++i)
        for (int j = 0; j < around; ++j) {
            double angle = 2 * M_PI * j / around, x = length * i / along;
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", x, radius * std::cos(angle), radius * std::sin(angle));
            text += line;
        }
    for (int i = 0; i < along; ++i)
        for (int j = 0; j < around; ++j) {
            int a = i * around + j + 1, b = i * around + (j + 1) % around + 1, c = a + around, d = b + around;
            std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", a, b, d, a, d, c);
            text += line;
        }
    return text;
}

// A chain of joints along x, each vertex on the two nearest, and a clip
// that swings every joint about z.
ModelSkin* tubeSkin(const ObjModel& model) {
    auto* skin = new ModelSkin;
    const float spacing = length / jointCount;
    for (int j = 0; j < jointCount; ++j) {
        SkinNode node;
        node.name = "joint " + std::to_string(j);
        node.parent = j - 1;
        node.translation[0] = j == 0 ? 0 : spacing;
        skin->nodes.push_back(node);
        SkinJoint joint;
        joint.node = j;
        joint.inverseBind = affineIdentity();
        joint.inverseBind[3] = -spacing * j;
        skin->joints.push_back(joint);
    }
    skin->vertexJoints.assign(4 * (std::size_t{model.vertexCount} + 1), 0);
    skin->vertexWeights.assign(4 * (std::size_t{model.vertexCount} + 1), 0.0f);
    for (std::uint32_t v = 1; v <= model.vertexCount; ++v) {
        float at = std::fmin(std::fmax(model.vertices[3 * v] / spacing, 0.0f), jointCount - 1.0f);
        auto first = static_cast<std::uint32_t>(std::fmin(at, jointCount - 2.0f));
        float share = at - static_cast<float>(first);
        skin->vertexJoints[4 * v] = first, skin->vertexJoints[4 * v + 1] = first + 1;
        skin->vertexWeights[4 * v] = 1 - share, skin->vertexWeights[4 * v + 1] = share;
    }
    AnimationClip clip;
    clip.name = "Swing";
    clip.duration = 1;
    for (int j = 0; j < jointCount; ++j) {
        ClipChannel channel;
        channel.node = j;
        channel.path = ChannelPath::Rotation;
        for (int k = 0; k <= 8; ++k) {
            float angle = 0.2f * std::sin(static_cast<float>(2 * M_PI * k / 8 + j));
            channel.times.push_back(k / 8.0f);
            channel.values.insert(channel.values.end(), {0, 0, std::sin(angle / 2), std::cos(angle / 2)});
        }
        clip.channels.push_back(channel);
    }
    skin->clips.push_back(clip);
    return skin;
}

}  // namespace

void benchRigPosing(const FurDynamicsParameters& parameters) {
    std::string text = tubeText();
    FurMesh mesh;
    mesh.model = glmReadOBJText(text.data(), text.size(), "tube.obj");
    mesh.model->skin = tubeSkin(*mesh.model);
    mesh.triangleBudget = 0;
    mesh.build();
    MeshAnimation animation;
    prepareMeshAnimation(animation, mesh);
    animation.playback = {0, 0.0f, true, true};
    constexpr int calls = 50;
    constexpr float step = 1.0f / 30.0f;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        advancePlayback(animation, step, 1.0f);
        poseMeshAnimation(animation, parameters, step);
    }
    double work = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / calls;
    std::printf("pose, skin and springs:    %8.3f ms  a frame, a rig of %d triangles: %zu vertices, %d joints (target "
                "<= 5 ms: %s)\n", work, mesh.recordCount, animation.vertices.size(), jointCount,
                work <= 5.0 ? "met" : "NOT met");
    glmDeleteModel(mesh.model);
}

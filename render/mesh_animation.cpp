// Posing the prepared mesh and stepping its per-vertex springs. See
// mesh_animation.h.
#include "render/mesh_animation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/obj_model.h"
#include "render/fur_dynamics.h"

void prepareMeshAnimation(MeshAnimation& animation, const FurMesh& furMesh) {
    const ObjModel* model = furMesh.model;
    const IndexedMesh& mesh = furMesh.drawn;
    animation.skin = model ? model->skin : nullptr;
    animation.posed = false;
    animation.rest.clear();
    animation.indices.clear();
    if (!animation.skin) return;
    if (animation.playback.clip >= static_cast<int>(animation.skin->clips.size())) animation.playback.clip = -1;
    animation.rest = mesh.vertices;
    animation.indices = mesh.indices;
    animation.modelVertices = mesh.modelVertices;
    animation.vertices = animation.rest;
    animation.extras.assign(animation.rest.size(), SkinnedVertexExtra{});
    for (std::size_t i = 0; i < animation.rest.size(); ++i)
        std::copy_n(animation.rest[i].position, 3, animation.extras[i].rest);
    resetAnimationSprings(animation);
}

void chooseClip(MeshAnimation& animation, const char* name) {
    if (name == animation.clipName && animation.skin == animation.clipNameSkin) return;
    animation.clipName = name;
    animation.clipNameSkin = animation.skin;
    int clip = animation.skin && *name ? findClip(*animation.skin, name) : -1;
    if (clip < 0 && *name)
        std::fprintf(stderr, "warning: the model has no clip \"%s\"; it stands in its bind pose.\n", name);
    animation.playback = {clip, 0.0f, false, animation.playback.loop};
    resetAnimationSprings(animation);
}

float clipDuration(const MeshAnimation& animation) {
    const AnimationPlayback& p = animation.playback;
    if (!animation.skin || p.clip < 0 || p.clip >= static_cast<int>(animation.skin->clips.size())) return 0;
    return animation.skin->clips[static_cast<std::size_t>(p.clip)].duration;
}

void advancePlayback(MeshAnimation& animation, float seconds, float speed) {
    AnimationPlayback& p = animation.playback;
    float duration = clipDuration(animation);
    float step = seconds * speed;
    if (!p.playing || !(duration > 0) || !std::isfinite(step)) return;
    p.time += step;
    if (p.loop) {
        p.time = std::fmod(p.time, duration);
        if (p.time < 0) p.time += duration;
    } else if ((p.time >= duration && step > 0) || (p.time <= 0 && step < 0)) {
        p.time = std::clamp(p.time, 0.0f, duration);
        p.playing = false;
    }
}

void resetAnimationSprings(MeshAnimation& animation) {
    animation.tracking = false;
    animation.lagVelocity.assign(3 * animation.rest.size(), 0.0f);
    for (SkinnedVertexExtra& extra : animation.extras) std::fill_n(extra.lag, 3, 0.0f);
}

namespace {

void skinVertices(MeshAnimation& a) {
    const ModelSkin& skin = *a.skin;
    const AnimationClip* clip = &skin.clips[static_cast<std::size_t>(a.playback.clip)];
    sampleClip(skin, clip, a.playback.time, a.pose);
    jointMatrices(skin, a.pose, a.globals, a.joints);
    for (std::size_t i = 0; i < a.rest.size(); ++i) {
        const MeshVertex& rest = a.rest[i];
        MeshVertex& out = a.vertices[i];
        std::uint32_t v = a.modelVertices[i];
        if (v == 0) continue;
        const std::uint32_t* joints = &skin.vertexJoints[4 * static_cast<std::size_t>(v)];
        const float* weights = &skin.vertexWeights[4 * static_cast<std::size_t>(v)];
        // One blend for the position, the normal and the comb, which is a
        // bend in the skin's own frame and turns with it.
        Affine m = blendJoints(a.joints, joints, weights);
        transformPoint(m, rest.position, out.position);
        transformNormal(m, rest.normal, out.normal);
        transformVector(m, rest.comb, out.comb);
    }
}

// Each vertex's lag behind its own motion: a damped spring driven by the
// vertex's acceleration over the last two frames, stepped as the model's
// springs are, in sub-steps of at most furDynamicsSubstep.
void stepSprings(MeshAnimation& a, const FurDynamicsParameters& parameters, float seconds) {
    std::size_t count = a.vertices.size();
    bool springs = parameters.enabled && parameters.springStiffness > 0;
    if (!springs || !(seconds > 0) || !std::isfinite(seconds)) {
        if (!springs) resetAnimationSprings(a);
    } else if (a.tracking) {
        seconds = std::min(seconds, furDynamicsLongestFrame);
        int steps = std::max(1, static_cast<int>(std::ceil(seconds / furDynamicsSubstep)));
        float h = seconds / static_cast<float>(steps), k = parameters.springStiffness, c = parameters.springDamping;
        float inverseSquare = 1.0f / (seconds * seconds);
        for (std::size_t i = 0; i < count; ++i) {
            float* lag = a.extras[i].lag;
            float* velocity = &a.lagVelocity[3 * i];
            float acceleration[3];
            for (int e = 0; e < 3; ++e)
                acceleration[e] =
                    (a.vertices[i].position[e] - 2 * a.previous[3 * i + e] + a.beforePrevious[3 * i + e]) * inverseSquare;
            for (int s = 0; s < steps; ++s)
                for (int e = 0; e < 3; ++e) {
                    velocity[e] += h * (-k * lag[e] - c * velocity[e] - acceleration[e]);
                    lag[e] += h * velocity[e];
                }
            if (!std::isfinite(lag[0] + lag[1] + lag[2])) std::fill_n(lag, 3, 0.0f), std::fill_n(velocity, 3, 0.0f);
        }
    }
    // The first pose seen is taken as still: no jump when the springs start.
    if (!a.tracking) {
        a.previous.resize(3 * count);
        for (std::size_t i = 0; i < count; ++i) std::copy_n(a.vertices[i].position, 3, &a.previous[3 * i]);
        a.beforePrevious = a.previous;
        a.tracking = springs;
        return;
    }
    if (!(seconds > 0)) return;
    a.beforePrevious.swap(a.previous);
    for (std::size_t i = 0; i < count; ++i) std::copy_n(a.vertices[i].position, 3, &a.previous[3 * i]);
}

}  // namespace

void poseMeshAnimation(MeshAnimation& animation, const FurDynamicsParameters& parameters, float seconds) {
    animation.posed = animation.skin && animation.playback.clip >= 0 &&
                      animation.playback.clip < static_cast<int>(animation.skin->clips.size());
    if (!animation.posed) return;
    skinVertices(animation);
    stepSprings(animation, parameters, seconds);
}

bool animationSpringsMoving(const MeshAnimation& animation) {
    if (!animation.posed || !animation.tracking) return false;
    for (float v : animation.lagVelocity)
        if (std::fabs(v) > 1e-4f) return true;
    for (const SkinnedVertexExtra& extra : animation.extras)
        if (std::fabs(extra.lag[0]) + std::fabs(extra.lag[1]) + std::fabs(extra.lag[2]) > 1e-4f) return true;
    return false;
}

bool meshAnimationMoving(const MeshAnimation& animation) {
    if (!animation.skin || animation.playback.clip < 0) return false;
    return animation.playback.playing || animationSpringsMoving(animation);
}

void toggleAnimationPlaying(MeshAnimation& animation) {
    float duration = clipDuration(animation);
    if (duration <= 0) return;
    AnimationPlayback& playback = animation.playback;
    if (!playback.playing && !playback.loop && playback.time >= duration) playback.time = 0;
    playback.playing = !playback.playing;
}

void restPointOf(const MeshAnimation& animation, long triangle, const float point[3], float rest[3]) {
    std::copy_n(point, 3, rest);
    if (!animation.posed || triangle < 0 || 3 * static_cast<std::size_t>(triangle) >= animation.indices.size()) return;
    const float *p[3], *r[3];
    for (int j = 0; j < 3; ++j) {
        std::uint32_t v = animation.indices[3 * static_cast<std::size_t>(triangle) + j];
        p[j] = animation.vertices[v].position;
        r[j] = animation.rest[v].position;
    }
    double e1[3], e2[3], d[3];
    for (int k = 0; k < 3; ++k) e1[k] = p[1][k] - p[0][k], e2[k] = p[2][k] - p[0][k], d[k] = point[k] - p[0][k];
    auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    double d11 = dot(e1, e1), d12 = dot(e1, e2), d22 = dot(e2, e2), dp1 = dot(d, e1), dp2 = dot(d, e2);
    double det = d11 * d22 - d12 * d12;
    if (!(std::fabs(det) > 0)) return;
    double u = (d22 * dp1 - d12 * dp2) / det, v = (d11 * dp2 - d12 * dp1) / det;
    for (int k = 0; k < 3; ++k)
        rest[k] = static_cast<float>(r[0][k] + u * (r[1][k] - r[0][k]) + v * (r[2][k] - r[0][k]));
}

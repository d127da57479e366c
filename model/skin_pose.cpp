// Posing a skeleton and skinning vertices; repairing weights as files give
// them. See model_skin.h.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/model_skin.h"

Affine affineIdentity() { return Affine{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}; }

Affine affineMultiply(const Affine& a, const Affine& b) {
    Affine m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = c == 3 ? a[4 * r + 3] : 0.0f;
            for (int k = 0; k < 3; ++k) sum += a[4 * r + k] * b[4 * k + c];
            m[4 * r + c] = sum;
        }
    return m;
}

Affine affineInverse(const Affine& m) {
    // The linear part by its adjugate, in double; the translation follows.
    double a[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) a[r][c] = m[4 * r + c];
    double cof[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            cof[r][c] = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
        }
    double det = a[0][0] * cof[0][0] + a[0][1] * cof[0][1] + a[0][2] * cof[0][2];
    if (!std::isfinite(det) || std::fabs(det) < 1e-30) return affineIdentity();
    Affine inv{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) inv[4 * r + c] = static_cast<float>(cof[c][r] / det);
    for (int r = 0; r < 3; ++r) {
        double t = 0;
        for (int k = 0; k < 3; ++k) t -= double{inv[4 * r + k]} * m[4 * k + 3];
        inv[4 * r + 3] = static_cast<float>(t);
    }
    return inv;
}

Affine affineFromTRS(const float t[3], const float q[4], const float s[3]) {
    float x = q[0], y = q[1], z = q[2], w = q[3];
    float rotation[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    Affine m{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[4 * r + c] = rotation[r][c] * s[c];
        m[4 * r + 3] = t[r];
    }
    return m;
}

Affine affineFromColumnMajor(const float m[16]) {
    Affine a{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) a[4 * r + c] = m[4 * c + r];
    return a;
}

void transformPoint(const Affine& m, const float p[3], float out[3]) {
    float q[3];
    for (int r = 0; r < 3; ++r) q[r] = m[4 * r] * p[0] + m[4 * r + 1] * p[1] + m[4 * r + 2] * p[2] + m[4 * r + 3];
    std::copy(q, q + 3, out);
}

void transformVector(const Affine& m, const float v[3], float out[3]) {
    float q[3];
    for (int r = 0; r < 3; ++r) q[r] = m[4 * r] * v[0] + m[4 * r + 1] * v[1] + m[4 * r + 2] * v[2];
    std::copy(q, q + 3, out);
}

namespace {

void normalizeQuaternion(float q[4]) {
    float length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(length > 0) || !std::isfinite(length)) {
        q[0] = q[1] = q[2] = 0, q[3] = 1;
        return;
    }
    for (int k = 0; k < 4; ++k) q[k] /= length;
}

}  // namespace

void slerp(const float a[4], const float b[4], float t, float out[4]) {
    float cosine = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    float sign = cosine < 0 ? -1.0f : 1.0f;
    cosine *= sign;
    float wa = 1 - t, wb = t * sign;
    // Close quaternions blend linearly: the sine below would lose its digits.
    if (cosine < 0.9995f) {
        float angle = std::acos(cosine), sine = std::sin(angle);
        wa = std::sin((1 - t) * angle) / sine;
        wb = sign * std::sin(t * angle) / sine;
    }
    for (int k = 0; k < 4; ++k) out[k] = wa * a[k] + wb * b[k];
    normalizeQuaternion(out);
}

namespace {

// The channel's value at `time`, `width` floats.
void sampleChannel(const ClipChannel& channel, float time, float* out) {
    const int width = channel.path == ChannelPath::Rotation ? 4 : 3;
    const bool cubic = channel.interpolation == KeyInterpolation::CubicSpline;
    const int stride = cubic ? 3 * width : width;
    const float* v = channel.values.data();
    const std::size_t keys = channel.times.size();
    auto value = [&](std::size_t k) { return v + k * stride + (cubic ? width : 0); };
    std::size_t next = std::upper_bound(channel.times.begin(), channel.times.end(), time) - channel.times.begin();
    if (next == 0 || next == keys || channel.interpolation == KeyInterpolation::Step) {
        std::size_t k = next == 0 ? 0 : next - 1;
        std::copy(value(k), value(k) + width, out);
        return;
    }
    std::size_t k = next - 1;
    float t0 = channel.times[k], t1 = channel.times[next], dt = t1 - t0;
    float s = dt > 0 ? (time - t0) / dt : 0.0f;
    if (cubic) {
        float s2 = s * s, s3 = s2 * s;
        const float* outTangent = v + k * stride + 2 * width;
        const float* inTangent = v + next * stride;
        for (int c = 0; c < width; ++c)
            out[c] = (2 * s3 - 3 * s2 + 1) * value(k)[c] + (s3 - 2 * s2 + s) * dt * outTangent[c] +
                     (-2 * s3 + 3 * s2) * value(next)[c] + (s3 - s2) * dt * inTangent[c];
        if (width == 4) normalizeQuaternion(out);
    } else if (width == 4) {
        slerp(value(k), value(next), s, out);
    } else {
        for (int c = 0; c < width; ++c) out[c] = value(k)[c] + s * (value(next)[c] - value(k)[c]);
    }
}

}  // namespace

void sampleClip(const ModelSkin& skin, const AnimationClip* clip, float time, std::vector<NodePose>& pose) {
    pose.resize(skin.nodes.size());
    for (std::size_t n = 0; n < skin.nodes.size(); ++n) {
        const SkinNode& node = skin.nodes[n];
        NodePose& p = pose[n];
        std::copy(node.translation, node.translation + 3, p.translation);
        std::copy(node.rotation, node.rotation + 4, p.rotation);
        std::copy(node.scale, node.scale + 3, p.scale);
    }
    if (!clip) return;
    for (const ClipChannel& channel : clip->channels) {
        if (channel.node < 0 || static_cast<std::size_t>(channel.node) >= pose.size() || channel.times.empty())
            continue;
        NodePose& p = pose[static_cast<std::size_t>(channel.node)];
        float* target = channel.path == ChannelPath::Translation ? p.translation
                        : channel.path == ChannelPath::Rotation  ? p.rotation
                                                                 : p.scale;
        sampleChannel(channel, time, target);
    }
}

void jointMatrices(const ModelSkin& skin, const std::vector<NodePose>& pose, std::vector<Affine>& globals,
                   std::vector<Affine>& joints) {
    globals.resize(skin.nodes.size());
    for (std::size_t n = 0; n < skin.nodes.size(); ++n) {
        const NodePose& p = pose[n];
        Affine local = affineFromTRS(p.translation, p.rotation, p.scale);
        int parent = skin.nodes[n].parent;
        globals[n] = parent >= 0 && static_cast<std::size_t>(parent) < n
                         ? affineMultiply(globals[static_cast<std::size_t>(parent)], local)
                         : local;
    }
    Affine unplace = affineInverse(skin.placement);
    joints.resize(skin.joints.size());
    for (std::size_t j = 0; j < skin.joints.size(); ++j) {
        const SkinJoint& joint = skin.joints[j];
        const Affine& global =
            joint.node >= 0 && static_cast<std::size_t>(joint.node) < globals.size() ? globals[joint.node] : affineIdentity();
        joints[j] = affineMultiply(skin.placement, affineMultiply(global, affineMultiply(joint.inverseBind, unplace)));
    }
}

std::vector<Affine> restGlobals(const ModelSkin& skin) {
    std::vector<NodePose> pose;
    sampleClip(skin, nullptr, 0, pose);
    std::vector<Affine> globals, unused;
    jointMatrices(skin, pose, globals, unused);
    return globals;
}

Affine blendJoints(const std::vector<Affine>& joints, const std::uint32_t vertexJoints[4], const float weights[4]) {
    Affine m{};
    for (int i = 0; i < 4; ++i) {
        if (weights[i] == 0 || vertexJoints[i] >= joints.size()) continue;
        const Affine& joint = joints[vertexJoints[i]];
        for (int k = 0; k < 12; ++k) m[k] += weights[i] * joint[k];
    }
    return m;
}

void transformNormal(const Affine& m, const float normal[3], float out[3]) {
    float n[3];
    transformVector(m, normal, n);
    float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0 && std::isfinite(length))
        for (int k = 0; k < 3; ++k) out[k] = n[k] / length;
    else
        std::copy(normal, normal + 3, out);
}

WeightRepair repairWeights(const std::uint32_t* joints, const float* weights, int count, std::uint32_t jointCount,
                           std::uint32_t rigidJoint, std::uint32_t outJoints[4], float outWeights[4]) {
    auto rigid = [&] {
        outJoints[0] = rigidJoint, outWeights[0] = 1;
        for (int i = 1; i < 4; ++i) outJoints[i] = rigidJoint, outWeights[i] = 0;
        return WeightRepair::Rigid;
    };
    for (int i = 0; i < 4; ++i) outJoints[i] = rigidJoint, outWeights[i] = 0;
    double total = 0;  // of the weights on joints that exist
    for (int i = 0; i < count; ++i) {
        float w = weights[i];
        if (!std::isfinite(w) || w < 0) return rigid();
        if (joints[i] >= jointCount || !(w > 0)) continue;
        total += w;
        // Insertion into the four largest so far, largest first.
        int at = 4;
        while (at > 0 && outWeights[at - 1] < w) --at;
        if (at == 4) continue;
        for (int k = 3; k > at; --k) outJoints[k] = outJoints[k - 1], outWeights[k] = outWeights[k - 1];
        outJoints[at] = joints[i], outWeights[at] = w;
    }
    double kept = double{outWeights[0]} + outWeights[1] + outWeights[2] + outWeights[3];
    if (!(kept > 0) || !std::isfinite(total)) return rigid();
    for (int i = 0; i < 4; ++i) outWeights[i] = static_cast<float>(outWeights[i] / kept);
    return std::fabs(total - 1.0) > 0.01 ? WeightRepair::Renormalised : WeightRepair::None;
}

int findClip(const ModelSkin& skin, const std::string& name) {
    for (std::size_t c = 0; c < skin.clips.size(); ++c)
        if (skin.clips[c].name == name) return static_cast<int>(c);
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 9) return -1;
    long index = std::strtol(name.c_str(), nullptr, 10);
    return index < static_cast<long>(skin.clips.size()) ? static_cast<int>(index) : -1;
}

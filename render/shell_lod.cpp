// The shell count arithmetic. See shell_lod.h.
#include "render/shell_lod.h"

#include <algorithm>
#include <cmath>

#include "core/fur_settings.h"
#include "render/fur_math.h"

namespace {
// The projection's near plane: nothing nearer the eye is drawn at all.
constexpr float nearestDrawn = 0.01f;
}  // namespace

ModelBox boxAround(const float* points, long count, int stride) {
    ModelBox box;
    for (long i = 0; i < count; ++i) {
        const float* p = points + i * stride;
        for (int k = 0; k < 3; ++k) {
            box.min[k] = i == 0 ? p[k] : std::min(box.min[k], p[k]);
            box.max[k] = i == 0 ? p[k] : std::max(box.max[k], p[k]);
        }
    }
    return box;
}

float coatPixels(float shellHeight, const ModelBox& box, const ObjectTransform& model, const float eye[3],
                 float projectionScaleY, int viewportHeight) {
    if (box.min[0] > box.max[0] || box.min[1] > box.max[1] || box.min[2] > box.max[2]) return 0;
    // The eye in the model's space: the inverse (transposed) rotation applied
    // to its offset from the model's place. A rigid move keeps distances.
    float place[3];
    objectPosition(model, place);
    Vec4 offset = {eye[0] - place[0], eye[1] - place[1], eye[2] - place[2], 0};
    const float* r = model.rotation;
    const float transposed[16] = {r[0], r[4], r[8], 0, r[1], r[5], r[9], 0, r[2], r[6], r[10], 0, 0, 0, 0, 1};
    Vec4 local = transformVec4(transposed, offset);
    const float at[3] = {local.x, local.y, local.z};
    float squared = 0;
    for (int k = 0; k < 3; ++k) {
        float outside = at[k] - std::clamp(at[k], box.min[k], box.max[k]);
        squared += outside * outside;
    }
    // Seen face-on at that distance: the largest the coat can appear there.
    float distance = std::max(std::sqrt(squared), nearestDrawn);
    float pixels = shellHeight * projectionScaleY * 0.5f * static_cast<float>(viewportHeight) / distance;
    return std::isfinite(pixels) && pixels > 0 ? pixels : 0;
}

int shellLayersDrawn(int numShells, float coatPixels, float pixelsPerShell) {
    if (numShells <= minimumShellLayers || !(pixelsPerShell > 0)) return std::max(numShells, 0);
    // Gaps between the skin and the outermost shell; compared as a float
    // first, so that no huge or non-finite quotient is converted to int.
    float gaps = std::ceil(coatPixels / pixelsPerShell);
    if (!(gaps < static_cast<float>(numShells - 1))) return numShells;
    return std::max(static_cast<int>(gaps) + 1, minimumShellLayers);
}

int shellLayerTexture(int layer, int layers, int numShells) {
    if (layers < 2) return 0;
    // Rounded to nearest in integers, so that with every layer drawn the
    // index is exactly the layer.
    long spanned = 2L * layer * (numShells - 1) + (layers - 1);
    return static_cast<int>(spanned / (2L * (layers - 1)));
}

float shellOpacityFactor(int textures) {
    if (textures <= 1) return 1;
    // Past 24 halvings the factor is 2 to the last bit of a float.
    return 2.0f * (1.0f - std::ldexp(1.0f, -std::min(textures, 24)));
}

// Brushes, dabs and the stroke history. See brush.h. Relies on the groom's
// volume layout (groom.h): voxel (x, y, z) of a w x h x d map has its centre at
// 2 (x + 0.5) / w - 1 (and so on) in model space.
#include "groom/brush.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/vector3.h"

GroomHistory groomHistory;
BrushKind activeBrush = BRUSH_OFF;

const char* const brushLabels[BRUSH_COUNT] = {"Off", "Length", "Density", "Comb", "Colour", "Smooth", "Erase"};
const char* const brushNames[BRUSH_COUNT] = {"off", "length", "density", "comb", "colour", "smooth", "erase"};

int brushByName(std::string_view name) {
    for (int b = 0; b < BRUSH_COUNT; ++b)
        if (name == brushNames[b]) return b;
    return -1;
}

namespace {

// What each kind of map holds where nothing was painted: full length, full
// density, no comb (0.5 is a direction of zero), and for colour a layer of
// no coverage (white, were it multiplied).
constexpr float defaultValues[GROOM_MAP_COUNT][4] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {0.5f, 0.5f, 0.5f, 0.5f}, {1, 1, 1, 0}};
constexpr int kindChannels[GROOM_MAP_COUNT] = {1, 1, 3, 4};

// The channels a brush writes in a map as read: the colour channels of a map
// with them (and a colour layer's coverage), else its grey.
int paintChannels(const GroomMap& map, GroomMapKind kind) {
    if (map.image.channels < 3) return 1;
    return kind == COLOR_MAP && colourLayered(map) ? 4 : kindChannels[kind] < 3 ? kindChannels[kind] : 3;
}

std::uint16_t toValue(float v) { return static_cast<std::uint16_t>(std::clamp(v, 0.0f, 1.0f) * 65535.0f + 0.5f); }

// A map of the defaults with the given size, its slices in a near-square grid
// so that its PNG stays well within the largest map side.
GroomMap blankVolume(GroomMapKind kind, int width, int height, int depth) {
    GroomMap map;
    map.width = width;
    map.height = height;
    map.depth = depth;
    int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(depth))));
    int rows = (depth + columns - 1) / columns;
    map.image.width = columns * width;
    map.image.height = rows * height;
    map.image.channels = kindChannels[kind];
    map.image.volumeLayout = std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(depth);
    map.image.values.resize(static_cast<std::size_t>(map.image.width) * map.image.height * map.image.channels);
    for (std::size_t i = 0; i < map.image.values.size(); ++i)
        map.image.values[i] = toValue(defaultValues[kind][i % static_cast<std::size_t>(map.image.channels)]);
    return map;
}

// The voxels of `map` whose centres may lie within `radius` of `centre`,
// as an inclusive range per axis; false when there are none.
bool voxelRange(const GroomMap& map, const float centre[3], float radius, int lo[3], int hi[3]) {
    const int sizes[3] = {map.width, map.height, map.depth};
    for (int k = 0; k < 3; ++k) {
        float scale = 0.5f * static_cast<float>(sizes[k]);
        lo[k] = std::max(0, static_cast<int>(std::ceil((centre[k] - radius + 1) * scale - 0.5f)));
        hi[k] = std::min(sizes[k] - 1, static_cast<int>(std::floor((centre[k] + radius + 1) * scale - 0.5f)));
        if (lo[k] > hi[k]) return false;
    }
    return true;
}

float voxelCentre(int i, int size) { return 2.0f * (static_cast<float>(i) + 0.5f) / static_cast<float>(size) - 1.0f; }

// Calls visit(voxel, at, weight) for every voxel of the dab with a weight
// above 0: its number (x fastest), where its values start in the image, and
// its weight. Only the voxels of each row that lie within the sphere are
// visited, and a row's values lie side by side in the image.
template <typename Visit>
void forDabVoxels(const GroomMap& map, const float centre[3], float radius, float strength, Visit visit) {
    int lo[3], hi[3];
    if (!voxelRange(map, centre, radius, lo, hi)) return;
    const auto channels = static_cast<std::size_t>(map.image.channels);
    const float scale = 0.5f * static_cast<float>(map.width);
    for (int z = lo[2]; z <= hi[2]; ++z) {
        float dz = voxelCentre(z, map.depth) - centre[2];
        for (int y = lo[1]; y <= hi[1]; ++y) {
            float dy = voxelCentre(y, map.height) - centre[1];
            float across = radius * radius - dy * dy - dz * dz;
            if (!(across > 0)) continue;
            float half = std::sqrt(across);
            int x0 = std::max(lo[0], static_cast<int>(std::ceil((centre[0] - half + 1) * scale - 0.5f)));
            int x1 = std::min(hi[0], static_cast<int>(std::floor((centre[0] + half + 1) * scale - 0.5f)));
            if (x0 > x1) continue;
            std::size_t row = map.valueIndex(0, y, z);
            std::size_t voxel = (static_cast<std::size_t>(z) * map.height + y) * map.width;
            for (int x = x0; x <= x1; ++x) {
                float dx = voxelCentre(x, map.width) - centre[0];
                float weight = strength * brushFalloff(std::sqrt(dx * dx + dy * dy + dz * dz), radius);
                if (weight > 0) visit(voxel + x, row + x * channels, weight);
            }
        }
    }
}

// The values a smoothing dab moves toward: the falloff-weighted mean of the
// voxels it covers.
void dabMean(const GroomMap& map, int channels, const float centre[3], float radius, float mean[4]) {
    double sums[4] = {0, 0, 0, 0}, total = 0;
    forDabVoxels(map, centre, radius, 1.0f, [&](std::size_t, std::size_t at, float weight) {
        for (int c = 0; c < channels; ++c) sums[c] += weight * map.image.values[at + c] / 65535.0;
        total += weight;
    });
    for (int c = 0; c < 4; ++c) mean[c] = total > 0 ? static_cast<float>(sums[c] / total) : 0.0f;
}

// How a dab changes a voxel's channels: each moved toward the target by the
// weight; or, for a colour layer, the brush's colour laid over the layer
// with the weight as its coverage (so a soft edge never pales toward the
// layer's empty white); or only the coverage moved (erasing a layer).
enum class DabBlend { Toward, Over, CoverageOnly };

// Moves the dab's voxels of the map toward `target`, remembering in `changes`
// the values each had before the stroke first touched it.
void paintMap(GroomMap& map, int channels, const float centre[3], const Brush& brush, const float target[4],
              GroomStroke::Changes* changes, DabBlend blend) {
    const auto voxelCount = static_cast<std::size_t>(map.width) * map.height * map.depth;
    if (changes && changes->touched.size() != voxelCount) changes->touched.assign(voxelCount, false);
    const int stored = map.image.channels;
    forDabVoxels(map, centre, brush.radius, brush.strength, [&](std::size_t voxel, std::size_t at, float weight) {
        std::uint16_t* values = &map.image.values[at];
        if (changes) {
            if (!changes->touched[voxel]) {
                changes->touched[voxel] = true;
                changes->voxels.push_back(static_cast<std::uint32_t>(at));
                changes->values.insert(changes->values.end(), values, values + stored);
            }
        }
        float w = std::min(weight, 1.0f);
        if (blend == DabBlend::Over) {
            float coverage = values[3] / 65535.0f, covered = w + coverage * (1 - w);
            for (int c = 0; c < 3; ++c)
                values[c] = toValue((target[c] * w + values[c] / 65535.0f * coverage * (1 - w)) / covered);
            values[3] = toValue(covered);
            return;
        }
        for (int c = blend == DabBlend::CoverageOnly ? 3 : 0; c < channels; ++c) {
            float old = values[c] / 65535.0f;
            values[c] = toValue(old + (target[c] - old) * w);
        }
    });
}

// The target of a brush for a map of `kind`, or false when it paints none.
bool dabTarget(const Brush& brush, GroomMapKind kind, const float* direction, float target[4]) {
    switch (brush.kind) {
    case BRUSH_LENGTH: target[0] = brush.value; return kind == LENGTH_MAP;
    case BRUSH_DENSITY: target[0] = brush.value; return kind == DENSITY_MAP;
    case BRUSH_COLOUR:
        std::copy(brush.color, brush.color + 3, target);
        target[3] = 1;
        return kind == COLOR_MAP;
    case BRUSH_COMB:
        if (kind != DIRECTION_MAP || !direction) return false;
        // A direction map holds 0.5 + 0.5 x (direction x lean) per channel.
        for (int c = 0; c < 3; ++c) target[c] = 0.5f + 0.5f * direction[c] * std::clamp(brush.value, 0.0f, 1.0f);
        return true;
    case BRUSH_ERASE: std::copy(defaultValues[kind], defaultValues[kind] + 4, target); return true;
    default: return false;
    }
}

void sizeOfVolumes(const Groom& groom, int size[3]) {
    size[0] = size[1] = size[2] = paintVolumeSide;
    for (const GroomMap& map : groom.maps)
        if (map.present() && map.volume()) {
            size[0] = map.width;
            size[1] = map.height;
            size[2] = map.depth;
            return;
        }
}

}  // namespace

float brushFalloff(float distance, float radius) {
    if (!(radius > 0) || !(distance < radius)) return 0.0f;
    float t = distance / radius;
    float u = 1.0f - t * t;
    return u * u;
}

bool strokeDirection(const float from[3], const float to[3], const float normal[3], float direction[3]) {
    Vec3 step = loadVec3(to) - loadVec3(from), n = loadVec3(normal);
    Vec3 along = step - n * dot(step, n);
    storeVec3(direction, along);
    return normalize3(direction, 1e-6f);
}

std::size_t GroomStroke::bytes() const {
    std::size_t total = sizeof *this;
    for (const Changes& changes : maps)
        total += changes.voxels.capacity() * sizeof(std::uint32_t) + changes.values.capacity() * sizeof(std::uint16_t) +
                 changes.touched.capacity() / 8;
    return total;
}

bool preparePaintMaps(Groom& groom, BrushKind kind, std::string& error) {
    bool any = false;
    for (const GroomMap& map : groom.maps) {
        if (!map.present()) continue;
        any = true;
        if (!map.volume()) {
            error = "Painting needs the groom in a volume, and \"" + map.path + "\" is a map in texture space";
            return false;
        }
    }
    static constexpr int paints[BRUSH_COUNT] = {-1, LENGTH_MAP, DENSITY_MAP, DIRECTION_MAP, COLOR_MAP, -1, -1};
    if (kind == BRUSH_OFF || ((kind == BRUSH_SMOOTH || kind == BRUSH_ERASE) && !any)) {
        error = kind == BRUSH_OFF ? "No brush chosen" : "Nothing painted yet to " + std::string(brushNames[kind]);
        return false;
    }
    int made = kind < BRUSH_COUNT ? paints[kind] : -1;
    if (made >= 0 && !groom.maps[made].present()) {
        int size[3];
        sizeOfVolumes(groom, size);
        groom.maps[made] = blankVolume(static_cast<GroomMapKind>(made), size[0], size[1], size[2]);
        ++groom.version;
    }
    return true;
}

void applyDab(Groom& groom, const Brush& brush, const float centre[3], const float* direction, GroomStroke* stroke) {
    if (!(brush.radius > 0) || !(brush.strength > 0)) return;
    bool changed = false;
    for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
        GroomMap& map = groom.maps[k];
        if (!map.present() || !map.volume()) continue;
        auto kind = static_cast<GroomMapKind>(k);
        int channels = paintChannels(map, kind);
        float target[4];
        if (brush.kind == BRUSH_SMOOTH) dabMean(map, channels, centre, brush.radius, target);
        else if (!dabTarget(brush, kind, direction, target)) continue;
        DabBlend blend = DabBlend::Toward;
        if (channels == 4) blend = brush.kind == BRUSH_COLOUR ? DabBlend::Over : brush.kind == BRUSH_ERASE ? DabBlend::CoverageOnly : blend;
        paintMap(map, channels, centre, brush, target, stroke ? &stroke->maps[k] : nullptr, blend);
        groom.edited[k] = true;
        groom.painted.direction = groom.painted.direction || kind == DIRECTION_MAP;
        changed = true;
    }
    if (!changed) return;
    float lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        lo[k] = centre[k] - brush.radius;
        hi[k] = centre[k] + brush.radius;
    }
    groom.painted.include(lo, hi);
    if (stroke) {
        PaintedRegion box;
        std::copy(stroke->lo, stroke->lo + 3, box.lo);
        std::copy(stroke->hi, stroke->hi + 3, box.hi);
        box.include(lo, hi);
        std::copy(box.lo, box.lo + 3, stroke->lo);
        std::copy(box.hi, box.hi + 3, stroke->hi);
    }
}

// --- History ------------------------------------------------------------------

namespace {

bool strokeIsEmpty(const GroomStroke& stroke) {
    for (const GroomStroke::Changes& changes : stroke.maps)
        if (!changes.voxels.empty()) return false;
    return true;
}

// Puts the stroke's values into the groom and the groom's into the stroke,
// so that the same record serves the way back.
bool swapStroke(Groom& groom, GroomStroke& stroke) {
    if (stroke.mapsGeneration != groom.mapsGeneration) return false;
    for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
        GroomStroke::Changes& changes = stroke.maps[k];
        if (changes.voxels.empty()) continue;
        GroomMap& map = groom.maps[k];
        auto channels = static_cast<std::size_t>(map.image.channels);
        for (std::size_t i = 0; i < changes.voxels.size(); ++i)
            for (std::size_t c = 0; c < channels; ++c)
                std::swap(map.image.values[changes.voxels[i] + c], changes.values[i * channels + c]);
        groom.edited[k] = true;
        groom.painted.direction = groom.painted.direction || k == DIRECTION_MAP;
    }
    groom.painted.include(stroke.lo, stroke.hi);
    return true;
}

}  // namespace

GroomStroke* GroomHistory::beginStroke(const Groom& groom) {
    if (open_) endStroke();
    done_.emplace_back();
    done_.back().mapsGeneration = groom.mapsGeneration;
    open_ = true;
    return &done_.back();
}

void GroomHistory::endStroke() {
    if (!open_) return;
    open_ = false;
    GroomStroke& stroke = done_.back();
    if (strokeIsEmpty(stroke)) {
        done_.pop_back();
        return;
    }
    for (GroomStroke::Changes& changes : stroke.maps) {
        changes.touched = std::vector<bool>();
        changes.voxels.shrink_to_fit();
        changes.values.shrink_to_fit();
    }
    undone_.clear();
    // The newest stroke stays whatever its size.
    std::size_t total = bytes();
    std::size_t drop = 0;
    while (done_.size() - drop > 1 && (done_.size() - drop > maxStrokes || total > maxBytes))
        total -= done_[drop++].bytes();
    done_.erase(done_.begin(), done_.begin() + static_cast<std::ptrdiff_t>(drop));
}

bool GroomHistory::undo(Groom& groom) { return step(done_, undone_, groom); }

bool GroomHistory::redo(Groom& groom) { return step(undone_, done_, groom); }

bool GroomHistory::step(std::vector<GroomStroke>& from, std::vector<GroomStroke>& to, Groom& groom) {
    if (open_) endStroke();
    if (from.empty()) return false;
    // Maps read since the strokes were made: none of them fits any more.
    if (!swapStroke(groom, from.back())) {
        clear();
        return false;
    }
    to.push_back(std::move(from.back()));
    from.pop_back();
    return true;
}

std::size_t GroomHistory::bytes() const {
    std::size_t total = 0;
    for (const GroomStroke& stroke : done_) total += stroke.bytes();
    for (const GroomStroke& stroke : undone_) total += stroke.bytes();
    return total;
}

void GroomHistory::clear() {
    done_.clear();
    undone_.clear();
    open_ = false;
}

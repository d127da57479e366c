// The groom's maps, the test of a model's own coordinates, and the per-corner
// and per-texel arithmetic the fur passes need. See groom.h.
#include "groom/groom.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "core/vector3.h"
#include "fur/hair_patch.h"
#include "fur/strand_visibility.h"
#include "model/obj_model.h"

Groom groom;

namespace {

// Side of the grid on which texture coordinates are tested for overlap: finer
// than any island worth growing fur on, coarse enough to take a few
// milliseconds. A share of overlapping cells below the tolerance is rounding
// along shared edges, not a second use of the texture.
constexpr int overlapGridSide = 512;
constexpr double overlapTolerance = 0.002;

// The largest volume side a map may declare: 1024^3 voxels is already more
// than a map image may hold.
constexpr int largestVolumeSide = 1024;

// A lean this close to 1 lays the hair flat: tan(89.5 degrees) is 115 times
// the hair's height.
constexpr float flattestLean = 0.9945f;

bool validTexCoord(const ObjModel& model, std::int32_t index) {
    return model.texCoords && index >= 1 && static_cast<std::uint32_t>(index) <= model.texCoordCount;
}

double edge(const double a[2], const double b[2], double x, double y) {
    return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
}

// Adds the triangle's cells to `cover` (saturating at 2); false for corners
// outside 0..1.
bool coverCells(const ObjModel& model, const ObjTriangle& triangle, std::vector<unsigned char>& cover) {
    double uv[3][2];
    for (int j = 0; j < 3; ++j) {
        if (!validTexCoord(model, triangle.texCoordIndices[j])) return false;
        for (int c = 0; c < 2; ++c) {
            uv[j][c] = model.texCoords[2 * triangle.texCoordIndices[j] + c];
            if (!(uv[j][c] >= -1e-4 && uv[j][c] <= 1 + 1e-4)) return false;
        }
    }
    double area = edge(uv[0], uv[1], uv[2][0], uv[2][1]);
    if (std::fabs(area) < 1e-14) return true;  // no area, no overlap
    double sign = area > 0 ? 1 : -1;
    double lo[2], hi[2];
    for (int c = 0; c < 2; ++c) {
        lo[c] = std::min({uv[0][c], uv[1][c], uv[2][c]}) * overlapGridSide;
        hi[c] = std::max({uv[0][c], uv[1][c], uv[2][c]}) * overlapGridSide;
    }
    int x0 = std::max(0, static_cast<int>(lo[0])), x1 = std::min(overlapGridSide - 1, static_cast<int>(hi[0]));
    int y0 = std::max(0, static_cast<int>(lo[1])), y1 = std::min(overlapGridSide - 1, static_cast<int>(hi[1]));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double px = (x + 0.5) / overlapGridSide, py = (y + 0.5) / overlapGridSide;
            // Strictly inside: a cell centre on a shared edge belongs to neither.
            if (sign * edge(uv[0], uv[1], px, py) > 0 && sign * edge(uv[1], uv[2], px, py) > 0 &&
                sign * edge(uv[2], uv[0], px, py) > 0) {
                unsigned char& cell = cover[static_cast<std::size_t>(y) * overlapGridSide + x];
                if (cell < 2) ++cell;
            }
        }
    return true;
}

bool parseVolumeLayout(const MapImage& image, GroomMap& map, std::string& why) {
    std::istringstream words(image.volumeLayout);
    int nx = 0, ny = 0, nz = 0;
    std::string rest;
    bool sizes = static_cast<bool>(words >> nx >> ny >> nz) && !(words >> rest);
    auto inRange = [](int n) { return n >= 1 && n <= largestVolumeSide; };
    if (!sizes || !inRange(nx) || !inRange(ny) || !inRange(nz) || nz < 2) {
        why = "its volume layout \"" + image.volumeLayout + "\" is not three sizes of 1 to 1024 (depth 2 or more)";
        return false;
    }
    int columns = image.width / nx;
    int rows = columns > 0 ? (nz + columns - 1) / columns : 0;
    if (columns == 0 || rows * ny > image.height) {
        why = "its " + std::to_string(nz) + " slices of " + std::to_string(nx) + " x " + std::to_string(ny) +
              " do not fit its size";
        return false;
    }
    map.width = nx;
    map.height = ny;
    map.depth = nz;
    return true;
}

float lerp(float a, float b, float t) { return a + (b - a) * t; }

// Bilinear in a slice: x and y in voxel units, wrapping in texture space and
// clamped in a volume.
float sampleSlice(const GroomMap& map, float x, float y, int z, int c) {
    x -= 0.5f;
    y -= 0.5f;
    float fx = std::floor(x), fy = std::floor(y);
    float tx = x - fx, ty = y - fy;
    auto at = [&](int i, int j) {
        if (map.volume()) {
            i = std::clamp(i, 0, map.width - 1);
            j = std::clamp(j, 0, map.height - 1);
        } else {
            i = ((i % map.width) + map.width) % map.width;
            j = ((j % map.height) + map.height) % map.height;
        }
        return map.voxel(i, j, z, c);
    };
    int i = static_cast<int>(fx), j = static_cast<int>(fy);
    return lerp(lerp(at(i, j), at(i + 1, j), tx), lerp(at(i, j + 1), at(i + 1, j + 1), tx), ty);
}

void tangentPart(const Vec3& v, const Vec3& normal, float comb[3], float lean) {
    Vec3 along = v - normal * dot(v, normal);
    float size = length(along);
    if (size < 1e-6f || lean < 1.0f / 255.0f) {
        comb[0] = comb[1] = comb[2] = 0.0f;
        return;
    }
    float bend = std::tan(std::min(lean, flattestLean) * 1.57079633f) / size;
    storeVec3(comb, along * bend);
}

}  // namespace

float GroomMap::voxel(int x, int y, int z, int c) const {
    if (!volume()) return image.at(x, height - 1 - y, c);
    int columns = image.width / width;
    int px = (z % columns) * width + x;
    int py = (z / columns) * height + (height - 1 - y);
    return image.at(px, py, c);
}

std::size_t GroomMap::valueIndex(int x, int y, int z) const {
    int columns = image.width / width;
    auto px = static_cast<std::size_t>((z % columns) * width + x);
    auto py = static_cast<std::size_t>((z / columns) * height + (height - 1 - y));
    return (py * static_cast<std::size_t>(image.width) + px) * static_cast<std::size_t>(image.channels);
}

bool groomMapEven(const GroomMap& map) {
    if (!map.present()) return true;
    const MapImage& image = map.image;
    std::size_t channels = static_cast<std::size_t>(image.channels);
    std::size_t first = map.valueIndex(0, 0, 0);
    for (int z = 0; z < std::max(map.depth, 1); ++z)
        for (int y = 0; y < map.height; ++y) {
            std::size_t row = map.valueIndex(0, y, z);
            for (std::size_t v = 0; v < static_cast<std::size_t>(map.width) * channels; ++v)
                if (std::abs(int{image.values[row + v]} - int{image.values[first + v % channels]}) > 128) return false;
        }
    return true;
}

float groomMapHighest(const GroomMap& map) {
    if (!map.present()) return 1;
    const MapImage& image = map.image;
    std::uint16_t highest = 0;
    for (int z = 0; z < std::max(map.depth, 1); ++z)
        for (int y = 0; y < map.height; ++y) {
            std::size_t row = map.valueIndex(0, y, z);
            for (int x = 0; x < map.width; ++x)
                highest = std::max(highest, image.values[row + static_cast<std::size_t>(x) * image.channels]);
        }
    return std::round(highest / 65535.0f * 255.0f) / 255.0f;
}

void PaintedRegion::include(const float boxLo[3], const float boxHi[3]) {
    bool first = empty();
    for (int k = 0; k < 3; ++k) {
        lo[k] = first ? boxLo[k] : std::min(lo[k], boxLo[k]);
        hi[k] = first ? boxHi[k] : std::max(hi[k], boxHi[k]);
    }
}

bool texCoordsUnique(const ObjModel& model) {
    if (model.triangleCount == 0 || !model.texCoords) return false;
    std::vector<unsigned char> cover(static_cast<std::size_t>(overlapGridSide) * overlapGridSide, 0);
    for (std::uint32_t t = 0; t < model.triangleCount; ++t)
        if (!coverCells(model, model.triangles[t], cover)) return false;
    std::size_t covered = 0, twice = 0;
    for (unsigned char cell : cover) {
        covered += cell > 0;
        twice += cell > 1;
    }
    return covered > 0 && static_cast<double>(twice) <= overlapTolerance * static_cast<double>(covered);
}

bool attachModelGroom(const ObjModel& model) {
    unsigned generation = groom.mapsGeneration;
    groom = Groom{};
    groom.mapsGeneration = generation + 1;
    groom.ownTexCoordsUnique = texCoordsUnique(model);
    for (std::uint32_t m = 0; model.materials && m < model.materialCount; ++m) {
        const ObjMaterial& material = model.materials[m];
        // A texture the file embeds, or one it names.
        bool embedded = material.diffuseMapBytes && material.diffuseMapByteCount > 0;
        if (!embedded && !material.diffuseMap) continue;
        std::string path = material.diffuseMap ? material.diffuseMap : std::string(material.name) + " (embedded)";
        std::string error;
        bool read = embedded ? decodeMapImage(material.diffuseMapBytes, material.diffuseMapByteCount, path,
                                              groom.modelColor.image, error)
                             : readMapImage(path, groom.modelColor.image, error);
        if (!read) {
            std::fprintf(stderr, "Warning: the model's colour texture is left out: %s\n", error.c_str());
            groom.modelColor = GroomMap{};
            return false;
        }
        groom.modelColor.width = groom.modelColor.image.width;
        groom.modelColor.height = groom.modelColor.image.height;
        groom.modelColor.depth = 1;
        groom.modelColor.path = path;
        ++groom.version;
        return true;
    }
    return false;
}

bool readGroomMap(GroomMapKind kind, const std::string& path, GroomMap& map, std::string& error) {
    map = GroomMap{};
    if (!readMapImage(path, map.image, error)) return false;
    std::string why;
    bool ok = true;
    if (!map.image.volumeLayout.empty()) {
        ok = parseVolumeLayout(map.image, map, why);
    } else if (!groom.ownTexCoordsUnique) {
        why = "it is a map in texture space, and the model's texture coordinates are missing, outside 0..1 or "
              "overlapping; only a volume map applies to this model";
        ok = false;
    } else {
        map.width = map.image.width;
        map.height = map.image.height;
        map.depth = 1;
    }
    if (ok && kind == DIRECTION_MAP && map.image.channels < 3) {
        why = "a direction map needs red and green (and blue in a volume)";
        ok = false;
    }
    if (!ok) {
        error = "can't use \"" + path + "\" as " + groomMapNames[kind] + ": " + why;
        map = GroomMap{};
        return false;
    }
    map.path = path;
    return true;
}

void setGroomMaps(GroomMap (&maps)[GROOM_MAP_COUNT]) {
    for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
        groom.maps[k] = std::move(maps[k]);
        groom.edited[k] = false;
    }
    ++groom.version;
    ++groom.mapsGeneration;
}

bool loadGroomMaps(const std::string (&paths)[GROOM_MAP_COUNT], std::string& error, GroomMapKind& failed) {
    GroomMap maps[GROOM_MAP_COUNT];
    const GroomMap* first = nullptr;
    for (int k = 0; k < GROOM_MAP_COUNT; ++k) {
        if (paths[k].empty()) continue;
        failed = static_cast<GroomMapKind>(k);
        if (!readGroomMap(failed, paths[k], maps[k], error)) return false;
        if (!first) first = &maps[k];
        if (first->volume() != maps[k].volume()) {
            error = "can't use \"" + paths[k] + "\" as " + groomMapNames[k] + ": a look's maps are all volumes or " +
                    "all in texture space, and \"" + first->path + "\" is not like it";
            return false;
        }
    }
    setGroomMaps(maps);
    return true;
}

float sampleGroomMap(const GroomMap& map, const float uv[2], const float position[3], int c) {
    if (!map.present()) return 1.0f;  // every attribute's default
    if (!map.volume()) return sampleSlice(map, uv[0] * map.width, uv[1] * map.height, 0, c);
    float at[3];
    const int sizes[3] = {map.width, map.height, map.depth};
    for (int k = 0; k < 3; ++k) at[k] = std::clamp((position[k] + 1.0f) * 0.5f, 0.0f, 1.0f) * sizes[k];
    float z = std::clamp(at[2] - 0.5f, 0.0f, static_cast<float>(map.depth - 1));
    int z0 = static_cast<int>(z), z1 = std::min(z0 + 1, map.depth - 1);
    return lerp(sampleSlice(map, at[0], at[1], z0, c), sampleSlice(map, at[0], at[1], z1, c), z - z0);
}

void groomComb(const Groom& groom, const float position[3], const float normal[3], const float uv[2],
               const float tangentU[3], const float tangentV[3], float comb[3]) {
    comb[0] = comb[1] = comb[2] = 0.0f;
    const GroomMap& map = groom.maps[DIRECTION_MAP];
    if (!map.present()) return;
    float f[3];
    // An 8-bit map cannot say 0.5 exactly: within two steps of it is none.
    for (int c = 0; c < 3; ++c) {
        f[c] = 2.0f * sampleGroomMap(map, uv, position, c) - 1.0f;
        if (std::fabs(f[c]) < 2.0f / 255.0f) f[c] = 0.0f;
    }
    Vec3 n = loadVec3(normal);
    if (map.volume()) {
        Vec3 v{f[0], f[1], f[2]};
        tangentPart(v, n, comb, std::min(length(v), 1.0f));
    } else {
        Vec3 v = loadVec3(tangentU) * f[0] + loadVec3(tangentV) * f[1];
        tangentPart(v, n, comb, std::min(std::sqrt(f[0] * f[0] + f[1] * f[1]), 1.0f));
    }
}

float strandRank(int strand) {
    double golden = 0.6180339887498949 * strand;
    return static_cast<float>(golden - std::floor(golden));
}

void strandRankLayer(const HairPatch& patch, float level, int size, unsigned char* ranks) {
    std::fill(ranks, ranks + static_cast<std::size_t>(size) * size, 255);
    // A strand point this opaque in the layer is part of the strand there; a
    // cell either side covers the ribbons' width (0.01 of the patch's 2).
    constexpr float visible = 0.02f;
    auto stamp = [&](float x, float z, unsigned char rank) {
        int cx = static_cast<int>(std::floor(x * 0.5f * size)), cz = static_cast<int>(std::floor(z * 0.5f * size));
        for (int dz = -1; dz <= 1; ++dz)
            for (int dx = -1; dx <= 1; ++dx) {
                int i = ((cx + dx) % size + size) % size, j = ((cz + dz) % size + size) % size;
                ranks[static_cast<std::size_t>(j) * size + i] = rank;
            }
    };
    for (int s = 0; s < patch.strandCount; ++s) {
        const HairStrand& strand = patch.strands[s];
        auto rank = static_cast<unsigned char>(std::min(254.0f, strandRank(s) * 255.0f));
        for (int k = 0; k < hairStrandPoints; ++k) {
            if (shellOpacity(strand.points[k][1], level) < visible) continue;
            stamp(strand.points[k][0], strand.points[k][2], rank);
            if (k + 1 < hairStrandPoints && !strand.breakBefore[k + 1])
                stamp(0.5f * (strand.points[k][0] + strand.points[k + 1][0]),
                      0.5f * (strand.points[k][2] + strand.points[k + 1][2]), rank);
        }
    }
}

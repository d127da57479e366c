// Grid clustering of the prepared mesh. See mesh_simplify.h.
#include "render/mesh_simplify.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "render/fur_mesh.h"

namespace {

struct Welded {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<double, 3>> normals;  // sums of the corners' normals
    std::vector<std::uint32_t> cornerVertex;     // three per record
};

struct BitsHash {
    std::size_t operator()(const std::array<std::uint32_t, 3>& key) const {
        std::uint64_t h = 1469598103934665603ull;
        for (std::uint32_t word : key) h = (h ^ word) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

Welded weld(const FurTriangle* records, int count) {
    Welded w;
    std::unordered_map<std::array<std::uint32_t, 3>, std::uint32_t, BitsHash> indexOf;
    indexOf.reserve(static_cast<std::size_t>(count));
    w.cornerVertex.reserve(3 * static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        for (int j = 0; j < 3; ++j) {
            std::array<std::uint32_t, 3> bits;
            std::memcpy(bits.data(), records[k].positions[j], sizeof bits);
            auto [entry, added] = indexOf.try_emplace(bits, static_cast<std::uint32_t>(w.positions.size()));
            if (added) {
                const float* p = records[k].positions[j];
                w.positions.push_back({p[0], p[1], p[2]});
                w.normals.push_back({0, 0, 0});
            }
            for (int a = 0; a < 3; ++a) w.normals[entry->second][a] += records[k].normals[j][a];
            w.cornerVertex.push_back(entry->second);
        }
    return w;
}

// Which of the six axis directions a normal is nearest: 0..5.
int facing(const std::array<double, 3>& n) {
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (std::fabs(n[a]) > std::fabs(n[axis])) axis = a;
    return 2 * axis + (n[axis] < 0 ? 1 : 0);
}

struct CellKey {
    std::int64_t x, y, z;
    int facing;
    bool operator==(const CellKey&) const = default;
};

struct CellHash {
    std::size_t operator()(const CellKey& key) const {
        std::uint64_t h = 1469598103934665603ull;
        for (std::uint64_t word : {static_cast<std::uint64_t>(key.x), static_cast<std::uint64_t>(key.y),
                                   static_cast<std::uint64_t>(key.z), static_cast<std::uint64_t>(key.facing)})
            h = (h ^ word) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

// The cluster of each welded vertex for one cell size; returns the cluster count.
std::uint32_t cluster(const Welded& w, double cell, std::vector<std::uint32_t>& clusterOf) {
    std::unordered_map<CellKey, std::uint32_t, CellHash> indexOf;
    indexOf.reserve(w.positions.size());
    clusterOf.resize(w.positions.size());
    for (std::size_t v = 0; v < w.positions.size(); ++v) {
        const auto& p = w.positions[v];
        auto at = [cell](float x) { return static_cast<std::int64_t>(std::floor(x / cell)); };
        CellKey key{at(p[0]), at(p[1]), at(p[2]), facing(w.normals[v])};
        clusterOf[v] = indexOf.try_emplace(key, static_cast<std::uint32_t>(indexOf.size())).first->second;
    }
    return static_cast<std::uint32_t>(indexOf.size());
}

struct TripleHash {
    std::size_t operator()(const std::array<std::uint32_t, 3>& t) const { return BitsHash{}(t); }
};

// The records that keep three distinct clusters, each set of three once.
std::vector<int> survivors(const Welded& w, const std::vector<std::uint32_t>& clusterOf, int count) {
    std::vector<int> kept;
    std::unordered_set<std::array<std::uint32_t, 3>, TripleHash> seen;
    for (int k = 0; k < count; ++k) {
        std::array<std::uint32_t, 3> c;
        for (int j = 0; j < 3; ++j) c[j] = clusterOf[w.cornerVertex[3 * static_cast<std::size_t>(k) + j]];
        if (c[0] == c[1] || c[1] == c[2] || c[2] == c[0]) continue;
        std::array<std::uint32_t, 3> sorted = c;
        std::sort(sorted.begin(), sorted.end());
        if (seen.insert(sorted).second) kept.push_back(k);
    }
    return kept;
}

double surfaceArea(const FurTriangle* records, int count) {
    double area = 0;
    for (int k = 0; k < count; ++k) {
        const auto& p = records[k].positions;
        double u[3], v[3];
        for (int a = 0; a < 3; ++a) {
            u[a] = double{p[1][a]} - p[0][a];
            v[a] = double{p[2][a]} - p[0][a];
        }
        double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        double twice = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (std::isfinite(twice)) area += twice / 2;
    }
    return area;
}

}  // namespace

namespace {

// Each cell the surface crosses holds about cell^2 of it and gives about two
// triangles: start there and grow the cell until the budget holds.
double clusterWithinBudget(const Welded& w, const FurTriangle* records, int count, int budget,
                           std::vector<std::uint32_t>& clusterOf, std::vector<int>& kept) {
    double cell = std::sqrt(2.0 * surfaceArea(records, count) / budget);
    if (!(cell > 0.0) || !std::isfinite(cell)) cell = 1e-3;
    for (int attempt = 0; attempt < 64; ++attempt, cell *= 1.15) {
        cluster(w, cell, clusterOf);
        kept = survivors(w, clusterOf, count);
        if (static_cast<int>(kept.size()) <= budget) break;
    }
    return cell;
}

struct Clusters {
    std::vector<std::array<float, 3>> position;  // the members' mean
    std::vector<std::array<float, 3>> normal;    // their normals' sum, normalised
};

Clusters clusterVertices(const Welded& w, const std::vector<std::uint32_t>& clusterOf) {
    std::uint32_t count = 1 + *std::max_element(clusterOf.begin(), clusterOf.end());
    std::vector<std::array<double, 3>> sum(count, {0, 0, 0}), normal(count, {0, 0, 0});
    std::vector<int> members(count, 0);
    for (std::size_t v = 0; v < w.positions.size(); ++v) {
        std::uint32_t c = clusterOf[v];
        for (int a = 0; a < 3; ++a) {
            sum[c][a] += w.positions[v][a];
            normal[c][a] += w.normals[v][a];
        }
        ++members[c];
    }
    Clusters clusters{std::vector<std::array<float, 3>>(count), std::vector<std::array<float, 3>>(count)};
    for (std::uint32_t c = 0; c < count; ++c) {
        const std::array<double, 3>& n = normal[c];
        // The members all face one way, so their normals cancel only where a
        // vertex's own did (two faces back to back on the same corners): the
        // model's fallback, straight up the z axis, stands in then.
        double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int a = 0; a < 3; ++a) {
            clusters.position[c][a] = static_cast<float>(sum[c][a] / members[c]);
            clusters.normal[c][a] = length > 0 ? static_cast<float>(n[a] / length) : (a == 2 ? 1.0f : 0.0f);
        }
    }
    return clusters;
}

}  // namespace

float simplifyRecords(const FurTriangle* records, int count, int budget, std::vector<FurTriangle>& out) {
    out.assign(records, records + count);
    if (count <= budget || budget < 1) return 0.0f;
    Welded w = weld(records, count);
    std::vector<std::uint32_t> clusterOf;
    std::vector<int> kept;
    double cell = clusterWithinBudget(w, records, count, budget, clusterOf, kept);
    Clusters clusters = clusterVertices(w, clusterOf);
    out.clear();
    out.reserve(kept.size());
    for (int k : kept) {
        FurTriangle t{};
        for (int j = 0; j < 3; ++j) {
            std::uint32_t c = clusterOf[w.cornerVertex[3 * static_cast<std::size_t>(k) + j]];
            for (int a = 0; a < 3; ++a) {
                t.positions[j][a] = clusters.position[c][a];
                t.normals[j][a] = clusters.normal[c][a];
            }
        }
        out.push_back(t);
    }
    return static_cast<float>(cell);
}

// Welding and simplification through meshoptimizer. See meshopt_mesh.h.
#include "mesh/meshopt_mesh.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cfloat>

static_assert(sizeof(MeshVertex) == 13 * sizeof(float), "no padding bits in a vertex's key");

void weldCorners(const std::vector<MeshVertex>& corners, IndexedMesh& surface) {
    std::size_t count = corners.size();
    surface.indices.resize(count);
    surface.vertices.resize(count);
    if (count == 0) return;
    // Without an index list each corner is its own vertex, and the remap is
    // the welded list's index of each corner.
    std::size_t unique = meshopt_generateVertexRemap(surface.indices.data(), nullptr, count, corners.data(), count,
                                                     sizeof(MeshVertex));
    meshopt_remapVertexBuffer(surface.vertices.data(), corners.data(), count, sizeof(MeshVertex),
                              surface.indices.data());
    surface.vertices.resize(unique);
    surface.vertices.shrink_to_fit();  // a model's corners are several times its vertices
}

float simplifyMesh(IndexedMesh& surface, int budget) {
    if (budget < 1 || surface.triangleCount() <= static_cast<std::size_t>(budget)) return 0.0f;
    const float* positions = surface.vertices[0].position;
    std::size_t vertexCount = surface.vertices.size(), stride = sizeof(MeshVertex);
    std::size_t target = 3 * static_cast<std::size_t>(budget);
    std::vector<std::uint32_t> kept(surface.indices.size());
    // No error bound: the budget alone says when to stop.
    float relative = 0;
    kept.resize(meshopt_simplify(kept.data(), surface.indices.data(), surface.indices.size(), positions, vertexCount,
                                 stride, target, FLT_MAX, 0, &relative));
    if (kept.size() > target) {
        // The sloppy pass clusters the collapsed list's vertices, writing
        // its output from the start of a list of its own.
        std::vector<std::uint32_t> clustered(kept.size());
        float sloppy = 0;
        clustered.resize(meshopt_simplifySloppy(clustered.data(), kept.data(), kept.size(), positions, vertexCount,
                                                stride, target, FLT_MAX, &sloppy));
        if (2 * clustered.size() >= target) {
            kept.swap(clustered);
            relative += sloppy;  // the two passes' moves add up at worst
        }
    }
    surface.indices.swap(kept);
    return relative * meshopt_simplifyScale(positions, vertexCount, stride);
}

// Welding and simplification through meshoptimizer. See meshopt_mesh.h.
#include "mesh/meshopt_mesh.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cfloat>

std::size_t weldCorners(const void* corners, std::size_t count, std::size_t size, void* vertices,
                        std::vector<std::uint32_t>& indices) {
    indices.resize(count);
    if (count == 0) return 0;
    // Without an index list each corner is its own vertex, and the remap is
    // the welded list's index of each corner.
    std::size_t unique = meshopt_generateVertexRemap(indices.data(), nullptr, count, corners, count, size);
    meshopt_remapVertexBuffer(vertices, corners, count, size, indices.data());
    return unique;
}

CollapsedTriangles collapseTriangles(const float* positions, std::size_t vertexCount, std::size_t stride,
                                     const std::vector<std::uint32_t>& indices, std::size_t targetTriangles) {
    CollapsedTriangles out;
    std::size_t target = 3 * targetTriangles;
    out.indices.resize(indices.size());
    if (indices.empty() || vertexCount == 0) return out;
    // No error bound: the budget alone says when to stop.
    float relative = 0;
    std::size_t kept = meshopt_simplify(out.indices.data(), indices.data(), indices.size(), positions, vertexCount,
                                        stride, target, FLT_MAX, 0, &relative);
    if (kept > target) {
        // The sloppy pass clusters the collapsed list's vertices; it needs a
        // copy of its input, as it writes its output from the start.
        std::vector<std::uint32_t> collapsed(out.indices.begin(), out.indices.begin() + kept);
        float sloppy = 0;
        std::size_t clustered = meshopt_simplifySloppy(out.indices.data(), collapsed.data(), collapsed.size(),
                                                       positions, vertexCount, stride, target, FLT_MAX, &sloppy);
        if (2 * clustered >= target) {
            kept = clustered;
            relative += sloppy;  // the two passes' moves add up at worst
        } else {
            std::copy(collapsed.begin(), collapsed.end(), out.indices.begin());
        }
    }
    out.indices.resize(kept);
    out.error = relative * meshopt_simplifyScale(positions, vertexCount, stride);
    return out;
}

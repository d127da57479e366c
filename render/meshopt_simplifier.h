// The one door to meshoptimizer's simplifier: an indexed triangle list in, the
// indices of a coarser list over the same vertices out. Edges are collapsed
// where the collapse moves the surface least (quadric error), so thin parts
// keep their two sides and no slivers are left behind. Vertices that share a
// position but differ in anything else (a crease's two normals, the two sides
// of a texture seam) are a seam to it: a seam is only ever shortened along
// itself, never torn open. Every kept vertex is one of the input's, unmoved,
// so whatever it carries stays exact. No OpenGL; the rest of the program never
// sees the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct CollapsedTriangles {
    std::vector<std::uint32_t> indices;  // three per kept triangle, into the caller's vertices
    float error = 0;                     // how far the surface moved, in the positions' units
};

// At most `targetTriangles` triangles standing for the `indices` over
// `vertexCount` vertices, whose x, y, z floats start every `stride` bytes at
// `positions`. Where collapsing edges stops short of the target (a mesh of
// many small separate pieces), the rest is clustered on a grid, which may
// merge across seams; where clustering would leave fewer than half the target
// (pieces smaller than its cells), the collapse's own result stands instead,
// over the target but still the model's shape. Costs a few times a sort of
// the triangles.
CollapsedTriangles collapseTriangles(const float* positions, std::size_t vertexCount, std::size_t stride,
                                     const std::vector<std::uint32_t>& indices, std::size_t targetTriangles);

// The one door to meshoptimizer: corners welded into an indexed list, and the
// simplifier: an indexed triangle list in, the indices of a coarser list over
// the same vertices out. Edges are collapsed
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

// Welds `count` corners of `size` bytes each, at `corners`, into `vertices`
// (room for `count`; the first of them filled) and one index per corner into
// `indices`. Corners are merged only when every byte agrees, so a merged
// vertex carries exactly what each of its corners did and padding bytes must
// be zero; vertices come in the order of their first corner. Returns the
// number of vertices. Costs a hash of every corner.
std::size_t weldCorners(const void* corners, std::size_t count, std::size_t size, void* vertices,
                        std::vector<std::uint32_t>& indices);

// weldCorners over a vector of corner records, `vertices` resized to fit.
template <class Vertex>
void weldCorners(const std::vector<Vertex>& corners, std::vector<Vertex>& vertices,
                 std::vector<std::uint32_t>& indices) {
    vertices.resize(corners.size());
    vertices.resize(weldCorners(corners.data(), corners.size(), sizeof(Vertex), vertices.data(), indices));
    vertices.shrink_to_fit();  // a model's corners are several times its vertices
}

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

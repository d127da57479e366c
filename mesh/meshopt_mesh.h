// The one door to meshoptimizer: a mesh's corners welded into vertices, and
// its simplified copy, for drawing the fur of a large model. On a software
// rasteriser each triangle of each layer costs about as much as a few dozen
// pixels of it, so a scan of tens of thousands of triangles, drawn 33 times a
// frame, spends its frame on triangles a pixel or two across; under fur their
// detail does not show. And fins stand on every edge, so a dense mesh would
// also grow a denser fringe.
//
// The welded surface is coarsened on its indices alone: edges are collapsed
// where the collapse moves the surface least (quadric error), so thin parts
// keep their two sides and no slivers are left behind. Vertices that share a
// position but differ in anything else (a crease's two normals, the two sides
// of a texture seam) are a seam to it: a seam is only ever shortened along
// itself, never torn open. Every kept vertex is one of the input's, unmoved,
// so its own normal and texture coordinates carry over exactly. Triangles keep
// their turning. No OpenGL; the rest of the program never sees the library.
#pragma once

#include <vector>

#include "mesh/indexed_mesh.h"

// Refills `surface` with `corners` welded: a vertex for each different corner
// and one index per corner. Corners are merged only when every bit agrees, so
// a merged vertex carries exactly what each of its corners did; vertices come
// in the order of their first corner. Costs a hash of every corner.
void weldCorners(const std::vector<MeshVertex>& corners, IndexedMesh& surface);

// Leaves at most `budget` triangles in `surface` (more only for a model of
// pieces too small to be merged without vanishing), over the same vertices.
// Where collapsing edges stops short of the budget (a mesh of many small
// separate pieces), the rest is clustered on a grid, which may merge across
// seams; where clustering would leave fewer than half the budget (pieces
// smaller than its cells), the collapse's own result stands instead, over the
// budget but still the model's shape. Returns how far the copy's surface lies
// from the original, in model units: 0 when it was already few enough, or when
// only flat parts were coarsened. Costs a few times a sort of the triangles.
float simplifyMesh(IndexedMesh& surface, int budget);

// A copy of a dense mesh with at most a given number of triangles, for drawing
// the fur of a large model. On a software rasteriser each triangle of each
// layer costs about as much as a few dozen pixels of it, so a scan of tens of
// thousands of triangles, drawn 33 times a frame, spends its frame on
// triangles a pixel or two across; under fur their detail does not show. And
// fins stand on every edge, so a dense mesh would also grow a denser fringe.
//
// The welded surface (indexed_mesh.h) is coarsened on its indices alone:
// edges are collapsed (meshopt_mesh.h) where that moves the surface least.
// Each corner of the copy is a vertex of the model, unmoved, with its own
// normal and own texture coordinates, and a texture seam stays where it was,
// so a model's own coordinates carry over to the copy exactly. Triangles keep
// their turning. Plain arithmetic, no OpenGL.
#pragma once

#include "mesh/indexed_mesh.h"

// Leaves at most `budget` triangles in `surface` (more only for a model of
// pieces too small to be merged without vanishing), over the same vertices.
// Returns how far the copy's surface lies from the original, in model units:
// 0 when it was already few enough, or when only flat parts were coarsened.
float simplifyMesh(IndexedMesh& surface, int budget);

// A copy of a dense mesh with at most a given number of triangles, for drawing
// the fur of a large model. On a software rasteriser each triangle of each
// layer costs about as much as a few dozen pixels of it, so a scan of tens of
// thousands of triangles, drawn 33 times a frame, spends its frame on
// triangles a pixel or two across; under fur their detail does not show. And
// fins stand on every edge, so a dense mesh would also grow a denser fringe.
//
// The corners are welded by position, then clustered on a grid: the corners
// in one cell whose normals face the same way (nearest of the six axis
// directions) become one vertex at their mean, with the normalised sum of
// their normals; the cell grows until few enough triangles keep three
// distinct corners. Facing apart keeps the two sides of a thin part (an ear)
// from collapsing onto each other. Triangles keep their order and turning.
// Plain arithmetic, no OpenGL.
#pragma once

#include <vector>

struct FurTriangle;

// Fills `out` with at most `budget` triangles standing for the `count` records:
// positions and normals set, texture coordinates left to the caller. Returns
// the grid's cell size (0 when the records were copied unchanged because they
// were already few enough).
float simplifyRecords(const FurTriangle* records, int count, int budget, std::vector<FurTriangle>& out);

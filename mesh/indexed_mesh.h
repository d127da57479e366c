// The prepared mesh as one indexed triangle list, the geometry the skin, every
// shell and the fins draw, made in two steps. The records' corners are welded
// once into vertices that agree in position, normal and the model's own
// texture coordinates: the surface, which the simplifier collapses on its
// indices. Then what belongs to a corner of a drawn triangle, the hair's
// texture coordinates and the groom's comb, is added, and a vertex is split
// once where its corners disagree in it: a vertex where generated
// coordinates change their projection plane is kept once per plane, every
// copy with the same position and normal, so the shells pushed out along the
// normals stay closed across the seam. Triangles keep their order and their
// corners' order throughout, so they are drawn exactly as the records list
// them. Plain data, no OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct FurTriangle;

// What the vertex program receives per vertex of the skin and the shells; the
// pass adds the offset along the normal (the vertex colour's green). New
// per-vertex data goes here, with no padding between its floats.
struct MeshVertex {
    float position[3];
    float normal[3];
    float texCoord[2];
    float ownTexCoord[2];  // the groom's: the model's own coordinates
    float comb[3];         // the groom's bend per unit of height
};

// Per vertex of a posed mesh, what the skinned vertex program reads beside
// the mesh vertex: where the vertex rests (the groom's volume is read there)
// and its hair's lag behind the vertex's own motion.
struct SkinnedVertexExtra {
    float rest[3];
    float lag[3];
};

struct IndexedMesh {
    std::vector<MeshVertex> vertices;
    std::vector<std::uint32_t> indices;  // three per triangle
    // Beside each vertex, the model's vertex (1-based, 0 for none) it was
    // made from, for what the model keeps per vertex: a skin's weights.
    std::vector<std::uint32_t> modelVertices;
    std::size_t triangleCount() const { return indices.size() / 3; }
    // Corner j of triangle t.
    const MeshVertex& corner(std::size_t t, int j) const { return vertices[indices[3 * t + j]]; }
};

// Refills `surface` with the `count` records' corners welded (meshopt_mesh.h)
// on their position, normal and, when `keepOwnTexCoords`, own texture
// coordinates (zero otherwise), one triangle per record; the hair's
// coordinates and the combs are left zero. A vertex's model vertex is its
// first corner's in `cornerVertices` (three per record). Costs a hash of
// every corner.
void weldRecords(const FurTriangle* records, const std::uint32_t* cornerVertices, std::size_t count,
                 bool keepOwnTexCoords, IndexedMesh& surface);

// What a corner of a drawn triangle carries beyond its surface vertex.
struct CornerAttributes {
    float texCoord[2];
    float comb[3];
};

// Refills `drawn` with the surface's triangles, corner c (of 3 per triangle)
// carrying corners[c]: the surface's vertex copied once for each different
// set of attributes its corners carry (bit for bit), in the order of their
// first corner. Vertices no triangle uses are left out.
void splitCorners(const IndexedMesh& surface, const CornerAttributes* corners, IndexedMesh& drawn);

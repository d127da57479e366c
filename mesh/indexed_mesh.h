// The prepared mesh as one indexed triangle list, the geometry the skin and
// every shell draw: corners that agree in position, normal and texture
// coordinate share one vertex, and each record gives three indices in its own
// corner order, records in index order, so the triangles are drawn exactly as
// the records list them. A vertex where generated coordinates change their
// projection plane is kept once per plane, every copy with the same position
// and normal, so the shells pushed out along the normals stay closed across
// the seam. Plain data, no OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct FurTriangle;

// What the vertex program receives per vertex of the skin and the shells; the
// pass adds the offset along the normal (the vertex colour's green).
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
    std::vector<std::uint32_t> indices;  // three per record
};

// Refills `out` from `count` records, welded through meshopt_mesh.h. New
// per-vertex data goes into MeshVertex, with no padding between its floats.
void buildIndexedMesh(const FurTriangle* records, std::size_t count, IndexedMesh& out);

// Merging the prepared mesh's corners into shared vertices. See indexed_mesh.h.
#include "mesh/indexed_mesh.h"

#include <cstring>

#include "mesh/fur_triangle.h"
#include "mesh/meshopt_mesh.h"

void buildIndexedMesh(const FurTriangle* records, std::size_t count, IndexedMesh& out) {
    // Corners are merged only when every bit agrees: the shared vertex then
    // carries exactly the values the corner had, and the image does not change.
    static_assert(sizeof(MeshVertex) == 13 * sizeof(float), "no padding bits in a vertex's key");
    std::vector<MeshVertex> corners(3 * count);
    for (std::size_t c = 0; c < corners.size(); ++c) {
        const FurTriangle& record = records[c / 3];
        int j = static_cast<int>(c % 3);
        MeshVertex& vertex = corners[c];
        std::memcpy(vertex.position, record.positions[j], sizeof vertex.position);
        std::memcpy(vertex.normal, record.normals[j], sizeof vertex.normal);
        std::memcpy(vertex.texCoord, record.texCoords[j], sizeof vertex.texCoord);
        std::memcpy(vertex.ownTexCoord, record.ownTexCoords[j], sizeof vertex.ownTexCoord);
        std::memcpy(vertex.comb, record.combs[j], sizeof vertex.comb);
    }
    weldCorners(corners, out.vertices, out.indices);
}

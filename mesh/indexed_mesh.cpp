// Welding the records' corners and splitting them again by what each corner
// carries. See indexed_mesh.h.
#include "mesh/indexed_mesh.h"

#include <cstring>

#include "mesh/fur_triangle.h"
#include "mesh/meshopt_mesh.h"

void weldRecords(const FurTriangle* records, const std::uint32_t* cornerVertices, std::size_t count,
                 bool keepOwnTexCoords, IndexedMesh& surface) {
    // Corners are merged only when every bit agrees: the shared vertex then
    // carries exactly the values the corner had, and a crease's or a seam's
    // two sides stay two vertices, which is what tells the simplifier where
    // they are.
    std::vector<MeshVertex> corners(3 * count, MeshVertex{});
    for (std::size_t c = 0; c < corners.size(); ++c) {
        const FurTriangle& record = records[c / 3];
        int j = static_cast<int>(c % 3);
        MeshVertex& vertex = corners[c];
        std::memcpy(vertex.position, record.positions[j], sizeof vertex.position);
        std::memcpy(vertex.normal, record.normals[j], sizeof vertex.normal);
        if (keepOwnTexCoords) std::memcpy(vertex.ownTexCoord, record.texCoords[j], sizeof vertex.ownTexCoord);
    }
    weldCorners(corners, surface);
    surface.modelVertices.assign(surface.vertices.size(), 0);
    // Backwards, so that each vertex keeps its first corner's.
    for (std::size_t c = corners.size(); c-- > 0;) surface.modelVertices[surface.indices[c]] = cornerVertices[c];
}

void splitCorners(const IndexedMesh& surface, const CornerAttributes* corners, IndexedMesh& drawn) {
    constexpr std::uint32_t none = ~std::uint32_t{0};
    // Each surface vertex's copies as a chain: its first copy, then each
    // copy's next. A vertex has as many copies as its corners have different
    // attributes, rarely more than a handful.
    std::vector<std::uint32_t> firstCopy(surface.vertices.size(), none), nextCopy;
    drawn.vertices.clear();
    drawn.modelVertices.clear();
    drawn.indices.resize(surface.indices.size());
    for (std::size_t c = 0; c < surface.indices.size(); ++c) {
        const CornerAttributes& a = corners[c];
        std::uint32_t* link = &firstCopy[surface.indices[c]];
        while (*link != none) {
            const MeshVertex& copy = drawn.vertices[*link];
            if (std::memcmp(copy.texCoord, a.texCoord, sizeof a.texCoord) == 0 &&
                std::memcmp(copy.comb, a.comb, sizeof a.comb) == 0)
                break;
            link = &nextCopy[*link];
        }
        if (*link == none) {
            *link = static_cast<std::uint32_t>(drawn.vertices.size());
            MeshVertex vertex = surface.vertices[surface.indices[c]];
            std::memcpy(vertex.texCoord, a.texCoord, sizeof a.texCoord);
            std::memcpy(vertex.comb, a.comb, sizeof a.comb);
            drawn.vertices.push_back(vertex);
            drawn.modelVertices.push_back(surface.modelVertices[surface.indices[c]]);
            drawn.indices[c] = *link;
            nextCopy.push_back(none);  // which may move what link points into
        } else {
            drawn.indices[c] = *link;
        }
    }
}

// Welding the prepared mesh into indexed vertices and collapsing it. See
// mesh_simplify.h.
#include "mesh/mesh_simplify.h"

#include <cstdint>
#include <cstring>

#include "mesh/fur_triangle.h"
#include "mesh/meshopt_mesh.h"

namespace {

// Position first: the simplifier reads x, y, z from the start of each vertex.
struct WeldedVertex {
    float position[3];
    float normal[3];
    float ownTexCoord[2];
};

struct Welded {
    std::vector<WeldedVertex> vertices;
    std::vector<std::uint32_t> indices;  // three per record
};

// Corners are welded only when every bit agrees, so a crease's or a seam's two
// sides stay two vertices, which is what tells the simplifier where they are.
Welded weld(const FurTriangle* records, int count, bool keepOwnTexCoords) {
    static_assert(sizeof(WeldedVertex) == 8 * sizeof(float), "no padding bits in a vertex's key");
    std::vector<WeldedVertex> corners(3 * static_cast<std::size_t>(count));
    for (std::size_t c = 0; c < corners.size(); ++c) {
        const FurTriangle& record = records[c / 3];
        int j = static_cast<int>(c % 3);
        WeldedVertex& vertex = corners[c];
        std::memcpy(vertex.position, record.positions[j], sizeof vertex.position);
        std::memcpy(vertex.normal, record.normals[j], sizeof vertex.normal);
        if (keepOwnTexCoords) std::memcpy(vertex.ownTexCoord, record.ownTexCoords[j], sizeof vertex.ownTexCoord);
        else vertex.ownTexCoord[0] = vertex.ownTexCoord[1] = 0.0f;
    }
    Welded w;
    weldCorners(corners, w.vertices, w.indices);
    return w;
}

}  // namespace

float simplifyRecords(const FurTriangle* records, int count, int budget, bool keepOwnTexCoords,
                      std::vector<FurTriangle>& out) {
    out.assign(records, records + count);
    if (count <= budget || budget < 1) return 0.0f;
    Welded w = weld(records, count, keepOwnTexCoords);
    CollapsedTriangles collapsed = collapseTriangles(w.vertices[0].position, w.vertices.size(), sizeof(WeldedVertex),
                                                     w.indices, static_cast<std::size_t>(budget));
    out.clear();
    out.reserve(collapsed.indices.size() / 3);
    for (std::size_t k = 0; k + 2 < collapsed.indices.size(); k += 3) {
        FurTriangle t{};
        for (int j = 0; j < 3; ++j) {
            const WeldedVertex& v = w.vertices[collapsed.indices[k + j]];
            std::memcpy(t.positions[j], v.position, sizeof v.position);
            std::memcpy(t.normals[j], v.normal, sizeof v.normal);
            std::memcpy(t.ownTexCoords[j], v.ownTexCoord, sizeof v.ownTexCoord);
        }
        out.push_back(t);
    }
    return collapsed.error;
}

// Merging the prepared mesh's corners into shared vertices. See indexed_mesh.h.
#include "render/indexed_mesh.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

#include "render/fur_mesh.h"

namespace {

// Corners are merged only when every bit agrees: the shared vertex then
// carries exactly the values the corner had, and the image does not change.
std::string_view bitsOf(const MeshVertex& vertex) {
    return {reinterpret_cast<const char*>(&vertex), sizeof vertex};
}

}  // namespace

void buildIndexedMesh(const FurMesh& mesh, IndexedMesh& out) {
    static_assert(sizeof(MeshVertex) == 13 * sizeof(float), "no padding bits in a vertex's key");
    out.vertices.clear();
    out.indices.clear();
    std::size_t corners = 3 * static_cast<std::size_t>(mesh.recordCount);
    out.indices.reserve(corners);
    // Closed models share each vertex among about six corners.
    out.vertices.reserve(corners / 4 + 1);
    std::vector<MeshVertex> pending(corners);
    std::unordered_map<std::string_view, std::uint32_t> indexOf;
    indexOf.reserve(corners / 4 + 1);
    for (std::size_t c = 0; c < corners; ++c) {
        const FurTriangle& record = mesh.records[c / 3];
        int j = static_cast<int>(c % 3);
        MeshVertex& vertex = pending[c];
        std::memcpy(vertex.position, record.positions[j], sizeof vertex.position);
        std::memcpy(vertex.normal, record.normals[j], sizeof vertex.normal);
        std::memcpy(vertex.texCoord, record.texCoords[j], sizeof vertex.texCoord);
        std::memcpy(vertex.ownTexCoord, record.ownTexCoords[j], sizeof vertex.ownTexCoord);
        std::memcpy(vertex.comb, record.combs[j], sizeof vertex.comb);
        auto [entry, added] = indexOf.try_emplace(bitsOf(vertex), static_cast<std::uint32_t>(out.vertices.size()));
        if (added) out.vertices.push_back(vertex);
        out.indices.push_back(entry->second);
    }
}

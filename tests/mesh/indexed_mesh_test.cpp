// The indexed triangles the skin and shells draw: they reproduce every
// record's corners bit for bit and in order, share what agrees, and split a
// vertex where generated coordinates change plane without opening a crack.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "mesh/indexed_mesh.h"
#include "tests/render/test_mesh.h"
#include "tests/support/obj_text.h"

namespace {

bool sameBits(const void* a, const void* b, size_t bytes) { return std::memcmp(a, b, bytes) == 0; }

void expectRecordsReproduced(const FurMesh& mesh, const IndexedMesh& indexed) {
    ASSERT_EQ(indexed.indices.size(), 3u * static_cast<size_t>(mesh.recordCount));
    for (int k = 0; k < mesh.recordCount; ++k)
        for (int j = 0; j < 3; ++j) {
            std::uint32_t index = indexed.indices[3 * static_cast<size_t>(k) + static_cast<size_t>(j)];
            ASSERT_LT(index, indexed.vertices.size());
            const MeshVertex& v = indexed.vertices[index];
            const FurTriangle& r = mesh.records[k];
            EXPECT_TRUE(sameBits(v.position, r.positions[j], sizeof v.position)) << k << "," << j;
            EXPECT_TRUE(sameBits(v.normal, r.normals[j], sizeof v.normal)) << k << "," << j;
            EXPECT_TRUE(sameBits(v.texCoord, r.texCoords[j], sizeof v.texCoord)) << k << "," << j;
        }
}

TEST(IndexedMesh, ReproducesEveryRecordsCornersInRecordOrder) {
    const std::string bunny = readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj");
    ASSERT_FALSE(bunny.empty());
    struct Case {
        const char* name;
        std::string obj;
        bool generated;
    };
    const Case cases[] = {
        {"grouped triangles", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\ng a\nf 2 4 3\ng b\nf 3 2 4\n", false},
        {"bundled bunny, its own coordinates", bunny, false},
        {"bundled bunny, generated coordinates", bunny, true},
        {"no triangles", "v 0 0 0\nv 1 0 0\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMesh mesh(c.obj, c.generated);
        IndexedMesh indexed;
        buildIndexedMesh(mesh.records.get(), mesh.recordCount, indexed);
        expectRecordsReproduced(mesh, indexed);
        // No two vertices alike: everything that could be shared is.
        std::set<std::string> distinct;
        for (const MeshVertex& v : indexed.vertices)
            distinct.insert(std::string(reinterpret_cast<const char*>(&v), sizeof v));
        EXPECT_EQ(distinct.size(), indexed.vertices.size());
    }
}

TEST(IndexedMesh, SplitsAVertexAtASeamButKeepsItsPositionAndNormalClosed) {
    TestMesh sphere(sphereObj(16, 32), true);
    IndexedMesh indexed;
    buildIndexedMesh(sphere.records.get(), sphere.recordCount, indexed);
    // A closed smooth sphere has one normal per position: copies of a vertex
    // differ in their texture coordinates only, so every shell, pushed out
    // along the same normal from the same position, stays closed.
    std::map<std::tuple<float, float, float>, std::set<std::tuple<float, float, float>>> normalsAt;
    for (const MeshVertex& v : indexed.vertices)
        normalsAt[{v.position[0], v.position[1], v.position[2]}].insert({v.normal[0], v.normal[1], v.normal[2]});
    const size_t positions = 2 + 15 * 32;
    EXPECT_EQ(normalsAt.size(), positions);
    for (const auto& [position, normals] : normalsAt) EXPECT_EQ(normals.size(), 1u);
    EXPECT_GT(indexed.vertices.size(), positions) << "the seams between projection planes split vertices";
    EXPECT_LT(indexed.vertices.size(), 2 * positions) << "and only there";
}

}  // namespace

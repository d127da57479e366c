// The indexed triangles the skin and shells draw: they reproduce every
// record's corners bit for bit and in order, share what agrees, and split a
// vertex where generated coordinates change plane without opening a crack;
// and splitting by corner keeps a copy per different set of attributes.
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

void expectRecordsReproduced(const FurMesh& mesh) {
    const IndexedMesh& indexed = mesh.drawn;
    ASSERT_EQ(indexed.indices.size(), 3u * static_cast<size_t>(mesh.recordCount));
    for (int k = 0; k < mesh.recordCount; ++k)
        for (int j = 0; j < 3; ++j) {
            std::uint32_t index = indexed.indices[3 * static_cast<size_t>(k) + static_cast<size_t>(j)];
            ASSERT_LT(index, indexed.vertices.size());
            const MeshVertex& v = indexed.vertices[index];
            const FurTriangle& r = mesh.records[k];
            EXPECT_TRUE(sameBits(v.position, r.positions[j], sizeof v.position)) << k << "," << j;
            EXPECT_TRUE(sameBits(v.normal, r.normals[j], sizeof v.normal)) << k << "," << j;
            EXPECT_TRUE(sameBits(v.ownTexCoord, r.texCoords[j], sizeof v.ownTexCoord)) << k << "," << j;
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
        const IndexedMesh& indexed = mesh.drawn;
        expectRecordsReproduced(mesh);
        // No two vertices alike: everything that could be shared is.
        std::set<std::string> distinct;
        for (const MeshVertex& v : indexed.vertices)
            distinct.insert(std::string(reinterpret_cast<const char*>(&v), sizeof v));
        EXPECT_EQ(distinct.size(), indexed.vertices.size());
    }
}

TEST(IndexedMesh, SplitsAVertexAtASeamButKeepsItsPositionAndNormalClosed) {
    TestMesh sphere(sphereObj(16, 32), true);
    const IndexedMesh& indexed = sphere.drawn;
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

TEST(IndexedMesh, SplitsEachVertexOncePerDifferentCorner) {
    // Two triangles sharing the edge 1-2 of a welded square, 4 vertices.
    IndexedMesh surface;
    surface.vertices.resize(4);
    for (int v = 0; v < 4; ++v) surface.vertices[v].position[0] = static_cast<float>(v);
    surface.indices = {0, 1, 2, 2, 1, 3};
    surface.modelVertices = {5, 6, 7, 8};
    struct Case {
        const char* name;
        float u[6];       // each corner's texture u
        int vertices;     // after the split
        int sameAs[6];    // the first corner each corner shares its vertex with
    } cases[] = {
        {"corners agree", {0, 1, 2, 2, 1, 3}, 4, {0, 1, 2, 2, 1, 5}},
        {"the shared edge differs on one side", {0, 1, 2, 7, 8, 3}, 6, {0, 1, 2, 3, 4, 5}},
        {"one side's vertex agrees with another's", {0, 1, 2, 2, 9, 3}, 5, {0, 1, 2, 2, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CornerAttributes corners[6] = {};
        for (int k = 0; k < 6; ++k) corners[k].texCoord[0] = c.u[k];
        IndexedMesh drawn;
        splitCorners(surface, corners, drawn);
        ASSERT_EQ(drawn.indices.size(), 6u);
        EXPECT_EQ(drawn.vertices.size(), static_cast<size_t>(c.vertices));
        for (int k = 0; k < 6; ++k) {
            const MeshVertex& v = drawn.vertices[drawn.indices[k]];
            EXPECT_EQ(v.position[0], surface.vertices[surface.indices[k]].position[0]) << k;
            EXPECT_EQ(drawn.modelVertices[drawn.indices[k]], surface.modelVertices[surface.indices[k]]) << k;
            EXPECT_EQ(v.texCoord[0], c.u[k]) << k;
            EXPECT_EQ(drawn.indices[k], drawn.indices[c.sameAs[k]]) << k;
            if (c.sameAs[k] != k) continue;
            for (int e = 0; e < k; ++e) EXPECT_NE(drawn.indices[e], drawn.indices[k]) << k << " shares with " << e;
        }
    }
}

}  // namespace

// The prepared mesh: one record per model triangle, in the order of the
// model's group list, corners copied in the triangle's own order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "model/obj_model.h"
#include "render/fur_mesh.h"
#include "tests/render/test_mesh.h"

namespace {

// Four separate triangles in three groups; the reader lists groups newest
// first ("b", "a", then "default").
const char* const groupedObj =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 2 0 0\nv 2 1 0\n"
    "f 1 2 3\n"
    "g a\nf 2 4 3\nf 2 5 4\n"
    "g b\nf 5 6 4\n";

bool samePosition(const float* a, const float* b) { return std::memcmp(a, b, 3 * sizeof(float)) == 0; }

TEST(FurMesh, RecordsFollowTheGroupListAndKeepEachTrianglesCornerOrder) {
    TestMesh mesh(groupedObj);
    ASSERT_EQ(mesh.recordCount, 4);
    ASSERT_EQ(mesh.recordCount, static_cast<int>(mesh.model->triangleCount));
    // Expected model triangle behind each record: group b (triangle 3), group
    // a (1, 2), then default (0).
    const unsigned order[4] = {3, 1, 2, 0};
    const ObjModel& model = *mesh.model;
    for (int k = 0; k < 4; ++k) {
        const ObjTriangle& t = model.triangles[order[k]];
        for (int j = 0; j < 3; ++j) {
            SCOPED_TRACE(testing::Message() << "record " << k << " corner " << j);
            EXPECT_TRUE(samePosition(mesh.records[k].positions[j], &model.vertices[3 * t.vertexIndices[j]]));
            EXPECT_TRUE(samePosition(mesh.records[k].normals[j], &model.normals[3 * t.normalIndices[j]]));
        }
    }
}

TEST(FurMesh, KeepsTheWindingSoNormalsAgreeWithTheCorners) {
    // Counter-clockwise seen from +z in the file: the smoothed normals point to
    // +z, and the corner order still turns counter-clockwise.
    TestMesh mesh("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_EQ(mesh.recordCount, 1);
    const FurTriangle& r = mesh.records[0];
    float e1[2] = {r.positions[1][0] - r.positions[0][0], r.positions[1][1] - r.positions[0][1]};
    float e2[2] = {r.positions[2][0] - r.positions[0][0], r.positions[2][1] - r.positions[0][1]};
    EXPECT_GT(e1[0] * e2[1] - e1[1] * e2[0], 0.0f);
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(r.normals[j][2], 1.0f, 1e-5f);
}

TEST(FurMesh, PositionsAreCentredAndScaled) {
    TestMesh mesh("v 10 10 10\nv 14 10 10\nv 10 12 10\nf 1 2 3\n");
    float minX = 1e9f, maxX = -1e9f;
    for (auto& corner : mesh.records[0].positions) {
        minX = std::min(minX, corner[0]);
        maxX = std::max(maxX, corner[0]);
    }
    EXPECT_NEAR(minX + maxX, 0.0f, 1e-5f) << "centred";
    EXPECT_GT(maxX - minX, 0.0f);
    EXPECT_LE(maxX - minX, 2.0f + 1e-5f) << "scaled to at most the model's size of 2";
}

TEST(FurMesh, TheFilesOwnTextureCoordinatesAreCopiedCornerByCorner) {
    TestMesh textured("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0.5\nvt 0.75 1\nvt 0.1 0.9\nf 1/2 2/1 3/3\n");
    ASSERT_FALSE(textured.texCoordsGenerated);
    const float expected[3][2] = {{0.75f, 1}, {0.25f, 0.5f}, {0.1f, 0.9f}};
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(textured.records[0].texCoords[j][0], expected[j][0]);
        EXPECT_EQ(textured.records[0].texCoords[j][1], expected[j][1]);
    }
}

TEST(FurMesh, AModelWithoutFacesGivesAnEmptyMesh) {
    TestMesh mesh("v 0 0 0\nv 1 0 0\nv 0 1 0\n");
    EXPECT_EQ(mesh.recordCount, 0);
}

TEST(FurMesh, TheSummaryNamesTheModelItsFiguresAndWhereItsCoordinatesComeFrom) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\n";
    struct Case {
        std::string obj;
        bool generatedWanted;
        const char* coordinates;
    };
    const Case cases[] = {
        {triangle + "vt 0 0\nvt 1 0\nvt 0 1\nf 1/1 2/2 3/3\n", false,
         "its own texture coordinates, scaled by 0.4 for the hair"},
        {triangle + "vt 0 0\nvt 1 0\nvt 0 1\nf 1/1 2/2 3/3\n", true, "generated texture coordinates (asked for)"},
        {triangle + "f 1 2 3\n", false, "generated texture coordinates (the file has none)"},
        {triangle + "vt 0.5 0.5\nf 1/1 2/1 3/1\n", false,
         "generated texture coordinates (the file's cover too little)"},
    };
    for (const Case& c : cases) {
        TestMesh mesh(c.obj, c.generatedWanted);
        EXPECT_EQ(meshSummary(mesh, "OBJ/x.obj"),
                  std::string("model OBJ/x.obj: 1 triangle, 4 vertices, ") + c.coordinates);
    }
}

}  // namespace

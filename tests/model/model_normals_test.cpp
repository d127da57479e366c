// Facet normals, crease-angle vertex normals (order, threshold, degenerate
// triangles) and centring and scaling.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "model/obj_model.h"
#include "tests/support/model_invariants.h"
#include "tests/model/model_test_support.h"

namespace {

using Vec = std::array<float, 3>;

Vec at(const float* array, std::int32_t index) {
    return {array[3 * index], array[3 * index + 1], array[3 * index + 2]};
}

Vec cornerNormal(const ObjModel* model, std::uint32_t triangle, int corner) {
    return at(model->normals, model->triangles[triangle].normalIndices[corner]);
}

void expectNear(const Vec& got, const Vec& expected, const char* what = "") {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], expected[k], 1e-6) << what << " component " << k;
}

ModelPtr withNormals(const std::string& obj, std::string* err = nullptr) {
    ModelPtr model = loadObj(obj);
    if (!model) return model;
    testing::internal::CaptureStderr();
    glmTriangleNormals(model.get());
    glmVertexNormals(model.get(), 90.0f);
    std::string messages = testing::internal::GetCapturedStderr();
    if (err) *err = messages;
    return model;
}

// Lines of a triangle at the origin whose facet normal is tilted by `degrees`
// from +z towards +x; each call adds two vertices of its own.
std::string tiltedTriangle(double degrees, int& nextVertex) {
    double a = degrees * M_PI / 180.0;
    // Exact zeros, so that a right angle gives a dot product of exactly 0.
    auto exact = [](double x) { return std::fabs(x) < 1e-12 ? 0.0 : x; };
    std::ostringstream text;
    text.precision(17);
    text << "v " << exact(std::cos(a)) << " 0 " << exact(-std::sin(a)) << "\nv 0 1 0\n";
    text << "f 1 " << nextVertex << " " << nextVertex + 1 << "\n";
    nextVertex += 2;
    return text.str();
}

struct FacetCase {
    const char* name;
    const char* obj;
    Vec expected;
};

class FacetNormals : public testing::TestWithParam<FacetCase> {};

TEST_P(FacetNormals, AreUnitCrossProductsInFileWinding) {
    ModelPtr model = loadObj(GetParam().obj);
    ASSERT_TRUE(model);
    glmTriangleNormals(model.get());
    EXPECT_EQ(model->facetNormalCount, 1u);
    EXPECT_EQ(model->triangles[0].facetNormalIndex, 1);
    expectNear(at(model->facetNormals, 1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Normals, FacetNormals,
    testing::Values(FacetCase{"CounterClockwise", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", {0, 0, 1}},
                    FacetCase{"Clockwise", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 3 2\n", {0, 0, -1}},
                    FacetCase{"LargeAndTilted", "v 0 0 0\nv 0 300 0\nv 0 0 300\nf 1 2 3\n", {1, 0, 0}},
                    FacetCase{"NearFloatLimit", "v 0 0 0\nv 3e38 0 0\nv 0 3e38 0\nf 1 2 3\n", {0, 0, 1}},
                    FacetCase{"ZeroArea", "v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2 3\n", {0, 0, 0}},
                    FacetCase{"VertexTwice", "v 0 0 0\nv 1 0 0\nf 1 2 2\n", {0, 0, 0}}),
    [](const testing::TestParamInfo<FacetCase>& info) { return info.param.name; });

TEST(VertexNormals, NinetyDegreeThresholdIsJustBelowZero) {
    // Facets exactly at a right angle (dot product 0) are still averaged.
    int next = 2;
    std::string obj = "v 0 0 0\n";
    for (double degrees : {0.0, 90.0}) obj += tiltedTriangle(degrees, next);
    ModelPtr model = withNormals(obj);
    ASSERT_TRUE(model);
    float s = static_cast<float>(std::sqrt(0.5));
    expectNear(cornerNormal(model.get(), 0, 0), {s, 0, s});
    EXPECT_EQ(model->triangles[0].normalIndices[0], model->triangles[1].normalIndices[0]);
}

TEST(VertexNormals, TheNewestTriangleIsTheReference) {
    // Around the shared vertex: 0 degrees, 60 degrees, 120 degrees. Against the
    // newest (120) the 60 is averaged and the 0 is a crease; against the oldest
    // it would be the other way round.
    int next = 2;
    std::string obj = "v 0 0 0\n";
    for (double degrees : {0.0, 60.0, 120.0}) obj += tiltedTriangle(degrees, next);
    ModelPtr model = withNormals(obj);
    ASSERT_TRUE(model);
    expectNear(cornerNormal(model.get(), 1, 0), {1, 0, 0}, "60 degrees");
    expectNear(cornerNormal(model.get(), 2, 0), {1, 0, 0}, "120 degrees");
    expectNear(cornerNormal(model.get(), 0, 0), {0, 0, 1}, "0 degrees, its own facet normal");
    // Vertex 1: the shared normal, then the crease copy; then one per other vertex.
    EXPECT_EQ(model->triangles[1].normalIndices[0], 1);
    EXPECT_EQ(model->triangles[0].normalIndices[0], 2);
    EXPECT_EQ(model->normalCount, 8u);
    EXPECT_EQ(modelInvariantViolation(model.get(), true), "");
}

TEST(VertexNormals, EachCreaseCornerGetsAnEntryOfItsOwn) {
    // Two triangles facing away from a third at the shared vertex, both with
    // the same facet normal: two separate copies.
    int next = 2;
    std::string obj = "v 0 0 0\n";
    for (double degrees : {180.0, 180.0, 0.0}) obj += tiltedTriangle(degrees, next);
    ModelPtr model = withNormals(obj);
    ASSERT_TRUE(model);
    std::int32_t a = model->triangles[0].normalIndices[0], b = model->triangles[1].normalIndices[0];
    EXPECT_NE(a, b);
    expectNear(at(model->normals, a), {0, 0, -1});
    expectNear(at(model->normals, b), {0, 0, -1});
}

TEST(VertexNormals, ClosedSmoothMeshHasOneNormalPerVertex) {
    // An icosahedron: every vertex's facets lie within 75 degrees of each other.
    const double phi = (1 + std::sqrt(5.0)) / 2;
    std::vector<Vec> points;
    for (double s1 : {-1.0, 1.0})
        for (double s2 : {-phi, phi}) {
            points.push_back({0, float(s1), float(s2)});
            points.push_back({float(s1), float(s2), 0});
            points.push_back({float(s2), 0, float(s1)});
        }
    auto distance2 = [&](int i, int j) {
        double d = 0;
        for (int k = 0; k < 3; ++k) d += (points[i][k] - points[j][k]) * (points[i][k] - points[j][k]);
        return d;
    };
    std::string obj;
    for (const Vec& p : points) obj += "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
    int faces = 0;
    for (int i = 0; i < 12; ++i)
        for (int j = i + 1; j < 12; ++j)
            for (int k = j + 1; k < 12; ++k) {
                if (std::fabs(distance2(i, j) - 4) > 1e-3 || std::fabs(distance2(j, k) - 4) > 1e-3 ||
                    std::fabs(distance2(i, k) - 4) > 1e-3)
                    continue;
                // Outward winding: the normal points away from the centre.
                Vec u, v;
                for (int c = 0; c < 3; ++c) u[c] = points[j][c] - points[i][c], v[c] = points[k][c] - points[i][c];
                double nx = u[1] * v[2] - u[2] * v[1], ny = u[2] * v[0] - u[0] * v[2], nz = u[0] * v[1] - u[1] * v[0];
                bool outward = nx * points[i][0] + ny * points[i][1] + nz * points[i][2] > 0;
                obj += "f " + std::to_string(i + 1) + " " + std::to_string((outward ? j : k) + 1) + " " +
                       std::to_string((outward ? k : j) + 1) + "\n";
                ++faces;
            }
    ASSERT_EQ(faces, 20);
    ModelPtr model = withNormals(obj);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->normalCount, model->vertexCount);
    for (std::uint32_t t = 0; t < model->triangleCount; ++t)
        for (int k = 0; k < 3; ++k) {
            Vec p = at(model->vertices, model->triangles[t].vertexIndices[k]);
            double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            expectNear(cornerNormal(model.get(), t, k),
                       {float(p[0] / length), float(p[1] / length), float(p[2] / length)});
        }
}

TEST(VertexNormals, UnusedVertexIsReportedAndLaterVerticesNumberOn) {
    std::string err;
    ModelPtr model = withNormals("v 0 0 0\nv 1 0 0\nv 5 5 5\nv 0 1 0\nf 1 2 4\n", &err);
    ASSERT_TRUE(model);
    EXPECT_EQ(err, "glmVertexNormals(): vertex w/o a triangle\n");
    EXPECT_EQ(model->normalCount, 3u);
    EXPECT_EQ(model->triangles[0].normalIndices[2], 3);
}

TEST(VertexNormals, NormalsFromTheFileAreReplaced) {
    ModelPtr model = withNormals("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 1 0 0\nvn 1 0 0\nvn 1 0 0\nvn 1 0 0\n"
                                 "f 1//1 2//2 3//3\n");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->normalCount, 3u);
    for (int k = 0; k < 3; ++k) expectNear(cornerNormal(model.get(), 0, k), {0, 0, 1});
}

TEST(VertexNormals, DegenerateTrianglesGetFiniteNormalsAtEveryCorner) {
    // A flat square, a zero-area sliver along its edge and a triangle naming a
    // vertex twice: every corner takes the square's normal.
    ModelPtr model = withNormals(
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 0 0\n"
        "f 1 2 3\nf 1 3 4\nf 1 5 2\nf 3 3 4\n");
    ASSERT_TRUE(model);
    EXPECT_EQ(modelInvariantViolation(model.get(), true), "");
    for (std::uint32_t t = 0; t < model->triangleCount; ++t)
        for (int k = 0; k < 3; ++k) expectNear(cornerNormal(model.get(), t, k), {0, 0, 1});
    // Both corners that name vertex 3 were set, not only the first.
    EXPECT_EQ(model->triangles[3].normalIndices[0], model->triangles[3].normalIndices[1]);
    EXPECT_NE(model->triangles[3].normalIndices[1], 0);
}

TEST(VertexNormals, OnlyDegenerateTrianglesFallBackToAUnitNormal) {
    ModelPtr model = withNormals("v 0 0 0\nv 1 1 1\nf 1 1 2\nf 2 2 2\n");
    ASSERT_TRUE(model);
    EXPECT_EQ(modelInvariantViolation(model.get(), true), "");
    EXPECT_EQ(model->normalCount, 2u);
}

TEST(VertexNormals, AnyAngleGivesUnitNormals) {
    int next = 2;
    std::string obj = "v 0 0 0\n";
    for (double degrees : {0.0, 120.0, 240.0}) obj += tiltedTriangle(degrees, next);
    for (float angle : {0.0f, 45.0f, 90.0f, 170.0f, 180.0f, 360.0f, NAN}) {
        ModelPtr model = loadObj(obj);
        ASSERT_TRUE(model);
        glmTriangleNormals(model.get());
        glmVertexNormals(model.get(), angle);
        EXPECT_EQ(modelInvariantViolation(model.get(), true), "") << "angle " << angle;
    }
}

struct ScaleCase {
    const char* name;
    const char* obj;
    float scale;
    std::vector<float> vertices;
};

class CenterAndScale : public testing::TestWithParam<ScaleCase> {};

TEST_P(CenterAndScale, UsesTheSumOfTheBoundsMagnitudes) {
    ModelPtr model = loadObj(GetParam().obj);
    ASSERT_TRUE(model);
    EXPECT_FLOAT_EQ(glmCenterAndScale(model.get()), GetParam().scale);
    std::vector<float> got(model->vertices + 3, model->vertices + 3 + 3 * model->vertexCount);
    ASSERT_EQ(got.size(), GetParam().vertices.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], GetParam().vertices[i], 1e-6) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Model, CenterAndScale,
    testing::Values(ScaleCase{"AcrossTheOrigin", "v -1 -1 -1\nv 3 1 1\n", 0.5f, {-1, -0.5, -0.5, 1, 0.5, 0.5}},
                    ScaleCase{"AwayFromTheOrigin",
                              "v 10 0 0\nv 12 1 1\n",
                              2.0f / 22,
                              {-1.0f / 11, -1.0f / 22, -1.0f / 22, 1.0f / 11, 1.0f / 22, 1.0f / 22}},
                    ScaleCase{"NoVertices", "# nothing\n", 1.0f, {}},
                    ScaleCase{"AllAtTheOrigin", "v 0 0 0\nv 0 0 0\n", 1.0f, {0, 0, 0, 0, 0, 0}},
                    ScaleCase{"AllAtOnePoint", "v 5 5 5\nv 5 5 5\n", 0.2f, {0, 0, 0, 0, 0, 0}},
                    ScaleCase{"NearTheFloatLimit", "v -3e38 0 0\nv 3e38 0 0\n", float(2.0 / 6e38), {-1, 0, 0, 1, 0, 0}},
                    ScaleCase{"Tiny", "v -1e-44 0 0\nv 1e-44 0 0\n", FLT_MAX, {-1, 0, 0, 1, 0, 0}}),
    [](const testing::TestParamInfo<ScaleCase>& info) { return info.param.name; });

}  // namespace

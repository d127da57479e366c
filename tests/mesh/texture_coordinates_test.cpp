// Texture coordinates for models that bring none: the box projection keeps one
// density of hair over a curved surface and the triangles' turning sense, its
// seams leave both sides their hair, the bundled bunny stripped of its own
// coordinates gets them back, and a file's own coordinates are kept whenever
// they can carry the fur.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "mesh/texture_coordinates.h"
#include "render/fur_mesh.h"
#include "tests/render/test_mesh.h"
#include "tests/support/obj_text.h"

namespace {

double surfaceArea2(const DrawnTriangle& t) {
    double u[3], v[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = double{t.positions[1][k]} - t.positions[0][k];
        v[k] = double{t.positions[2][k]} - t.positions[0][k];
    }
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    return std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

double signedTexArea2(const float uv[3][2]) {
    return (double{uv[1][0]} - uv[0][0]) * (double{uv[2][1]} - uv[0][1]) -
           (double{uv[1][1]} - uv[0][1]) * (double{uv[2][0]} - uv[0][0]);
}

TEST(BoxProjection, ChoosesThePlaneFacingTheNearestAxisAndKeepsTheTurningSense) {
    // One triangle turned to face each way; counter-clockwise about `normal`.
    struct Case {
        const char* name;
        float positions[3][3];
        float normal[3];
        int dropped;  // the axis the projection leaves out
    };
    const Case cases[] = {
        {"+x", {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, 0, 0}, 0},
        {"-x", {{0, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {-1, 0, 0}, 0},
        {"+y", {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}}, {0, 1, 0}, 1},
        {"-y", {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {0, -1, 0}, 1},
        {"+z", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 0, 1}, 2},
        {"-z", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 0, -1}, 2},
        // Tilted 30 degrees from +y towards +x: y stays the nearest axis.
        {"tilted", {{0, 0, 0}, {0, 0, 1}, {0.866f, -0.5f, 0}}, {0.5f, 0.866f, 0}, 1},
        // Exactly between x and z: the earlier axis wins.
        {"tie", {{0, 0, 0}, {0, 1, 0}, {-1, 0, 1}}, {0.7071f, 0, 0.7071f}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float uv[3][2];
        boxProjectTriangle(c.positions, c.normal, uv);
        for (int j = 0; j < 3; ++j) {
            // The two coordinates are the two axes kept, in some order.
            float kept[2];
            int k = 0;
            for (int axis = 0; axis < 3; ++axis)
                if (axis != c.dropped) kept[k++] = c.positions[j][axis];
            bool same = uv[j][0] == kept[0] && uv[j][1] == kept[1];
            bool swapped = uv[j][0] == kept[1] && uv[j][1] == kept[0];
            EXPECT_TRUE(same || swapped) << "corner " << j;
        }
        EXPECT_GT(signedTexArea2(uv), 0.0) << "counter-clockwise in texture space too";
    }
}

TEST(GeneratedCoordinates, KeepOneDensityOverACurvedSurface) {
    // Box projection shrinks an area by the cosine between the facet and the
    // projection axis, which never passes 54.7 degrees: at one texture unit
    // per model unit, texture area per model area stays between 1/sqrt(3)
    // and 1 everywhere, and so does the hair's density.
    TestMesh sphere(sphereObj(24, 48));
    ASSERT_TRUE(sphere.texCoordsGenerated);
    ASSERT_GT(sphere.recordCount, 2000);
    double lowest = 2, highest = 0;
    for (int k = 0; k < sphere.recordCount; ++k) {
        const DrawnTriangle t = drawnTriangle(sphere, k);
        double area2 = surfaceArea2(t);
        double ratio = signedTexArea2(t.texCoords) / area2;
        lowest = std::fmin(lowest, ratio);
        highest = std::fmax(highest, ratio);
    }
    EXPECT_GE(lowest, 1.0 / std::sqrt(3.0) - 1e-3) << "no stretched, sparse-haired facets (nor mirrored ones)";
    EXPECT_LE(highest, 1.0 + 1e-3) << "no squeezed, dense-haired facets";
}

// Corner positions as a key, for finding the neighbours that share an edge.
using Point = std::tuple<float, float, float>;
Point pointOf(const float p[3]) { return {p[0], p[1], p[2]}; }

TEST(GeneratedCoordinates, SeamsOnlyWhereTheProjectionPlaneChanges) {
    // Two facets projected on one plane give their shared corners one
    // coordinate: the hair runs on across the edge. Where the plane changes
    // it jumps, but each side still carries a full projection of its own, so
    // no facet is left with a collapsed (bald) texture.
    TestMesh sphere(sphereObj(16, 32));
    std::map<std::pair<Point, int>, std::pair<float, float>> seen;  // (corner, plane) -> uv
    int shared = 0;
    for (int k = 0; k < sphere.recordCount; ++k) {
        const DrawnTriangle t = drawnTriangle(sphere, k);
        // The plane shows in which two position axes the coordinates equal.
        int plane = -1;
        for (int axis = 0; axis < 3; ++axis) {
            int s = (axis + 1) % 3, r = (axis + 2) % 3;
            bool match = true;
            for (int j = 0; j < 3; ++j) {
                bool direct = t.texCoords[j][0] == t.positions[j][s] && t.texCoords[j][1] == t.positions[j][r];
                bool swapped = t.texCoords[j][0] == t.positions[j][r] && t.texCoords[j][1] == t.positions[j][s];
                match = match && (direct || swapped);
            }
            if (match) plane = axis;
        }
        ASSERT_GE(plane, 0) << "record " << k << " is a plain box projection";
        EXPECT_GT(texCoordArea2(t.texCoords), 0.0) << "record " << k << " keeps an area of texture";
        for (int j = 0; j < 3; ++j) {
            auto key = std::make_pair(pointOf(t.positions[j]), plane);
            std::pair<float, float> uv{t.texCoords[j][0], t.texCoords[j][1]};
            auto [entry, added] = seen.emplace(key, uv);
            if (added) continue;
            ++shared;
            EXPECT_EQ(entry->second, uv) << "record " << k << " corner " << j;
        }
    }
    EXPECT_GT(shared, 1000);
}

TEST(GeneratedCoordinates, TheBundledBunnyStrippedOfItsOwnGetsThemBack) {
    // Its own coordinates were made by the same box projection, so without
    // them it must look as it does with them.
    std::string text = readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj");
    ASSERT_FALSE(text.empty());
    TestMesh own(text), stripped(withoutTexCoords(text));
    ASSERT_FALSE(own.texCoordsGenerated);
    ASSERT_TRUE(stripped.texCoordsGenerated);
    ASSERT_EQ(own.recordCount, stripped.recordCount);
    int close = 0, corners = 3 * own.recordCount;
    for (int k = 0; k < own.recordCount; ++k)
        for (int j = 0; j < 3; ++j) {
            const float *a = own.drawn.corner(k, j).texCoord, *b = stripped.drawn.corner(k, j).texCoord;
            close += std::fabs(a[0] - b[0]) < 2e-5f && std::fabs(a[1] - b[1]) < 2e-5f;
        }
    // The file rounds to six decimals; a facet within rounding of 45 degrees
    // may choose the other plane.
    EXPECT_GE(close, corners * 995 / 1000) << close << " of " << corners;
}

TEST(TexCoordChoice, TheFilesOwnAreKeptWhenTheyCanCarryTheFur) {
    const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
    struct Case {
        const char* name;
        std::string obj;
        bool generatedWanted;
        bool usable;
    };
    const Case cases[] = {
        {"no vt lines", square + "f 1 2 3\nf 1 3 4\n", false, false},
        {"vt lines but faces without texture indices", square + "vt 0 0\nvt 1 0\nvt 1 1\nf 1 2 3\nf 1 3 4\n", false,
         false},
        {"every face names one vt", square + "vt 0.5 0.5\nf 1/1 2/1 3/1\nf 1/1 3/1 4/1\n", false, false},
        {"collinear vts", square + "vt 0 0\nvt 0.5 0.5\nvt 1 1\nvt 0.25 0.25\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\n", false,
         false},
        {"half the surface collapsed",
         square + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3\nf 1/1 3/1 4/1\n", false, true},
        {"most of the surface collapsed",
         "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 3 0 0\nv 3 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
         "f 1/1 2/2 3/3\nf 2/1 5/1 6/1\nf 2/1 6/1 3/1\n",
         false, false},
        {"a proper atlas", square + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\n", false, true},
        {"a proper atlas, generated asked for",
         square + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\n", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMesh mesh(c.obj, c.generatedWanted);
        EXPECT_EQ(mesh.ownTexCoordsUsable, c.usable);
        bool generated = c.generatedWanted || !c.usable;
        EXPECT_EQ(mesh.texCoordsGenerated, generated);
        for (int k = 0; k < mesh.recordCount; ++k) {
            const DrawnTriangle t = drawnTriangle(mesh, k);
            float projected[3][2];
            // Facing +z: the projection is (x, y) of the scaled square.
            for (int j = 0; j < 3; ++j) {
                projected[j][0] = t.positions[j][0];
                projected[j][1] = t.positions[j][1];
            }
            bool isProjection = true;
            for (int j = 0; j < 3; ++j)
                isProjection = isProjection && t.texCoords[j][0] == projected[j][0] &&
                               t.texCoords[j][1] == projected[j][1];
            EXPECT_EQ(isProjection, generated) << "record " << k;
        }
    }
}

// Texture area per surface area of the hair's coordinates, over the model.
double hairDensity(const FurMesh& mesh) {
    TexCoordCoverage sum;
    for (size_t t = 0; t < mesh.drawn.triangleCount(); ++t) {
        const DrawnTriangle triangle = drawnTriangle(mesh, t);
        sum.add(triangle.positions, triangle.texCoords);
    }
    return sum.texture / sum.surface;
}

TEST(HairDensity, OwnCoordinatesAreScaledToTheProjectionsDensityWhereTheyAreEvenEnough) {
    // The projection's density on a sphere, which the hair patch was made for.
    const double projection = hairDensity(TestMesh(sphereObj(24, 48)));
    struct Case {
        const char* name;
        std::string obj;
        bool generated, unscaled;
    };
    const Case cases[] = {
        {"the bundled bunny, at one density already",
         readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj"), false, true},
        {"a sphere whose map spans 0..1 once", uvSphereObj(24, 48), false, false},
        {"a sphere whose map crowds one pole", uvSphereObj(24, 48, 4), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMesh mesh(c.obj);
        EXPECT_EQ(mesh.texCoordsGenerated, c.generated);
        // Strands of the patch's size, not magnified into clumps.
        EXPECT_NEAR(std::log(hairDensity(mesh) / projection), 0.0, std::log(std::sqrt(3.0)));
        // The bunny's hair keeps its own coordinates bit for bit, so its
        // picture does not change.
        EXPECT_EQ(mesh.ownTexCoordScale == 1.0, c.unscaled);
    }
}

TEST(TexCoordChoice, RefillingSwapsBetweenTheTwoWithoutReadingTheModelAgain) {
    TestMesh mesh("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.1 0.2\nvt 0.9 0.2\nvt 0.1 0.8\nf 1/1 2/2 3/3\n");
    ASSERT_TRUE(mesh.ownTexCoordsUsable);
    const float hairU = 0.9f * static_cast<float>(mesh.ownTexCoordScale);
    EXPECT_EQ(drawnTriangle(mesh, 0).texCoords[1][0], hairU);
    mesh.generatedTexCoordsWanted = true;
    mesh.refill();
    EXPECT_TRUE(mesh.texCoordsGenerated);
    EXPECT_EQ(drawnTriangle(mesh, 0).texCoords[1][0], mesh.records[0].positions[1][0]);
    mesh.generatedTexCoordsWanted = false;
    mesh.refill();
    EXPECT_FALSE(mesh.texCoordsGenerated);
    EXPECT_EQ(drawnTriangle(mesh, 0).texCoords[1][0], hairU);
    EXPECT_EQ(drawnTriangle(mesh, 0).ownTexCoords[1][0], 0.9f);
}

}  // namespace

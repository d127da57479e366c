// The simplified copy a large model's fur is drawn from: within the budget,
// on the surface, facing the way the surface faces, a thin part's two sides
// kept apart, a model's own texture coordinates and their seams carried over;
// and the prepared mesh uses it for every model beyond the budget.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "mesh/meshopt_mesh.h"
#include "mesh/texture_coordinates.h"
#include "tests/render/test_mesh.h"
#include "tests/support/obj_text.h"

namespace {

// The records welded and collapsed as the prepared mesh does it, the copy's
// triangles as records for the checks; own coordinates in texCoords.
float simplifyRecords(const FurMesh& mesh, int budget, bool keepOwnTexCoords, std::vector<FurTriangle>& copy) {
    IndexedMesh surface;
    std::vector<std::uint32_t> noVertices(3 * static_cast<size_t>(mesh.recordCount), 0);
    weldRecords(mesh.records.get(), noVertices.data(), noVertices.size() / 3, keepOwnTexCoords, surface);
    float error = simplifyMesh(surface, budget);
    copy.assign(surface.triangleCount(), FurTriangle{});
    for (size_t t = 0; t < copy.size(); ++t)
        for (int j = 0; j < 3; ++j) {
            const MeshVertex& v = surface.corner(t, j);
            std::memcpy(copy[t].positions[j], v.position, sizeof v.position);
            std::memcpy(copy[t].normals[j], v.normal, sizeof v.normal);
            std::memcpy(copy[t].texCoords[j], v.ownTexCoord, sizeof v.ownTexCoord);
        }
    return error;
}

double area2(const FurTriangle& t, double normal[3] = nullptr) {
    double u[3], v[3];
    for (int a = 0; a < 3; ++a) {
        u[a] = double{t.positions[1][a]} - t.positions[0][a];
        v[a] = double{t.positions[2][a]} - t.positions[0][a];
    }
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    if (normal)
        for (int a = 0; a < 3; ++a) normal[a] = n[a];
    return std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

double surface(const std::vector<FurTriangle>& triangles) {
    double sum = 0;
    for (const FurTriangle& t : triangles) sum += area2(t) / 2;
    return sum;
}

// Distance from p to the nearest corner of the original records, found
// through a grid of the given cell.
struct CornerGrid {
    struct Corner {
        std::array<float, 3> position, normal;
    };
    double cell;
    std::map<std::tuple<long, long, long>, std::vector<Corner>> cells;
    CornerGrid(const FurMesh& mesh, double cellSize) : cell(cellSize) {
        for (int k = 0; k < mesh.recordCount; ++k)
            for (int j = 0; j < 3; ++j) {
                const float* p = mesh.records[k].positions[j];
                const float* n = mesh.records[k].normals[j];
                cells[key(p)].push_back({{p[0], p[1], p[2]}, {n[0], n[1], n[2]}});
            }
    }
    std::tuple<long, long, long> key(const float p[3]) const {
        return {std::lround(std::floor(p[0] / cell)), std::lround(std::floor(p[1] / cell)),
                std::lround(std::floor(p[2] / cell))};
    }
    // The original corner nearest to p, and how far it is; of corners equally
    // near (a crease's), the one whose normal is nearest to n.
    const Corner* nearest(const float p[3], const float n[3], double* distance) const {
        auto [x, y, z] = key(p);
        const Corner* best = nullptr;
        double bestAlong = -2;
        *distance = 1e30;
        for (long dx = -1; dx <= 1; ++dx)
            for (long dy = -1; dy <= 1; ++dy)
                for (long dz = -1; dz <= 1; ++dz) {
                    auto found = cells.find({x + dx, y + dy, z + dz});
                    if (found == cells.end()) continue;
                    for (const Corner& q : found->second) {
                        double d = std::hypot(p[0] - q.position[0], p[1] - q.position[1], p[2] - q.position[2]);
                        double along = n[0] * q.normal[0] + n[1] * q.normal[1] + n[2] * q.normal[2];
                        if (d < *distance || (d == *distance && along > bestAlong))
                            *distance = d, best = &q, bestAlong = along;
                    }
                }
        return best;
    }
};

TEST(MeshSimplify, FewEnoughTrianglesAreCopiedUnchanged) {
    TestMesh bunny(readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj"));
    std::vector<FurTriangle> copy;
    EXPECT_EQ(simplifyRecords(bunny, 1500, true, copy), 0.0f);
    ASSERT_EQ(copy.size(), 1500u);
    EXPECT_EQ(std::memcmp(copy.data(), bunny.records.get(), sizeof(FurTriangle) * 1500), 0);
}

TEST(MeshSimplify, TheCopyKeepsToTheBudgetTheSurfaceAndItsFacing) {
    std::string large = readTextFile("/usr/share/glmark2/models/bunny.obj");
    struct Case {
        const char* name;
        std::string obj;
        int budget;
    };
    // Dense meshes, where a cell is small beside the parts of the shape: that
    // is what the copy is for.
    std::vector<Case> cases = {{"sphere", sphereObj(64, 128), 1000}};
    if (!large.empty()) {
        cases.push_back({"large bunny", large, 6000});
        cases.push_back({"large bunny, coarse", large, 2000});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMesh mesh(c.obj);
        ASSERT_GT(mesh.recordCount, c.budget);
        std::vector<FurTriangle> copy;
        float error = simplifyRecords(mesh, c.budget, false, copy);
        ASSERT_GT(error, 0.0f);
        EXPECT_LE(static_cast<int>(copy.size()), c.budget);
        EXPECT_GE(static_cast<int>(copy.size()), c.budget / 3) << "not simplified further than asked";
        std::vector<FurTriangle> original(mesh.records.get(), mesh.records.get() + mesh.recordCount);
        EXPECT_NEAR(surface(copy) / surface(original), 1.0, 0.15) << "the surface neither shrinks nor folds up";
        // Every corner is one of the model's, unmoved, and its normal, along
        // which the shells are pushed, is the surface's there.
        CornerGrid grid(mesh, 0.05);
        int corners = 0, turned = 0;
        for (const FurTriangle& t : copy)
            for (int j = 0; j < 3; ++j) {
                double distance;
                const CornerGrid::Corner* near = grid.nearest(t.positions[j], t.normals[j], &distance);
                ASSERT_EQ(distance, 0.0);
                const float* n = t.normals[j];
                EXPECT_NEAR(std::hypot(n[0], n[1], n[2]), 1.0, 1e-5) << "unit normals";
                double cosine = n[0] * near->normal[0] + n[1] * near->normal[1] + n[2] * near->normal[2];
                ++corners;
                turned += cosine < std::cos(40 * 3.14159265 / 180);
                EXPECT_GT(cosine, 0.0) << "never facing into the body";
            }
        EXPECT_LE(turned, corners / 20) << "most normals within 40 degrees of the surface's";
    }
}

// The two faces of a sheet 2 wide and `thickness` thick, each a fine grid.
std::string slabObj(float thickness, int n) {
    std::ostringstream obj;
    auto at = [n](int side, int i, int j) { return 1 + side * (n + 1) * (n + 1) + i * (n + 1) + j; };
    for (int side = 0; side < 2; ++side)
        for (int i = 0; i <= n; ++i)
            for (int j = 0; j <= n; ++j)
                obj << "v " << -1 + 2.0 * j / n << " " << -1 + 2.0 * i / n << " " << (side ? -thickness : thickness) / 2
                    << "\n";
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            // Top counter-clockwise from +z, bottom from -z.
            obj << "f " << at(0, i, j) << " " << at(0, i, j + 1) << " " << at(0, i + 1, j + 1) << "\n";
            obj << "f " << at(0, i, j) << " " << at(0, i + 1, j + 1) << " " << at(0, i + 1, j) << "\n";
            obj << "f " << at(1, i, j) << " " << at(1, i + 1, j + 1) << " " << at(1, i, j + 1) << "\n";
            obj << "f " << at(1, i, j) << " " << at(1, i + 1, j) << " " << at(1, i + 1, j + 1) << "\n";
        }
    return obj.str();
}

TEST(MeshSimplify, TheTwoSidesOfAThinPartStayApart) {
    TestMesh slab(slabObj(0.02f, 60));
    std::vector<FurTriangle> copy;
    simplifyRecords(slab, 400, false, copy);
    ASSERT_LE(copy.size(), 400u) << "triangles far wider than the slab is thick";
    const float height = slab.records[0].positions[0][2];  // the top side's
    double up = 0, down = 0;  // each side's area
    for (const FurTriangle& t : copy) {
        for (int j = 0; j < 3; ++j) {
            bool top = t.normals[j][2] > 0.99f, bottom = t.normals[j][2] < -0.99f;
            ASSERT_TRUE(top || bottom) << "a side's normal stays its own";
            // Each side keeps its own height, the slab its thickness.
            EXPECT_FLOAT_EQ(t.positions[j][2], top ? height : -height);
        }
        (t.normals[0][2] > 0 ? up : down) += area2(t) / 2;
    }
    const double side = 2.0 * 2.0;
    // The simplifier folds a few triangles over their neighbours on a plane.
    EXPECT_NEAR(up / side, 1.0, 0.15) << "each side whole";
    EXPECT_NEAR(down / side, 1.0, 0.15);
}

TEST(MeshSimplify, AModelOfPiecesTooSmallToMergeIsNeverWipedOut) {
    std::ostringstream strip;  // triangles touching only at corners, 3000 long and 1 wide
    for (int i = 0; i <= 3000; ++i) strip << "v " << i << " 0 0\nv " << i << " 1 0.5\n";
    for (int i = 0; i < 3000; ++i) strip << "f " << 2 * i + 1 << " " << 2 * i + 3 << " " << 2 * i + 2 << "\n";
    TestMesh mesh(strip.str());
    std::vector<FurTriangle> copy, original(mesh.records.get(), mesh.records.get() + mesh.recordCount);
    simplifyRecords(mesh, 100, false, copy);
    EXPECT_NEAR(surface(copy) / surface(original), 1.0, 0.15);
}

TEST(MeshSimplify, AModelsOwnCoordinatesCarryOverToTheCopyWithTheirSeams) {
    TestMesh sphere(uvSphereObj(64, 128));
    auto corner = [](const FurTriangle& t, int j) {  // position and own coordinates
        return std::array<float, 5>{t.positions[j][0], t.positions[j][1], t.positions[j][2], t.texCoords[j][0],
                                    t.texCoords[j][1]};
    };
    std::set<std::array<float, 5>> corners;
    double area = 0, copyArea = 0;
    for (int k = 0; k < sphere.recordCount; ++k) {
        for (int j = 0; j < 3; ++j) corners.insert(corner(sphere.records[k], j));
        area += texCoordArea2(sphere.records[k].texCoords);
    }
    std::vector<FurTriangle> copy;
    simplifyRecords(sphere, 1000, true, copy);
    for (const FurTriangle& t : copy) {
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(corners.count(corner(t, j)), 1u) << "a corner of the model with its own coordinates";
        // A triangle bridging the cut would span most of the map's width.
        float u[3] = {t.texCoords[0][0], t.texCoords[1][0], t.texCoords[2][0]};
        EXPECT_LT(std::fmax(u[0], std::fmax(u[1], u[2])) - std::fmin(u[0], std::fmin(u[1], u[2])), 0.5f);
        copyArea += texCoordArea2(t.texCoords);
    }
    EXPECT_NEAR(copyArea / area, 1.0, 0.05) << "the map covered once, neither torn nor folded";
}

TEST(FurMeshBudget, EveryModelBeyondTheBudgetIsDrawnFromACopy) {
    const std::string bunny = readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj");
    struct Case {
        const char* name;
        std::string obj;
        bool generatedWanted;
        int budget;
        bool simplified;
    };
    const Case cases[] = {
        {"own coordinates, within the budget", bunny, false, 8000, false},
        {"own coordinates, beyond the budget", bunny, false, 500, true},
        {"generated coordinates asked for, beyond the budget", bunny, true, 500, true},
        {"no coordinates, beyond the budget", withoutTexCoords(bunny), false, 500, true},
        {"no coordinates, no limit", withoutTexCoords(bunny), false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMesh mesh(c.obj, c.generatedWanted);
        mesh.triangleBudget = c.budget;
        mesh.refill();
        EXPECT_EQ(mesh.simplified, c.simplified);
        EXPECT_EQ(mesh.recordCount, 1500) << "the records stay the model's";
        EXPECT_EQ(mesh.drawn.triangleCount() <= 500, c.simplified);
        if (!c.simplified) continue;
        // The copy's coordinates span an area on every triangle.
        for (size_t t = 0; t < mesh.drawn.triangleCount(); ++t) {
            float hair[3][2];
            for (int j = 0; j < 3; ++j) std::memcpy(hair[j], mesh.drawn.corner(t, j).texCoord, sizeof hair[j]);
            EXPECT_GT(texCoordArea2(hair), 0.0) << t;
        }
    }
}

}  // namespace

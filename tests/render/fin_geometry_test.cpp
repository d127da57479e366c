// The fins laid out for one draw: exactly what drawing them one by one after
// reseeding the generator with each record's index gives, including a
// faded-out fin handing its texture offset to the next drawn fin of its record.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/fur_settings.h"
#include "fur/random.h"
#include "render/fin_geometry.h"
#include "render/fur_math.h"
#include "tests/render/test_mesh.h"
#include "tests/support/obj_text.h"

namespace {

// The fins of a frame the first way they were drawn: per record, reseed the
// generator with the record's index, then for each edge fade it, and if it is
// drawn take the next number as its texture offset and lift its top by the
// fin height on the processor.
struct OneByOneFin {
    float p[3], q[3], np[3], nq[3];
    float u0, u1, fade;
};

std::vector<OneByOneFin> finsOneByOne(const FurMesh& mesh, const FurSettings& s, const float view[3]) {
    std::vector<OneByOneFin> fins;
    for (int k = 0; k < mesh.recordCount; ++k) {
        const FurTriangle& t = mesh.records[k];
        seedRandom(static_cast<unsigned>(k));
        for (int j = 0; j < 3; ++j) {
            int n = (j + 1) % 3;
            float fade = finFade(t.positions[j], t.positions[n], t.normals[j], view, s.alphaBlendFins != 0);
            if (!(fade > 0.0f)) continue;
            OneByOneFin fin{};
            for (int a = 0; a < 3; ++a) {
                fin.p[a] = t.positions[j][a];
                fin.q[a] = t.positions[n][a];
                fin.np[a] = t.normals[j][a];
                fin.nq[a] = t.normals[n][a];
            }
            fin.u0 = static_cast<float>(randomDraw()) / static_cast<float>(randomDrawMax);
            float dx = fin.p[0] - fin.q[0], dy = fin.p[1] - fin.q[1], dz = fin.p[2] - fin.q[2];
            fin.u1 = fin.u0 + s.finScalingFactor * std::sqrt(dx * dx + dy * dy + dz * dz);
            fin.fade = fade;
            fins.push_back(fin);
        }
    }
    return fins;
}

void expectVertex(const FinVertex& v, const float position[3], const float normal[3], float u, float vCoord,
                  float height, float fade) {
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(v.position[a], position[a]);
        EXPECT_EQ(v.normal[a], normal[a]);
    }
    EXPECT_EQ(v.texCoord[0], u);
    EXPECT_EQ(v.texCoord[1], vCoord);
    EXPECT_EQ(v.color[0], 1.0f);
    EXPECT_EQ(v.color[1], height) << "height above the skin: 0 at the skin, the fin height at the top";
    EXPECT_EQ(v.color[2], 0.0f);
    EXPECT_EQ(v.color[3], fade);
}

TEST(FinGeometry, LaysOutWhatDrawingEachFinAfterReseedingWouldDraw) {
    TestMesh bunny(readTextFile(std::string(PELAGE_SOURCE_DIR) + "/OBJ/bunny-1500-cleaned.obj"));
    ASSERT_GT(bunny.recordCount, 1000);
    FinGeometry geometry;
    buildFinGeometry(bunny.drawn, geometry);
    struct Case {
        const char* name;
        float view[3];
        int alphaBlendFins;
        float finHeight, finScalingFactor;
    };
    const float d = 1.0f / std::sqrt(3.0f);
    const Case cases[] = {
        {"front, faded", {0, 0, 1}, 1, 0.07f, 10},
        {"diagonal, faded", {d, d, d}, 1, 0.07f, 10},
        {"from below, faded, tall", {0, -1, 0}, 1, 0.5f, 3},
        {"front, not faded", {0, 0, 1}, 0, 0.07f, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FurSettings settings;
        settings.alphaBlendFins = c.alphaBlendFins;
        settings.finHeight = c.finHeight;
        settings.finScalingFactor = c.finScalingFactor;
        std::vector<OneByOneFin> expected = finsOneByOne(bunny, settings, c.view);
        FinFrame frame = layOutFins(bunny.drawn.vertices, bunny.drawn.indices, settings, c.view, geometry, nullptr);
        ASSERT_EQ(frame.vertexCount, 4 * static_cast<std::int64_t>(expected.size()));
        if (c.alphaBlendFins) {
            EXPECT_LT(expected.size(), 3u * bunny.recordCount) << "some fins are faded out";
            EXPECT_GT(expected.size(), 0u);
        }
        for (size_t f = 0; f < expected.size(); ++f) {
            SCOPED_TRACE(testing::Message() << "fin " << f);
            const OneByOneFin& e = expected[f];
            const FinVertex* quad = &geometry.quads[4 * f];
            expectVertex(quad[0], e.p, e.np, e.u0, 0, 0, e.fade);
            expectVertex(quad[1], e.p, e.np, e.u0, 1, c.finHeight, e.fade);
            expectVertex(quad[2], e.q, e.nq, e.u1, 1, c.finHeight, e.fade);
            expectVertex(quad[3], e.q, e.nq, e.u1, 0, 0, e.fade);
            if (testing::Test::HasFailure()) return;
        }
    }
}

TEST(FinGeometry, AFadedOutFinHandsItsOffsetToTheNextDrawnFinOfItsRecord) {
    // One triangle in the z = 0 plane with normals along +z: each fin's plane
    // holds its edge and the normal, so seen straight along an edge that fin
    // faces the eye squarely and the others obliquely.
    TestMesh mesh("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    FinGeometry geometry;
    buildFinGeometry(mesh.drawn, geometry);
    FurSettings settings;
    const float alongFirstEdge[3] = {0, 1, 0};  // fin 0 (edge along x) faces it; fin 1 at 45 degrees; fin 2 edge-on
    FinFrame frame = layOutFins(mesh.drawn.vertices, mesh.drawn.indices, settings, alongFirstEdge, geometry, nullptr);
    ASSERT_EQ(frame.vertexCount, 8) << "fins 0 and 1 drawn, fin 2 faded out";
    EXPECT_EQ(frame.drawsInLastTriangle, 2);
    EXPECT_EQ(geometry.quads[0].texCoord[0], static_cast<float>(seededDraw(0, 0)) / randomDrawMax);
    EXPECT_EQ(geometry.quads[4].texCoord[0], static_cast<float>(seededDraw(0, 1)) / randomDrawMax);

    const float alongThirdEdge[3] = {1, 0, 0};  // fin 2 (edge along y) faces it; fin 0 edge-on
    frame = layOutFins(mesh.drawn.vertices, mesh.drawn.indices, settings, alongThirdEdge, geometry, nullptr);
    ASSERT_EQ(frame.vertexCount, 8) << "fins 1 and 2 drawn";
    EXPECT_EQ(geometry.quads[0].texCoord[0], static_cast<float>(seededDraw(0, 0)) / randomDrawMax)
        << "fin 1 takes the first offset, fin 0 being faded out";
    EXPECT_EQ(geometry.quads[4].texCoord[0], static_cast<float>(seededDraw(0, 1)) / randomDrawMax);
}

TEST(FinGeometry, DegenerateAndEmptyMeshesLayOutNothingWhenFaded) {
    struct Case {
        const char* name;
        std::string obj;
        std::int64_t vertices;
    };
    const Case cases[] = {
        {"no triangles", "v 0 0 0\nv 1 0 0\n", 0},
        {"all corners at one point", "v 0 0 0\nv 0 0 0\nv 0 0 0\nf 1 2 3\n", 0},
        {"a sliver with two corners at one point", "v 0 0 0\nv 1 0 0\nv 1 0 0\nf 1 2 3\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMesh mesh(c.obj);
        FinGeometry geometry;
        buildFinGeometry(mesh.drawn, geometry);
        const float view[3] = {0, 0, 1};
        FurSettings settings;
        FinFrame frame = layOutFins(mesh.drawn.vertices, mesh.drawn.indices, settings, view, geometry, nullptr);
        EXPECT_EQ(frame.vertexCount, c.vertices);
        for (const FinGeometry::Fin& fin : geometry.fins) {
            EXPECT_TRUE(std::isfinite(fin.length));
            if (!fin.hasPlane) continue;
            for (float x : fin.plane) EXPECT_TRUE(std::isfinite(x));
        }
    }
}

}  // namespace

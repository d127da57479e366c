// Painting without a GL: the falloff, what a dab of each brush changes and
// what it leaves, the stroke's direction, undo and redo, and picking the
// surface under the cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/fur_settings.h"
#include "groom/brush.h"
#include "groom/picking.h"

namespace {

float voxelCentre(int i, int size) { return 2.0f * (i + 0.5f) / size - 1.0f; }

float distanceTo(const GroomMap& map, int x, int y, int z, const float p[3]) {
    float d[3] = {voxelCentre(x, map.width) - p[0], voxelCentre(y, map.height) - p[1],
                  voxelCentre(z, map.depth) - p[2]};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

Brush brushOf(BrushKind kind, float radius, float strength, float value) {
    Brush brush;
    brush.kind = kind;
    brush.radius = radius;
    brush.strength = strength;
    brush.value = value;
    brush.color[0] = 0.2f, brush.color[1] = 0.4f, brush.color[2] = 0.8f;
    return brush;
}

TEST(BrushFalloff, IsOneAtTheCentreFallsSmoothlyAndEndsAtTheRadius) {
    EXPECT_EQ(brushFalloff(0, 0.1f), 1.0f);
    EXPECT_EQ(brushFalloff(0.1f, 0.1f), 0.0f);
    EXPECT_EQ(brushFalloff(5, 0.1f), 0.0f);
    EXPECT_EQ(brushFalloff(0, 0), 0.0f) << "a brush without a radius paints nothing";
    float previous = 1;
    for (int i = 1; i <= 100; ++i) {
        float w = brushFalloff(0.001f * i, 0.1f);
        EXPECT_LE(w, previous);
        // No step anywhere: neighbouring samples differ by at most the
        // steepest slope of the curve times the spacing.
        EXPECT_LT(previous - w, 0.02f) << i;
        previous = w;
    }
    EXPECT_LT(1 - brushFalloff(0.002f, 0.1f), 0.002f) << "flat at the centre";
    EXPECT_LT(brushFalloff(0.098f, 0.1f), 0.002f) << "flat at the edge";
}

// Each brush on a fresh groom whose maps it made: the voxel at the centre
// moves to the target by the strength, and no voxel beyond the radius moves.
TEST(BrushDab, MovesTheCentreTowardTheTargetAndNothingBeyondTheRadius) {
    const float centre[3] = {0.1f, -0.2f, 0.3f}, along[3] = {1, 0, 0};
    struct Case {
        BrushKind kind;
        GroomMapKind map;
        float expected[4];  // at the centre, strength 1
    } cases[] = {
        {BRUSH_LENGTH, LENGTH_MAP, {0.25f}},
        {BRUSH_DENSITY, DENSITY_MAP, {0.25f}},
        {BRUSH_COLOUR, COLOR_MAP, {0.2f, 0.4f, 0.8f, 1}},  // a layer: its colour, fully covering
        {BRUSH_COMB, DIRECTION_MAP, {0.5f + 0.5f * 0.25f, 0.5f, 0.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(brushLabels[c.kind]);
        Groom groom;
        std::string error;
        ASSERT_TRUE(preparePaintMaps(groom, c.kind, error)) << error;
        const GroomMap before = groom.maps[c.map];
        ASSERT_EQ(before.depth, paintVolumeSide);
        applyDab(groom, brushOf(c.kind, 0.1f, 1.0f, 0.25f), centre, along, nullptr);
        const GroomMap& map = groom.maps[c.map];
        int channels = c.map == COLOR_MAP ? 4 : c.map == DIRECTION_MAP ? 3 : 1;
        int moved = 0;
        for (int z = 0; z < map.depth; ++z)
            for (int y = 0; y < map.height; ++y)
                for (int x = 0; x < map.width; ++x) {
                    float d = distanceTo(map, x, y, z, centre);
                    for (int k = 0; k < channels; ++k) {
                        bool changed = map.voxel(x, y, z, k) != before.voxel(x, y, z, k);
                        moved += changed;
                        if (d >= 0.1f) {
                            ASSERT_FALSE(changed) << x << " " << y << " " << z;
                        }
                        // Near the centre, nearly all the way to the target.
                        if (d < 0.01f) {
                            EXPECT_NEAR(map.voxel(x, y, z, k), c.expected[k], 0.02f);
                        }
                    }
                }
        EXPECT_GT(moved, 1000) << "a sphere of radius 0.1 holds about 2,000 voxels of 2/128";
        EXPECT_TRUE(groom.edited[c.map]);
        EXPECT_FALSE(groom.painted.empty());
        EXPECT_EQ(groom.painted.direction, c.map == DIRECTION_MAP);
    }
}

TEST(BrushDab, HalfStrengthGoesHalfWayAndEraseAndSmoothWorkOnWhatIsPainted) {
    const float centre[3] = {0, 0, 0};
    Groom groom;
    std::string error;
    ASSERT_TRUE(preparePaintMaps(groom, BRUSH_LENGTH, error));
    const GroomMap& length = groom.maps[LENGTH_MAP];
    int mid = paintVolumeSide / 2;  // its centre lies 1/128 from the dab's
    applyDab(groom, brushOf(BRUSH_LENGTH, 0.5f, 0.5f, 0.0f), centre, nullptr, nullptr);
    float once = length.voxel(mid, mid, mid, 0);
    EXPECT_NEAR(once, 0.5f, 0.01f);

    // Smooth brings the two sides of the dab's slope together: x = 0.2 and
    // x = 0.4 are voxels 12 and 25 past the middle.
    const float slope[3] = {0.3f, 0, 0};
    float inside = length.voxel(mid + 12, mid, mid, 0), outside = length.voxel(mid + 25, mid, mid, 0);
    ASSERT_GT(outside - inside, 0.2f);
    ASSERT_TRUE(preparePaintMaps(groom, BRUSH_SMOOTH, error));
    applyDab(groom, brushOf(BRUSH_SMOOTH, 0.2f, 1.0f, 0), slope, nullptr, nullptr);
    EXPECT_LT(length.voxel(mid + 25, mid, mid, 0) - length.voxel(mid + 12, mid, mid, 0), 0.6f * (outside - inside));

    // Erase at full strength puts the default back at its centre.
    applyDab(groom, brushOf(BRUSH_ERASE, 0.5f, 1.0f, 0), centre, nullptr, nullptr);
    EXPECT_NEAR(length.voxel(mid, mid, mid, 0), 1.0f, 0.01f);

    // On a colour layer half a dab covers half, in the brush's own colour
    // (not paled toward the empty layer's white); erasing uncovers it only.
    ASSERT_TRUE(preparePaintMaps(groom, BRUSH_COLOUR, error));
    const GroomMap& colour = groom.maps[COLOR_MAP];
    applyDab(groom, brushOf(BRUSH_COLOUR, 0.5f, 0.5f, 0), centre, nullptr, nullptr);
    EXPECT_NEAR(colour.voxel(mid, mid, mid, 3), 0.5f, 0.01f);
    EXPECT_NEAR(colour.voxel(mid, mid, mid, 0), 0.2f, 0.01f);
    applyDab(groom, brushOf(BRUSH_ERASE, 0.5f, 1.0f, 0), centre, nullptr, nullptr);
    EXPECT_NEAR(colour.voxel(mid, mid, mid, 3), 0.0f, 0.01f);
    EXPECT_NEAR(colour.voxel(mid, mid, mid, 2), 0.8f, 0.01f);
}

TEST(PreparePaintMaps, RefusesWhatCannotBePaintedAndMatchesTheVolumesThere) {
    Groom groom;
    std::string error;
    EXPECT_FALSE(preparePaintMaps(groom, BRUSH_OFF, error));
    EXPECT_FALSE(preparePaintMaps(groom, BRUSH_SMOOTH, error)) << "nothing painted to smooth";
    EXPECT_FALSE(preparePaintMaps(groom, BRUSH_ERASE, error));
    // A look's volume of 32^3 sets the size of the maps painting makes.
    groom.maps[LENGTH_MAP].width = groom.maps[LENGTH_MAP].height = groom.maps[LENGTH_MAP].depth = 32;
    ASSERT_TRUE(preparePaintMaps(groom, BRUSH_COLOUR, error)) << error;
    EXPECT_EQ(groom.maps[COLOR_MAP].depth, 32);
    EXPECT_EQ(groom.maps[COLOR_MAP].image.volumeLayout, "32 32 32");
    // A map in texture space cannot be painted by position.
    Groom flat;
    flat.maps[COLOR_MAP].width = flat.maps[COLOR_MAP].height = 16;
    flat.maps[COLOR_MAP].depth = 1;
    flat.maps[COLOR_MAP].path = "fox-colour.png";
    EXPECT_FALSE(preparePaintMaps(flat, BRUSH_LENGTH, error));
    EXPECT_NE(error.find("\"fox-colour.png\" is a map in texture space"), std::string::npos) << error;
    EXPECT_FALSE(flat.maps[LENGTH_MAP].present());
}

TEST(StrokeDirection, IsTheStepAlongTheSurface) {
    const float from[3] = {0, 0, 0}, up[3] = {0, 0, 1};
    struct Case {
        float to[3];
        bool has;
        float direction[3];
    } cases[] = {
        {{2, 0, 5}, true, {1, 0, 0}},     // the part along the normal is dropped
        {{0, -1, 0}, true, {0, -1, 0}},
        {{0, 0, 1}, false, {0, 0, 0}},    // straight along the normal: no direction
        {{0, 0, 0}, false, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        float direction[3];
        ASSERT_EQ(strokeDirection(from, c.to, up, direction), c.has);
        for (int k = 0; c.has && k < 3; ++k) EXPECT_NEAR(direction[k], c.direction[k], 1e-6f);
    }
}

// Three strokes, two undone, one redone, then a new stroke that drops what
// was left to redo; and a history that keeps only its newest strokes.
TEST(GroomHistory, UndoAndRedoByStrokeRestoreEveryValueExactly) {
    Groom groom;
    GroomHistory history;
    std::string error;
    ASSERT_TRUE(preparePaintMaps(groom, BRUSH_LENGTH, error));
    std::vector<std::vector<std::uint16_t>> states{groom.maps[LENGTH_MAP].image.values};
    for (int s = 0; s < 3; ++s) {
        GroomStroke* stroke = history.beginStroke(groom);
        for (int dab = 0; dab < 4; ++dab) {
            const float at[3] = {-0.3f + 0.2f * s, 0.05f * dab, 0};
            applyDab(groom, brushOf(BRUSH_LENGTH, 0.15f, 0.7f, 0.1f * s), at, nullptr, stroke);
        }
        history.endStroke();
        states.push_back(groom.maps[LENGTH_MAP].image.values);
    }
    ASSERT_EQ(history.strokes(), 3u);
    EXPECT_TRUE(history.undo(groom));
    EXPECT_TRUE(history.undo(groom));
    EXPECT_EQ(groom.maps[LENGTH_MAP].image.values, states[1]);
    EXPECT_TRUE(history.redo(groom));
    EXPECT_EQ(groom.maps[LENGTH_MAP].image.values, states[2]);
    EXPECT_EQ(history.undone(), 1u);

    GroomStroke* stroke = history.beginStroke(groom);
    const float at[3] = {0.5f, 0.5f, 0.5f};
    applyDab(groom, brushOf(BRUSH_LENGTH, 0.1f, 1, 0), at, nullptr, stroke);
    history.endStroke();
    EXPECT_EQ(history.undone(), 0u);
    EXPECT_FALSE(history.redo(groom));

    // Reading other maps makes the strokes meaningless: undo says so.
    ++groom.mapsGeneration;
    EXPECT_FALSE(history.undo(groom));
    EXPECT_EQ(history.strokes(), 0u);

    for (std::size_t s = 0; s < GroomHistory::maxStrokes + 20; ++s) {
        stroke = history.beginStroke(groom);
        applyDab(groom, brushOf(BRUSH_LENGTH, 0.05f, 0.5f, (s % 2) * 1.0f), at, nullptr, stroke);
        history.endStroke();
    }
    EXPECT_EQ(history.strokes(), GroomHistory::maxStrokes);
    EXPECT_LE(history.bytes(), GroomHistory::maxBytes);
}

TEST(Picking, TheCursorsRayHitsTheNearestTriangleInModelSpace) {
    const float eye[3] = {0, 0, 3}, lookAt[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    ViewRays view{eye, lookAt, up, 50, {0, 0, 200, 100}, 100};
    Ray ray;
    ASSERT_TRUE(cursorRay(view, 100, 50, ray));
    EXPECT_NEAR(ray.direction[2], -1, 1e-3f) << "the middle pixel looks at the look-at point";
    // The top edge of the view lies 25 degrees above the axis.
    ASSERT_TRUE(cursorRay(view, 100, 0, ray));
    EXPECT_NEAR(std::atan2(ray.direction[1], -ray.direction[2]), 25 * 3.14159265f / 180, 0.01f);

    // Two parallel triangles facing the eye, at z = 0.5 and z = 0 in model
    // space; a model moved by +1 in x and turned a quarter about y.
    std::vector<MeshVertex> vertices = {
        {{-1, -1, 0}, {0, 0, 1}, {}, {}, {}},    {{1, -1, 0}, {0, 0, 1}, {}, {}, {}},
        {{0, 1, 0}, {0, 0, 1}, {}, {}, {}},      {{-1, -1, 0.5f}, {0, 0, 1}, {}, {}, {}},
        {{1, -1, 0.5f}, {0, 0, 1}, {}, {}, {}},  {{0, 1, 0.5f}, {0, 0, 1}, {}, {}, {}},
    };
    const std::vector<std::uint32_t> indices = {0, 1, 2, 3, 4, 5};
    ObjectTransform model;
    model.translateXZ[0] = 1;
    // Column-major: model x goes to world -z, model z to world x.
    const float quarter[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    std::copy(quarter, quarter + 16, model.rotation);
    Ray world{{5, 0.2f, 0}, {-1, 0, 0}}, local;
    ASSERT_TRUE(rayIntoModel(world, model, local));
    EXPECT_NEAR(local.origin[2], 4, 1e-5f);
    SurfaceHit hit;
    ASSERT_TRUE(pickSurface(local, vertices, indices, hit));
    EXPECT_EQ(hit.triangle, 1);
    EXPECT_NEAR(hit.point[2], 0.5f, 1e-5f);
    EXPECT_NEAR(hit.point[1], 0.2f, 1e-5f);
    EXPECT_NEAR(hit.normal[2], 1, 1e-5f);
    // Beside the triangles: a miss.
    Ray beside{{3, 0, 4}, {0, 0, -1}};
    EXPECT_FALSE(pickSurface(beside, vertices, indices, hit));
}

}  // namespace

// The shell level of detail's arithmetic: the coat's height on screen over
// distance, viewport and the model's place; the layers that height asks for;
// which textures they draw; and the opacity a drawn shell carries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/fur_settings.h"
#include "render/shell_lod.h"

namespace {

// cot(25 degrees): the y scale of pelage's 50-degree projection.
const float cot25 = 1.0f / std::tan(25.0f * 3.14159265f / 180.0f);

struct CoatCase {
    const char* name;
    float eye[3];
    ObjectTransform model;
    int viewportHeight;
    float distance;  // from the eye to the nearest point of the placed box
};

TEST(CoatPixels, ShellHeightSeenAtTheNearestPointOfTheModelsBox) {
    // A flat box, wide in x, thin in z.
    ModelBox box;
    const float low[3] = {-1, -0.5f, -0.2f}, high[3] = {1, 0.5f, 0.2f};
    for (int k = 0; k < 3; ++k) box.min[k] = low[k], box.max[k] = high[k];
    ObjectTransform turned;  // a quarter turn about y: model x along world -z
    turned.rotation[0] = turned.rotation[10] = 0;
    turned.rotation[2] = -1;
    turned.rotation[8] = 1;
    ObjectTransform moved;
    moved.translateXZ[1] = 1;
    const CoatCase cases[] = {
        {"face-on", {0, 0, 3}, {}, 1024, 2.8f},
        {"twice as far", {0, 0, 5.8f}, {}, 1024, 5.6f},
        {"a smaller viewport", {0, 0, 3}, {}, 360, 2.8f},
        {"off a corner", {3, 3.5f, 6.2f}, {}, 1024, 7},
        {"the model moved towards the eye", {0, 0, 3}, moved, 1024, 1.8f},
        {"the model turned, its long side to the eye", {0, 0, 3}, turned, 1024, 2},
        {"the eye inside the box: the near plane", {0.5f, 0, 0}, {}, 1024, 0.01f},
    };
    for (const CoatCase& c : cases) {
        SCOPED_TRACE(c.name);
        float expected = 0.04f * cot25 * 0.5f * c.viewportHeight / c.distance;
        EXPECT_NEAR(coatPixels(0.04f, box, c.model, c.eye, cot25, c.viewportHeight), expected, expected * 1e-4f);
    }
    const float eye[3] = {0, 0, 3};
    EXPECT_EQ(coatPixels(0.04f, ModelBox{}, ObjectTransform{}, eye, cot25, 1024), 0) << "no mesh";
}

TEST(ShellLayersDrawn, SplitTheCoatIntoGapsOfThePixelsPerShellWithinFloorAndCount) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        int numShells;
        float pixels, pixelsPerShell;
        int layers;
    } cases[] = {
        {32, 19.77f, 1.25f, 17},  // 16 gaps
        {32, 20, 1.25f, 17},      // exactly 16 gaps
        {32, 12.1f, 1, 14},
        {32, 6.4f, 1.25f, minimumShellLayers},
        {32, 0, 1.25f, minimumShellLayers},
        {32, 76.8f, 1.25f, 32},
        {32, 38.75f, 1.25f, 32},
        {32, inf, 1.25f, 32},
        {32, std::nanf(""), 1.25f, 32},
        {32, 5, 0, 32},  // off
        {100, 19.77f, 1.25f, 17},
        {8, 1, 1.25f, 8},  // fewer textures than the floor: all of them
        {1, 1, 1.25f, 1},
        {0, 1, 1.25f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.numShells << " shells, " << c.pixels << " pixels, " << c.pixelsPerShell);
        EXPECT_EQ(shellLayersDrawn(c.numShells, c.pixels, c.pixelsPerShell), c.layers);
    }
}

TEST(ShellLayerTexture, SpreadsTheLayersFromTheSkinToTheOutermostShell) {
    for (int numShells = 1; numShells <= 100; ++numShells)
        for (int layers = std::min(numShells, minimumShellLayers); layers <= numShells; ++layers) {
            SCOPED_TRACE(testing::Message() << layers << " of " << numShells);
            EXPECT_EQ(shellLayerTexture(0, layers, numShells), 0);
            EXPECT_EQ(shellLayerTexture(layers - 1, layers, numShells), numShells - 1);
            for (int layer = 1; layer < layers; ++layer) {
                int texture = shellLayerTexture(layer, layers, numShells);
                ASSERT_GT(texture, shellLayerTexture(layer - 1, layers, numShells));
                if (layers == numShells) {
                    ASSERT_EQ(texture, layer);
                }
                // Within half a texture of the even spread.
                ASSERT_LE(std::fabs(texture - layer * (numShells - 1.0) / (layers - 1)), 0.5);
            }
        }
}

TEST(ShellOpacityFactor, OneForItsOwnTextureRisingTowardsTwo) {
    EXPECT_EQ(shellOpacityFactor(1), 1.0f) << "exactly: a full stack draws as without the level of detail";
    EXPECT_EQ(shellOpacityFactor(0), 1.0f);
    EXPECT_FLOAT_EQ(shellOpacityFactor(2), 1.5f);
    EXPECT_FLOAT_EQ(shellOpacityFactor(3), 1.75f);
    EXPECT_FLOAT_EQ(shellOpacityFactor(1000), 2.0f);
}

TEST(BoxAround, SpansStridedPoints) {
    // Position, then two floats that are not part of it.
    const float points[] = {1, -2, 3, 9, 9, -1, 5, 0.5f, -9, -9, 0, 0, 7, 9, 9};
    ModelBox box = boxAround(points, 3, 5);
    const float low[3] = {-1, -2, 0.5f}, high[3] = {1, 5, 7};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(box.min[k], low[k]);
        EXPECT_EQ(box.max[k], high[k]);
    }
    EXPECT_GT(boxAround(points, 0, 5).min[0], boxAround(points, 0, 5).max[0]) << "empty";
}

}  // namespace

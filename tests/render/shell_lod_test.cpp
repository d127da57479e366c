// The shell level of detail's arithmetic: the coat's height on screen, the
// layers it asks for and the textures they draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/fur_settings.h"
#include "render/shell_lod.h"

namespace {

TEST(CoatPixels, ShellHeightSeenAtTheNearestPointOfTheModelsBox) {
    const float cot25 = 1.0f / std::tan(25.0f * 3.14159265f / 180.0f);  // pelage's 50-degree view
    ModelBox box{{-1, -0.5f, -0.2f}, {1, 0.5f, 0.2f}};  // wide in x, thin in z
    ObjectTransform turned{{0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}}, moved{};  // turned: model x along -z
    moved.translateXZ[1] = 1;
    struct Case {  // distance: from the eye to the placed box
        float eye[3];
        ObjectTransform model;
        int viewportHeight;
        float distance;
    } cases[] = {
        {{0, 0, 3}, {}, 1024, 2.8f}, {{0, 0, 5.8f}, {}, 1024, 5.6f}, {{0, 0, 3}, {}, 360, 2.8f},
        {{3, 3.5f, 6.2f}, {}, 1024, 7}, {{0, 0, 3}, moved, 1024, 1.8f}, {{0, 0, 3}, turned, 1024, 2},
        {{0.5f, 0, 0}, {}, 1024, 0.01f},  // inside: the near plane
    };
    for (const Case& c : cases) {
        float expected = 0.04f * cot25 * 0.5f * c.viewportHeight / c.distance;
        EXPECT_NEAR(coatPixels(0.04f, box, c.model, c.eye, cot25, c.viewportHeight), expected, expected * 1e-4f)
            << "distance " << c.distance;
    }
    EXPECT_EQ(coatPixels(0.04f, ModelBox{}, ObjectTransform{}, cases[0].eye, cot25, 1024), 0) << "no mesh";
}

TEST(ShellLayersDrawn, SplitTheCoatIntoGapsOfThePixelsPerShellWithinFloorAndCount) {
    struct Case {
        int numShells;
        float pixels, pixelsPerShell;
        int layers;
    } cases[] = {
        {32, 19.77f, 1.5f, 15}, {32, 21, 1.5f, 15},  {32, 12.1f, 1, 14},   {32, 6.4f, 1.5f, minimumShellLayers},
        {32, 76.8f, 1.5f, 32},  {32, 46.5f, 1.5f, 32}, {32, INFINITY, 1.5f, 32}, {32, NAN, 1.5f, 32},
        {32, 5, 0, 32},         {100, 19.77f, 1.5f, 15}, {8, 1, 1.5f, 8},     {0, 1, 1.5f, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shellLayersDrawn(c.numShells, c.pixels, c.pixelsPerShell), c.layers)
            << c.numShells << " shells, " << c.pixels << " pixels";
}

// Within half a texture of the even spread: 0 for the skin, numShells - 1 for
// the outermost shell, layer i on texture i when every layer is drawn.
TEST(ShellLayerTexture, SpreadsTheLayersEvenlyFromTheSkinToTheOutermostShell) {
    for (int numShells = 1; numShells <= 100; ++numShells)
        for (int layers = std::min(numShells, minimumShellLayers); layers <= numShells; ++layers) {
            for (int layer = 0, below = -1; layer < layers; ++layer) {
                int texture = shellLayerTexture(layer, layers, numShells);
                ASSERT_GT(texture, below) << layer << " of " << layers << " of " << numShells;
                ASSERT_LE(std::fabs(texture - layer * (numShells - 1.0) / std::max(layers - 1, 1)), 0.5);
                below = texture;
            }
        }
}

}  // namespace

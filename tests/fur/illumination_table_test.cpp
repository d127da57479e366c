// The hair-lighting table: terms along rows and columns, border texels,
// exponent limits, repeatability.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/fur_settings.h"
#include "fur/illumination_table.h"

namespace {

using Table = float[illuminationTableSize][illuminationTableSize][4];

struct TableHolder {
    std::vector<float> storage = std::vector<float>(illuminationTableSize * illuminationTableSize * 4, 0.0f);
    Table& table() { return *reinterpret_cast<Table*>(storage.data()); }
    const float* texel(int row, int column) { return table()[row][column]; }
};

IlluminationInputs inputsWith(float diffuseExponent, float specularExponent) {
    FurSettings defaults;
    IlluminationInputs inputs{};
    inputs.diffuseExponent = diffuseExponent;
    inputs.specularExponent = specularExponent;
    for (int c = 0; c < 4; ++c) {
        inputs.ambientColor[c] = defaults.ambientColor[c];
        inputs.diffuseColor[c] = defaults.diffuseColor[c];
        inputs.specularColor[c] = defaults.specularColor[c];
    }
    return inputs;
}

TEST(IlluminationTable, CornerTexelSumsAllThreeColoursAndAlphaStaysZero) {
    TableHolder holder;
    computeIlluminationTable(inputsWith(3, 32), holder.table());
    const float* corner = holder.texel(0, 0);
    EXPECT_NEAR(corner[0], 2.1f, 1e-6f);
    EXPECT_NEAR(corner[1], 2.1f, 1e-6f);
    EXPECT_NEAR(corner[2], 1.9f, 1e-6f);
    for (int j = 0; j < illuminationTableSize; ++j)
        for (int i = 0; i < illuminationTableSize; ++i) ASSERT_EQ(holder.texel(j, i)[3], 0.0f);
}

TEST(IlluminationTable, RowsCarryTheDiffuseTermAndColumnsTheSpecularTerm) {
    TableHolder holder;
    computeIlluminationTable(inputsWith(3, 32), holder.table());
    const float step = 1.0f / 130.0f;
    for (int n = 0; n < illuminationTableSize; ++n) {
        const float u = n * step;
        const double diffuse = std::pow(1.0 - u * u, 1.5);
        const double specular = std::pow(1.0 - u * u, 16.0);
        // Row 0: diffuse term 1; column 0: specular term 1.
        EXPECT_NEAR(holder.texel(0, n)[0], 0.1 + 1.0 + specular, 1e-5) << n;
        EXPECT_NEAR(holder.texel(0, n)[2], 0.1 + 1.0 + 0.8 * specular, 1e-5) << n;
        EXPECT_NEAR(holder.texel(n, 0)[0], 0.1 + diffuse + 1.0, 1e-5) << n;
        EXPECT_NEAR(holder.texel(n, 0)[2], 0.1 + diffuse + 0.8, 1e-5) << n;
    }
    // Last row and column at the defaults: diffuse 0.0153^1.5, specular ~0.
    EXPECT_NEAR(holder.texel(129, 129)[0], 0.1 + std::pow(1 - std::pow(129.0 / 130, 2), 1.5), 1e-5);
    EXPECT_NEAR(holder.texel(129, 0)[0] - 0.1 - 1.0, 0.0019, 1e-4);
    EXPECT_NEAR(holder.texel(0, 129)[0], 0.1 + 1.0, 1e-6);  // 0.0153^16
}

TEST(IlluminationTable, ExponentZeroMakesItsTermOneEverywhere) {
    TableHolder holder;
    computeIlluminationTable(inputsWith(0, 32), holder.table());
    for (int j = 0; j < illuminationTableSize; ++j)
        for (int i = 0; i < illuminationTableSize; ++i) ASSERT_EQ(holder.texel(j, i)[0], holder.texel(0, i)[0]);
    computeIlluminationTable(inputsWith(3, 0), holder.table());
    for (int j = 0; j < illuminationTableSize; ++j)
        for (int i = 0; i < illuminationTableSize; ++i) ASSERT_EQ(holder.texel(j, i)[1], holder.texel(j, 0)[1]);
}

TEST(IlluminationTable, LargestExponentsStayFinite) {
    TableHolder holder;
    computeIlluminationTable(inputsWith(2000, 2000), holder.table());
    for (int j = 0; j < illuminationTableSize; ++j)
        for (int i = 0; i < illuminationTableSize; ++i) ASSERT_TRUE(std::isfinite(holder.texel(j, i)[0]));
    EXPECT_NEAR(holder.texel(129, 129)[0], 0.1f, 1e-6f);
}

TEST(IlluminationTable, SameInputsGiveTheSameTable) {
    TableHolder first, second;
    computeIlluminationTable(inputsWith(7, 90), first.table());
    computeIlluminationTable(inputsWith(7, 90), second.table());
    EXPECT_EQ(first.storage, second.storage);
}

}  // namespace

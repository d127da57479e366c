// The hair-lighting table: (1 - u^2)^(p/2), the p-th power of the sine of the
// angle whose cosine is u, for the diffuse exponent down the rows and the
// specular exponent across the columns. The steps are single precision and
// the powers double precision; the largest index is 129, so the base never
// falls below 1 - (129/130)^2 and never reaches zero.
#include "fur/illumination_table.h"

#include <cmath>

#include "core/fur_settings.h"

IlluminationInputs currentIlluminationInputs() {
    IlluminationInputs inputs{};
    inputs.diffuseExponent = furSettings.diffuseExponent;
    inputs.specularExponent = furSettings.specularExponent;
    for (int c = 0; c < 4; ++c) {
        inputs.ambientColor[c] = furSettings.ambientColor[c];
        inputs.diffuseColor[c] = furSettings.diffuseColor[c];
        inputs.specularColor[c] = furSettings.specularColor[c];
    }
    return inputs;
}

void computeIlluminationTable(const IlluminationInputs& inputs,
                              float table[illuminationTableSize][illuminationTableSize][4]) {
    const double halfDiffuse = inputs.diffuseExponent / 2.0;
    const double halfSpecular = inputs.specularExponent / 2.0;
    constexpr float step = 1.0f / 130.0f;
    for (int j = 0; j < illuminationTableSize; ++j) {
        const float u = j * step;
        const float diffuse = static_cast<float>(std::pow(1.0f - u * u, halfDiffuse));
        for (int i = 0; i < illuminationTableSize; ++i) {
            const float v = i * step;
            const double specular = std::pow(1.0f - v * v, halfSpecular);
            for (int k = 0; k < 3; ++k) {
                table[j][i][k] = static_cast<float>(
                    inputs.ambientColor[k] + (diffuse * inputs.diffuseColor[k] + specular * inputs.specularColor[k]));
            }
        }
    }
}

// The hair-lighting lookup table: 130 x 130 RGBA float texels (a 128 x 128
// image with a one-texel border), diffuse term along the rows, specular term
// along the columns. Pure arithmetic, no OpenGL.
#pragma once

constexpr int illuminationTableSize = 130;

struct IlluminationInputs {
    float diffuseExponent;
    float specularExponent;
    float ambientColor[4];
    float diffuseColor[4];
    float specularColor[4];
};

// The inputs as furSettings holds them now.
IlluminationInputs currentIlluminationInputs();

// Writes red, green and blue of every texel, row after row; alpha is left as
// the caller has it (the process's table keeps it at 0).
void computeIlluminationTable(const IlluminationInputs& inputs,
                              float table[illuminationTableSize][illuminationTableSize][4]);

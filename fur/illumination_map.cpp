// Upload of the hair-lighting table as a 128 x 128 texture with a one-texel
// border. The generic RGBA internal format clamps the values to 0..1.
#include "fur/illumination_map.h"

GLuint illuminationMap = 0;
float illuminationTable[illuminationTableSize][illuminationTableSize][4] = {};

void buildIlluminationMap() {
    computeIlluminationTable(currentIlluminationInputs(), illuminationTable);
    if (illuminationMap == 0) glGenTextures(1, &illuminationMap);
    glBindTexture(GL_TEXTURE_2D, illuminationMap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, illuminationTableSize, illuminationTableSize, 1, GL_RGBA, GL_FLOAT,
                 illuminationTable);
}

// The illumination lookup texture: the lighting table uploaded with a border.
// The texture name is made once and kept for the whole run, so the fragment
// program's hand-over of it stays valid across rebuilds.
#pragma once
#include <epoxy/gl.h>

#include "fur/illumination_table.h"

extern GLuint illuminationMap;  // 0 until the first build

// The table as last built (all zeros before the first build).
extern float illuminationTable[illuminationTableSize][illuminationTableSize][4];

// Fills the table from furSettings and uploads it; leaves the map bound.
void buildIlluminationMap();

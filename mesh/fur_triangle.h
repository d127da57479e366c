// One triangle of the prepared mesh as a plain record: its corners' positions,
// normals, texture coordinates and combs. The records of render/fur_mesh.h
// are these, in the model's order; everything in this folder works on them
// without OpenGL.
#pragma once

struct FurTriangle {
    float positions[3][3];  // corner x, y, z in model space, after centring and scaling
    float normals[3][3];    // smoothed corner normals
    float texCoords[3][2];  // corner u, v of the hair: the file's own scaled, or generated
    // The file's own coordinates whatever the fur is drawn with (zero where it
    // has none), for the maps made for them, and the groom's comb at each
    // corner (groom/groom.h).
    float ownTexCoords[3][2];
    float combs[3][3];
};

// One triangle of the prepared mesh as a plain record: its corners'
// positions, normals and the model's own texture coordinates. The records of
// render/fur_mesh.h are these, in the model's order; everything in this
// folder works on them without OpenGL.
#pragma once

struct FurTriangle {
    float positions[3][3];  // corner x, y, z in model space, after centring and scaling
    float normals[3][3];    // smoothed corner normals
    float texCoords[3][2];  // corner u, v of the file's own; (0, 0) where it has none
};

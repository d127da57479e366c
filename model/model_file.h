// Any model file into the model records, and what every model gets after
// reading whatever its format: the up axis turned to +y, a closed model wound
// outward, normals, centring and scaling, in the one step that finishes it,
// and the plain colour its material gives the hair. No OpenGL.
//
// OBJ text goes to the project's own reader (obj_model.h); every other format
// goes through the importer (asset_import.h). Failures end the process
// through fatalError with one message and status 1, as the OBJ reader's do.
#pragma once
#include <cstddef>

#include "model/obj_model.h"

// Reads the model at `path`. A file named .obj, or text that opens with an
// OBJ keyword, is read as OBJ; a file named .obj that holds binary data is an
// error. The model comes back as the file has it: not yet turned or rewound.
ObjModel* glmReadModel(const char* path);

// Whether `text` is to be read as OBJ: its name ends in ".obj" (any case), or
// it is text whose first keyword is one of OBJ's.
bool glmIsObjFile(const char* path, const char* text, std::size_t length);

// Whether the first 64 KiB of `data` are text: no NUL byte and no control
// character other than white space.
bool glmLooksLikeText(const char* data, std::size_t length);

// Turns the vertices and normals so that the file axis `axis` (UP_AXIS_Y or
// UP_AXIS_Z; UP_AXIS_FILE: model->fileUpAxis) points along +y, from wherever
// an earlier call left them. A z-up file's -y, its front, ends up along -z.
void glmTurnUpAxis(ObjModel* model, int axis);

// Six times the volume the triangles enclose, positive when they wind
// counter-clockwise seen from outside. Meaningful for a closed model only.
double glmSignedVolume(const ObjModel* model);

// Whether the triangles close a volume: every edge, between vertices joined by
// position, is shared by an even number of triangles. False for no triangles.
bool glmIsClosed(const ObjModel* model);

// Reverses every triangle of a closed model whose triangles wind inward, and
// its normals with them when they followed that winding, so that the fur
// grows out of the body. An open surface keeps its winding. Returns whether
// it reversed the model.
bool glmWindOutward(ObjModel* model);

// Finishes a model as glmReadModel returned it, or turns a finished one to
// another up axis: glmTurnUpAxis to `axis`, glmWindOutward, then
// glmTriangleNormals, glmVertexNormals with a crease angle of 90 degrees and
// glmCenterAndScale. Returns whether it reversed the winding.
bool glmFinishModel(ObjModel* model, int axis);

// The diffuse colour of the material most triangles use, when that material
// is one the file defines and has no colour texture. False otherwise.
bool glmPlainColour(const ObjModel* model, float rgb[3]);

// Model formats other than OBJ through the Open Asset Import Library: glTF 2.0,
// FBX, 3DS, PLY, STL, Collada and the rest it reads. The one file that sees
// the library; it fills the same records as the OBJ reader. No OpenGL.
//
// Every mesh of the scene is merged into the one model with its node's
// transform applied, as triangles; points and lines are left out. The file's
// normals and first set of texture coordinates are kept where it has them.
// Groups are the meshes (newest first, "default" last and empty); material 0
// is "default", the file's materials follow in its order, each with its
// diffuse or base colour and its colour texture, external or embedded.
#pragma once
#include <cstddef>

#include "model/obj_model.h"

// Imports the file at `path`; external buffers and textures are looked up
// beside it. The library's failure ends the process with
// "glmImportModel() failed: ..." naming the file (status 1).
ObjModel* glmImportModel(const char* path);

// Imports a file held in memory as if it were the file `pathName`, whose
// extension hints at its format; a file that needs others beside it fails.
ObjModel* glmImportModelMemory(const void* data, std::size_t length, const char* pathName);

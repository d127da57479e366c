// glTF 2.0 (.gltf text, .glb binary) through tinygltf into the model records,
// with the skin and the clips (model_skin.h). The one file that sees the
// library. No OpenGL.
//
// Every triangle primitive of the scene's meshes is merged into the one model,
// one group per primitive (newest first, "default" last and empty), in the
// order of a depth-first walk of the scene: an unskinned mesh with its node's
// transform applied, a skinned one as the file gives it (glTF ignores a
// skinned mesh's own node). Within a primitive, vertices that agree in every
// attribute are shared. Material 0 is "default"; the file's materials follow,
// each with its base colour and colour texture, external or embedded. Texture
// coordinates are turned to OpenGL's origin at the bottom left.
//
// A file with a skin or a clip gives the model a ModelSkin: every vertex has
// four joints and weights (an unskinned mesh's vertices follow their node, as
// one more joint), and every clip of finite keys is kept. Files that weigh
// or key badly are repaired with one warning per kind of fault; a file the
// library cannot read, or whose accessors point outside their buffers, ends
// the process with "glmReadGLTF() failed: ..." naming it (status 1).
#pragma once
#include <cstddef>

#include "model/obj_model.h"

ObjModel* glmReadGLTF(const char* path);
// The file held in memory as if it were `pathName`; external buffers and
// images are looked up beside that name.
ObjModel* glmReadGLTFMemory(const void* data, std::size_t length, const char* pathName);

// Whether the file is glTF: named .gltf or .glb (any case), or binary glTF by
// its first four bytes.
bool glmIsGLTFFile(const char* path, const char* data, std::size_t length);

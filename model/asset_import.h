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
//
// A scene whose meshes have bones brings its skin (model/model_skin.h): the
// node hierarchy, a joint for each bone with its offset matrix as inverse
// bind, each vertex's four largest weights renormalised (a vertex without
// any, and every mesh without bones, follows its node rigidly) and every
// clip with its translation, rotation and scale keys, in seconds at the
// file's tick rate (25 a second where it gives 0). Faults in them get one
// warning each and are repaired or left out, as the glTF reader does.
//
// The program imports in a child process (model/isolated_import.cpp), so that
// a file the library crashes on, never finishes or fills memory with ends in
// one message; the fuzzer imports in-process, where its coverage reaches.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/obj_model.h"

// What the child process that imports a file may take: wall time, after
// which it is killed, and address space beyond what it had when it began.
struct ImportLimits {
    double seconds;
    std::uint64_t memoryBytes;
};

// The limits for a file of `fileBytes` bytes: 30 s and 1 s more for each
// whole MB; 2 GiB and 64 times the file.
ImportLimits importLimitsFor(std::uint64_t fileBytes);

// Imports the file at `path` in a child process within `limits` (by default
// those for the file's size); external buffers and textures are looked up
// beside it. The child's warnings are passed on to standard error. Any
// failure ends the process with one "glmImportModel() failed: ..." message
// naming the file (status 1): the library's own message, or what became of
// the child ("the importer crashed (signal 6)", "the importer took longer
// than 30 s", "the importer ran out of memory (2048 MiB)"). Costs a fork (see
// glmStartImportServer) and the model's bytes through a pipe besides the
// import itself.
ObjModel* glmImportModel(const char* path);
ObjModel* glmImportModel(const char* path, const ImportLimits& limits);

// Forks, now, the import server: the process that forks each import's child
// from then on, and keeps a spare one with its heap already written (32 MiB
// held while it waits). A child forked from the program once it holds a GL
// context and textures costs it tens of ms more, and a fresh heap's page
// faults a third of the import again. Call it early in main, before any
// thread; a program that does not forks itself for each import. The server
// and its spare end with the program.
void glmStartImportServer();

// The same import in this process, with nothing to stop a hang or a crash of
// the library: the child's work, and a baseline for the cost of the child.
ObjModel* glmImportModelInProcess(const char* path);

// Imports a file held in memory as if it were the file `pathName`, whose
// extension hints at its format; a file that needs others beside it fails.
ObjModel* glmImportModelMemory(const void* data, std::size_t length, const char* pathName);

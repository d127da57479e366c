// A model's plain records as one run of bytes and back, so that a model read
// in another process (model/isolated_import.cpp) can be handed over through a
// pipe. Both ends are this same program on this same machine: the bytes are
// the records as they lie in memory, counts first, with no versioning and no
// byte order of their own. No OpenGL.
#pragma once
#include <cstddef>
#include <string>

#include "model/obj_model.h"

// Appends everything `model` owns to `bytes`: its names, arrays, materials
// with their embedded texture bytes, groups, position, axes and skin.
void packModel(const ObjModel& model, std::string& bytes);

// The model `bytes` hold, owned by the caller (glmDeleteModel); or null when
// they are cut short, run on past the model, or give a count the rest cannot
// hold. Every read is checked against `length` first, so corrupt bytes are a
// failure, never a read outside them. A failed allocation ends the process
// as every loader's does.
ObjModel* unpackModel(const void* bytes, std::size_t length);

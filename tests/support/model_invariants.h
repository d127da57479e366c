// The invariants every model read from any file must keep: indices in range,
// finite data, unit normals, groups that cover each triangle exactly once.
// Shared by the tests and the fuzz target.
#pragma once
#include <string>

#include "model/obj_model.h"

// Empty when the model is sound, else a description of the first violation.
// `withNormals`: glmTriangleNormals and glmVertexNormals have run.
std::string modelInvariantViolation(const ObjModel* model, bool withNormals);

// For the fuzz targets: prints the first violation and aborts, so that the
// fuzzer keeps the input as a finding.
void abortOnModelInvariantViolation(const ObjModel* model, bool withNormals);

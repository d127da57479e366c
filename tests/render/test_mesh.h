// A prepared mesh built from OBJ text for the render tests; the model is freed
// with the mesh (the program itself keeps its one model for good).
#pragma once

#include <string>

#include "model/obj_model.h"
#include "render/fur_mesh.h"

struct TestMesh : FurMesh {
    explicit TestMesh(const std::string& text, bool generated = false) {
        generatedTexCoordsWanted = generated;
        model = glmReadOBJText(text.data(), text.size(), "inline.obj");
        build();
    }
    ~TestMesh() { glmDeleteModel(model); }
    TestMesh(const TestMesh&) = delete;
    TestMesh& operator=(const TestMesh&) = delete;
};

// A prepared mesh built from OBJ text for the render tests; the model is freed
// with the mesh (the program itself keeps its one model for good). Also the
// one-time set-up the fur passes need before a test draws them.
#pragma once

#include <epoxy/gl.h>

#include <string>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/illumination_map.h"
#include "model/obj_model.h"
#include "render/fur_mesh.h"
#include "render/shader_setup.h"

// The GL state, lighting table, shaders and hair patch of the start-up, with
// enough strands for a pattern and few enough to synthesise quickly.
inline void prepareFurPasses() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    furSettings.numHairs = 300;
    buildIlluminationMap();
    initShaders();
    generateHairPatch();
}

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

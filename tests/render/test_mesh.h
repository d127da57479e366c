// A prepared mesh built from OBJ text for the render tests; the model is freed
// with the mesh (the program itself keeps its one model for good), and a
// sphere with a map of its own as text. Also the one-time set-up the fur
// passes need before a test draws them.
#pragma once

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <sstream>
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

// A latitude-longitude sphere of radius 1 mapped as a modelling tool maps it:
// 0..1 once, cut along one meridian; v runs as the `warp`th power of latitude.
inline std::string uvSphereObj(int rings, int segments, double warp = 1) {
    const double pi = 3.14159265358979323846;
    std::ostringstream obj;
    obj << "v 0 1 0\nv 0 -1 0\n";
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            double theta = pi * r / rings, phi = 2 * pi * s / segments;
            obj << "v " << std::sin(theta) * std::cos(phi) << " " << std::cos(theta) << " "
                << -std::sin(theta) * std::sin(phi) << "\n";
        }
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= segments; ++s)
            obj << "vt " << double(s) / segments << " " << 1 - std::pow(double(r) / rings, warp) << "\n";
    auto corner = [&](int r, int s) {
        int v = r == 0 ? 1 : r == rings ? 2 : 3 + (r - 1) * segments + s % segments;
        return " " + std::to_string(v) + "/" + std::to_string(1 + r * (segments + 1) + s);
    };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            if (r + 1 < rings) obj << "f" << corner(r, s) << corner(r + 1, s) << corner(r + 1, s + 1) << "\n";
            if (r > 0) obj << "f" << corner(r, s) << corner(r + 1, s + 1) << corner(r, s + 1) << "\n";
        }
    return obj.str();
}

// Triangle t of what a prepared mesh draws, its corners as arrays.
struct DrawnTriangle {
    float positions[3][3], normals[3][3], texCoords[3][2], ownTexCoords[3][2], combs[3][3];
};
inline DrawnTriangle drawnTriangle(const FurMesh& mesh, std::size_t t) {
    DrawnTriangle out;
    for (int j = 0; j < 3; ++j) {
        const MeshVertex& v = mesh.drawn.corner(t, j);
        std::copy_n(v.position, 3, out.positions[j]);
        std::copy_n(v.normal, 3, out.normals[j]);
        std::copy_n(v.texCoord, 2, out.texCoords[j]);
        std::copy_n(v.ownTexCoord, 2, out.ownTexCoords[j]);
        std::copy_n(v.comb, 3, out.combs[j]);
    }
    return out;
}

struct TestMesh : FurMesh {
    explicit TestMesh(const std::string& text, bool generated = false) {
        generatedTexCoordsWanted = generated;
        model = glmReadOBJText(text.data(), text.size(), "inline.obj");
        glmTriangleNormals(model);
        glmVertexNormals(model, 90.0f);
        glmCenterAndScale(model);
        build();
    }
    ~TestMesh() { glmDeleteModel(model); }
    TestMesh(const TestMesh&) = delete;
    TestMesh& operator=(const TestMesh&) = delete;
};

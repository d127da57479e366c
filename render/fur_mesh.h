// The prepared mesh: a flat, render-ready copy of the loaded model, one record
// per triangle with its corners' positions, normals and texture coordinates,
// in the order of the model's group list. The skin and shell passes replay it
// from one display list; the fin pass walks the records directly.
// FurMesh itself needs no OpenGL; buildMeshList (mesh_list.cpp) does.
#pragma once

#include <cstdint>
#include <memory>

struct ObjModel;

struct FurTriangle {
    float positions[3][3];  // corner x, y, z in model space, after centring and scaling
    float normals[3][3];    // smoothed corner normals
    float texCoords[3][2];  // corner u, v; (0, 0) when the model has none
};

struct FurMesh {
    std::unique_ptr<FurTriangle[]> records;  // null until the first build
    std::int32_t recordCount = 0;
    ObjModel* model = nullptr;  // kept for the life of the process, never released

    // Reads the OBJ file at path (a file that cannot be read ends the program)
    // and builds the records from it.
    void load(const char* path);
    // Gives the model facet and crease-angle normals, centres and scales it,
    // and refills the records from it.
    void build();
};

extern FurMesh* furMesh;                // created by start-up, never freed
extern unsigned int meshDisplayList;    // 0 until buildMeshList has run

// Compiles furMesh into meshDisplayList: per corner a texture coordinate, a
// normal and a vertex, nothing else.
void buildMeshList();

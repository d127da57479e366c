// The loaded triangle model and the operations that read and finish it: the
// OBJ reader (two passes over the text, exact sizing), the MTL reader, facet
// and crease-angle vertex normals, centring and scaling.
//
// Vertex-like arrays (vertices, normals, texCoords, facetNormals) are indexed
// from 1 and keep a spare, zeroed entry 0; triangles and materials are indexed
// from 0. Every failure ends the process through fatalError (app/fatal_error.h)
// with one message and status 1; with a throwing exit hook the reader frees
// everything it allocated while the exception unwinds.
#pragma once
#include <cstddef>
#include <cstdint>

// A skeleton and its clips (model/model_skin.h); owned by the model.
struct ModelSkin;

struct ObjMaterial {
    char* name;
    float diffuse[4];
    float ambient[4];
    float specular[4];
    float shininess;  // OpenGL range 0 to 128
    // The colour texture: a path resolved against the model's directory, or
    // null; and a texture the file embeds, still compressed (PNG, JPEG), or
    // null with a count of 0. Both owned by the model.
    char* diffuseMap;
    unsigned char* diffuseMapBytes;
    std::uint32_t diffuseMapByteCount;
};

struct ObjTriangle {
    std::int32_t vertexIndices[3];
    std::int32_t normalIndices[3];
    std::int32_t texCoordIndices[3];
    std::int32_t facetNormalIndex;
};

struct ObjGroup {
    char* name;
    std::uint32_t triangleCount;
    std::uint32_t* triangleIndices;  // 0-based indices into ObjModel::triangles
    std::uint32_t material;          // index into ObjModel::materials, 0 by default
    ObjGroup* next;                  // the group created before this one
};

struct ObjModel {
    char* pathName;
    char* materialLibraryName;

    std::uint32_t vertexCount;
    float* vertices;  // 3 per entry, vertexCount + 1 entries

    std::uint32_t normalCount;
    float* normals;  // 3 per entry, normalCount + 1 entries, or null

    std::uint32_t texCoordCount;
    float* texCoords;  // 2 per entry, texCoordCount + 1 entries, or null

    std::uint32_t facetNormalCount;
    float* facetNormals;  // 3 per entry, facetNormalCount + 1 entries, or null

    std::uint32_t triangleCount;
    ObjTriangle* triangles;

    std::uint32_t materialCount;
    ObjMaterial* materials;  // entry 0 is "default"; null when no library was read

    std::uint32_t groupCount;
    ObjGroup* groups;  // newest first; "default" is the last

    float position[3];

    // The axis that points up in the file's own coordinates (UP_AXIS_Y or
    // UP_AXIS_Z of core/fur_settings.h) as its format records it, y when it
    // records none; and the file axis the vertices and normals are turned to
    // put along +y (glmTurnUpAxis), y as read.
    int fileUpAxis;
    int upAxis;

    // The skin, joints and clips of a file that has them, or null.
    ModelSkin* skin;
};

// The text being read and the bookkeeping both passes share (model/obj_source.h).
struct ObjSource;

// Reads the OBJ file at `path` (and the material library it names).
ObjModel* glmReadOBJ(const char* path);
// Reads OBJ text held in memory as if it were the file `pathName`; a material
// library it names is looked up beside `pathName` on disk.
ObjModel* glmReadOBJText(const char* text, std::size_t length, const char* pathName);

// The two passes over one source: counting (groups, sizes, material library),
// then filling the arrays allocated in between.
void glmFirstPass(ObjModel* model, ObjSource& source);
void glmDataPass(ObjModel* model, ObjSource& source);

ObjGroup* glmLookupGroup(ObjModel* model, const char* name);
ObjGroup* glmFindOrAddGroup(ObjModel* model, const char* name);

// Reads the library `name`, relative to the directory of model->pathName.
void glmReadMTL(ObjModel* model, const char* name);
// Index of the first material called `name`, or 0 (with a message) if none.
std::uint32_t glmFindMaterial(ObjModel* model, const char* name);

void glmTriangleNormals(ObjModel* model);
void glmVertexNormals(ObjModel* model, float angle);
// Centres the model on its bounding box and scales it to a size of 2; returns
// the scale applied.
float glmCenterAndScale(ObjModel* model);

// Frees a model and everything it owns (the program itself never does).
void glmDeleteModel(ObjModel* model);

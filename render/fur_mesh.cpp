// Building the prepared mesh from the model records, and choosing its texture
// coordinates. No OpenGL here; mesh_buffers.cpp uploads what this builds.
#include "render/fur_mesh.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "core/fatal_error.h"
#include "model/obj_model.h"
#include "render/texture_coordinates.h"

FurMesh* furMesh = nullptr;

void FurMesh::load(const char* path) {
    model = glmReadOBJ(path);
    build();
    if (recordCount == 0) std::fprintf(stderr, "FurMesh::load(): \"%s\" holds no triangles; nothing to draw.\n", path);
}

namespace {

// Marks a record that no group reached: it stays all zero.
constexpr std::uint32_t noTriangle = 0xFFFFFFFFu;

// Entry `index` of a 1-based array of `count` entries of `width` floats, or
// zeros for an index outside 1..count: a corrupt index reads no foreign memory.
void copyEntry(const float* array, unsigned count, std::int64_t index, int width, float* out) {
    bool valid = array != nullptr && index >= 1 && index <= static_cast<std::int64_t>(count);
    for (int c = 0; c < width; ++c) out[c] = valid ? array[width * index + c] : 0.0f;
}

void fillCorners(const ObjModel& model, const ObjTriangle& triangle, FurTriangle& record) {
    for (int j = 0; j < 3; ++j) {
        copyEntry(model.vertices, model.vertexCount, triangle.vertexIndices[j], 3, record.positions[j]);
        copyEntry(model.normals, model.normalCount, triangle.normalIndices[j], 3, record.normals[j]);
    }
}

void ownTexCoords(const ObjModel& model, const ObjTriangle& triangle, FurTriangle& record) {
    for (int j = 0; j < 3; ++j)
        copyEntry(model.texCoords, model.texCoordCount, triangle.texCoordIndices[j], 2, record.texCoords[j]);
}

void generatedTexCoords(const ObjModel& model, const ObjTriangle& triangle, FurTriangle& record) {
    float facetNormal[3];
    copyEntry(model.facetNormals, model.facetNormalCount, triangle.facetNormalIndex, 3, facetNormal);
    boxProjectTriangle(record.positions, facetNormal, record.texCoords);
}

}  // namespace

void FurMesh::build() {
    glmTriangleNormals(model);
    glmVertexNormals(model, 90.0f);
    glmCenterAndScale(model);

    recordCount = static_cast<std::int32_t>(model->triangleCount);
    records.reset();
    recordTriangles.reset();
    // Value-initialised, so records a group walk never reaches stay all zero.
    records.reset(new (std::nothrow) FurTriangle[recordCount]());
    recordTriangles.reset(new (std::nothrow) std::uint32_t[recordCount]);
    if ((!records || !recordTriangles) && recordCount > 0)
        fatalError(stderr, 1, "FurMesh::build() failed: out of memory for %d triangles.\n", static_cast<int>(recordCount));
    std::fill_n(recordTriangles.get(), recordCount, noTriangle);

    std::int32_t k = 0;
    TexCoordCoverage coverage;
    for (const ObjGroup* group = model->groups; group != nullptr; group = group->next) {
        for (unsigned t = 0; t < group->triangleCount && k < recordCount; ++t) {
            unsigned index = group->triangleIndices[t];
            if (index >= model->triangleCount) continue;
            fillCorners(*model, model->triangles[index], records[k]);
            ownTexCoords(*model, model->triangles[index], records[k]);
            coverage.add(records[k].positions, records[k].texCoords);
            recordTriangles[k++] = index;
        }
    }
    ownTexCoordsUsable = coverage.usable();
    chooseTexCoords(generatedTexCoordsWanted);
}

void FurMesh::chooseTexCoords(bool generated) {
    texCoordsGenerated = generated || !ownTexCoordsUsable;
    for (std::int32_t k = 0; k < recordCount; ++k) {
        if (recordTriangles[k] == noTriangle) continue;
        const ObjTriangle& triangle = model->triangles[recordTriangles[k]];
        if (texCoordsGenerated)
            generatedTexCoords(*model, triangle, records[k]);
        else
            ownTexCoords(*model, triangle, records[k]);
    }
}

std::string meshSummary(const FurMesh& mesh, const char* path) {
    const char* coordinates = "its own texture coordinates";
    if (mesh.texCoordsGenerated)
        coordinates = mesh.ownTexCoordsUsable          ? "generated texture coordinates (asked for)"
                      : mesh.model->texCoordCount == 0 ? "generated texture coordinates (the file has none)"
                                                       : "generated texture coordinates (the file's cover too little)";
    unsigned vertices = mesh.model->vertexCount;
    char line[160];
    std::snprintf(line, sizeof line, ": %d triangle%s, %u vert%s, %s", static_cast<int>(mesh.recordCount),
                  mesh.recordCount == 1 ? "" : "s", vertices, vertices == 1 ? "ex" : "ices", coordinates);
    return std::string("model ") + path + line;
}

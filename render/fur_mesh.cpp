// Building the prepared mesh from the model records. No OpenGL here; the
// display list is compiled in mesh_list.cpp.
#include "render/fur_mesh.h"

#include <cstdio>
#include <new>

#include "core/fatal_error.h"
#include "model/obj_model.h"

FurMesh* furMesh = nullptr;

void FurMesh::load(const char* path) {
    model = glmReadOBJ(path);
    build();
}

namespace {

// Entry `index` of a 1-based array of `count` entries of `width` floats, or
// zeros for an index outside 1..count: a corrupt index reads no foreign memory.
void copyEntry(const float* array, unsigned count, std::int64_t index, int width, float* out) {
    bool valid = array != nullptr && index >= 1 && index <= static_cast<std::int64_t>(count);
    for (int c = 0; c < width; ++c) out[c] = valid ? array[width * index + c] : 0.0f;
}

void fillRecord(const ObjModel& model, const ObjTriangle& triangle, FurTriangle& record) {
    for (int j = 0; j < 3; ++j) {
        copyEntry(model.vertices, model.vertexCount, triangle.vertexIndices[j], 3, record.positions[j]);
        copyEntry(model.normals, model.normalCount, triangle.normalIndices[j], 3, record.normals[j]);
        if (model.texCoordCount != 0)
            copyEntry(model.texCoords, model.texCoordCount, triangle.texCoordIndices[j], 2, record.texCoords[j]);
        else
            record.texCoords[j][0] = record.texCoords[j][1] = 0.0f;
    }
}

}  // namespace

void FurMesh::build() {
    glmTriangleNormals(model);
    glmVertexNormals(model, 90.0f);
    glmCenterAndScale(model);

    recordCount = static_cast<std::int32_t>(model->triangleCount);
    records.reset();
    // Value-initialised, so records a group walk never reaches stay all zero.
    records.reset(new (std::nothrow) FurTriangle[recordCount]());
    if (!records && recordCount > 0)
        fatalError(stderr, 1, "FurMesh::build() failed: out of memory for %d triangles.\n", static_cast<int>(recordCount));

    std::int32_t k = 0;
    for (const ObjGroup* group = model->groups; group != nullptr; group = group->next) {
        for (unsigned t = 0; t < group->triangleCount && k < recordCount; ++t) {
            unsigned index = group->triangleIndices[t];
            if (index >= model->triangleCount) continue;
            fillRecord(*model, model->triangles[index], records[k++]);
        }
    }
}

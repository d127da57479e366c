// Building the prepared mesh from the finished model, and choosing its texture
// coordinates. No OpenGL here; mesh_buffers.cpp uploads what this builds.
#include "render/fur_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "core/fatal_error.h"
#include "groom/groom.h"
#include "mesh/mesh_simplify.h"
#include "mesh/texture_coordinates.h"
#include "model/model_file.h"
#include "model/obj_model.h"

FurMesh* furMesh = nullptr;

void FurMesh::load(const char* path) {
    model = glmReadModel(path);
    rewound = glmFinishModel(model, upAxis);
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
        copyEntry(model.texCoords, model.texCoordCount, triangle.texCoordIndices[j], 2, record.ownTexCoords[j]);
    }
}

// The facet normal from the record's own corners, so that a simplified copy's
// triangles are projected as the model's are.
void generateTexCoords(FurTriangle& record) {
    const float(*p)[3] = record.positions;
    double u[3], v[3];
    for (int a = 0; a < 3; ++a) {
        u[a] = double{p[1][a]} - p[0][a];
        v[a] = double{p[2][a]} - p[0][a];
    }
    float normal[3] = {static_cast<float>(u[1] * v[2] - u[2] * v[1]), static_cast<float>(u[2] * v[0] - u[0] * v[2]),
                       static_cast<float>(u[0] * v[1] - u[1] * v[0])};
    boxProjectTriangle(record.positions, normal, record.texCoords);
}

}  // namespace

void FurMesh::build() {
    copyModelTriangles();
    TexCoordCoverage coverage;
    for (std::int32_t k = 0; k < recordCount; ++k) coverage.add(records[k].positions, records[k].ownTexCoords);
    ownTexCoordsUsable = coverage.usable();
    ownTexCoordScale = ownTexCoordsUsable ? coverage.hairScale() : 0.0;
    refill();
}

void FurMesh::copyModelTriangles() {
    modelTriangleCount = recordCount = static_cast<std::int32_t>(model->triangleCount);
    simplified = false;
    records.reset();
    // Value-initialised, so records a group walk never reaches stay all zero.
    records.reset(new (std::nothrow) FurTriangle[recordCount]());
    if (!records && recordCount > 0)
        fatalError(stderr, 1, "FurMesh::build() failed: out of memory for %d triangles.\n",
                   static_cast<int>(recordCount));
    std::int32_t k = 0;
    for (const ObjGroup* group = model->groups; group != nullptr; group = group->next) {
        for (unsigned t = 0; t < group->triangleCount && k < recordCount; ++t) {
            unsigned index = group->triangleIndices[t];
            if (index < model->triangleCount) fillRecord(*model, model->triangles[index], records[k++]);
        }
    }
}

void FurMesh::simplify() {
    std::vector<FurTriangle> copy;
    simplifyRecords(records.get(), recordCount, triangleBudget, ownTexCoordsUsable, copy);
    recordCount = static_cast<std::int32_t>(copy.size());
    records.reset(new (std::nothrow) FurTriangle[recordCount]);
    if (!records && recordCount > 0)
        fatalError(stderr, 1, "FurMesh::refill() failed: out of memory for %d triangles.\n",
                   static_cast<int>(recordCount));
    std::copy(copy.begin(), copy.end(), records.get());
    simplified = true;
}

namespace {

// The model-space directions of the texture's u and v axes over the record,
// from its own coordinates; zero where they span no area.
void textureAxes(const FurTriangle& record, float axisU[3], float axisV[3]) {
    const float(*p)[3] = record.positions;
    const float(*t)[2] = record.ownTexCoords;
    float du1 = t[1][0] - t[0][0], dv1 = t[1][1] - t[0][1], du2 = t[2][0] - t[0][0], dv2 = t[2][1] - t[0][1];
    float det = du1 * dv2 - du2 * dv1;
    float inverse = std::fabs(det) > 1e-12f ? 1.0f / det : 0.0f;
    for (int a = 0; a < 3; ++a) {
        float e1 = p[1][a] - p[0][a], e2 = p[2][a] - p[0][a];
        axisU[a] = (e1 * dv2 - e2 * dv1) * inverse;
        axisV[a] = (e2 * du1 - e1 * du2) * inverse;
    }
}

}  // namespace

void FurMesh::combRecords() {
    const float lo[3] = {-INFINITY, -INFINITY, -INFINITY}, hi[3] = {INFINITY, INFINITY, INFINITY};
    combRecords(lo, hi);
}

void FurMesh::combRecords(const float lo[3], const float hi[3]) {
    auto inside = [&](const float* p) {
        return p[0] >= lo[0] && p[0] <= hi[0] && p[1] >= lo[1] && p[1] <= hi[1] && p[2] >= lo[2] && p[2] <= hi[2];
    };
    for (std::int32_t k = 0; k < recordCount; ++k) {
        FurTriangle& record = records[k];
        if (!inside(record.positions[0]) && !inside(record.positions[1]) && !inside(record.positions[2])) continue;
        float axisU[3], axisV[3];
        textureAxes(record, axisU, axisV);
        for (int j = 0; j < 3; ++j)
            groomComb(groom, record.positions[j], record.normals[j], record.ownTexCoords[j], axisU, axisV,
                      record.combs[j]);
    }
}

void FurMesh::refill() {
    copyModelTriangles();
    texCoordsGenerated = generatedTexCoordsWanted || !ownTexCoordsUsable || !(ownTexCoordScale > 0.0);
    if (triangleBudget > 0 && recordCount > triangleBudget) simplify();
    // A scale of exactly 1 leaves every bit of the file's coordinates, and so
    // the picture they give, as it was.
    auto scale = static_cast<float>(ownTexCoordScale);
    for (std::int32_t k = 0; k < recordCount; ++k) {
        FurTriangle& record = records[k];
        if (texCoordsGenerated) generateTexCoords(record);
        else
            for (int j = 0; j < 3; ++j)
                for (int c = 0; c < 2; ++c) record.texCoords[j][c] = record.ownTexCoords[j][c] * scale;
    }
    combRecords();
}

namespace {

std::string texCoordSource(const FurMesh& mesh) {
    if (!mesh.texCoordsGenerated) {
        if (mesh.ownTexCoordScale == 1.0) return "its own texture coordinates";
        char scaled[96];
        std::snprintf(scaled, sizeof scaled, "its own texture coordinates, scaled by %.3g for the hair",
                      mesh.ownTexCoordScale);
        return scaled;
    }
    if (mesh.ownTexCoordsUsable && mesh.ownTexCoordScale > 0.0) return "generated texture coordinates (asked for)";
    if (mesh.model->texCoordCount == 0) return "generated texture coordinates (the file has none)";
    if (!mesh.ownTexCoordsUsable) return "generated texture coordinates (the file's cover too little)";
    return "generated texture coordinates (the file's are too uneven)";
}

}  // namespace

std::string meshSummary(const FurMesh& mesh, const char* path) {
    int triangles = static_cast<int>(mesh.modelTriangleCount);
    unsigned vertices = mesh.model->vertexCount;
    char line[320];
    int used = std::snprintf(line, sizeof line, ": %d triangle%s, %u vert%s, %s", triangles, triangles == 1 ? "" : "s",
                             vertices, vertices == 1 ? "ex" : "ices", texCoordSource(mesh).c_str());
    if (mesh.simplified)
        std::snprintf(line + used, sizeof line - used, "; drawn from a simplified copy of %d triangles",
                      static_cast<int>(mesh.recordCount));
    return std::string("model ") + path + line;
}

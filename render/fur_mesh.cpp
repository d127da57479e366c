// Building the prepared mesh from the finished model, choosing its texture
// coordinates and combing its corners. No OpenGL here; mesh_buffers.cpp uploads what this builds.
#include "render/fur_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "core/fatal_error.h"
#include "groom/groom.h"
#include "mesh/meshopt_mesh.h"
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

void fillRecord(const ObjModel& model, const ObjTriangle& triangle, FurTriangle& record, std::uint32_t vertices[3]) {
    for (int j = 0; j < 3; ++j) {
        std::int64_t v = triangle.vertexIndices[j];
        vertices[j] = v >= 1 && v <= std::int64_t{model.vertexCount} ? static_cast<std::uint32_t>(v) : 0;
        copyEntry(model.vertices, model.vertexCount, triangle.vertexIndices[j], 3, record.positions[j]);
        copyEntry(model.normals, model.normalCount, triangle.normalIndices[j], 3, record.normals[j]);
        copyEntry(model.texCoords, model.texCoordCount, triangle.texCoordIndices[j], 2, record.texCoords[j]);
    }
}

// Corner j of surface triangle t, as the arrays of a record.
void triangleCorners(const IndexedMesh& mesh, std::size_t t, float positions[3][3], float ownTexCoords[3][2]) {
    for (int j = 0; j < 3; ++j) {
        const MeshVertex& v = mesh.corner(t, j);
        std::copy_n(v.position, 3, positions[j]);
        std::copy_n(v.ownTexCoord, 2, ownTexCoords[j]);
    }
}

// Box projection with the facet normal from the triangle's own corners, so
// that a simplified copy's triangles are projected as the model's are.
void generateTexCoords(const float p[3][3], float texCoords[3][2]) {
    double u[3], v[3];
    for (int a = 0; a < 3; ++a) {
        u[a] = double{p[1][a]} - p[0][a];
        v[a] = double{p[2][a]} - p[0][a];
    }
    float normal[3] = {static_cast<float>(u[1] * v[2] - u[2] * v[1]), static_cast<float>(u[2] * v[0] - u[0] * v[2]),
                       static_cast<float>(u[0] * v[1] - u[1] * v[0])};
    boxProjectTriangle(p, normal, texCoords);
}

}  // namespace

void FurMesh::build() {
    copyModelTriangles();
    TexCoordCoverage coverage;
    for (std::int32_t k = 0; k < recordCount; ++k) coverage.add(records[k].positions, records[k].texCoords);
    ownTexCoordsUsable = coverage.usable();
    ownTexCoordScale = ownTexCoordsUsable ? coverage.hairScale() : 0.0;
    refill();
}

void FurMesh::copyModelTriangles() {
    recordCount = static_cast<std::int32_t>(model->triangleCount);
    records.reset();
    // Value-initialised, so records a group walk never reaches stay all zero.
    records.reset(new (std::nothrow) FurTriangle[recordCount]());
    recordVertices.assign(3 * static_cast<std::size_t>(recordCount), 0);
    if (!records && recordCount > 0)
        fatalError(stderr, 1, "FurMesh::build() failed: out of memory for %d triangles.\n",
                   static_cast<int>(recordCount));
    std::int32_t k = 0;
    for (const ObjGroup* group = model->groups; group != nullptr; group = group->next) {
        for (unsigned t = 0; t < group->triangleCount && k < recordCount; ++t) {
            unsigned index = group->triangleIndices[t];
            if (index < model->triangleCount) {
                fillRecord(*model, model->triangles[index], records[k], &recordVertices[3 * std::size_t(k)]);
                ++k;
            }
        }
    }
}

namespace {

// The model-space directions of the texture's u and v axes over a triangle,
// from its own coordinates; zero where they span no area.
void textureAxes(const float p[3][3], const float t[3][2], float axisU[3], float axisV[3]) {
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

void FurMesh::combCorners() {
    const float lo[3] = {-INFINITY, -INFINITY, -INFINITY}, hi[3] = {INFINITY, INFINITY, INFINITY};
    combCorners(lo, hi);
    splitCorners(surface, corners.data(), drawn);
}

void FurMesh::combCorners(const float lo[3], const float hi[3]) {
    auto inside = [&](const float* p) {
        return p[0] >= lo[0] && p[0] <= hi[0] && p[1] >= lo[1] && p[1] <= hi[1] && p[2] >= lo[2] && p[2] <= hi[2];
    };
    // Where drawn was split with other combs, its vertices take the new ones
    // in place; combCorners() splits it again.
    bool inPlace = drawn.indices.size() == corners.size();
    for (std::size_t t = 0; t < surface.triangleCount(); ++t) {
        float p[3][3], own[3][2];
        triangleCorners(surface, t, p, own);
        if (!inside(p[0]) && !inside(p[1]) && !inside(p[2])) continue;
        float axisU[3], axisV[3];
        textureAxes(p, own, axisU, axisV);
        for (int j = 0; j < 3; ++j) {
            float* comb = corners[3 * t + j].comb;
            groomComb(groom, p[j], surface.corner(t, j).normal, own[j], axisU, axisV, comb);
            if (inPlace) std::copy_n(comb, 3, drawn.vertices[drawn.indices[3 * t + j]].comb);
        }
    }
}

void FurMesh::refill() {
    texCoordsGenerated = generatedTexCoordsWanted || !ownTexCoordsUsable || !(ownTexCoordScale > 0.0);
    simplified = triangleBudget > 0 && recordCount > triangleBudget;
    // Own coordinates that carry nothing would only pin seams the simplifier
    // has to keep.
    weldRecords(records.get(), recordVertices.data(), static_cast<std::size_t>(recordCount),
                !simplified || ownTexCoordsUsable, surface);
    if (simplified) simplifyMesh(surface, triangleBudget);
    drawn = IndexedMesh{};
    corners.assign(surface.indices.size(), CornerAttributes{});
    // A scale of exactly 1 leaves every bit of the file's coordinates, and so
    // the picture they give, as it was.
    auto scale = static_cast<float>(ownTexCoordScale);
    for (std::size_t t = 0; t < surface.triangleCount(); ++t) {
        float p[3][3], own[3][2], hair[3][2];
        triangleCorners(surface, t, p, own);
        if (texCoordsGenerated) generateTexCoords(p, hair);
        for (int j = 0; j < 3; ++j)
            for (int c = 0; c < 2; ++c)
                corners[3 * t + j].texCoord[c] = texCoordsGenerated ? hair[j][c] : own[j][c] * scale;
    }
    combCorners();
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
    int triangles = static_cast<int>(mesh.recordCount);
    unsigned vertices = mesh.model->vertexCount;
    char line[320];
    int used = std::snprintf(line, sizeof line, ": %d triangle%s, %u vert%s, %s", triangles, triangles == 1 ? "" : "s",
                             vertices, vertices == 1 ? "ex" : "ices", texCoordSource(mesh).c_str());
    if (mesh.simplified)
        std::snprintf(line + used, sizeof line - used, "; drawn from a simplified copy of %d triangles",
                      static_cast<int>(mesh.drawn.triangleCount()));
    return std::string("model ") + path + line;
}

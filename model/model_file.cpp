// Choosing the reader for a model file, and the up axis, outward winding and
// plain colour every model gets after reading. See model_file.h.
#include "model/model_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "model/asset_import.h"
#include "model/gltf_reader.h"
#include "model/model_skin.h"
#include "model/obj_source.h"

namespace {

bool endsWithObj(std::string_view path) {
    if (path.size() < 4) return false;
    std::string_view tail = path.substr(path.size() - 4);
    const char* obj = ".obj";
    for (int k = 0; k < 4; ++k)
        if (tail[k] != obj[k] && tail[k] != obj[k] - ('a' - 'A')) return false;
    return true;
}

// The keywords an OBJ file may open with; no other format the importer reads
// opens its text with one of them ("ply", "solid", "OFF", "<?xml", "{").
bool isObjKeyword(std::string_view word) {
    static constexpr std::string_view keywords[] = {"v",  "vt", "vn", "vp", "f",      "g",     "o",
                                                    "s",  "l",  "p",  "mtllib", "usemtl"};
    return std::find(std::begin(keywords), std::end(keywords), word) != std::end(keywords);
}

std::string_view firstKeyword(const char* text, std::size_t length) {
    TextScanner scanner(text, length);
    for (std::string_view token = scanner.token(); !token.empty(); token = scanner.token()) {
        if (token[0] != '#') return token;
        scanner.skipLine();
    }
    return {};
}

// What glmIsObjFile looks at: the first 64 KiB for text, and the first
// keyword, which the head of a file settles when it holds one that ends
// before the head does.
constexpr std::size_t formatHeadBytes = 65536;

bool headTellsFormat(const std::string& head) {
    if (!glmLooksLikeText(head.data(), head.size())) return true;
    std::string_view keyword = firstKeyword(head.data(), head.size());
    return !keyword.empty() && keyword.data() + keyword.size() < head.data() + head.size();
}

const float* vertexAt(const ObjModel* model, std::int32_t index) {
    if (index < 1 || static_cast<std::uint32_t>(index) > model->vertexCount) return nullptr;
    return &model->vertices[3 * static_cast<std::size_t>(index)];
}

// Turns every entry of a 1-based array of 3-vectors; the rotation is exact.
void turnEntries(float* entries, std::uint32_t count, bool zToY) {
    for (std::size_t i = 1; entries && i <= count; ++i) {
        float* e = &entries[3 * i];
        float y = e[1], z = e[2];
        e[1] = zToY ? z : -z;
        e[2] = zToY ? -y : y;
    }
}

int resolvedAxis(int axis) { return axis == UP_AXIS_Z ? UP_AXIS_Z : UP_AXIS_Y; }

// How far the file's normals agree with the winding: the sum over corners of
// the cosine between the corner's normal and its triangle's facet.
double normalAgreement(const ObjModel* model) {
    double agreement = 0;
    for (std::uint32_t t = 0; model->normals && t < model->triangleCount; ++t) {
        const ObjTriangle& triangle = model->triangles[t];
        const float* p[3];
        for (int k = 0; k < 3; ++k) p[k] = vertexAt(model, triangle.vertexIndices[k]);
        if (!p[0] || !p[1] || !p[2]) continue;
        double u[3], v[3];
        for (int a = 0; a < 3; ++a) {
            u[a] = double{p[1][a]} - p[0][a];
            v[a] = double{p[2][a]} - p[0][a];
        }
        double facet[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        for (std::int32_t index : triangle.normalIndices) {
            if (index < 1 || static_cast<std::uint32_t>(index) > model->normalCount) continue;
            const float* n = &model->normals[3 * static_cast<std::size_t>(index)];
            agreement += facet[0] * n[0] + facet[1] * n[1] + facet[2] * n[2];
        }
    }
    return agreement;
}

void negateEntries(float* entries, std::uint32_t count) {
    for (std::size_t i = 3; entries && i < 3 * (std::size_t{count} + 1); ++i) entries[i] = -entries[i];
}

}  // namespace

bool glmLooksLikeText(const char* data, std::size_t length) {
    std::size_t checked = std::min<std::size_t>(length, 65536);
    for (std::size_t i = 0; i < checked; ++i) {
        auto c = static_cast<unsigned char>(data[i]);
        if (c < 0x20 && !isBlankOrLineEnd(static_cast<char>(c))) return false;
    }
    return true;
}

bool glmIsObjFile(const char* path, const char* text, std::size_t length) {
    if (endsWithObj(path)) return true;
    return glmLooksLikeText(text, length) && isObjKeyword(firstKeyword(text, length));
}

ObjModel* glmReadModel(const char* path) {
    const bool namedObj = endsWithObj(path);
    const char* reader = namedObj ? "glmReadOBJ" : "glmReadModel";
    std::string text;
    auto read = [&](std::size_t limit) {
        if (!readWholeFile(path, text, reader, limit))
            fatalError(stderr, 1, "%s() failed: can't open data file \"%s\".\n", reader, path);
        return text.size() < limit;
    };
    // The importer reads every other format itself, so a file not named .obj
    // is read only as far as it takes to tell OBJ text from the rest, and all
    // of it only when it is OBJ after all.
    constexpr std::size_t all = static_cast<std::size_t>(-1);
    bool whole = read(namedObj ? all : formatHeadBytes);
    if (!whole && !headTellsFormat(text)) whole = read(all);
    if (!namedObj && glmIsGLTFFile(path, text.data(), text.size())) {
        if (!whole) read(all);
        return glmReadGLTFMemory(text.data(), text.size(), path);
    }
    if (!glmIsObjFile(path, text.data(), text.size())) return glmImportModel(path);
    if (!whole) read(all);
    if (!glmLooksLikeText(text.data(), text.size()))
        fatalError(stderr, 1, "glmReadOBJ() failed: \"%s\" holds binary data, not OBJ text.\n", path);
    ObjModel* model = glmReadOBJText(text.data(), text.size(), path);
    model->fileUpAxis = model->upAxis = UP_AXIS_Y;
    return model;
}

void glmTurnUpAxis(ObjModel* model, int axis) {
    int wanted = resolvedAxis(axis == UP_AXIS_FILE ? model->fileUpAxis : axis);
    int current = resolvedAxis(model->upAxis);
    model->upAxis = wanted;
    if (wanted == current) return;
    // From y up to z up turns the file's z onto +y; back the other way.
    bool zToY = wanted == UP_AXIS_Z;
    turnEntries(model->vertices, model->vertexCount, zToY);
    turnEntries(model->normals, model->normalCount, zToY);
    turnEntries(model->facetNormals, model->facetNormalCount, zToY);
    if (model->skin) {
        Affine turn = zToY ? Affine{1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0} : Affine{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0};
        model->skin->placement = affineMultiply(turn, model->skin->placement);
    }
}

double glmSignedVolume(const ObjModel* model) {
    double volume = 0;
    for (std::uint32_t t = 0; t < model->triangleCount; ++t) {
        const ObjTriangle& triangle = model->triangles[t];
        const float* a = vertexAt(model, triangle.vertexIndices[0]);
        const float* b = vertexAt(model, triangle.vertexIndices[1]);
        const float* c = vertexAt(model, triangle.vertexIndices[2]);
        if (!a || !b || !c) continue;
        volume += a[0] * (double{b[1]} * c[2] - double{b[2]} * c[1]) +
                  a[1] * (double{b[2]} * c[0] - double{b[0]} * c[2]) +
                  a[2] * (double{b[0]} * c[1] - double{b[1]} * c[0]);
    }
    return volume;
}

bool glmIsClosed(const ObjModel* model) {
    // Importers split a vertex where its normal or texture coordinates change,
    // so edges meet by position rather than by index; -0 meets +0.
    std::unordered_map<std::string, std::uint32_t> joined;
    std::vector<std::uint32_t> joinedIndex(std::size_t{model->vertexCount} + 1, 0);
    for (std::uint32_t v = 1; v <= model->vertexCount; ++v) {
        float position[3];
        for (int k = 0; k < 3; ++k) position[k] = model->vertices[3 * std::size_t{v} + k] + 0.0f;
        std::string bytes(reinterpret_cast<const char*>(position), sizeof position);
        joinedIndex[v] = joined.emplace(std::move(bytes), v).first->second;
    }
    std::unordered_map<std::uint64_t, std::uint32_t> edgeUses;
    for (std::uint32_t t = 0; t < model->triangleCount; ++t) {
        const ObjTriangle& triangle = model->triangles[t];
        for (int k = 0; k < 3; ++k) {
            std::int32_t a = triangle.vertexIndices[k], b = triangle.vertexIndices[(k + 1) % 3];
            if (!vertexAt(model, a) || !vertexAt(model, b)) continue;
            std::uint64_t ja = joinedIndex[static_cast<std::size_t>(a)], jb = joinedIndex[static_cast<std::size_t>(b)];
            if (ja != jb) ++edgeUses[std::min(ja, jb) << 32 | std::max(ja, jb)];
        }
    }
    if (edgeUses.empty()) return false;
    return std::all_of(edgeUses.begin(), edgeUses.end(), [](const auto& edge) { return edge.second % 2 == 0; });
}

bool glmWindOutward(ObjModel* model) {
    if (glmSignedVolume(model) >= 0 || !glmIsClosed(model)) return false;
    bool normalsFollowWinding = normalAgreement(model) > 0;
    for (std::uint32_t t = 0; t < model->triangleCount; ++t) {
        ObjTriangle& triangle = model->triangles[t];
        std::swap(triangle.vertexIndices[1], triangle.vertexIndices[2]);
        std::swap(triangle.normalIndices[1], triangle.normalIndices[2]);
        std::swap(triangle.texCoordIndices[1], triangle.texCoordIndices[2]);
    }
    if (normalsFollowWinding) negateEntries(model->normals, model->normalCount);
    negateEntries(model->facetNormals, model->facetNormalCount);
    return true;
}

bool glmFinishModel(ObjModel* model, int axis) {
    glmTurnUpAxis(model, axis);
    bool reversed = glmWindOutward(model);
    glmTriangleNormals(model);
    glmVertexNormals(model, 90.0f);
    glmCenterAndScale(model);
    return reversed;
}

bool glmPlainColour(const ObjModel* model, float rgb[3]) {
    if (!model->materials || model->materialCount < 2) return false;
    std::vector<std::uint64_t> uses(model->materialCount, 0);
    for (const ObjGroup* group = model->groups; group; group = group->next)
        if (group->material < model->materialCount) uses[group->material] += group->triangleCount;
    auto most = std::max_element(uses.begin(), uses.end());
    if (*most == 0) return false;
    const ObjMaterial& material = model->materials[most - uses.begin()];
    if (most == uses.begin() || material.diffuseMap || material.diffuseMapBytes) return false;
    std::copy_n(material.diffuse, 3, rgb);
    return true;
}

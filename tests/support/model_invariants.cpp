// Checks a model against the invariants of model_invariants.h.
#include "tests/support/model_invariants.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

bool allFinite(const float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

double length(const float* v) { return std::sqrt(double{v[0]} * v[0] + double{v[1]} * v[1] + double{v[2]} * v[2]); }

bool inRange(std::int32_t index, std::uint32_t count, bool zeroAllowed) {
    return (zeroAllowed && index == 0) || (index >= 1 && static_cast<std::uint32_t>(index) <= count);
}

std::string checkArrays(const ObjModel* m, bool withNormals) {
    if (!m->pathName) return "no path name";
    if (!m->vertices) return "no vertex array";
    if (!allFinite(m->vertices + 3, 3 * std::size_t{m->vertexCount})) return "non-finite vertex";
    if ((m->texCoordCount == 0) != (m->texCoords == nullptr)) return "texCoords and texCoordCount disagree";
    if (m->texCoords && !allFinite(m->texCoords + 2, 2 * std::size_t{m->texCoordCount}))
        return "non-finite texture coordinate";
    if (m->normals && !allFinite(m->normals + 3, 3 * std::size_t{m->normalCount})) return "non-finite normal";
    if (m->triangleCount && !m->triangles) return "no triangle array";
    if (!withNormals) {
        if ((m->normalCount == 0) != (m->normals == nullptr)) return "normals and normalCount disagree";
        return "";
    }
    if (m->facetNormalCount != m->triangleCount || !m->facetNormals) return "facet normals missing";
    for (std::uint32_t i = 1; i <= m->facetNormalCount; ++i) {
        const float* n = &m->facetNormals[3 * std::size_t{i}];
        double l = length(n);
        if (!std::isfinite(l) || (l != 0.0 && std::fabs(l - 1.0) > 1e-4))
            return "facet normal " + std::to_string(i) + " is neither unit nor zero";
    }
    if (!m->normals) return "normals missing";
    for (std::uint32_t i = 1; i <= m->normalCount; ++i) {
        double l = length(&m->normals[3 * std::size_t{i}]);
        if (!std::isfinite(l) || std::fabs(l - 1.0) > 1e-4) return "normal " + std::to_string(i) + " is not unit";
    }
    return "";
}

std::string checkTriangles(const ObjModel* m, bool withNormals) {
    for (std::uint32_t t = 0; t < m->triangleCount; ++t) {
        const ObjTriangle& tri = m->triangles[t];
        std::string where = "triangle " + std::to_string(t) + ": ";
        for (int k = 0; k < 3; ++k) {
            if (!inRange(tri.vertexIndices[k], m->vertexCount, false)) return where + "vertex index out of range";
            if (!inRange(tri.texCoordIndices[k], m->texCoordCount, true)) return where + "texture index out of range";
            if (withNormals ? !inRange(tri.normalIndices[k], m->normalCount, false)
                            : !inRange(tri.normalIndices[k], m->normalCount, true))
                return where + "normal index out of range";
        }
        if (withNormals && tri.facetNormalIndex != static_cast<std::int32_t>(t + 1))
            return where + "wrong facet normal index";
    }
    return "";
}

std::string checkGroups(const ObjModel* m) {
    std::vector<int> seen(m->triangleCount, 0);
    std::set<std::string> names;
    std::uint32_t groups = 0;
    const ObjGroup* last = nullptr;
    for (const ObjGroup* g = m->groups; g; g = g->next, ++groups) {
        if (groups > m->groupCount) return "group list longer than groupCount";
        if (!g->name) return "group without a name";
        if (!names.insert(g->name).second) return std::string("group name twice: ") + g->name;
        if (g->triangleCount && !g->triangleIndices) return "group without its index array";
        if (m->materialCount ? g->material >= m->materialCount : g->material != 0) return "group material out of range";
        for (std::uint32_t i = 0; i < g->triangleCount; ++i) {
            if (g->triangleIndices[i] >= m->triangleCount) return "group triangle index out of range";
            ++seen[g->triangleIndices[i]];
        }
        last = g;
    }
    if (groups != m->groupCount) return "groupCount disagrees with the list";
    if (!last || std::strcmp(last->name, "default") != 0) return "\"default\" is not the last group";
    for (std::uint32_t t = 0; t < m->triangleCount; ++t)
        if (seen[t] != 1) return "triangle " + std::to_string(t) + " is in " + std::to_string(seen[t]) + " groups";
    return "";
}

std::string checkMaterials(const ObjModel* m) {
    if ((m->materialCount == 0) != (m->materials == nullptr)) return "materials and materialCount disagree";
    if (!m->materials) return "";
    if (std::strcmp(m->materials[0].name, "default") != 0) return "material 0 is not \"default\"";
    for (std::uint32_t i = 0; i < m->materialCount; ++i) {
        const ObjMaterial& mat = m->materials[i];
        if (!mat.name) return "material without a name";
        if (!allFinite(mat.diffuse, 4) || !allFinite(mat.ambient, 4) || !allFinite(mat.specular, 4) ||
            !std::isfinite(mat.shininess))
            return "non-finite material value";
        if (mat.diffuse[3] != 1.0f || mat.ambient[3] != 1.0f || mat.specular[3] != 1.0f) return "alpha is not 1";
    }
    return "";
}

}  // namespace

std::string modelInvariantViolation(const ObjModel* model, bool withNormals) {
    for (const std::string& problem :
         {checkArrays(model, withNormals), checkTriangles(model, withNormals), checkGroups(model), checkMaterials(model)})
        if (!problem.empty()) return problem;
    return "";
}

void abortOnModelInvariantViolation(const ObjModel* model, bool withNormals) {
    std::string problem = modelInvariantViolation(model, withNormals);
    if (problem.empty()) return;
    std::fprintf(stderr, "model invariant broken: %s\n", problem.c_str());
    std::abort();
}

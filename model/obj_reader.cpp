// The OBJ reader: a counting pass that builds the groups and reads the material
// library, exact allocation, then a data pass that fills the arrays, fans the
// faces into triangles and hands each triangle to its group.
//
// Both passes run the same dispatch and face scanning, so they always meet the
// same keywords, faces and groups; the data pass checks every index against
// the counts and ends the process on one that points outside its array.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/fatal_error.h"
#include "model/obj_model.h"
#include "model/obj_source.h"

namespace {

// Triangle indices are 32-bit signed integers, so no array may be longer.
constexpr std::uint64_t maxElements = std::numeric_limits<std::int32_t>::max();

// The form of a face's first reference fixes the form of all of its references.
enum class FaceForm { VertexNormal, VertexTexNormal, VertexTex, Vertex };

// A corner's vertex, texture coordinate and normal indices: as the face writes
// them (negative ones relative) when scanned, absolute once resolved.
struct CornerIndices {
    std::int32_t vertex = 0;
    std::int32_t texCoord = 0;
    std::int32_t normal = 0;
};

// One reference with "%d//%d", "%d/%d/%d", "%d/%d" or "%d" scanf semantics;
// returns how many values were read. Values not read keep their content.
int scanReference(TextScanner& scanner, FaceForm form, CornerIndices& reference) {
    if (!scanner.scanInt(reference.vertex)) return 0;
    switch (form) {
        case FaceForm::Vertex:
            return 1;
        case FaceForm::VertexNormal:
            if (!scanner.matchChar('/') || !scanner.matchChar('/') || !scanner.scanInt(reference.normal)) return 1;
            return 2;
        case FaceForm::VertexTex:
            if (!scanner.matchChar('/') || !scanner.scanInt(reference.texCoord)) return 1;
            return 2;
        case FaceForm::VertexTexNormal:
            if (!scanner.matchChar('/') || !scanner.scanInt(reference.texCoord)) return 1;
            if (!scanner.matchChar('/') || !scanner.scanInt(reference.normal)) return 2;
            return 3;
    }
    return 0;
}

FaceForm faceFormOf(std::string_view token) {
    if (token.find("//") != std::string_view::npos) return FaceForm::VertexNormal;
    TextScanner scanner(token);
    CornerIndices unused;
    // "%d/%d" scans the same prefix as "%d/%d/%d", so one scan answers both tests.
    int values = scanReference(scanner, FaceForm::VertexTexNormal, unused);
    if (values == 3) return FaceForm::VertexTexNormal;
    if (values == 2) return FaceForm::VertexTex;
    return FaceForm::Vertex;
}

[[noreturn]] void passesDisagree(const char* what) {
    // Cannot happen while both passes share their scanning; abort rather than
    // exit so that a fuzzer reports it.
    std::fprintf(stderr, "glmDataPass(): internal error: %s.\n", what);
    std::abort();
}

struct Pass {
    ObjModel* model;
    ObjSource& source;
    bool storing;
    ObjGroup* group = nullptr;
    std::uint32_t groupCapacity = 0;  // data pass: the current group's triangleIndices size

    // Counting pass.
    std::uint64_t vertices = 0, normals = 0, texCoords = 0, triangles = 0;

    // Data pass.
    std::uint32_t material = 0;
    std::uint32_t nextVertex = 1, nextNormal = 1, nextTexCoord = 1;
    std::uint32_t triangleIndex = 0;
    bool warnedAboutNormals = false;
    std::unordered_map<std::string, std::uint32_t> materialsByName;

    Pass(ObjModel* m, ObjSource& s, bool data) : model(m), source(s), storing(data) {}
};

ObjGroup* findOrAddIndexedGroup(Pass& pass, const std::string& name) {
    auto found = pass.source.groupsByName.find(name);
    if (found != pass.source.groupsByName.end()) return found->second;
    ObjGroup* group = addGroup(pass.model, name, "glmFindOrAddGroup");
    pass.source.groupsByName.emplace(name, group);
    return group;
}

void countElement(std::uint64_t& count, const char* what, const Pass& pass) {
    if (++count > maxElements)
        fatalError(stderr, 1, "glmFirstPass() failed: \"%s\" has more than %llu %s.\n", pass.source.pathName.c_str(),
                   static_cast<unsigned long long>(maxElements), what);
}

void enterCountedGroup(Pass& pass, ObjGroup* group) {
    auto capacity = pass.source.groupCapacity.find(group);
    if (capacity == pass.source.groupCapacity.end()) passesDisagree("a group the counting pass did not size");
    pass.group = group;
    pass.groupCapacity = capacity->second;
}

// Resolves a relative (negative) index against the elements read so far.
std::int64_t resolveIndex(std::int32_t index, std::uint32_t readSoFar) {
    return index < 0 ? std::int64_t{readSoFar} + 1 + index : index;
}

CornerIndices resolveReference(Pass& pass, const CornerIndices& reference, FaceForm form, const char* at) {
    CornerIndices corner;
    if (!pass.storing) return corner;
    const ObjModel* model = pass.model;
    std::int64_t vertex = resolveIndex(reference.vertex, pass.nextVertex - 1);
    if (vertex < 1 || vertex > model->vertexCount)
        fatalError(stderr, 1,
                   "glmDataPass() failed: vertex index %d is out of range (the model has %u vertices) in \"%s\", "
                   "line %u.\n",
                   reference.vertex, model->vertexCount, pass.source.pathName.c_str(),
                   pass.source.scanner.lineNumberAt(at));
    corner.vertex = static_cast<std::int32_t>(vertex);
    if (form == FaceForm::VertexTex || form == FaceForm::VertexTexNormal) {
        std::int64_t texCoord = resolveIndex(reference.texCoord, pass.nextTexCoord - 1);
        if (texCoord < 1 || texCoord > model->texCoordCount)
            fatalError(stderr, 1,
                       "glmDataPass() failed: texture coordinate index %d is out of range (the model has %u texture "
                       "coordinates) in \"%s\", line %u.\n",
                       reference.texCoord, model->texCoordCount, pass.source.pathName.c_str(),
                       pass.source.scanner.lineNumberAt(at));
        corner.texCoord = static_cast<std::int32_t>(texCoord);
    }
    if (form == FaceForm::VertexNormal || form == FaceForm::VertexTexNormal) {
        std::int64_t normal = resolveIndex(reference.normal, pass.nextNormal - 1);
        if (normal >= 1 && normal <= model->normalCount) {
            corner.normal = static_cast<std::int32_t>(normal);
        } else if (!pass.warnedAboutNormals) {
            // Harmless: the normals are regenerated before anyone reads them.
            pass.warnedAboutNormals = true;
            std::fprintf(stderr,
                         "glmDataPass(): normal index %d is out of range (the model has %u normals) in \"%s\", "
                         "line %u; normals are regenerated.\n",
                         reference.normal, model->normalCount, pass.source.pathName.c_str(),
                         pass.source.scanner.lineNumberAt(at));
        }
    }
    return corner;
}

void emitTriangle(Pass& pass, FaceForm form, const CornerIndices (&corners)[3]) {
    if (!pass.storing) {
        countElement(pass.triangles, "triangles", pass);
        ++pass.group->triangleCount;
        return;
    }
    ObjModel* model = pass.model;
    if (pass.triangleIndex >= model->triangleCount) passesDisagree("more triangles than counted");
    if (pass.group->triangleCount >= pass.groupCapacity) passesDisagree("more triangles in a group than counted");

    ObjTriangle& triangle = model->triangles[pass.triangleIndex];
    bool texCoords = form == FaceForm::VertexTex || form == FaceForm::VertexTexNormal;
    bool normals = form == FaceForm::VertexNormal || form == FaceForm::VertexTexNormal;
    for (int k = 0; k < 3; ++k) {
        triangle.vertexIndices[k] = corners[k].vertex;
        if (texCoords) triangle.texCoordIndices[k] = corners[k].texCoord;
        if (normals) triangle.normalIndices[k] = corners[k].normal;
    }
    pass.group->triangleIndices[pass.group->triangleCount++] = pass.triangleIndex++;
}

// A face: the token after the keyword is its first reference, two more follow,
// then any number of further references (across line ends) fan around the first.
void readFace(Pass& pass) {
    TextScanner& scanner = pass.source.scanner;
    std::string_view token = scanner.token();
    FaceForm form = faceFormOf(token);
    CornerIndices reference;
    TextScanner tokenScanner(token);
    if (scanReference(tokenScanner, form, reference) == 0 && pass.storing)
        fatalError(stderr, 1, "glmDataPass() failed: a face without a vertex index in \"%s\", line %u.\n",
                   pass.source.pathName.c_str(), scanner.lineNumberAt(token.data()));

    CornerIndices corners[3];
    corners[0] = resolveReference(pass, reference, form, token.data());
    CornerIndices last = corners[0];
    // A missing second or third reference repeats the one before it.
    for (int k = 1; k < 3; ++k) {
        scanner.skipWhiteSpace();
        const char* at = scanner.cursor;
        if (scanReference(scanner, form, reference) > 0) last = resolveReference(pass, reference, form, at);
        corners[k] = last;
    }
    emitTriangle(pass, form, corners);

    for (;;) {
        scanner.skipWhiteSpace();
        const char* at = scanner.cursor;
        if (scanReference(scanner, form, reference) == 0) break;
        corners[1] = corners[2];
        corners[2] = resolveReference(pass, reference, form, at);
        emitTriangle(pass, form, corners);
    }
}

void readVertexLine(Pass& pass, std::string_view token) {
    TextScanner& scanner = pass.source.scanner;
    ObjModel* model = pass.model;
    char kind = token.size() > 1 ? token[1] : '\0';
    if (!pass.storing) {
        if (kind == '\0') {
            countElement(pass.vertices, "vertices", pass);
        } else if (kind == 'n') {
            countElement(pass.normals, "normals", pass);
        } else if (kind == 't') {
            countElement(pass.texCoords, "texture coordinates", pass);
        } else {
            std::string name(token.substr(0, token.find('\0')));
            fatalError(stdout, 1, "glmFirstPass(): Unknown token \"%s\".\n", name.c_str());
        }
        scanner.skipLine();
        return;
    }
    // The numbers come from this line only: a short or wordy line never reaches
    // into the next one, as the counting pass sees it.
    if (kind == '\0') {
        if (pass.nextVertex > model->vertexCount) passesDisagree("more vertices than counted");
        scanner.readLineFloats(&model->vertices[3 * std::size_t{pass.nextVertex++}], 3);
    } else if (kind == 'n') {
        if (pass.nextNormal > model->normalCount) passesDisagree("more normals than counted");
        scanner.readLineFloats(&model->normals[3 * std::size_t{pass.nextNormal++}], 3);
    } else if (kind == 't') {
        if (pass.nextTexCoord > model->texCoordCount) passesDisagree("more texture coordinates than counted");
        scanner.readLineFloats(&model->texCoords[2 * std::size_t{pass.nextTexCoord++}], 2);
    } else {
        scanner.skipLine();
    }
}

void readMaterialLibraryLine(Pass& pass) {
    std::string name = nameFromLine(pass.source.scanner.restOfLine());
    std::free(pass.model->materialLibraryName);
    pass.model->materialLibraryName = nullptr;
    pass.model->materialLibraryName = copyString(name, "glmFirstPass");
    glmReadMTL(pass.model, name.c_str());
}

void useMaterial(Pass& pass) {
    std::string name = nameFromLine(pass.source.scanner.restOfLine());
    auto found = pass.materialsByName.find(name);
    if (found != pass.materialsByName.end()) {
        pass.material = found->second;
    } else {
        reportMissingMaterial(name.c_str());
        pass.material = 0;
    }
    pass.group->material = pass.material;
}

void enterGroup(Pass& pass) {
    std::string name = groupNameFromLine(pass.source.scanner.restOfLine());
    if (!pass.storing) {
        pass.group = findOrAddIndexedGroup(pass, name);
        return;
    }
    auto found = pass.source.groupsByName.find(name);
    if (found == pass.source.groupsByName.end()) passesDisagree("a group the counting pass did not create");
    enterCountedGroup(pass, found->second);
    pass.group->material = pass.material;
}

// The dispatch on a keyword's first character, common to both passes.
void runPass(Pass& pass) {
    TextScanner& scanner = pass.source.scanner;
    for (;;) {
        std::string_view token = scanner.token();
        if (token.empty()) break;
        switch (token[0]) {
            case 'v':
                readVertexLine(pass, token);
                break;
            case 'f':
                readFace(pass);
                break;
            case 'g':
                enterGroup(pass);
                break;
            case 'm':
                if (pass.storing)
                    scanner.skipLine();
                else
                    readMaterialLibraryLine(pass);
                break;
            case 'u':
                if (pass.storing)
                    useMaterial(pass);
                else
                    scanner.skipLine();
                break;
            default:  // '#' comments and every other keyword
                scanner.skipLine();
                break;
        }
    }
}

struct ModelDeleter {
    void operator()(ObjModel* model) const { glmDeleteModel(model); }
};

}  // namespace

void reportMissingMaterial(const char* name) {
    std::printf("glmFindMaterial():  can't find material \"%s\".\n", name);
}

ObjGroup* glmLookupGroup(ObjModel* model, const char* name) {
    for (ObjGroup* group = model->groups; group; group = group->next)
        if (std::strcmp(group->name, name) == 0) return group;
    return nullptr;
}

ObjGroup* glmFindOrAddGroup(ObjModel* model, const char* name) {
    ObjGroup* group = glmLookupGroup(model, name);
    return group ? group : addGroup(model, name, "glmFindOrAddGroup");
}

void glmFirstPass(ObjModel* model, ObjSource& source) {
    Pass pass{model, source, false};
    for (ObjGroup* group = model->groups; group; group = group->next) source.groupsByName.emplace(group->name, group);
    pass.group = findOrAddIndexedGroup(pass, "default");
    runPass(pass);

    model->vertexCount = static_cast<std::uint32_t>(pass.vertices);
    model->normalCount = static_cast<std::uint32_t>(pass.normals);
    model->texCoordCount = static_cast<std::uint32_t>(pass.texCoords);
    model->triangleCount = static_cast<std::uint32_t>(pass.triangles);
    for (ObjGroup* group = model->groups; group; group = group->next) {
        std::free(group->triangleIndices);
        group->triangleIndices = static_cast<std::uint32_t*>(
            allocateEntries(group->triangleCount, sizeof(std::uint32_t), "glmFirstPass", "group triangle indices"));
        source.groupCapacity[group] = group->triangleCount;
        group->triangleCount = 0;
    }
}

void glmDataPass(ObjModel* model, ObjSource& source) {
    Pass pass{model, source, true};
    auto start = source.groupsByName.find("default");
    if (start == source.groupsByName.end()) passesDisagree("no \"default\" group");
    enterCountedGroup(pass, start->second);
    // The first of equal names wins, as in glmFindMaterial.
    for (std::uint32_t i = 0; model->materials && i < model->materialCount; ++i)
        pass.materialsByName.emplace(model->materials[i].name, i);
    runPass(pass);
}

ObjModel* glmReadOBJText(const char* text, std::size_t length, const char* pathName) {
    // Owned here until returned: a fatal error that unwinds frees it all.
    std::unique_ptr<ObjModel, ModelDeleter> model(new ObjModel{});
    model->pathName = copyString(pathName, "glmReadOBJ");
    ObjSource source(text, length, pathName);

    glmFirstPass(model.get(), source);

    ObjModel* m = model.get();
    m->vertices = static_cast<float*>(
        allocateEntries(std::size_t{m->vertexCount} + 1, 3 * sizeof(float), "glmReadOBJ", "vertices"));
    m->triangles = static_cast<ObjTriangle*>(
        allocateEntries(m->triangleCount, sizeof(ObjTriangle), "glmReadOBJ", "triangles"));
    if (m->normalCount)
        m->normals = static_cast<float*>(
            allocateEntries(std::size_t{m->normalCount} + 1, 3 * sizeof(float), "glmReadOBJ", "normals"));
    if (m->texCoordCount)
        m->texCoords = static_cast<float*>(allocateEntries(std::size_t{m->texCoordCount} + 1, 2 * sizeof(float),
                                                           "glmReadOBJ", "texture coordinates"));

    source.scanner.rewind();
    glmDataPass(m, source);
    return model.release();
}

ObjModel* glmReadOBJ(const char* path) {
    std::string text;
    if (!readWholeFile(path, text, "glmReadOBJ"))
        fatalError(stderr, 1, "glmReadOBJ() failed: can't open data file \"%s\".\n", path);
    return glmReadOBJText(text.data(), text.size(), path);
}

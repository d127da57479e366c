// libFuzzer target: the OBJ reader with its MTL library, then the normals and
// centring the program runs after it, and the mesh drawn from the model: whole,
// and collapsed to a small budget, with its fins. An input is OBJ text,
// optionally followed
// by the separator line "=====" and the text of the library "lib.mtl" that the
// OBJ text may name. A fatal error (one message, status 1) is an accepted end;
// a crash, a sanitizer report or a model that breaks an invariant is a finding.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/fatal_error.h"
#include "model/obj_model.h"
#include "render/fin_geometry.h"
#include "render/fur_mesh.h"
#include "tests/support/model_invariants.h"

namespace {

struct FatalExit {};
[[noreturn]] void throwFatalExit(int) { throw FatalExit{}; }

std::string scratchDirectory;

void writeLibrary(std::string_view text) {
    std::string path = scratchDirectory + "/lib.mtl";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// The drawn mesh indexes only its own vertices, each made from a vertex of the
// model, and stands for every record unless it was collapsed.
void abortOnDrawnMeshViolation(const FurMesh& mesh) {
    const IndexedMesh& drawn = mesh.drawn;
    if (drawn.indices.size() % 3 != 0 || drawn.modelVertices.size() != drawn.vertices.size()) std::abort();
    if (!mesh.simplified && drawn.triangleCount() != static_cast<std::size_t>(mesh.recordCount)) std::abort();
    for (std::uint32_t index : drawn.indices)
        if (index >= drawn.vertices.size()) std::abort();
    for (std::uint32_t vertex : drawn.modelVertices)
        if (vertex > mesh.model->vertexCount) std::abort();
}

void buildMesh(ObjModel* model, int budget) {
    FurMesh mesh;
    mesh.model = model;
    mesh.triangleBudget = budget;
    mesh.build();
    abortOnDrawnMeshViolation(mesh);
    FinGeometry fins;
    buildFinGeometry(mesh.drawn, fins);
    const float view[3] = {0, 0, 1};
    layOutFins(mesh.drawn.vertices, mesh.drawn.indices, FurSettings{}, view, fins, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/pelage-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    scratchDirectory = pattern;
    std::atexit([] {
        unlink((scratchDirectory + "/lib.mtl").c_str());
        rmdir(scratchDirectory.c_str());
    });
    setFatalExitHook(throwFatalExit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view obj = input, library;
    constexpr std::string_view separator = "\n=====\n";
    if (std::size_t at = input.find(separator); at != std::string_view::npos) {
        obj = input.substr(0, at);
        library = input.substr(at + separator.size());
    }
    writeLibrary(library);
    std::string path = scratchDirectory + "/model.obj";

    ObjModel* model = nullptr;
    try {
        model = glmReadOBJText(obj.data(), obj.size(), path.c_str());
    } catch (const FatalExit&) {
        return 0;  // the reader freed what it held while unwinding
    }
    abortOnModelInvariantViolation(model, false);
    glmTriangleNormals(model);
    glmVertexNormals(model, 90.0f);
    glmCenterAndScale(model);
    abortOnModelInvariantViolation(model, true);
    try {
        for (int budget : {0, 16}) buildMesh(model, budget);
    } catch (const FatalExit&) {
        // Out of memory for the records: an accepted end.
    }
    glmDeleteModel(model);
    return 0;
}

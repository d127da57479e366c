// libFuzzer target: the importer's glue over any file the library reads, or
// the glTF reader for binary glTF and JSON text, then what the program does
// to every model after reading (up axis, winding, normals, centring) and, for
// a model with a skin, every clip played on the drawn mesh at a few times,
// its hair's springs stepped, and the skin handed over as the import's child
// process hands it.
// The input is the file; the library finds its format from
// its content. A fatal error (one message, status 1) is an accepted end; a
// crash, a sanitizer report or a model that breaks an invariant is a finding.
//
// PELAGE_FUZZ_PASS_OVER names a directory of inputs that crash the library
// itself, met earlier in the same run of scripts/fuzz --ci: they are passed
// over, so that a fixed seed fuzzes on past them rather than stopping there.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "model/asset_import.h"
#include "model/gltf_reader.h"
#include "model/model_skin.h"
#include "model/model_file.h"
#include "model/model_transfer.h"
#include "render/fur_dynamics.h"
#include "render/fur_mesh.h"
#include "render/mesh_animation.h"
#include "tests/support/model_invariants.h"

namespace {

struct FatalExit {};
[[noreturn]] void throwFatalExit(int) { throw FatalExit{}; }

std::set<std::string> passedOver;

// Every clip at its start, middle and end (and past it), posed on the mesh
// the program draws, with the springs on.
void poseEveryClip(ObjModel* model) {
    const ModelSkin& skin = *model->skin;
    if (skin.vertexJoints.size() != 4 * (std::size_t{model->vertexCount} + 1) ||
        skin.vertexWeights.size() != skin.vertexJoints.size())
        std::abort();
    FurMesh mesh;
    mesh.model = model;
    mesh.build();
    MeshAnimation animation;
    prepareMeshAnimation(animation, mesh);
    FurDynamicsParameters springs;
    springs.enabled = true;
    springs.springStiffness = 200;
    springs.springDamping = 8;
    for (int clip = 0; clip < static_cast<int>(skin.clips.size()); ++clip)
        for (float share : {0.0f, 0.5f, 1.0f, 2.0f}) {
            animation.playback = {clip, skin.clips[static_cast<std::size_t>(clip)].duration * share, false, true};
            poseMeshAnimation(animation, springs, 1.0f / 30.0f);
            if (animation.vertices.size() != mesh.drawn.vertices.size()) std::abort();
        }
}

bool looksLikeGltf(const std::uint8_t* data, std::size_t size) {
    std::size_t k = 0;
    while (k < size && (data[k] == ' ' || data[k] == '\n' || data[k] == '\r' || data[k] == '\t')) ++k;
    return glmIsGLTFFile("", reinterpret_cast<const char*>(data), size) || (k < size && data[k] == '{');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setFatalExitHook(throwFatalExit);
    if (const char* directory = std::getenv("PELAGE_FUZZ_PASS_OVER")) {
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(directory, missing)) {
            std::ifstream file(entry.path(), std::ios::binary);
            passedOver.insert(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!passedOver.empty() && passedOver.count(std::string(reinterpret_cast<const char*>(data), size))) return 0;
    ObjModel* model = nullptr;
    try {
        // No extension: the format is told by content alone.
        model = looksLikeGltf(data, size) ? glmReadGLTFMemory(data, size, "/nonexistent/model")
                                          : glmImportModelMemory(data, size, "/nonexistent/model");
    } catch (const FatalExit&) {
        return 0;
    }
    abortOnModelInvariantViolation(model, false);
    glmTurnUpAxis(model, UP_AXIS_FILE);
    glmWindOutward(model);
    abortOnModelInvariantViolation(model, false);
    glmTriangleNormals(model);
    glmVertexNormals(model, 90.0f);
    glmCenterAndScale(model);
    abortOnModelInvariantViolation(model, true);
    if (model->skin) {
        poseEveryClip(model);
        // The skin crosses from the import's child process as bytes.
        std::string bytes;
        packModel(*model, bytes);
        ObjModel* handedOver = unpackModel(bytes.data(), bytes.size());
        if (!handedOver || !handedOver->skin || handedOver->skin->clips.size() != model->skin->clips.size()) std::abort();
        glmDeleteModel(handedOver);
    }
    glmDeleteModel(model);
    return 0;
}

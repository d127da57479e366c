// libFuzzer target: the importer's glue over any file the library reads, or
// the glTF reader for binary glTF and JSON text, then what the program does
// to every model after reading (up axis, winding, normals, centring) and, for
// a model with a skin, every clip posed at a few times and every vertex
// skinned, and the skin handed over as the import's child process hands it.
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
#include "tests/support/model_invariants.h"

namespace {

struct FatalExit {};
[[noreturn]] void throwFatalExit(int) { throw FatalExit{}; }

std::set<std::string> passedOver;

// Every clip at its start, middle and end (and past it), every vertex skinned.
void poseEveryClip(const ObjModel* model) {
    const ModelSkin& skin = *model->skin;
    if (skin.vertexJoints.size() != 4 * (std::size_t{model->vertexCount} + 1) ||
        skin.vertexWeights.size() != skin.vertexJoints.size())
        std::abort();
    std::vector<NodePose> pose;
    std::vector<Affine> globals, joints;
    for (const AnimationClip& clip : skin.clips)
        for (float share : {0.0f, 0.5f, 1.0f, 2.0f}) {
            sampleClip(skin, &clip, clip.duration * share, pose);
            jointMatrices(skin, pose, globals, joints);
            for (std::uint32_t v = 1; v <= model->vertexCount; ++v) {
                Affine m = blendJoints(joints, &skin.vertexJoints[4 * v], &skin.vertexWeights[4 * v]);
                float p[3], n[3];
                transformPoint(m, &model->vertices[3 * v], p);
                transformNormal(m, &model->vertices[3 * v], n);
            }
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

// libFuzzer target: the importer's glue over any file the library reads, then
// what the program does to every model after reading (up axis, winding,
// normals, centring). The input is the file; the library finds its format from
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

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "model/asset_import.h"
#include "model/model_file.h"
#include "tests/support/model_invariants.h"

namespace {

struct FatalExit {};
[[noreturn]] void throwFatalExit(int) { throw FatalExit{}; }

std::set<std::string> passedOver;

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
        model = glmImportModelMemory(data, size, "/nonexistent/model");
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
    glmDeleteModel(model);
    return 0;
}

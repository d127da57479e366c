// libFuzzer target: the importer's glue over any file the library reads, then
// what the program does to every model after reading (up axis, winding,
// normals, centring). The input is the file; the library finds its format from
// its content. A fatal error (one message, status 1) is an accepted end; a
// crash, a sanitizer report or a model that breaks an invariant is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "model/asset_import.h"
#include "model/model_file.h"
#include "tests/support/model_invariants.h"

namespace {

struct FatalExit {};
[[noreturn]] void throwFatalExit(int) { throw FatalExit{}; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setFatalExitHook(throwFatalExit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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

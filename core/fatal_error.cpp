// Fatal errors: message, flush, exit status. See fatal_error.h.
#include "core/fatal_error.h"

#include <cstdarg>
#include <cstdlib>

namespace {
FatalExitHook exitHook = nullptr;
}

void setFatalExitHook(FatalExitHook hook) { exitHook = hook; }

void fatalError(std::FILE* stream, int status, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stream, format, args);
    va_end(args);
    // Both streams: a fatal error often follows listings on the other stream.
    std::fflush(stdout);
    std::fflush(stderr);
    if (exitHook) {
        exitHook(status);
        std::abort();  // a hook that returns has broken its contract
    }
    std::exit(status);
}

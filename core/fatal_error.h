// The single way the program gives up: print one message on the stream the
// message belongs to, then end with the given exit status. Tests and fuzzers
// replace the final step (the exit) with a hook that unwinds instead, so the
// library code that reports a fatal error stays testable in-process.
#pragma once
#include <cstdio>

using FatalExitHook = void (*)(int status);

// Prints the formatted message on `stream`, flushes both standard streams, then
// ends the process with `status` (or calls the installed hook). Never returns.
[[noreturn]] void fatalError(std::FILE* stream, int status, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Installs the hook that replaces std::exit; nullptr restores std::exit. A hook
// must not return (throwing or longjmp-ing out is how tests use it).
void setFatalExitHook(FatalExitHook hook);

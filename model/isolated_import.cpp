// The import in a child process, so that the library's crash, hang or hunger
// for memory ends the child and not the program. See asset_import.h.
//
// The child is a fork without exec: it already holds the importer, and a
// fork costs far less than starting a program. It imports in-process, then
// writes the model's records (model_transfer.h) into one pipe; its standard
// error is the other pipe, carrying its warnings and its fatal message. The
// parent reads both until they close or the time runs out, then reads the
// child's end from its exit status.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <new>
#include <string>

#include "core/fatal_error.h"
#include "model/asset_import.h"
#include "model/model_transfer.h"

namespace {

// The child's exit statuses besides 0 (the records are written in full)
// and a fatal error's own 1 (its message is on the error pipe).
constexpr int outOfMemoryStatus = 3, unwrittenStatus = 4;

// Of the child's messages, more than this is dropped, not kept.
constexpr std::size_t messageLimit = 1 << 20;

[[noreturn]] void leaveChild(int status) { _exit(status); }

[[noreturn]] void childOutOfMemory() { _exit(outOfMemoryStatus); }

// The process's address space in bytes: the first field of statm, in pages.
std::uint64_t addressSpace() {
    unsigned long long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// Counted from what the child already maps rather than as an absolute size,
// since AddressSanitizer reserves terabytes of shadow before main.
void limitAddressSpace(std::uint64_t budget) {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0) return;
    rlim_t wanted = addressSpace() + budget;
    if (limit.rlim_max == RLIM_INFINITY || wanted < limit.rlim_max) limit.rlim_cur = wanted;
    setrlimit(RLIMIT_AS, &limit);
}

bool writeAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The child's whole life. Every way out is _exit: neither the parent's
// atexit handlers nor its copied stdio buffers may run a second time.
[[noreturn]] void runChild(const char* path, const ImportLimits& limits, pid_t parent, int recordsFd, int messagesFd) {
    // Dies with its parent, even one that is killed before it can kill the child.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(unwrittenStatus);
    if (dup2(messagesFd, STDERR_FILENO) < 0) _exit(unwrittenStatus);
    setFatalExitHook(leaveChild);
    std::set_new_handler(childOutOfMemory);
    limitAddressSpace(limits.memoryBytes);
    std::string records;
    try {
        ObjModel* model = glmImportModelInProcess(path);
            packModel(*model, records);
    } catch (const std::bad_alloc&) {
        // From an operator new that throws without asking the new handler.
        _exit(outOfMemoryStatus);
    }
    _exit(writeAll(recordsFd, records) ? 0 : unwrittenStatus);
}

// What the parent gathered from the child.
struct ChildEnd {
    std::string records, messages;
    bool overTime = false;
    int status = 0;  // as waitpid gives it
};

// Reads both pipes until the child closes them or the deadline passes, when
// the child is killed; then reaps it.
void awaitChild(pid_t child, int recordsFd, int messagesFd, double seconds, ChildEnd& end) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(seconds));
    pollfd pipes[2] = {{recordsFd, POLLIN, 0}, {messagesFd, POLLIN, 0}};
    std::string* into[2] = {&end.records, &end.messages};
    char buffer[65536];
    while (pipes[0].fd >= 0 || pipes[1].fd >= 0) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            kill(child, SIGKILL);
            end.overTime = true;
            break;
        }
        if (poll(pipes, 2, static_cast<int>(std::min<long long>(left, 1 << 30))) < 0 && errno != EINTR) break;
        for (int k = 0; k < 2; ++k) {
            if (pipes[k].fd < 0 || !(pipes[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t got = read(pipes[k].fd, buffer, sizeof buffer);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) {
                pipes[k].fd = -1;  // closed below, by the caller
                continue;
            }
            if (k == 0 || into[k]->size() < messageLimit) into[k]->append(buffer, static_cast<std::size_t>(got));
        }
    }
    while (waitpid(child, &end.status, 0) < 0 && errno == EINTR) {
    }
}

[[noreturn]] void childFailed(const char* path, const char* what) {
    fatalError(stderr, 1, "glmImportModel() failed: can't import \"%s\": %s.\n", path, what);
}

// The model the child handed over, or the one message of its failure.
ObjModel* modelFromChild(const char* path, const ImportLimits& limits, ChildEnd& end) {
    char what[96];
    if (end.overTime) {
        std::snprintf(what, sizeof what, "the importer took longer than %g s", limits.seconds);
        childFailed(path, what);
    }
    if (WIFSIGNALED(end.status)) {
        std::snprintf(what, sizeof what, "the importer crashed (signal %d)", WTERMSIG(end.status));
        childFailed(path, what);
    }
    int status = WIFEXITED(end.status) ? WEXITSTATUS(end.status) : -1;
    if (status == outOfMemoryStatus) {
        std::snprintf(what, sizeof what, "the importer ran out of memory (%llu MiB)",
                      static_cast<unsigned long long>(limits.memoryBytes >> 20));
        childFailed(path, what);
    }
    // The child's fatal message is already the one message, as if the
    // import had failed here.
    if (status == 1 && !end.messages.empty()) fatalError(stderr, 1, "%s", end.messages.c_str());
    std::fputs(end.messages.c_str(), stderr);
    if (status != 0) {
        std::snprintf(what, sizeof what, "the importer ended with status %d", status);
        childFailed(path, what);
    }
    ObjModel* model = unpackModel(end.records.data(), end.records.size());
    if (!model) childFailed(path, "the importer's records are cut short or corrupt");
    return model;
}

}  // namespace

ImportLimits importLimitsFor(std::uint64_t fileBytes) {
    return {30.0 + static_cast<double>(fileBytes / 1000000), (std::uint64_t{2} << 30) + 64 * fileBytes};
}

ObjModel* glmImportModel(const char* path) {
    struct stat file {};
    return glmImportModel(path, importLimitsFor(stat(path, &file) == 0 ? static_cast<std::uint64_t>(file.st_size) : 0));
}

ObjModel* glmImportModel(const char* path, const ImportLimits& limits) {
    int records[2], messages[2];
    if (pipe2(records, O_CLOEXEC) != 0) childFailed(path, "no pipe for the importer");
    if (pipe2(messages, O_CLOEXEC) != 0) {
        close(records[0]);
        close(records[1]);
        childFailed(path, "no pipe for the importer");
    }
    // Output still buffered would be written again by the child.
    std::fflush(nullptr);
    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) runChild(path, limits, parent, records[1], messages[1]);
    close(records[1]);
    close(messages[1]);
    ChildEnd end;
    if (child > 0) awaitChild(child, records[0], messages[0], limits.seconds, end);
    close(records[0]);
    close(messages[0]);
    if (child < 0) childFailed(path, "no process for the importer");
    return modelFromChild(path, limits, end);
}

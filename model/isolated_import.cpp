// The import in a child process, so that the library's crash, hang or hunger
// for memory ends the child and not the program. See asset_import.h.
//
// The child (a worker) is a fork without exec: it already holds the
// importer, and a fork costs far less than starting a program. Told the file
// and its limits through a socket, it imports in-process, then writes the
// model's records (model_transfer.h) into one pipe; its standard error is
// another, carrying its warnings and its fatal message. The parent reads
// both until they close or the time runs out, then reads the worker's end
// from its exit status. The parent is the import server where the program
// started one, else the program itself.
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "model/asset_import.h"
#include "model/model_transfer.h"

namespace {

// The child's exit statuses besides 0 (the records are written in full)
// and a fatal error's own 1 (its message is on the error pipe).
constexpr int outOfMemoryStatus = 3, unwrittenStatus = 4;

// Of the child's messages, more than this is dropped, not kept.
constexpr std::size_t messageLimit = 1 << 20;

// The heap a spare worker writes while it waits: more than importing a model
// of a few hundred thousand triangles takes.
constexpr int warmHeapMiB = 32;

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

// Whole buffers over a socket; false once the other end is gone.
// MSG_NOSIGNAL: a gone peer is a failure to handle, not a SIGPIPE.
bool sendAll(int socket, const void* data, std::size_t length) {
    for (std::size_t done = 0; done < length;) {
        ssize_t sent = send(socket, static_cast<const char*>(data) + done, length - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

bool receiveAll(int socket, void* data, std::size_t length) {
    for (std::size_t done = 0; done < length;) {
        ssize_t got = recv(socket, static_cast<char*>(data) + done, length - done, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// One import asked of a worker or of the server, the file's path after it.
struct ImportRequest {
    double seconds;
    std::uint64_t memoryBytes;
    std::uint32_t pathLength;
};

bool sendRequest(int socket, const char* path, const ImportLimits& limits) {
    ImportRequest request{limits.seconds, limits.memoryBytes, static_cast<std::uint32_t>(std::strlen(path))};
    return sendAll(socket, &request, sizeof request) && sendAll(socket, path, request.pathLength);
}

bool receiveRequest(int socket, ImportLimits& limits, std::string& path) {
    ImportRequest request{};
    if (!receiveAll(socket, &request, sizeof request)) return false;
    limits = {request.seconds, request.memoryBytes};
    path.resize(request.pathLength);
    return receiveAll(socket, path.data(), path.size());
}

// A fresh process faults in each page of heap it first writes, which on a
// virtual machine costs a third of importing a common model again. A spare
// worker writes its heap while it waits and keeps it for the import:
// allocations below 32 MiB come from the heap, and freeing never trims it.
void warmHeap() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, INT32_MAX);
    std::vector<volatile char*> blocks;
    for (int i = 0; i < warmHeapMiB; ++i) {
        auto* block = static_cast<volatile char*>(std::malloc(1 << 20));
        if (!block) break;
        for (std::size_t at = 0; at < (1 << 20); at += 4096) block[at] = 0;
        blocks.push_back(block);
    }
    for (volatile char* block : blocks) std::free(const_cast<char*>(block));
}

// The worker's whole life. Every way out is _exit: neither the parent's
// atexit handlers nor its copied stdio buffers may run a second time.
[[noreturn]] void runWorker(pid_t parent, int requestFd, int recordsFd, int messagesFd, bool warm) {
    // Dies with its parent, even one that is killed before it can kill the child.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(unwrittenStatus);
    if (warm) warmHeap();
    ImportLimits limits{};
    std::string path;
    if (!receiveRequest(requestFd, limits, path)) _exit(unwrittenStatus);
    if (dup2(messagesFd, STDERR_FILENO) < 0) _exit(unwrittenStatus);
    setFatalExitHook(leaveChild);
    std::set_new_handler(childOutOfMemory);
    limitAddressSpace(limits.memoryBytes);
    std::string records;
    try {
        ObjModel* model = glmImportModelInProcess(path.c_str());
        packModel(*model, records);
    } catch (const std::bad_alloc&) {
        // From an operator new that throws without asking the new handler.
        _exit(outOfMemoryStatus);
    }
    _exit(writeAll(recordsFd, records) ? 0 : unwrittenStatus);
}

// A worker as its parent holds it: its pid and the parent's ends of its
// request socket and its two pipes.
struct Worker {
    pid_t pid = -1;
    int request = -1, records = -1, messages = -1;
};

void closeWorker(Worker& worker) {
    for (int fd : {worker.request, worker.records, worker.messages})
        if (fd >= 0) close(fd);
    worker = Worker{};
}

// Forks a worker that waits for its request, its heap warmed first if
// `warm`; false if there is none.
bool startWorker(Worker& worker, bool warm) {
    int request[2], records[2], messages[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, request) != 0) return false;
    worker.request = request[0];
    if (pipe2(records, O_CLOEXEC) != 0) {
        close(request[1]);
        closeWorker(worker);
        return false;
    }
    worker.records = records[0];
    if (pipe2(messages, O_CLOEXEC) != 0) {
        close(request[1]);
        close(records[1]);
        closeWorker(worker);
        return false;
    }
    worker.messages = messages[0];
    // Output still buffered would be written again by the worker.
    std::fflush(nullptr);
    pid_t parent = getpid();
    worker.pid = fork();
    if (worker.pid == 0) runWorker(parent, request[1], records[1], messages[1], warm);
    for (int fd : {request[1], records[1], messages[1]}) close(fd);
    if (worker.pid > 0) return true;
    closeWorker(worker);
    return false;
}

// What the parent gathered from the child.
struct ChildEnd {
    std::string records, messages;
    bool overTime = false;
    int status = 0;                 // as waitpid gives it
    const char* noChild = nullptr;  // why there was no child to run it
};

// Reads both pipes until the child closes them or the deadline passes, when
// the child is killed; then reaps it.
void awaitChild(const Worker& worker, double seconds, ChildEnd& end) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(seconds));
    pollfd pipes[2] = {{worker.records, POLLIN, 0}, {worker.messages, POLLIN, 0}};
    std::string* into[2] = {&end.records, &end.messages};
    char buffer[65536];
    while (pipes[0].fd >= 0 || pipes[1].fd >= 0) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            kill(worker.pid, SIGKILL);
            end.overTime = true;
            break;
        }
        if (poll(pipes, 2, static_cast<int>(std::min<long long>(left, 1 << 30))) < 0 && errno != EINTR) break;
        for (int k = 0; k < 2; ++k) {
            if (pipes[k].fd < 0 || !(pipes[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t got = read(pipes[k].fd, buffer, sizeof buffer);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) {
                pipes[k].fd = -1;  // closed by the caller
                continue;
            }
            if (k == 0 || into[k]->size() < messageLimit) into[k]->append(buffer, static_cast<std::size_t>(got));
        }
    }
    while (waitpid(worker.pid, &end.status, 0) < 0 && errno == EINTR) {
    }
}

// Hands the worker its request and gathers what it leaves; false, the
// worker reaped, if it was gone before it could be asked.
bool importWithWorker(Worker& worker, const char* path, const ImportLimits& limits, ChildEnd& end) {
    bool asked = sendRequest(worker.request, path, limits);
    if (asked) {
        awaitChild(worker, limits.seconds, end);
    } else {
        kill(worker.pid, SIGKILL);
        while (waitpid(worker.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    closeWorker(worker);
    return asked;
}

// One import by the spare worker given, or else by one forked now.
ChildEnd importInWorker(const char* path, const ImportLimits& limits, Worker& spare) {
    ChildEnd end;
    if (spare.pid > 0 && importWithWorker(spare, path, limits, end)) return end;
    Worker worker;
    if (!startWorker(worker, false) || !importWithWorker(worker, path, limits, end))
        end.noChild = "no process for the importer";
    return end;
}

// The import server: a process forked from the program while it is still
// small, which forks each import's worker in its turn and keeps a spare one
// warm. A worker forked from the program later copies its GL driver's
// mappings and its textures, which in pelage costs more than the import of
// a common model. One per program, as the program is one process.
struct ImportServer {
    pid_t pid = -1;
    int socket = -1;
};
ImportServer importServer;

struct ImportReply {
    std::int32_t status;
    std::uint8_t overTime, noChild;
    std::uint64_t recordsLength, messagesLength;
};

[[noreturn]] void serveImports(int socket) {
    Worker spare;
    startWorker(spare, true);
    for (;;) {
        ImportLimits limits{};
        std::string path;
        if (!receiveRequest(socket, limits, path)) _exit(0);
        ChildEnd end = importInWorker(path.c_str(), limits, spare);
        ImportReply reply{end.status, end.overTime, end.noChild != nullptr, end.records.size(), end.messages.size()};
        if (!sendAll(socket, &reply, sizeof reply) || !sendAll(socket, end.records.data(), end.records.size()) ||
            !sendAll(socket, end.messages.data(), end.messages.size()))
            _exit(0);
        startWorker(spare, true);
    }
}

// The import run by the server; false, the server stopped, if there is none
// or it fails to answer, so that the program forks the worker itself.
bool importThroughServer(const char* path, const ImportLimits& limits, ChildEnd& end) {
    if (importServer.socket < 0) return false;
    ImportReply reply{};
    bool served = sendRequest(importServer.socket, path, limits) &&
                  receiveAll(importServer.socket, &reply, sizeof reply) && !reply.noChild;
    if (served) {
        end.records.resize(reply.recordsLength);
        end.messages.resize(reply.messagesLength);
        served = receiveAll(importServer.socket, end.records.data(), end.records.size()) &&
                 receiveAll(importServer.socket, end.messages.data(), end.messages.size());
    }
    if (!served) {
        close(importServer.socket);
        kill(importServer.pid, SIGKILL);
        while (waitpid(importServer.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        importServer = ImportServer{};
        return false;
    }
    end.status = reply.status;
    end.overTime = reply.overTime;
    return true;
}

[[noreturn]] void childFailed(const char* path, const char* what) {
    fatalError(stderr, 1, "glmImportModel() failed: can't import \"%s\": %s.\n", path, what);
}

// The model the child handed over, or the one message of its failure.
ObjModel* modelFromChild(const char* path, const ImportLimits& limits, ChildEnd& end) {
    if (end.noChild) childFailed(path, end.noChild);
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
    ChildEnd end;
    if (!importThroughServer(path, limits, end)) {
        Worker none;
        end = importInWorker(path, limits, none);
    }
    return modelFromChild(path, limits, end);
}

void glmStartImportServer() {
    if (importServer.socket >= 0) return;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    std::fflush(nullptr);
    pid_t program = getpid();
    pid_t server = fork();
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != program) _exit(0);
        close(ends[0]);
        serveImports(ends[1]);
    }
    close(ends[1]);
    if (server < 0) {
        close(ends[0]);
        return;
    }
    importServer = {server, ends[0]};
}

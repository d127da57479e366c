// Atomic saves. See atomic_file.h. Relies on POSIX mkstemp, fsync and rename
// within one directory.
#include "core/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The mode a new file gets from the process's umask, or the mode of the file
// being replaced: a save must not make a shared file private.
mode_t modeFor(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0) return status.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string& why)>& write,
                         std::string& error) {
    std::string temporary = path + ".XXXXXX";
    int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        error = "can't write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    std::string why;
    std::FILE* file = fchmod(descriptor, modeFor(path)) == 0 ? fdopen(descriptor, "wb") : nullptr;
    bool written = file != nullptr && write(file, why);
    if (file != nullptr && written && (std::fflush(file) != 0 || fsync(fileno(file)) != 0)) written = false;
    if (why.empty()) why = std::strerror(errno);
    bool closed = file != nullptr ? std::fclose(file) == 0 : close(descriptor) == 0;
    if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (written && closed) why = std::strerror(errno);
    error = "can't write \"" + path + "\": " + why;
    unlink(temporary.c_str());
    return false;
}

// Scanner, names, checked allocation, file loading and freeing of models.
// Relies on fatalError for the one message and status 1 of every failure.
#include "model/obj_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "core/fatal_error.h"
#include "model/model_skin.h"

std::string_view TextScanner::restOfLine() {
    const char* start = cursor;
    const void* lineFeed = std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor));
    cursor = lineFeed ? static_cast<const char*>(lineFeed) + 1 : end;
    return {start, static_cast<std::size_t>(cursor - start)};
}

int TextScanner::readLineFloats(float* values, int count) {
    int stored = 0;
    const void* lineFeed = std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor));
    const char* lineEnd = lineFeed ? static_cast<const char*>(lineFeed) : end;
    while (stored < count) {
        while (cursor != lineEnd && isBlank(*cursor)) ++cursor;
        // std::from_chars takes no leading plus, which "%f" does.
        const char* first = cursor;
        if (first != lineEnd && *first == '+') ++first;
        float value = 0.0f;
        auto [next, error] = std::from_chars(first, lineEnd, value);
        // A value out of float range, "inf" or "nan" would carry non-finite
        // data into the model: it counts as a number that does not scan.
        if (error != std::errc() || !std::isfinite(value)) break;
        values[stored++] = value;
        cursor = next;
    }
    cursor = lineFeed ? lineEnd + 1 : end;
    return stored;
}

unsigned TextScanner::lineNumberAt(const char* at) const {
    unsigned line = 1;
    for (const char* p = begin; p < at && p < end; ++p) line += *p == '\n';
    return line;
}

std::string nameFromLine(std::string_view line) {
    TextScanner words(line);
    std::string_view first = words.token();
    std::string_view second = words.token();
    std::string_view name = second.empty() ? first : second;
    return std::string(name.substr(0, name.find('\0')));
}

std::string groupNameFromLine(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return std::string(line.substr(0, line.find('\0')));
}

void* allocateEntries(std::size_t count, std::size_t size, const char* operation, const char* what) {
    if (count == 0) count = 1;
    if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size)
        fatalError(stderr, 1, "%s() failed: out of memory for %zu %s.\n", operation, count, what);
    void* memory = std::calloc(count, size);
    if (!memory) fatalError(stderr, 1, "%s() failed: out of memory for %zu %s.\n", operation, count, what);
    return memory;
}

char* copyString(std::string_view text, const char* operation) {
    text = text.substr(0, text.find('\0'));
    auto* copy = static_cast<char*>(allocateEntries(text.size() + 1, 1, operation, "characters"));
    std::memcpy(copy, text.data(), text.size());
    return copy;
}

namespace {
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) close(fd);
    }
};
}  // namespace

void setDefaultMaterial(ObjMaterial& material) {
    const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f}, ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f},
                specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    std::memcpy(material.diffuse, diffuse, sizeof diffuse);
    std::memcpy(material.ambient, ambient, sizeof ambient);
    std::memcpy(material.specular, specular, sizeof specular);
    material.shininess = 65.0f;
}

ObjGroup* addGroup(ObjModel* model, const std::string& name, const char* operation, std::int64_t capacity) {
    auto* group = new ObjGroup{};
    group->name = copyString(name, operation);
    group->next = model->groups;
    model->groups = group;
    ++model->groupCount;
    if (capacity >= 0)
        group->triangleIndices = static_cast<std::uint32_t*>(allocateEntries(
            static_cast<std::size_t>(capacity), sizeof(std::uint32_t), operation, "group triangle indices"));
    return group;
}

std::string directoryOf(const char* modelPath) {
    std::string directory = modelPath;
    std::size_t slash = directory.rfind('/');
    directory.erase(slash == std::string::npos ? 0 : slash + 1);
    return directory;
}

std::string besideModel(const char* modelPath, const std::string& name) {
    return !name.empty() && name[0] == '/' ? name : directoryOf(modelPath) + name;
}

std::string oneLine(std::string message, const char* fallback) {
    for (char& c : message)
        if (c == '\n' || c == '\r') c = ' ';
    while (!message.empty() && (message.back() == ' ' || message.back() == '.')) message.pop_back();
    return message.empty() ? fallback : message;
}

bool readWholeFile(const char* path, std::string& text, const char* operation, std::size_t limit) {
    // Non-blocking, so that a pipe named as a model cannot stall the open.
    FileDescriptor file{open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) return false;
    struct stat status {};
    if (fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
    try {
        // Read straight into the string; files in /proc may say size 0, so grow as needed.
        std::size_t used = 0;
        text.resize(std::min(static_cast<std::size_t>(status.st_size) + 1, limit));
        while (used < limit) {
            if (used == text.size()) text.resize(std::min(text.size() * 2 + 4096, limit));
            ssize_t got = read(file.fd, text.data() + used, text.size() - used);
            if (got < 0) return false;
            if (got == 0) break;
            used += static_cast<std::size_t>(got);
        }
        text.resize(used);
    } catch (const std::bad_alloc&) {
        fatalError(stderr, 1, "%s() failed: out of memory reading \"%s\".\n", operation, path);
    } catch (const std::length_error&) {
        fatalError(stderr, 1, "%s() failed: out of memory reading \"%s\".\n", operation, path);
    }
    return true;
}

void freeMaterials(ObjModel* model) {
    for (std::uint32_t i = 0; model->materials && i < model->materialCount; ++i) {
        std::free(model->materials[i].name);
        std::free(model->materials[i].diffuseMap);
        std::free(model->materials[i].diffuseMapBytes);
    }
    std::free(model->materials);
    model->materials = nullptr;
    model->materialCount = 0;
}

void glmDeleteModel(ObjModel* model) {
    if (!model) return;
    std::free(model->pathName);
    std::free(model->materialLibraryName);
    std::free(model->vertices);
    std::free(model->normals);
    std::free(model->texCoords);
    std::free(model->facetNormals);
    std::free(model->triangles);
    delete model->skin;
    freeMaterials(model);
    for (ObjGroup* group = model->groups; group;) {
        ObjGroup* next = group->next;
        std::free(group->name);
        std::free(group->triangleIndices);
        delete group;
        group = next;
    }
    delete model;
}

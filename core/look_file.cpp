// Look files. See look_file.h. Relies on the settings parser for every value,
// on the map image reader (map_image.h) to check map files whole, and on POSIX for
// the temporary file and the rename that make a save atomic.
#include "core/look_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/atomic_file.h"
#include "core/settings_text.h"

namespace fs = std::filesystem;

namespace {

GroomMapLoader groomMapLoader = nullptr;

int groomMapIndex(const std::string& name) {
    for (int map = 0; map < GROOM_MAP_COUNT; ++map)
        if (name == groomMapNames[map]) return map;
    return -1;
}

std::string trimmed(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t"), end = text.find_last_not_of(" \t");
    return begin == std::string_view::npos ? std::string() : std::string(text.substr(begin, end - begin + 1));
}

// The line of the first byte that no text holds (control bytes but tabs and
// line ends; bytes above 127 pass, for UTF-8 comments); 0 when there is none.
// A binary file is told as such, whatever its first line looks like.
int firstBinaryLine(std::string_view text) {
    int line = 1;
    for (unsigned char c : text) {
        if (c == '\n') ++line;
        else if ((c < 32 && c != '\t' && c != '\r') || c == 127) return line;
    }
    return 0;
}

std::string resolvedAgainst(const std::string& lookPath, const std::string& file) {
    fs::path path(file);
    if (path.is_absolute()) return path.lexically_normal().string();
    return (fs::path(lookPath).parent_path() / path).lexically_normal().string();
}

// One line, its comment and blanks gone, applied over `look`.
bool applyLine(const std::string& line, const std::string& lookPath, const std::string& origin, Look& look,
               std::string& error) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
        error = "expected NAME = VALUE";
        return false;
    }
    std::string name = trimmed(std::string_view(line).substr(0, equals));
    std::string value = trimmed(std::string_view(line).substr(equals + 1));
    if (name == "model") {
        look.modelPath = value.empty() ? "" : resolvedAgainst(lookPath, value);
        return true;
    }
    int map = groomMapIndex(name);
    if (map >= 0) {
        look.mapPaths[map] = value.empty() ? "" : resolvedAgainst(lookPath, value);
        look.mapOrigins[map] = origin;
        return true;
    }
    const SettingField* field = findSettingField(name);
    if (field && !isLookSetting(*field)) {
        error = name + " is not part of a look";
        return false;
    }
    return applyFurSettingValue(look.settings, name, value, error);
}

// The file's bytes, refused unread when they cannot be a look.
bool readLookText(const std::string& path, std::string& text, std::string& error) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error = "a directory, not a look file";
        return false;
    }
    // A FIFO or a device could block or never end.
    if (!S_ISREG(status.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (status.st_size > largestLookBytes) {
        error = "larger than a look file can be (" + std::to_string(largestLookBytes) + " bytes)";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    // One byte more than allowed, in case the file grew since stat.
    text.resize(static_cast<size_t>(largestLookBytes) + 1);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || text.size() > static_cast<size_t>(largestLookBytes)) {
        error = failed ? "can't be read" : "larger than a look file can be";
        return false;
    }
    return true;
}

}  // namespace

bool isLookSetting(const SettingField& field) {
    std::string_view name = field.name;
    return name != "texturesDirty" && name != "objectToMove" && !name.starts_with("brush");
}

bool parseLook(std::string_view text, const std::string& lookPath, Look& look, std::string& error) {
    if (int binary = firstBinaryLine(text)) {
        error = lookPath + ":" + std::to_string(binary) + ": not text (a binary file?)";
        return false;
    }
    Look parsed = look;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        std::string origin = lookPath + ":" + std::to_string(++lineNumber);
        std::string content = trimmed(line.substr(0, line.find('#')));
        if (!content.empty() && content.back() == '\r') content = trimmed(content.substr(0, content.size() - 1));
        if (content.empty()) continue;
        if (!applyLine(content, lookPath, origin, parsed, error)) {
            error = origin + ": " + error;
            return false;
        }
    }
    look = parsed;
    return true;
}

std::string checkGroomMapFile(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return "map \"" + path + "\": " + std::strerror(errno);
    if (S_ISDIR(status.st_mode)) return "map \"" + path + "\" is a directory";
    if (!S_ISREG(status.st_mode)) return "map \"" + path + "\" is not a regular file";
    if (status.st_size == 0) return "map \"" + path + "\" is empty";
    if (groomMapLoader) return "";
    MapImage image;
    std::string error;
    if (!readMapImage(path, image, error)) return "map " + error;
    return "";
}

bool readLook(const std::string& path, Look& look, std::string& error) {
    std::string text;
    if (!readLookText(path, text, error)) {
        error = path + ": " + error;
        return false;
    }
    Look parsed = look;
    if (!parseLook(text, path, parsed, error)) return false;
    for (int map = 0; map < GROOM_MAP_COUNT; ++map) {
        // Only the maps this file named: the others were checked where named.
        if (parsed.mapOrigins[map] == look.mapOrigins[map] || parsed.mapPaths[map].empty()) continue;
        std::string problem = checkGroomMapFile(parsed.mapPaths[map]);
        if (!problem.empty()) {
            error = parsed.mapOrigins[map] + ": " + problem;
            return false;
        }
    }
    look = parsed;
    return true;
}

namespace {

// `file` as the look at lookPath names it: relative to the look's directory
// when both lie under one root, so a look and its maps move together.
std::string relativeTo(const std::string& lookPath, const std::string& file) {
    std::error_code failure;
    fs::path target = fs::absolute(file, failure).lexically_normal();
    fs::path base = fs::absolute(lookPath, failure).lexically_normal().parent_path();
    if (failure) return file;
    fs::path relative = target.lexically_relative(base);
    return relative.empty() ? target.string() : relative.string();
}

// Whether a path can be the value of a look line as it stands.
bool fitsOnALine(const std::string& file) {
    return file.find_first_of("#\n\r") == std::string::npos && trimmed(file) == file;
}

}  // namespace

bool formatLook(const FurSettings& settings, const std::string mapPaths[GROOM_MAP_COUNT], const std::string& lookPath,
                std::string& text, std::string& error, const std::string& modelPath) {
    text = "# Pelage look: every setting of the fur, then the groom's maps (relative to this file).\n";
    // A model whose name cannot be written is left out rather than the look
    // refused: --model still puts the look on it.
    if (!modelPath.empty() && fitsOnALine(relativeTo(lookPath, modelPath)))
        text += "model = " + relativeTo(lookPath, modelPath) + "\n";
    for (const SettingField& field : furSettingFields)
        if (isLookSetting(field)) text += std::string(field.name) + " = " + formatFurSetting(settings, field) + "\n";
    for (int map = 0; map < GROOM_MAP_COUNT; ++map) {
        if (mapPaths[map].empty()) continue;
        std::string file = relativeTo(lookPath, mapPaths[map]);
        if (!fitsOnALine(file)) {
            error = "the map \"" + mapPaths[map] + "\" can't be named in a look (its name holds '#', a line break "
                    "or blanks at an end)";
            return false;
        }
        text += std::string(groomMapNames[map]) + " = " + file + "\n";
    }
    return true;
}

bool writeLook(const std::string& path, const FurSettings& settings, const std::string mapPaths[GROOM_MAP_COUNT],
               std::string& error, const std::string& modelPath) {
    std::string text;
    if (!formatLook(settings, mapPaths, path, text, error, modelPath)) return false;
    return writeFileAtomically(
        path,
        [&](std::FILE* file, std::string& why) {
            if (std::fwrite(text.data(), 1, text.size(), file) == text.size()) return true;
            why = std::strerror(errno);
            return false;
        },
        error);
}

void setGroomMapLoader(GroomMapLoader loader) { groomMapLoader = loader; }

bool loadLookMaps(const Look& look, std::string& error) {
    if (!groomMapLoader) return true;
    int failed = -1;
    std::string problem = groomMapLoader(look.mapPaths, &failed);
    if (problem.empty()) return true;
    bool located = failed >= 0 && failed < GROOM_MAP_COUNT && !look.mapOrigins[failed].empty();
    error = (located ? look.mapOrigins[failed] + ": " : "") + problem;
    return false;
}

bool applyLookOptions(const std::vector<LookOption>& options, Look& look, std::string& error) {
    Look applied = look;
    for (const LookOption& option : options) {
        bool ok = option.kind == LookOption::LOOK ? readLook(option.value, applied, error)
                                                   : applyFurSetting(applied.settings, option.value, error);
        if (!ok) return false;
    }
    look = applied;
    return true;
}

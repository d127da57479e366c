// libFuzzer target: the look-file parser. An input is the text of a look. A
// refused text must leave the look as it was; an accepted one, saved again,
// must read back to the same settings and the same map files. A crash, a
// sanitizer report or a broken round trip is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/look_file.h"

namespace {

constexpr const char* lookPath = "looks/fuzzed.look";

bool sameSettings(const FurSettings& a, const FurSettings& b) {
    // Every field before the final bool is a 4-byte value: no padding compared.
    return std::memcmp(&a, &b, offsetof(FurSettings, texturesDirty)) == 0;
}

// Two spellings of one file, as the working directory resolves them.
bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    return fs::absolute(a).lexically_normal() == fs::absolute(b).lexically_normal();
}

void finding(const char* what) {
    std::fprintf(stderr, "look round trip broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Look look, untouched;
    std::string error;
    if (!parseLook(text, lookPath, look, error)) {
        if (!sameSettings(look.settings, untouched.settings) || !look.mapPaths[0].empty()) finding("refused, yet applied");
        if (error.rfind(lookPath, 0) != 0) finding("a message without the file");
        return 0;
    }
    std::string saved;
    if (!formatLook(look.settings, look.mapPaths, lookPath, saved, error, look.modelPath)) return 0;
    Look again;
    if (!parseLook(saved, lookPath, again, error)) finding(error.c_str());
    if (!sameSettings(again.settings, look.settings)) finding("other settings");
    for (int map = 0; map < GROOM_MAP_COUNT; ++map)
        if (again.mapPaths[map].empty() != look.mapPaths[map].empty() ||
            (!look.mapPaths[map].empty() && !sameFile(again.mapPaths[map], look.mapPaths[map])))
            finding("another map");
    // A model whose name cannot stand on a line is left out, never mangled.
    if (!again.modelPath.empty() && !sameFile(again.modelPath, look.modelPath)) finding("another model");
    return 0;
}

// What the model readers share: a scanner over text held whole in memory
// with the readers' token, line and number rules, the bookkeeping the two OBJ
// passes share, the checked allocation and file loading behind them, and the
// default material every reader starts from.
//
// Lines are unbounded: a token, a rest of line or a name is as long as the
// text says, and a line is always consumed up to its line feed, so the two
// passes of a reader meet exactly the same tokens.
#pragma once
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/obj_model.h"

// White space as the C locale's isspace sees it.
inline bool isBlankOrLineEnd(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

struct TextScanner {
    const char* begin = nullptr;
    const char* cursor = nullptr;
    const char* end = nullptr;

    TextScanner() = default;
    TextScanner(const char* text, std::size_t length) : begin(text), cursor(text), end(text + length) {}
    explicit TextScanner(std::string_view text) : TextScanner(text.data(), text.size()) {}

    void rewind() { cursor = begin; }

    void skipWhiteSpace() {
        while (cursor != end && isBlankOrLineEnd(*cursor)) ++cursor;
    }

    // The next white-space-delimited token, line ends skipped; empty at the end.
    std::string_view token() {
        skipWhiteSpace();
        const char* start = cursor;
        while (cursor != end && !isBlankOrLineEnd(*cursor)) ++cursor;
        return {start, static_cast<std::size_t>(cursor - start)};
    }

    // The rest of the current line, its line feed included.
    std::string_view restOfLine();
    void skipLine() { restOfLine(); }

    // Reads up to `count` floats from the rest of the current line, stopping at
    // the first that does not scan or is not finite (its destination and the
    // later ones keep their content), then skips the rest of the line. Returns
    // how many were stored.
    int readLineFloats(float* values, int count);

    // "%d": skips white space (line ends included) and reads a signed decimal
    // integer, clamped to the 32-bit range. On failure nothing but the white
    // space is consumed.
    bool scanInt(std::int32_t& value) {
        skipWhiteSpace();
        const char* p = cursor;
        bool negative = false;
        if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
        const char* digits = p;
        std::int64_t magnitude = 0;
        // Eleven digits cannot overflow; more only saturate.
        for (; p != end && static_cast<unsigned char>(*p - '0') <= 9; ++p)
            if (p - digits < 11) magnitude = magnitude * 10 + (*p - '0');
        if (p == digits) return false;
        constexpr std::int64_t limit = std::int64_t{INT32_MAX};
        if (p - digits > 11 || magnitude > limit) magnitude = limit + 1;
        value = static_cast<std::int32_t>(negative ? -magnitude : std::min(magnitude, limit));
        cursor = p;
        return true;
    }

    bool matchChar(char c) {
        if (cursor != end && *cursor == c) {
            ++cursor;
            return true;
        }
        return false;
    }

    // 1-based number of the line that holds `at`.
    unsigned lineNumberAt(const char* at) const;
};

// A material, material-library or material-use name: the first word of a rest
// of line, or its second word when it holds two or more.
std::string nameFromLine(std::string_view line);
// A group name: the rest of the line without its line end ("\n" or "\r\n").
std::string groupNameFromLine(std::string_view line);

// The OBJ text being read and what the two passes share about it. Groups and
// materials are also indexed by name here, so that files with many groups or
// material-use lines read in linear time.
struct ObjSource {
    TextScanner scanner;
    std::string pathName;  // for messages
    std::unordered_map<std::string, ObjGroup*> groupsByName;
    // Each group's triangleIndices size, as the first pass counted it.
    std::unordered_map<const ObjGroup*, std::uint32_t> groupCapacity;

    ObjSource(const char* text, std::size_t length, const char* path) : scanner(text, length), pathName(path) {}
};

// A zeroed array of `count` entries of `size` bytes (at least one entry, so that
// an empty array is not null). Ends the process with a message naming
// `operation` and `what` when the size overflows or the allocation fails.
void* allocateEntries(std::size_t count, std::size_t size, const char* operation, const char* what);
// A malloc'ed copy of `text` up to its first NUL byte.
char* copyString(std::string_view text, const char* operation);

// A material as every reader starts one: grey diffuse, a little ambient, no
// specular, shininess 65; its name and maps untouched.
void setDefaultMaterial(ObjMaterial& material);
// A group named `name` put at the head of the model's group list; with a
// `capacity` of zero or more, an array for that many triangle indices.
ObjGroup* addGroup(ObjModel* model, const std::string& name, const char* operation, std::int64_t capacity = -1);
// The directory of a model's path, with its final '/'; empty for a bare name.
std::string directoryOf(const char* modelPath);
// A file a model names: relative to the model's directory unless absolute.
std::string besideModel(const char* modelPath, const std::string& name);
// A library's message on one line, without its own full stop; `fallback`
// when that leaves nothing.
std::string oneLine(std::string message, const char* fallback);
// Reads a whole regular file, or its first `limit` bytes; false if it cannot
// be opened or read (missing, a directory, a device, a pipe). Ends the
// process if memory runs out.
bool readWholeFile(const char* path, std::string& text, const char* operation,
                   std::size_t limit = static_cast<std::size_t>(-1));

void freeMaterials(ObjModel* model);
// The not-found message of glmFindMaterial.
void reportMissingMaterial(const char* name);

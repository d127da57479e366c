// Settings as text. See settings_text.h.
#include "core/settings_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

bool parseSettingNumber(const std::string& text, float& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    double parsed = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(parsed)) return false;
    if (std::fabs(parsed) > 3.0e38) return false;
    value = static_cast<float>(parsed);
    return true;
}

bool parseSettingWhole(const std::string& text, int& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < -2147483647L || parsed > 2147483647L) return false;
    value = static_cast<int>(parsed);
    return true;
}

namespace {

bool parseFloatList(const std::string& text, std::vector<float>& values) {
    values.clear();
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        float value;
        if (!parseSettingNumber(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                                value))
            return false;
        values.push_back(value);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// The fewest significant digits that read back to the same float: a saved
// look shows 0.07 rather than 0.0700000003, and nine digits always suffice.
std::string exactNumber(float value) {
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        float back;
        if (parseSettingNumber(text, back) && back == value) break;
    }
    return text;
}

// A text from the input inside a message: quoted, cut short, and with any
// byte that would garble a terminal shown as '?'.
std::string quoted(const std::string& text) {
    constexpr size_t longest = 60;
    std::string shown;
    for (size_t i = 0; i < text.size() && i < longest; ++i)
        shown += std::isprint(static_cast<unsigned char>(text[i])) ? text[i] : '?';
    return "\"" + shown + (text.size() > longest ? "...\"" : "\"");
}

using Kind = SettingKind;

// A rotation's columns are unit length and at right angles, and its last row
// and column are (0, 0, 0, 1); the fin fade relies on its transpose inverting it.
bool isRotation(const float* m) {
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            float dot = m[4 * a] * m[4 * b] + m[4 * a + 1] * m[4 * b + 1] + m[4 * a + 2] * m[4 * b + 2];
            if (std::fabs(dot - (a == b ? 1.0f : 0.0f)) > 1e-3f) return false;
        }
        if (m[4 * a + 3] != 0.0f || m[12 + a] != 0.0f) return false;
    }
    return m[15] == 1.0f;
}

bool setTransform(ObjectTransform& transform, const std::vector<float>& values, const SettingField& field) {
    if (values.size() != 3 && values.size() != 19) return false;
    const float* position = values.data() + (values.size() == 19 ? 16 : 0);
    for (int k = 0; k < 3; ++k)
        if (position[k] < field.min || position[k] > field.max) return false;
    if (values.size() == 19 && !isRotation(values.data())) return false;
    if (values.size() == 19)
        for (int k = 0; k < 16; ++k) transform.rotation[k] = values[k];
    transform.translateXZ[0] = position[0];
    transform.translateY = position[1];
    transform.translateXZ[1] = position[2];
    return true;
}

std::string accepted(const SettingField& field) {
    switch (field.kind) {
    case Kind::Flag:
    case Kind::Bool: return "0 or 1";
    case Kind::Int: return "a whole number from " + number(field.min) + " to " + number(field.max);
    case Kind::Transform:
        return "x,y,z (a position, each from " + number(field.min) + " to " + number(field.max) +
               ") or 16 rotation values (column-major) followed by x,y,z";
    case Kind::Text:
        return "a name of at most " + std::to_string(field.count - 1) +
               " bytes, without '#', control characters or blanks at either end (empty: none)";
    case Kind::Floats:
        break;
    }
    std::string range = "from " + number(field.min) + " to " + number(field.max);
    if (field.count == 1) return "a number " + range;
    return std::to_string(field.count) + " comma-separated numbers, each " + range;
}

bool assignWhole(FurSettings& settings, const SettingField& field, const std::string& value) {
    int parsed;
    if (!parseSettingWhole(value, parsed) || parsed < field.min || parsed > field.max) return false;
    if (field.kind == Kind::Bool)
        *settingBool(settings, field) = parsed != 0;
    else
        *settingInt(settings, field) = parsed;
    return true;
}

// A text a look line carries back unchanged: a look's values lose their
// blanks at either end, '#' starts a comment and a line ends at its break.
bool assignText(FurSettings& settings, const SettingField& field, const std::string& value) {
    for (unsigned char c : value)
        if (c < 0x20 || c == 0x7f || c == '#') return false;
    if (!value.empty() && (std::isspace(static_cast<unsigned char>(value.front())) ||
                           std::isspace(static_cast<unsigned char>(value.back()))))
        return false;
    return assignSettingText(settings, field, value.c_str());
}

bool assign(FurSettings& settings, const SettingField& field, const std::string& value) {
    if (field.kind == Kind::Text) return assignText(settings, field, value);
    if (field.kind == Kind::Int || field.kind == Kind::Flag || field.kind == Kind::Bool)
        return assignWhole(settings, field, value);
    std::vector<float> values;
    if (!parseFloatList(value, values)) return false;
    if (field.kind == Kind::Transform) return setTransform(*settingTransform(settings, field), values, field);
    if (static_cast<int>(values.size()) != field.count) return false;
    for (float v : values)
        if (v < field.min || v > field.max) return false;
    for (int k = 0; k < field.count; ++k) settingFloats(settings, field)[k] = values[k];
    return true;
}

}  // namespace

const std::vector<std::string>& furSettingNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const SettingField& field : furSettingFields) list.push_back(field.name);
        return list;
    }();
    return names;
}

bool applyFurSettingValue(FurSettings& settings, const std::string& name, const std::string& value,
                          std::string& error) {
    if (const SettingField* field = findSettingField(name)) {
        if (assign(settings, *field, value)) return true;
        error = "bad value " + quoted(value) + " for " + name + ": expected " + accepted(*field);
        return false;
    }
    error = "unknown setting " + quoted(name) + " (known: ";
    for (const SettingField& field : furSettingFields)
        error += (&field == furSettingFields ? "" : ", ") + std::string(field.name);
    error += ")";
    return false;
}

bool applyFurSetting(FurSettings& settings, const std::string& assignment, std::string& error) {
    size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        error = "--set takes NAME=VALUE, not " + quoted(assignment);
        return false;
    }
    return applyFurSettingValue(settings, assignment.substr(0, equals), assignment.substr(equals + 1), error);
}

std::string formatFurSetting(const FurSettings& settings, const SettingField& field) {
    // The table's accessors hand out writable storage; nothing is written here.
    FurSettings& record = const_cast<FurSettings&>(settings);
    switch (field.kind) {
    case Kind::Int:
    case Kind::Flag: return std::to_string(*settingInt(record, field));
    case Kind::Bool: return *settingBool(record, field) ? "1" : "0";
    case Kind::Transform: {
        const ObjectTransform& transform = *settingTransform(record, field);
        std::string text;
        for (float value : transform.rotation) text += exactNumber(value) + ",";
        return text + exactNumber(transform.translateXZ[0]) + "," + exactNumber(transform.translateY) + "," +
               exactNumber(transform.translateXZ[1]);
    }
    case Kind::Text: return settingText(record, field);
    case Kind::Floats: break;
    }
    std::string text;
    for (int k = 0; k < field.count; ++k) text += (k ? "," : "") + exactNumber(settingFloats(record, field)[k]);
    return text;
}

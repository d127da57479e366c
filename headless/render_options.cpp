// Command line of pelage-render. See render_options.h.
#include "headless/render_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/fur_settings.h"

namespace {

// A whole text as one finite number; no trailing characters, no blanks.
bool parseFloat(const std::string& text, float& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    double parsed = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(parsed)) return false;
    if (std::fabs(parsed) > 3.0e38) return false;
    value = static_cast<float>(parsed);
    return true;
}

bool parseInt(const std::string& text, int& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < -2147483647L || parsed > 2147483647L) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool parseFloatList(const std::string& text, std::vector<float>& values) {
    values.clear();
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        float value;
        if (!parseFloat(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), value))
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
    case Kind::Floats:
        break;
    }
    std::string range = "from " + number(field.min) + " to " + number(field.max);
    if (field.count == 1) return "a number " + range;
    return std::to_string(field.count) + " comma-separated numbers, each " + range;
}

bool assignWhole(FurSettings& settings, const SettingField& field, const std::string& value) {
    int parsed;
    if (!parseInt(value, parsed) || parsed < field.min || parsed > field.max) return false;
    if (field.kind == Kind::Bool)
        *settingBool(settings, field) = parsed != 0;
    else
        *settingInt(settings, field) = parsed;
    return true;
}

bool assign(FurSettings& settings, const SettingField& field, const std::string& value) {
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

bool applyFurSetting(FurSettings& settings, const std::string& assignment, std::string& error) {
    size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        error = "--set takes NAME=VALUE, not \"" + assignment + "\"";
        return false;
    }
    std::string name = assignment.substr(0, equals), value = assignment.substr(equals + 1);
    if (const SettingField* field = findSettingField(name)) {
        if (assign(settings, *field, value)) return true;
        error = "bad value \"" + value + "\" for " + name + ": expected " + accepted(*field);
        return false;
    }
    error = "unknown setting \"" + name + "\" (known: ";
    for (const SettingField& field : furSettingFields)
        error += (&field == furSettingFields ? "" : ", ") + std::string(field.name);
    error += ")";
    return false;
}

namespace {

// Scans a pattern; returns the number of %d conversions, or -1 for any other
// conversion. `at` and `length` receive the place of the last %d seen.
int scanPattern(const std::string& pattern, size_t* at = nullptr, size_t* length = nullptr) {
    int conversions = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j]))) ++j;
        if (j >= pattern.size() || pattern[j] != 'd' || j - i - 1 > 2) return -1;
        if (at) *at = i;
        if (length) *length = j - i + 1;
        ++conversions;
        i = j;
    }
    return conversions;
}

}  // namespace

bool hasFrameNumber(const std::string& pattern) { return scanPattern(pattern) == 1; }

bool frameFileName(const std::string& pattern, int index, std::string& name) {
    size_t at = 0, length = 0;
    int conversions = scanPattern(pattern, &at, &length);
    if (conversions < 0 || conversions > 1) return false;
    std::string flags = conversions == 1 ? pattern.substr(at + 1, length - 2) : "";
    name.clear();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (conversions == 1 && i == at) {
            std::string digits = std::to_string(index);
            size_t width = flags.empty() ? 0 : static_cast<size_t>(std::atoi(flags.c_str()));
            char fill = !flags.empty() && flags[0] == '0' ? '0' : ' ';
            if (digits.size() < width) name += std::string(width - digits.size(), fill);
            name += digits;
            i += length - 1;
        } else if (pattern[i] == '%') {
            name += '%';
            ++i;  // the second % of an escaped pair
        } else {
            name += pattern[i];
        }
    }
    return true;
}

void orbitEye(const float eye[3], const float lookAt[3], float degrees, float out[3]) {
    double a = degrees * 3.14159265358979323846 / 180.0;
    double vx = eye[0] - lookAt[0], vz = eye[2] - lookAt[2];
    out[0] = static_cast<float>(lookAt[0] + std::cos(a) * vx + std::sin(a) * vz);
    out[1] = eye[1];
    out[2] = static_cast<float>(lookAt[2] - std::sin(a) * vx + std::cos(a) * vz);
}

void spinRotation(const float base[16], float degrees, float out[16]) {
    double a = degrees * 3.14159265358979323846 / 180.0;
    float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    // Ry maps x to (c, 0, -s) and z to (s, 0, c), leaving y; each column of
    // base is turned alike.
    for (int col = 0; col < 4; ++col) {
        const float* in = base + 4 * col;
        float* turned = out + 4 * col;
        float x = in[0], z = in[2];
        turned[0] = c * x + s * z;
        turned[1] = in[1];
        turned[2] = -s * x + c * z;
        turned[3] = in[3];
    }
}

namespace {

bool readVector(const char* const* values, float out[3]) {
    for (int k = 0; k < 3; ++k)
        if (!parseFloat(values[k], out[k])) return false;
    return true;
}

bool readSize(const char* text, int& size) {
    int value;
    if (!parseInt(text, value) || value < 1 || value > 8192) return false;
    size = value;
    return true;
}

// What an option reads: its values (already known to be there), into the
// options or, for --set, a scratch record that checks the assignment.
struct OptionInput {
    const std::string& name;
    const char* const* values;
    RenderOptions& options;
    FurSettings& scratch;
    std::string& error;

    bool fail(const std::string& message) {
        error = message;
        return false;
    }
};

bool readCameraVector(OptionInput in) {
    float* target = in.name == "-e" ? in.options.eye : in.name == "-a" ? in.options.lookAt : in.options.up;
    return readVector(in.values, target) || in.fail(in.name + " takes three numbers");
}

bool readWindowSize(OptionInput in) {
    return readSize(in.values[0], in.name == "-sx" ? in.options.width : in.options.height) ||
           in.fail(in.name + " takes a whole number of pixels from 1 to 8192");
}

bool readOut(OptionInput in) {
    in.options.out = in.values[0];
    int conversions = scanPattern(in.options.out);
    if (!in.options.out.empty() && conversions >= 0 && conversions <= 1) return true;
    return in.fail("--out takes a file name, with at most one frame number such as %04d");
}

bool readFrames(OptionInput in) {
    int& frames = in.options.frames;
    return (parseInt(in.values[0], frames) && frames >= 1 && frames <= 100000) ||
           in.fail("--frames takes a whole number from 1 to 100000");
}

bool readOrbit(OptionInput in) {
    return (parseFloat(in.values[0], in.options.orbit) && std::fabs(in.options.orbit) <= 360.0f) ||
           in.fail("--orbit takes degrees per frame, from -360 to 360");
}

bool readSpin(OptionInput in) {
    return (parseFloat(in.values[0], in.options.spin) && std::fabs(in.options.spin) <= 360.0f) ||
           in.fail("--spin takes degrees per frame, from -360 to 360");
}

bool readTimeStep(OptionInput in) {
    float& step = in.options.timeStep;
    return (parseFloat(in.values[0], step) && step >= 0.0f && step <= 1.0f) ||
           in.fail("--time-step takes seconds per frame, from 0 to 1");
}

bool readSetting(OptionInput in) {
    if (!applyFurSetting(in.scratch, in.values[0], in.error)) return false;
    in.options.settings.push_back(in.values[0]);
    return true;
}

bool readModel(OptionInput in) {
    in.options.model = in.values[0];
    return !in.options.model.empty() || in.fail("--model takes the path of a model file");
}

// The same as --set upAxis=1 or =2, so that the two apply in the order given.
bool readUpAxis(OptionInput in) {
    const std::string& axis = in.values[0];
    if (axis != "y" && axis != "z") return in.fail("--up takes y or z");
    in.options.settings.push_back(axis == "y" ? "upAxis=1" : "upAxis=2");
    return true;
}

bool readHelp(OptionInput in) {
    in.options.help = true;
    return true;
}
bool readBench(OptionInput in) {
    in.options.bench = true;
    return true;
}

struct OptionRule {
    const char* name;
    int values;  // how many arguments follow it
    bool (*read)(OptionInput in);
};

constexpr OptionRule optionRules[] = {
    {"--help", 0, readHelp},         {"-h", 0, readHelp},          {"--bench", 0, readBench},
    {"-e", 3, readCameraVector},     {"-a", 3, readCameraVector},  {"-u", 3, readCameraVector},
    {"-sx", 1, readWindowSize},      {"-sy", 1, readWindowSize},   {"--out", 1, readOut},
    {"--frames", 1, readFrames},     {"--orbit", 1, readOrbit},    {"--set", 1, readSetting},
    {"--model", 1, readModel},       {"--spin", 1, readSpin},      {"--time-step", 1, readTimeStep},
    {"--up", 1, readUpAxis},
};

const OptionRule* findOptionRule(const std::string& name) {
    for (const OptionRule& rule : optionRules)
        if (name == rule.name) return &rule;
    return nullptr;
}

}  // namespace

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error) {
    FurSettings scratch;  // settings are checked here and applied later, in order
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        const OptionRule* rule = findOptionRule(name);
        if (!rule) {
            error = "unknown option \"" + name + "\"";
            return false;
        }
        if (argc - i - 1 < rule->values) {
            error = name + " needs " + std::to_string(rule->values) + (rule->values == 1 ? " value" : " values");
            return false;
        }
        if (!rule->read({name, argv + i + 1, options, scratch, error})) return false;
        i += rule->values;
    }
    if (options.frames > 1 && !options.out.empty() && !hasFrameNumber(options.out)) {
        error = "--out needs a frame number such as %04d when --frames is more than 1";
        return false;
    }
    return true;
}

const char* renderUsage() {
    return "usage: pelage-render [options]\n"
           "Renders Pelage's furry model without a control panel and writes PNG images.\n"
           "Needs an X display (for instance: xvfb-run -a -s \"-screen 0 1600x1200x24\" pelage-render ...).\n"
           "\n"
           "  -e X Y Z          eye position (default 0 0 3)\n"
           "  -a X Y Z          look-at point (default 0 0 0)\n"
           "  -u X Y Z          up vector (default 0 1 0)\n"
           "  -sx W, -sy H      image size in pixels (default 1024 x 1024)\n"
           "  --model FILE      the model (default OBJ/bunny-1500-cleaned.obj): OBJ with its\n"
           "                    MTL library beside it, or glTF, FBX, 3DS, PLY, STL, Collada\n"
           "                    and the other formats assimp reads. A model without usable\n"
           "                    texture coordinates gets generated ones\n"
           "  --up y|z          the model's axis that points up (default: the one its\n"
           "                    format records, z for 3DS; y where it records none)\n"
           "  --out FILE        output PNG (default pelage.png); with --frames above 1 a\n"
           "                    pattern holding one frame number, e.g. turn-%03d.png\n"
           "                    (default pelage-%04d.png)\n"
           "  --frames N        number of frames (default 1)\n"
           "  --orbit DEGREES   turn the eye about the look-at point by this much per frame\n"
           "  --spin DEGREES    turn the model about the vertical axis by this much per frame\n"
           "  --time-step SECONDS  time the fur's wind and springs advance per frame\n"
           "                    (default 0.0333, 30 frames a second)\n"
           "  --set NAME=VALUE  set a fur setting, e.g. numShells=64, hairColor=0.3,0.2,0.1,\n"
           "                    drawFins=0, lightTransform=5,5,2, dynamics=1 (repeatable);\n"
           "                    generatedTexCoords=1 ignores the model's own coordinates\n"
           "  --bench           print start-up, synthesis and frame times instead of writing\n"
           "                    images, for the default model or the one --model names\n"
           "  --help            this text\n"
           "\n"
           "Exit status: 0 on success, 2 on a usage error, 1 when the model, the shaders or an\n"
           "image file fail, -1 (255) without usable shader support.\n";
}

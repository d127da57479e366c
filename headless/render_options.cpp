// Command line of pelage-render. See render_options.h.
#include "headless/render_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "core/fur_settings.h"
#include "core/settings_text.h"

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
        if (!parseSettingNumber(values[k], out[k])) return false;
    return true;
}

bool readSize(const char* text, int& size) {
    int value;
    if (!parseSettingWhole(text, value) || value < 1 || value > 8192) return false;
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
    return (parseSettingWhole(in.values[0], frames) && frames >= 1 && frames <= 100000) ||
           in.fail("--frames takes a whole number from 1 to 100000");
}

bool readOrbit(OptionInput in) {
    return (parseSettingNumber(in.values[0], in.options.orbit) && std::fabs(in.options.orbit) <= 360.0f) ||
           in.fail("--orbit takes degrees per frame, from -360 to 360");
}

bool readSpin(OptionInput in) {
    return (parseSettingNumber(in.values[0], in.options.spin) && std::fabs(in.options.spin) <= 360.0f) ||
           in.fail("--spin takes degrees per frame, from -360 to 360");
}

bool readTimeStep(OptionInput in) {
    float& step = in.options.timeStep;
    return (parseSettingNumber(in.values[0], step) && step >= 0.0f && step <= 1.0f) ||
           in.fail("--time-step takes seconds per frame, from 0 to 1");
}

bool readAnimation(OptionInput in) {
    in.options.animation = in.values[0];
    return !in.options.animation.empty() || in.fail("--animation takes the name or number of one of the model's clips");
}

bool readTime(OptionInput in) {
    float& time = in.options.time;
    return (parseSettingNumber(in.values[0], time) && time >= 0.0f && time <= 100000.0f) ||
           in.fail("--time takes seconds into the clip, from 0 to 100000");
}

bool readSetting(OptionInput in) {
    if (!applyFurSetting(in.scratch, in.values[0], in.error)) return false;
    in.options.settings.push_back({LookOption::SET, in.values[0]});
    return true;
}

bool readLookOption(OptionInput in) {
    in.options.settings.push_back({LookOption::LOOK, in.values[0]});
    return !in.options.settings.back().value.empty() || in.fail("--look takes the path of a look file");
}

bool readSaveLook(OptionInput in) {
    in.options.saveLook = in.values[0];
    return !in.options.saveLook.empty() || in.fail("--save-look takes the path of the look file to write");
}

bool readModel(OptionInput in) {
    in.options.model = in.values[0];
    return !in.options.model.empty() || in.fail("--model takes the path of a model file");
}

// The same as --set upAxis=1 or =2, so that the two apply in the order given.
bool readUpAxis(OptionInput in) {
    const std::string& axis = in.values[0];
    if (axis != "y" && axis != "z") return in.fail("--up takes y or z");
    in.options.settings.push_back({LookOption::SET, axis == "y" ? "upAxis=1" : "upAxis=2"});
    return true;
}

bool readGl(OptionInput in) {
    std::string name = in.values[0];
    if (name == "egl" || name == "glx") {
        in.options.gl = name == "egl" ? GlInterface::Egl : GlInterface::Glx;
        return true;
    }
    return in.fail("--gl takes egl or glx");
}

bool readHelp(OptionInput in) {
    in.options.help = true;
    return true;
}
bool readBench(OptionInput in) {
    in.options.bench = true;
    return true;
}
bool readFrame(OptionInput in) {
    in.options.frame = true;
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
    {"--look", 1, readLookOption},   {"--save-look", 1, readSaveLook},
    {"--gl", 1, readGl},             {"--frame", 0, readFrame},       {"--animation", 1, readAnimation},
    {"--time", 1, readTime},
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
           "Needs no display: without an X display (DISPLAY unset) it draws through EGL.\n"
           "\n"
           "  -e X Y Z          eye position (default 0 0 3)\n"
           "  -a X Y Z          look-at point (default 0 0 0)\n"
           "  -u X Y Z          up vector (default 0 1 0)\n"
           "  -sx W, -sy H      image size in pixels (default 1024 x 1024)\n"
           "  --frame           move the eye and look-at point so the model fills the image,\n"
           "                    seen from the direction -e and -a give (pelage's f key)\n"
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
           "  --time-step SECONDS  time the fur's wind and springs, and the clip, advance\n"
           "                    per frame (default 0.0333, 30 frames a second)\n"
           "  --animation NAME|INDEX  play the model's clip of that name or number (from 0)\n"
           "  --time SECONDS    where in the clip the first frame is (default 0)\n"
           LOOK_OPTIONS_USAGE
           "  --save-look FILE  write the look rendered (its maps named relative to FILE)\n"
           "  --gl egl|glx      the GL interface: EGL (no display server) or GLX (a window on\n"
           "                    the X display); by default EGL when DISPLAY is unset, else GLX,\n"
           "                    the other one tried when the first fails\n"
           "  --bench           print start-up, synthesis and frame times instead of writing\n"
           "                    images, for the default model or the one --model names;\n"
           "                    with --animation, the animated frame beside the static one\n"
           "  --help            this text\n"
           "\n"
           "Exit status: 0 on success, 2 on a usage error, 1 when no GL context opens or the\n"
           "model, the shaders or an image file fail, -1 (255) without usable shader support.\n";
}

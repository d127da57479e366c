// Command line of pelage-render. See render_options.h.
#include "headless/render_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

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

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

bool readOut(RenderOptions& options, const OptionArgs& args, std::string& error) {
    options.out = args.values[0];
    int conversions = scanPattern(options.out);
    if (!options.out.empty() && conversions >= 0 && conversions <= 1) return true;
    return fail(error, "--out takes a file name, with at most one frame number such as %04d");
}

bool readFrames(RenderOptions& options, const OptionArgs& args, std::string& error) {
    int& frames = options.frames;
    return (parseSettingWhole(args.values[0], frames) && frames >= 1 && frames <= 100000) ||
           fail(error, "--frames takes a whole number from 1 to 100000");
}

// --orbit and --spin.
bool readDegrees(RenderOptions& options, const OptionArgs& args, std::string& error) {
    float& degrees = args.name[2] == 'o' ? options.orbit : options.spin;
    return (parseSettingNumber(args.values[0], degrees) && std::fabs(degrees) <= 360.0f) ||
           fail(error, std::string(args.name) + " takes degrees per frame, from -360 to 360");
}

bool readTimeStep(RenderOptions& options, const OptionArgs& args, std::string& error) {
    float& step = options.timeStep;
    return (parseSettingNumber(args.values[0], step) && step >= 0.0f && step <= 1.0f) ||
           fail(error, "--time-step takes seconds per frame, from 0 to 1");
}

bool readAnimation(RenderOptions& options, const OptionArgs& args, std::string& error) {
    options.animation = args.values[0];
    return !options.animation.empty() || fail(error, "--animation takes the name or number of one of the model's clips");
}

bool readTime(RenderOptions& options, const OptionArgs& args, std::string& error) {
    float& time = options.time;
    return (parseSettingNumber(args.values[0], time) && time >= 0.0f && time <= 100000.0f) ||
           fail(error, "--time takes seconds into the clip, from 0 to 100000");
}

bool readSaveLook(RenderOptions& options, const OptionArgs& args, std::string& error) {
    options.saveLook = args.values[0];
    return !options.saveLook.empty() || fail(error, "--save-look takes the path of the look file to write");
}

bool readGl(RenderOptions& options, const OptionArgs& args, std::string& error) {
    std::string name = args.values[0];
    if (name != "egl" && name != "glx") return fail(error, "--gl takes egl or glx");
    options.gl = name == "egl" ? GlInterface::Egl : GlInterface::Glx;
    return true;
}

bool readBench(RenderOptions& options, const OptionArgs&, std::string&) {
    options.bench = true;
    return true;
}

bool readFrame(RenderOptions& options, const OptionArgs&, std::string&) {
    options.frame = true;
    return true;
}

constexpr OptionRule<RenderOptions> renderOptionRules[] = {
    {"--out", 1, false, readOut},         {"--frames", 1, false, readFrames},     {"--orbit", 1, false, readDegrees},
    {"--spin", 1, false, readDegrees},    {"--time-step", 1, false, readTimeStep}, {"--animation", 1, false, readAnimation},
    {"--time", 1, false, readTime},       {"--save-look", 1, false, readSaveLook}, {"--gl", 1, false, readGl},
    {"--bench", 0, false, readBench},     {"--frame", 0, false, readFrame},
};

}  // namespace

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error) {
    if (!parseOptions(argc, argv, renderOptionRules, std::size(renderOptionRules), options,
                      {OptionReading::Strict, "pelage-render", nullptr, nullptr}, error))
        return false;
    if (options.frames > 1 && !options.out.empty() && !hasFrameNumber(options.out))
        return fail(error, "--out needs a frame number such as %04d when --frames is more than 1");
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

// Command-line parsing for camera and window size. See command_line.h.
#include "app/command_line.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/camera.h"
#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "groom/brush.h"

int windowWidth = 1024;
int windowHeight = 1024;
const char* modelPath = defaultModelPath;
std::vector<LookOption> lookOptions;
std::string saveDirectory;
bool helpRequested = false;

double commandLineNumber(const char* text) { return std::strtod(text, nullptr); }

bool isWholeNumber(const char* text) {
    char* end = nullptr;
    std::strtod(text, &end);
    if (end == text) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0';
}

int truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

namespace {

struct VectorOption {
    const char* name;
    float* target;
};

// The option's value as a number, with a warning when it is not one whole:
// the original reading (its longest valid prefix, or 0) is kept.
double optionNumber(const char* option, const char* value, std::FILE* warnings) {
    if (!isWholeNumber(value))
        std::fprintf(warnings, "pelage: warning: \"%s\" after %s is not a number; read as %g (see pelage --help)\n",
                     value, option, commandLineNumber(value));
    return commandLineNumber(value);
}

void readVector(const char* option, const char* const* values, float* target, std::FILE* warnings) {
    for (int k = 0; k < 3; ++k) target[k] = static_cast<float>(optionNumber(option, values[k], warnings));
}

// The options that take values, and how many; anything else but --help and
// -h is ignored, with a warning.
int valuesTaken(const char* arg) {
    static constexpr struct {
        const char* name;
        int values;
    } options[] = {{"-e", 3},      {"-a", 3},     {"-u", 3},    {"-sx", 1},    {"-sy", 1},         {"--up", 1},
                   {"--brush", 1}, {"--model", 1}, {"--set", 1}, {"--look", 1}, {"--save-dir", 1}, {"--help", 0},
                   {"-h", 0}};
    for (const auto& option : options)
        if (std::strcmp(arg, option.name) == 0) return option.values;
    return -1;
}

}  // namespace

void parseCommandLine(int argc, const char* const* argv, std::FILE* echo, std::FILE* warnings) {
    const VectorOption vectors[] = {{"-e", eyePoint}, {"-a", lookAtPoint}, {"-u", upVector}};
    int i = 1;
    while (i < argc) {
        const char* arg = argv[i];
        std::fprintf(echo, "%s\n", arg);
        ++i;
        int remaining = argc - i;
        bool matched = false;
        for (const VectorOption& option : vectors) {
            if (std::strcmp(arg, option.name) != 0) continue;
            matched = true;
            if (remaining >= 3) {
                readVector(arg, argv + i, option.target, warnings);
                i += 3;
            }
            break;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) helpRequested = true;
        int taken = valuesTaken(arg);
        if (taken < 0)
            std::fprintf(warnings, "pelage: warning: \"%s\" is not an option and is ignored (see pelage --help)\n", arg);
        else if (taken > remaining)
            std::fprintf(warnings, "pelage: warning: %s takes %d value%s and is ignored (see pelage --help)\n", arg,
                         taken, taken == 1 ? "" : "s");
        if (matched || remaining < 1) continue;
        if (std::strcmp(arg, "-sx") == 0) {
            windowWidth = truncateToInt(optionNumber(arg, argv[i++], warnings));
        } else if (std::strcmp(arg, "-sy") == 0) {
            windowHeight = truncateToInt(optionNumber(arg, argv[i++], warnings));
        } else if (std::strcmp(arg, "--up") == 0) {
            const char* axis = argv[i++];
            std::fprintf(echo, "%s\n", axis);
            // Unlike a number, a wrong axis has no harmless reading.
            if (std::strcmp(axis, "y") != 0 && std::strcmp(axis, "z") != 0)
                fatalError(stderr, 2, "pelage: --up takes y or z, not \"%s\".\n", axis);
            furSettings.upAxis = axis[0] == 'y' ? UP_AXIS_Y : UP_AXIS_Z;
        } else if (std::strcmp(arg, "--brush") == 0) {
            const char* name = argv[i++];
            std::fprintf(echo, "%s\n", name);
            int brush = brushByName(name);
            if (brush < 0)
                fatalError(stderr, 2,
                           "pelage: --brush takes off, length, density, comb, colour, smooth or erase, not \"%s\".\n",
                           name);
            activeBrush = static_cast<BrushKind>(brush);
        } else if (std::strcmp(arg, "--model") == 0) {
            // Unlike the numbers, the path is echoed: it says which model a
            // run's output belongs to.
            modelPath = argv[i++];
            std::fprintf(echo, "%s\n", modelPath);
        } else if (std::strcmp(arg, "--set") == 0 || std::strcmp(arg, "--look") == 0) {
            lookOptions.push_back({arg[2] == 's' ? LookOption::SET : LookOption::LOOK, argv[i++]});
            std::fprintf(echo, "%s\n", lookOptions.back().value.c_str());
        } else if (std::strcmp(arg, "--save-dir") == 0) {
            saveDirectory = argv[i++];
            std::fprintf(echo, "%s\n", saveDirectory.c_str());
        }
    }
}

const char* pelageUsage() {
    return "usage: pelage [options]\n"
           "Shows Pelage's furry model in a window, with a control panel at the right.\n"
           "\n"
           "  -e X Y Z          eye position (default 0 0 3)\n"
           "  -a X Y Z          look-at point (default 0 0 0)\n"
           "  -u X Y Z          up vector (default 0 1 0)\n"
           "  -sx W, -sy H      window size in pixels (default 1024 x 1024)\n"
           "  --model FILE      the OBJ model (default OBJ/bunny-1500-cleaned.obj); its MTL\n"
           "                    library is looked up beside it\n" LOOK_OPTIONS_USAGE
           "  --brush NAME      start with a painting brush chosen: off, length, density,\n"
           "                    comb, colour, smooth or erase (default off); a left drag\n"
           "                    then paints instead of panning\n"
           "  --save-dir DIR    where Save Look (ctrl+S) writes MODEL.look, after the model's\n"
           "                    file name, when no --look names a file (default: the working\n"
           "                    directory; made when missing); Save Picture (ctrl+P) writes\n"
           "                    PNG files beside the look, and unsaved work is kept in\n"
           "                    MODEL.recovered.look\n"
           "  --help            this text\n"
           "\n"
           "Exit status: 0 on quit (Escape, Q or q), 2 on a bad setting or look, 1 when the\n"
           "model or the shaders fail, -1 (255) without usable shader support.\n";
}

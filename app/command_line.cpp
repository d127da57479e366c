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

void readVector(const char* const* values, float* target) {
    for (int k = 0; k < 3; ++k) target[k] = static_cast<float>(commandLineNumber(values[k]));
}

}  // namespace

void parseCommandLine(int argc, const char* const* argv, std::FILE* echo) {
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
                readVector(argv + i, option.target);
                i += 3;
            }
            break;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) helpRequested = true;
        if (matched || remaining < 1) continue;
        if (std::strcmp(arg, "-sx") == 0) {
            windowWidth = truncateToInt(commandLineNumber(argv[i++]));
        } else if (std::strcmp(arg, "-sy") == 0) {
            windowHeight = truncateToInt(commandLineNumber(argv[i++]));
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
           "  --save-dir DIR    where Save Look (ctrl+S) writes pelage.look when no --look\n"
           "                    names a file (default: the working directory); Save Picture\n"
           "                    (ctrl+P) writes PNG files beside the look\n"
           "  --help            this text\n"
           "\n"
           "Exit status: 0 on quit (Escape, Q or q), 2 on a bad setting or look, 1 when the\n"
           "model or the shaders fail, -1 (255) without usable shader support.\n";
}

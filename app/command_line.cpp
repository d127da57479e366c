// Both programs' command lines: the options they share, and pelage's reading. See
// command_line.h.
#include "app/command_line.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

#include "app/camera.h"
#include "core/fatal_error.h"
#include "core/fur_settings.h"
#include "core/settings_text.h"
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

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

// The option's value as a number. Strictly, the whole value must be one; as
// pelage reads, its longest valid prefix (or 0) is taken, with a warning when
// that is not all of it.
bool readNumber(const OptionArgs& args, const char* value, float& number) {
    if (args.reading == OptionReading::Strict) return parseSettingNumber(value, number);
    if (!isWholeNumber(value))
        std::fprintf(args.warnings, "%s: warning: \"%s\" after %s is not a number; read as %g (see %s --help)\n",
                     args.program, value, args.name, commandLineNumber(value), args.program);
    number = static_cast<float>(commandLineNumber(value));
    return true;
}

bool readCameraVector(ViewOptions& view, const OptionArgs& args, std::string& error) {
    float* target = args.name[1] == 'e' ? view.eye : args.name[1] == 'a' ? view.lookAt : view.up;
    float read[3];
    for (int k = 0; k < 3; ++k)
        if (!readNumber(args, args.values[k], read[k])) return fail(error, std::string(args.name) + " takes three numbers");
    std::copy(read, read + 3, target);
    return true;
}

// pelage takes any size, truncated toward zero; pelage-render a whole number
// of pixels it can draw.
bool readWindowSize(ViewOptions& view, const OptionArgs& args, std::string& error) {
    int& size = args.name[2] == 'x' ? view.width : view.height;
    if (args.reading == OptionReading::Lenient) {
        float ignored;
        readNumber(args, args.values[0], ignored);
        size = truncateToInt(commandLineNumber(args.values[0]));
        return true;
    }
    int value;
    if (parseSettingWhole(args.values[0], value) && value >= 1 && value <= 8192) {
        size = value;
        return true;
    }
    return fail(error, std::string(args.name) + " takes a whole number of pixels from 1 to 8192");
}

bool readModel(ViewOptions& view, const OptionArgs& args, std::string& error) {
    view.model = args.values[0];
    return !view.model.empty() || fail(error, "--model takes the path of a model file");
}

// The same as --set upAxis=1 or =2, so that the two apply in the order given.
// Unlike a number, a wrong axis has no harmless reading.
bool readUpAxis(ViewOptions& view, const OptionArgs& args, std::string& error) {
    std::string axis = args.values[0];
    if (axis != "y" && axis != "z") return fail(error, "--up takes y or z, not \"" + axis + "\"");
    view.settings.push_back({LookOption::SET, axis == "y" ? "upAxis=1" : "upAxis=2"});
    return true;
}

// pelage-render checks a setting as it reads it; pelage when it applies it,
// as it does a look.
bool readSetting(ViewOptions& view, const OptionArgs& args, std::string& error) {
    FurSettings scratch;
    if (args.reading == OptionReading::Strict && !applyFurSetting(scratch, args.values[0], error)) return false;
    view.settings.push_back({LookOption::SET, args.values[0]});
    return true;
}

bool readLookOption(ViewOptions& view, const OptionArgs& args, std::string& error) {
    view.settings.push_back({LookOption::LOOK, args.values[0]});
    return args.reading == OptionReading::Lenient || !view.settings.back().value.empty() ||
           fail(error, "--look takes the path of a look file");
}

bool readHelp(ViewOptions& view, const OptionArgs&, std::string&) {
    view.help = true;
    return true;
}

constexpr OptionRule<ViewOptions> sharedOptionRules[] = {
    {"-e", 3, false, readCameraVector},   {"-a", 3, false, readCameraVector}, {"-u", 3, false, readCameraVector},
    {"-sx", 1, false, readWindowSize},    {"-sy", 1, false, readWindowSize},  {"--model", 1, true, readModel},
    {"--up", 1, true, readUpAxis},        {"--set", 1, true, readSetting},    {"--look", 1, true, readLookOption},
    {"--help", 0, false, readHelp},       {"-h", 0, false, readHelp},
};

// pelage's own options.
struct PelageOptions : ViewOptions {
    std::string saveDirectory;
    BrushKind brush = BRUSH_OFF;
};

bool readBrush(PelageOptions& options, const OptionArgs& args, std::string& error) {
    int brush = brushByName(args.values[0]);
    if (brush < 0)
        return fail(error, std::string("--brush takes off, length, density, comb, colour, smooth or erase, not \"") +
                               args.values[0] + "\"");
    options.brush = static_cast<BrushKind>(brush);
    return true;
}

bool readSaveDirectory(PelageOptions& options, const OptionArgs& args, std::string&) {
    options.saveDirectory = args.values[0];
    return true;
}

constexpr OptionRule<PelageOptions> pelageOptionRules[] = {
    {"--brush", 1, true, readBrush},
    {"--save-dir", 1, true, readSaveDirectory},
};

// pelage's options live in globals. Swapped into the record before reading and
// back after it, an option not given leaves its global as it was.
void swapWithGlobals(PelageOptions& options) {
    std::swap_ranges(eyePoint, eyePoint + 3, options.eye);
    std::swap_ranges(lookAtPoint, lookAtPoint + 3, options.lookAt);
    std::swap_ranges(upVector, upVector + 3, options.up);
    std::swap(windowWidth, options.width);
    std::swap(windowHeight, options.height);
    std::swap(lookOptions, options.settings);
    std::swap(helpRequested, options.help);
    std::swap(saveDirectory, options.saveDirectory);
    std::swap(activeBrush, options.brush);
}

}  // namespace

const OptionRule<ViewOptions>* findSharedOption(const char* name) {
    for (const OptionRule<ViewOptions>& rule : sharedOptionRules)
        if (std::strcmp(name, rule.name) == 0) return &rule;
    return nullptr;
}

bool optionSkipped(const OptionArgs& args, const char* name, int valuesTaken, std::string& error) {
    std::string taken = std::to_string(valuesTaken) + (valuesTaken == 1 ? " value" : " values");
    if (args.reading == OptionReading::Strict) {
        error = valuesTaken < 0 ? "unknown option \"" + std::string(name) + "\"" : name + (" needs " + taken);
        return true;
    }
    if (valuesTaken < 0)
        std::fprintf(args.warnings, "%s: warning: \"%s\" is not an option and is ignored (see %s --help)\n",
                     args.program, name, args.program);
    else
        std::fprintf(args.warnings, "%s: warning: %s takes %s and is ignored (see %s --help)\n", args.program, name,
                     taken.c_str(), args.program);
    return false;
}

void parseCommandLine(int argc, const char* const* argv, std::FILE* echo, std::FILE* warnings) {
    static std::string givenModel;  // what modelPath points to once --model names a file
    PelageOptions options;
    swapWithGlobals(options);
    std::string error;
    bool read = parseOptions(argc, argv, pelageOptionRules, std::size(pelageOptionRules), options,
                             {OptionReading::Lenient, "pelage", echo, warnings}, error);
    swapWithGlobals(options);
    if (!read) fatalError(stderr, 2, "pelage: %s.\n", error.c_str());
    if (!options.model.empty()) {
        givenModel = options.model;
        modelPath = givenModel.c_str();
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

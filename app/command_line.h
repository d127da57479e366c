// The command lines of both programs. The options they share (the camera
// "-e", "-a", "-u", the picture's size "-sx", "-sy", the model "--model" and
// its up axis "--up y|z", settings and looks "--set", "--look", and "--help")
// have one table of rules; each program adds its own rules to it. pelage
// reads as it always has: a number is its longest valid prefix, an unknown
// option or one with too few values left is ignored, each with a warning, and
// every examined argument is echoed, and so are the paths and settings. Its
// own options are the painting brush ("--brush NAME", into activeBrush) and
// where looks and pictures are saved ("--save-dir"). pelage-render refuses
// what pelage warns about. A value neither can read (an axis but y or z, an
// unknown brush) is refused by both; settings and looks are checked when
// applied (look_session.h). No OpenGL here.
#pragma once
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/look_file.h"

// What the options both programs share give.
struct ViewOptions {
    float eye[3] = {0, 0, 3}, lookAt[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    int width = 1024, height = 1024;   // of the window or the picture
    std::string model;                 // empty: the default model
    std::vector<LookOption> settings;  // --set, --look and --up, in the order given
    bool help = false;
};

// How a program reads its command line: as pelage always has (Lenient), or
// refusing anything it cannot read exactly (Strict).
enum class OptionReading { Lenient, Strict };

// How a program reads, where a lenient reading echoes the arguments and
// warns (under the program's name), and the option being read: its name and
// its values, all there.
struct OptionArgs {
    OptionReading reading;
    const char* program;
    std::FILE* echo;
    std::FILE* warnings;
    const char* name = nullptr;
    const char* const* values = nullptr;
};

// One option of a program's table: its name, how many values follow it,
// whether a lenient reading echoes its value (paths and settings are echoed,
// numbers are not), and what reads the values into the target: false with a
// message in `error` for a value it refuses.
template <class Target>
struct OptionRule {
    const char* name;
    int values;
    bool echoValue;
    bool (*read)(Target& target, const OptionArgs& args, std::string& error);
};

// The rule of a shared option, null for any other name.
const OptionRule<ViewOptions>* findSharedOption(const char* name);
// Says why argument `name` is skipped: a lenient reading warns and goes on
// (false), a strict one fails with the message in `error` (true).
bool optionSkipped(const OptionArgs& args, const char* name, int valuesTaken, std::string& error);

// Reads argv[1..argc-1] left to right into `target`, by the program's own
// rules (`own`, `ownCount` of them) and the shared ones. An option's values
// are taken positionally, even when they look like options. False with one
// line in `error` for what a rule refuses, and for an unknown option or one
// without its values when the reading is strict.
template <class Target>
bool parseOptions(int argc, const char* const* argv, const OptionRule<Target>* own, std::size_t ownCount,
                  Target& target, OptionArgs args, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (args.echo) std::fprintf(args.echo, "%s\n", name);
        const OptionRule<Target>* rule = nullptr;
        for (std::size_t k = 0; k < ownCount && !rule; ++k)
            if (std::strcmp(name, own[k].name) == 0) rule = &own[k];
        const OptionRule<ViewOptions>* shared = rule ? nullptr : findSharedOption(name);
        int values = rule ? rule->values : shared ? shared->values : -1;
        if (values < 0 || values > argc - i - 1) {
            if (optionSkipped(args, name, values, error)) return false;
            continue;
        }
        args.name = name;
        args.values = argv + i + 1;
        if (args.echo && (rule ? rule->echoValue : shared->echoValue))
            for (int v = 0; v < values; ++v) std::fprintf(args.echo, "%s\n", args.values[v]);
        if (rule ? !rule->read(target, args, error) : !shared->read(target, args, error)) return false;
        i += values;
    }
    return true;
}

extern int windowWidth;   // "-sx", 1024 by default
extern int windowHeight;  // "-sy", 1024 by default

// The model file the fur grows on, relative to the working directory unless
// absolute; "--model" names another. An OBJ file's MTL library is looked up
// beside it.
constexpr const char* defaultModelPath = "OBJ/bunny-1500-cleaned.obj";
extern const char* modelPath;

// "--set NAME=VALUE" and "--look FILE", in the order given.
extern std::vector<LookOption> lookOptions;
// "--save-dir": where Save Look and Save Picture write when no --look names
// a file; empty: the working directory.
extern std::string saveDirectory;
// "--help" or "-h" was given.
extern bool helpRequested;

// The lines of both programs' usage texts about settings and looks.
#define LOOK_OPTIONS_USAGE                                                                      \
    "  --look FILE       apply a look: fur settings and the groom's maps, named in a\n"        \
    "                    text file of name = value lines (repeatable)\n"                       \
    "  --set NAME=VALUE  set a fur setting, e.g. numShells=64, hairColor=0.3,0.2,0.1,\n"       \
    "                    drawFins=0, lightTransform=5,5,2, dynamics=1 (repeatable;\n"          \
    "                    with --look, a later option wins); generatedTexCoords=1\n"            \
    "                    ignores the model's own coordinates\n"

// pelage's usage text, printed by --help.
const char* pelageUsage();

// Reads pelage's command line leniently, echoing each examined argument on
// `echo`, into the camera globals, the window size and the globals above.
// What is ignored or read as a number it does not spell out gets one warning
// line on `warnings`, naming it and pointing to --help; a value refused ends
// the program with status 2 (fatalError).
void parseCommandLine(int argc, const char* const* argv, std::FILE* echo, std::FILE* warnings = stderr);

// A value as the options read it: leading blanks skipped, the longest valid
// decimal prefix, 0 when there is none.
double commandLineNumber(const char* text);
// Whether the whole of `text` is a number (blanks around it aside).
bool isWholeNumber(const char* text);

// A window size value truncated toward zero; NaN gives 0 and values beyond the
// int range saturate, so no input makes the conversion undefined.
int truncateToInt(double value);

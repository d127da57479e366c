// The command line: camera placement ("-e", "-a", "-u"), window size ("-sx",
// "-sy"), the model ("--model") and its up axis ("--up y|z", into
// furSettings.upAxis), the painting brush ("--brush NAME", into activeBrush),
// settings and looks ("--set", "--look"), where looks
// and pictures are saved ("--save-dir") and "--help". Every examined argument
// is echoed, and so are the paths and settings; the settings and looks are
// checked when applied (look_session.h), the axis here (status 2 through
// fatalError). No OpenGL here.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "core/look_file.h"

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

// Examines argv[1..argc-1] left to right, echoing each examined argument on
// `echo` and applying the options to the camera globals and the window size.
// An option with fewer values left than it takes is ignored (after its echo).
// What is ignored or read as a number it does not spell out gets one warning
// line on `warnings`, naming it and pointing to --help.
void parseCommandLine(int argc, const char* const* argv, std::FILE* echo, std::FILE* warnings = stderr);

// A value as the options read it: leading blanks skipped, the longest valid
// decimal prefix, 0 when there is none.
double commandLineNumber(const char* text);
// Whether the whole of `text` is a number (blanks around it aside).
bool isWholeNumber(const char* text);

// A window size value truncated toward zero; NaN gives 0 and values beyond the
// int range saturate, so no input makes the conversion undefined.
int truncateToInt(double value);

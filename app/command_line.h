// The command line: camera placement ("-e", "-a", "-u"), window size ("-sx",
// "-sy"), the model ("--model") and its up axis ("--up y|z", into
// furSettings.upAxis). Every examined argument is echoed, and so are the
// model's path and the axis; only the axis is validated (status 2 through
// fatalError). No OpenGL here.
#pragma once
#include <cstdio>

extern int windowWidth;   // "-sx", 1024 by default
extern int windowHeight;  // "-sy", 1024 by default

// The model file the fur grows on, relative to the working directory unless
// absolute; "--model" names another. An OBJ file's MTL library is looked up
// beside it.
constexpr const char* defaultModelPath = "OBJ/bunny-1500-cleaned.obj";
extern const char* modelPath;

// Examines argv[1..argc-1] left to right, echoing each examined argument on
// `echo` and applying the options to the camera globals and the window size.
// An option with fewer values left than it takes is ignored (after its echo).
void parseCommandLine(int argc, const char* const* argv, std::FILE* echo);

// A value as the options read it: leading blanks skipped, the longest valid
// decimal prefix, 0 when there is none.
double commandLineNumber(const char* text);

// A window size value truncated toward zero; NaN gives 0 and values beyond the
// int range saturate, so no input makes the conversion undefined.
int truncateToInt(double value);

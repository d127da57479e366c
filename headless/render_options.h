// The command line of pelage-render, the headless renderer: the camera, size
// and model options of pelage, the output pattern, turntable frames, a model
// that spins, the fur's time step, settings by name and looks, the look to
// save and the benchmark switch.
// Parsing and applying settings needs no OpenGL; every value is checked and a
// bad one is reported, never guessed.
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/settings_text.h"

// The GL interface --gl asks for; Automatic: EGL without an X display, else GLX.
enum class GlInterface { Automatic, Egl, Glx };

struct RenderOptions : ViewOptions {
    std::string out;       // output path or pattern; empty: the default name
    int frames = 1;        // frames to render
    float orbit = 0.0f;    // degrees the eye turns about the look-at point per frame
    float spin = 0.0f;     // degrees the model turns about world y per frame
    float timeStep = 1.0f / 30.0f;  // seconds of the fur's motion per frame
    bool bench = false;
    bool frame = false;    // the camera moved to frame the model, as pelage's f does
    std::string saveLook;              // where to write the look rendered; empty: nowhere
    std::string animation;             // the clip to play, by name or number; empty: none
    float time = 0.0f;                 // seconds into the clip of the first frame
    GlInterface gl = GlInterface::Automatic;
};

// Reads argv[1..argc-1] strictly, by the options pelage shares and the
// renderer's own. False with a one-line message in `error` on a usage error
// (unknown option, missing or malformed value, bad setting). Look files are
// read when applied (applyLookOptions), not here.
bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error);

// The output file of frame `index`: the pattern's one %d conversion (flags 0
// and a width allowed, as in "turn-%03d.png") replaced by the index, %% by %.
// False when the pattern holds any other conversion or more than one.
bool frameFileName(const std::string& pattern, int index, std::string& name);
bool hasFrameNumber(const std::string& pattern);

// The eye turned by `degrees` about the vertical axis through lookAt
// (counter-clockwise seen from above); the distance is kept.
void orbitEye(const float eye[3], const float lookAt[3], float degrees, float out[3]);

// The rotation `base` (column-major) turned by `degrees` about world y, in the
// same sense as orbitEye: out = Ry(degrees) x base.
void spinRotation(const float base[16], float degrees, float out[16]);

// The usage text printed by --help.
const char* renderUsage();

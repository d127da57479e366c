// Pelage's entry point: the command line and the look it names, the window
// and its callbacks, the fixed GL state and the one-time set-up of every
// subsystem, in the order the later steps rely on, then the GLUT event loop,
// which never returns.
#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/camera.h"
#include "app/command_line.h"
#include "app/control_panel.h"
#include "app/look_session.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/unsaved_work.h"
#include "app/view_picture.h"
#include "app/window_callbacks.h"
#include "core/settings_text.h"
#include "model/asset_import.h"
#include "render/frame_display.h"
#include "render/fur_dynamics.h"
#include "render/mesh_animation.h"
#include "render/mesh_buffers.h"

namespace {

// The model's clip as pelage plays it: posed each frame here, driven by the
// panel and the space bar, which are handed it at start-up.
MeshAnimation characterAnimation;

// The seconds since the previous call, from a monotonic clock; 0 the first
// time. The fur's wind and springs run on real time, whatever the frame rate.
float secondsSinceLastFrame() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last;
    static bool started = false;
    Clock::time_point now = Clock::now();
    float seconds = started ? std::chrono::duration<float>(now - last).count() : 0.0f;
    last = now;
    started = true;
    return seconds;
}

// pelage's frames: the fur's motion brought up to now, then the frame, and
// a picture of it when one was asked for.
void animatedDisplay() {
    float seconds = secondsSinceLastFrame();
    advanceFurDynamics(seconds);
    animateMesh(characterAnimation, seconds);
    drawFrame();
    takeRequestedPicture();
    glutSwapBuffers();
    // The panel's time slider follows a playing clip.
    if (meshAnimationMoving(characterAnimation) && controlPanel != 0) glutPostWindowRedisplay(controlPanel);
    idleOnlyWhileMoving();
    showUnsavedMark();
}

void printUsage() {
    std::fputs(pelageUsage(), stdout);
    std::printf("\nSettings (--set NAME=VALUE):");
    for (const std::string& name : furSettingNames()) std::printf(" %s", name.c_str());
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    resetCamera();
    parseCommandLine(argc, argv, stdout);
    rememberStartupCamera();
    if (helpRequested) {
        printUsage();
        return 0;
    }
    // A bad look or save directory ends the run here, before any window opens.
    readStartupLook("pelage", lookOptions);
    useModelOfLook("pelage", modelPath != defaultModelPath);
    prepareSaveDirectory("pelage", saveDirectory);
    std::fflush(stdout);
    // Before the window and its threads, while the process is small.
    glmStartImportServer();

    openMainWindow({"pelage", "Pelage", windowWidth, windowHeight, 100, 100, lookInUse.settings.antialiasing != 0});

    glutDisplayFunc(animatedDisplay);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special);
    glutMouseWheelFunc(mouseWheel);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutPassiveMotionFunc(passiveMotion);
    setWindowAnimation(&characterAnimation);
    setPanelAnimation(&characterAnimation);

    // The control panel is built here, right after the callbacks: building it
    // leaves the main window current for the rest of the start-up.
    buildControlPanel();
    // The look overrides the panel's own start values; the pads then follow
    // the object it selects.
    useStartupLook();
    objectToMoveChanged(NO_ID);

    // Fixed GL state, illumination map, shaders, hair patch, prepared mesh and
    // its GL buffers.
    runStartupSequence();
    loadStartupLookMaps("pelage");
    markLookSaved();
    reportRecoveryLook();
    startKeepingWork();

    glutMainLoop();
    return 0;
}

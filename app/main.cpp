// Pelage's entry point: the command line, the window and its callbacks, the
// fixed GL state and the one-time set-up of every subsystem, in the order the
// later steps rely on, then the GLUT event loop, which never returns.
#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "app/camera.h"
#include "app/command_line.h"
#include "app/control_panel.h"
#include "app/startup.h"
#include "app/window_callbacks.h"
#include "render/frame_display.h"

namespace {

// freeglut ends the process with its own message when no X display can be
// opened; say plainly what is missing first.
void requireDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return;
    std::fprintf(stderr, "pelage: no display (DISPLAY is not set); start it under an X server, e.g. xvfb-run -a ./pelage\n");
    std::exit(1);
}

void initWindowLibrary(const char* programName) {
    // GLUT is never handed the real command line, so it cannot take or alter
    // the program's own options.
    int glutArgc = 1;
    char* glutArgv[] = {const_cast<char*>(programName), nullptr};
    glutInit(&glutArgc, glutArgv);
}

}  // namespace

int main(int argc, char** argv) {
    resetCamera();
    parseCommandLine(argc, argv, stdout);
    std::fflush(stdout);

    requireDisplay();
    initWindowLibrary(argc > 0 ? argv[0] : "pelage");
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    // A window needs at least one pixel each way; the options themselves are
    // kept exactly as given.
    glutInitWindowSize(windowWidth > 0 ? windowWidth : 1, windowHeight > 0 ? windowHeight : 1);
    glutInitWindowPosition(100, 100);
    mainWindow = glutCreateWindow("Pelage");

    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);

    // The control panel is built here, right after the callbacks: building it
    // leaves the main window current for the rest of the start-up.
    buildControlPanel();

    // Fixed GL state, illumination map, shaders, hair patch, prepared mesh and
    // its display list.
    runStartupSequence();

    glutMainLoop();
    return 0;
}

// Pelage's entry point: the command line, the window and its callbacks, the
// fixed GL state and the one-time set-up of every subsystem, in the order the
// later steps rely on, then the GLUT event loop, which never returns.
#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <cstdio>

#include "app/camera.h"
#include "app/command_line.h"
#include "app/control_panel.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/window_callbacks.h"
#include "render/frame_display.h"

int main(int argc, char** argv) {
    resetCamera();
    parseCommandLine(argc, argv, stdout);
    std::fflush(stdout);

    openMainWindow({"pelage", "Pelage", windowWidth, windowHeight, 100, 100});

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
    // its GL buffers.
    runStartupSequence();

    glutMainLoop();
    return 0;
}

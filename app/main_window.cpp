// Opening the main window. See main_window.h.
#include "app/main_window.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "app/window_callbacks.h"
#include "core/fatal_error.h"

namespace {

void requireDisplay(const char* programName) {
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return;
    fatalError(stderr, 1,
               "%s: no display (DISPLAY is not set); start it under an X server, e.g. "
               "xvfb-run -a -s \"-screen 0 1600x1200x24\" %s\n",
               programName, programName);
}

void initWindowLibrary(const char* programName) {
    // GLUT is never handed the real command line, so it cannot take or alter
    // the program's own options.
    int glutArgc = 1;
    char* glutArgv[] = {const_cast<char*>(programName), nullptr};
    glutInit(&glutArgc, glutArgv);
    // A drag's motion events queue up while a slow frame draws; only the
    // newest matters, so the next frame draws from where the pointer is now
    // rather than working through where it was.
    glutSetOption(GLUT_SKIP_STALE_MOTION_EVENTS, 1);
}

}  // namespace

void openMainWindow(const MainWindowRequest& request) {
    requireDisplay(request.programName);
    initWindowLibrary(request.programName);
    const unsigned mode = GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH;
    glutInitDisplayMode(mode);
    if (request.multisample) {
        glutSetOption(GLUT_MULTISAMPLE, 4);
        glutInitDisplayMode(mode | GLUT_MULTISAMPLE);
        if (!glutGet(GLUT_DISPLAY_MODE_POSSIBLE)) glutInitDisplayMode(mode);
    }
    // A window needs at least one pixel each way; the options themselves are
    // kept exactly as given.
    glutInitWindowSize(request.width > 0 ? request.width : 1, request.height > 0 ? request.height : 1);
    glutInitWindowPosition(request.x, request.y);
    mainWindow = glutCreateWindow(request.title);
}

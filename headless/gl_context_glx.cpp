// The GL context on an X server: pelage's own window, opened by GLUT at the
// image's size, drawn in its back buffer. The server is asked for GLX first,
// so that a missing or unreachable one is a reason to report (and to try EGL)
// rather than the window library's own message and exit.
// Our headers first: Xlib defines Bool, a name the settings' kinds use.
#include "app/main_window.h"
#include "headless/render_context.h"

#include <epoxy/glx.h>
#include <GL/freeglut.h>

#include <cstdlib>
#include <string>

namespace {

void noDisplay() {}

// The probe's connection stays open until GLUT has its own: an X server
// started without -noreset (as xvfb-run starts it) resets when its last client
// leaves, and refuses connections meanwhile.
Display* serverWithGlx(std::string& error) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        error = "no display (DISPLAY is not set)";
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (!display) {
        error = "cannot open display " + std::string(name);
        return nullptr;
    }
    if (epoxy_has_glx(display)) return display;
    XCloseDisplay(display);
    error = "display " + std::string(name) + " has no GLX";
    return nullptr;
}

}  // namespace

bool openGlxContext(int width, int height, bool multisample, std::string& error) {
    Display* probe = serverWithGlx(error);
    if (!probe) return false;
    openMainWindow({"pelage-render", "pelage-render", width, height, 0, 0, multisample});
    XCloseDisplay(probe);
    // Frames are drawn and read back explicitly; GLUT only needs a callback.
    glutDisplayFunc(noDisplay);
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    renderContext.width = glutGet(GLUT_WINDOW_WIDTH);
    renderContext.height = glutGet(GLUT_WINDOW_HEIGHT);
    return true;
}

void swapGlxBuffers() { glutSwapBuffers(); }

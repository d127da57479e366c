// Test GL context. See gl_context.h.
#include "tests/support/gl_context.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <dlfcn.h>

#include <cstdlib>

namespace {
int testWindow = 0;
void noDisplay() {}

// Mesa unloads its driver before the leak checker runs at exit, which leaves
// the driver's lasting allocations without a module name to suppress them by.
// Loading it once more, never to be unloaded, keeps the names.
void pinMesaDriver() {
    const char* candidates[] = {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                                "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so", "/usr/lib/dri/swrast_dri.so"};
    for (const char* path : candidates)
        if (dlopen(path, RTLD_LAZY | RTLD_NODELETE)) return;
}
}  // namespace

int ensureGlContext(int width, int height) {
    if (testWindow == 0) {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) return 0;
        pinMesaDriver();
        int argc = 1;
        char name[] = "pelage-tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
        glutInitWindowSize(width, height);
        testWindow = glutCreateWindow("Pelage tests");
        glutDisplayFunc(noDisplay);
    }
    glutSetWindow(testWindow);
    if (glutGet(GLUT_WINDOW_WIDTH) != width || glutGet(GLUT_WINDOW_HEIGHT) != height) {
        glutReshapeWindow(width, height);
        pumpGlEvents();
    }
    return testWindow;
}

void pumpGlEvents() {
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
    glFinish();
}

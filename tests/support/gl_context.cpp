// Test GL context. See gl_context.h.
#include "tests/support/gl_context.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <cstdlib>

namespace {
int testWindow = 0;
void noDisplay() {}
}  // namespace

int ensureGlContext(int width, int height) {
    if (testWindow == 0) {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) return 0;
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

// GLUT callbacks of the main window. The camera arithmetic and the viewport
// arithmetic they use live in camera.cpp and viewport.cpp, without GL; the
// fur's motion, which idle keeps redrawing, in render/fur_dynamics.h.
#include "app/window_callbacks.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/camera.h"
#include "app/look_session.h"
#include "app/painting.h"
#include "app/view_framing.h"
#include "app/unsaved_work.h"
#include "app/view_picture.h"
#include "app/viewport.h"
#include "core/fur_settings.h"
#include "render/fur_dynamics.h"
#include "render/mesh_animation.h"

int mainWindow = 0;

namespace {
void (*dockControlPanel)(int windowWidth, int windowHeight) = nullptr;
MeshAnimation* windowAnimation = nullptr;

bool animationMoving() { return windowAnimation != nullptr && meshAnimationMoving(*windowAnimation); }
}  // namespace

void setPanelDock(void (*dock)(int windowWidth, int windowHeight)) { dockControlPanel = dock; }
void setWindowAnimation(MeshAnimation* animation) { windowAnimation = animation; }

void idle() {
    if (glutGetWindow() != mainWindow) glutSetWindow(mainWindow);
    // Wind and the springs change the picture without any input.
    if (furInMotion() || animationMoving()) glutPostWindowRedisplay(mainWindow);
}

void idleOnlyWhileMoving() {
    // An idle callback makes GLUT's loop spin without waiting for events, so
    // it is there only while the fur moves on its own or a clip plays; any change that sets
    // it moving also redraws, which comes back here.
    static bool registered = false;
    bool moving = furInMotion() || animationMoving();
    if (moving != registered) glutIdleFunc(moving ? idle : nullptr);
    registered = moving;
}

void keyboard(unsigned char key, int, int) {
    // What GLUT reports for ctrl+S, ctrl+P and ctrl+Z (with or without shift).
    constexpr unsigned char ctrlS = 19, ctrlP = 16, ctrlZ = 26;
    if (key == 27 || key == 'Q' || key == 'q') quitKeepingWork(0);
    if (key == ctrlS) saveLookInUse();
    if (key == ctrlP) requestViewPicture();
    if (key == ctrlZ) (glutGetModifiers() & GLUT_ACTIVE_SHIFT) ? redoStroke() : undoStroke();
    if (key == 'f') frameViewedModel();
    if (key == '[' || key == ']') resizeBrush(key == ']' ? 1 : -1);
    if (key == ' ' && windowAnimation) toggleAnimationPlaying(*windowAnimation);
    glutPostRedisplay();
}

void resizeBrush(int steps) {
    // A fifth larger or smaller per press: ten presses span a factor of six.
    const SettingField& radius = furSettingFields[settingFieldIndex("brushRadius")];
    float scaled = furSettings.brushRadius * std::pow(1.2f, static_cast<float>(steps));
    furSettings.brushRadius = std::clamp(scaled, radius.min, radius.max);
}

void special(int key, int, int) {
    if (key == GLUT_KEY_HOME) restoreStartupCamera();
    glutPostRedisplay();
}

void frameViewedModel() {
    ViewportArea area = viewportArea(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), controlPanelWidth);
    frameModel(area.width, area.height);
}

namespace {

// The rays the view shows, for painting: the camera and the viewport that
// setView gave the window's current size.
ViewRays currentView() {
    int width = glutGet(GLUT_WINDOW_WIDTH), height = glutGet(GLUT_WINDOW_HEIGHT);
    ViewportArea area = viewportArea(width, height, controlPanelWidth);
    return {eyePoint, lookAtPoint, upVector, static_cast<float>(viewFieldOfView),
            {area.x, area.y, area.width, area.height}, height};
}

}  // namespace

void setView(int windowWidth, int windowHeight) {
    if (dockControlPanel) dockControlPanel(windowWidth, windowHeight);
    ViewportArea area = viewportArea(windowWidth, windowHeight, controlPanelWidth);
    glViewport(area.x, area.y, area.width, area.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(viewFieldOfView, viewAspect(area), 0.01, 1000);
}

void reshape(int, int) {
    // The size is taken from the window itself: the synthesis calls this with
    // (0, 0) and expects the full view back.
    setView(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    glutPostRedisplay();
}

void mouse(int button, int state, int x, int y) {
    if (paintButtonEvent(button, state, x, y, currentView())) glutPostRedisplay();
    else mouseButtonEvent(button, state, x, y);
}

void motion(int x, int y) {
    if (!paintMotionEvent(x, y, currentView())) mouseMotionEvent(x, y);
    glutPostRedisplay();
}

void mouseWheel(int, int direction, int, int) {
    cameraWheel(direction);
    glutPostRedisplay();
}

void passiveMotion(int x, int y) {
    if (brushHoverEvent(x, y, currentView())) glutPostRedisplay();
}

// The control panel's window: a GLUT sub-window docked at the right of the
// main window, with a GL context of its own, drawn by Dear ImGui's GLUT and
// OpenGL2 backends. Input in the panel redraws only the panel; a changed value
// redraws the main window, and callbacks run with the main window current so
// texture rebuilds land in its context. Relies on control_panel.cpp for the
// contents, on the fur subsystem for the rebuilds, and on the frame display
// making its panel sync call first in every frame.
#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <backends/imgui_impl_glut.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <algorithm>
#include <chrono>

#include "app/control_panel.h"
#include "core/fur_settings.h"
#include "app/viewport.h"
#include "app/window_callbacks.h"
#include "app/panel_rebuilds.h"
#include "app/view_picture.h"
#include "fur/texture_rebuilds.h"
#include "render/frame_display.h"
#include "render/fur_drawing.h"

namespace {

using Clock = std::chrono::steady_clock;

// ImGui settles hover and activation one frame after the input that changes
// them, so each event is followed by a few panel-only frames.
constexpr int settleFramesPerEvent = 2;

// Everything the panel's window keeps between callbacks.
struct PanelWindowState {
    PanelInputQueue inputQueue;
    int settleFrames = 0;
    // The main window's frame being timed: from its panel sync call until the
    // panel draws.
    Clock::time_point frameStart;
    bool frameStarted = false;
    bool frameRebuildsTextures = false;
    const char* frameRebuildWhat = "";  // what that frame rebuilds
    int windowBeforeCallback = 0;  // current when a callback entered the main context
    int dockedWidth = -1, dockedHeight = -1;
} state;

void enterMainContext() {
    state.windowBeforeCallback = glutGetWindow();
    if (state.windowBeforeCallback != mainWindow) glutSetWindow(mainWindow);
}

void leaveMainContext() {
    int previous = state.windowBeforeCallback;
    if (previous > 0 && previous != mainWindow) glutSetWindow(previous);
}

void redisplayMain() { glutPostWindowRedisplay(mainWindow); }
void redisplayPanel() {
    if (controlPanel) glutPostWindowRedisplay(controlPanel);
}

void queue(PanelInputEvent event) {
    state.inputQueue.push(event);
    state.settleFrames = settleFramesPerEvent;
    glutPostRedisplay();
}

PanelInputEvent withModifiers(PanelInputEvent event) {
    int modifiers = glutGetModifiers();
    event.ctrl = (modifiers & GLUT_ACTIVE_CTRL) != 0;
    event.shift = (modifiers & GLUT_ACTIVE_SHIFT) != 0;
    event.alt = (modifiers & GLUT_ACTIVE_ALT) != 0;
    return event;
}

void panelMouse(int button, int state, int x, int y) {
    PanelInputEvent event;
    event.kind = PanelInputEvent::Button;
    event.x = static_cast<float>(x);
    event.y = static_cast<float>(y);
    event.button = button == GLUT_LEFT_BUTTON ? 0 : button == GLUT_RIGHT_BUTTON ? 1 : button == GLUT_MIDDLE_BUTTON ? 2 : -1;
    event.down = state == GLUT_DOWN;
    queue(withModifiers(event));
}

void panelMotion(int x, int y) {
    PanelInputEvent event;
    event.x = static_cast<float>(x);
    event.y = static_cast<float>(y);
    queue(event);
}

void panelWheel(int, int direction, int x, int y) {
    PanelInputEvent event;
    event.kind = PanelInputEvent::Wheel;
    event.x = static_cast<float>(x);
    event.y = static_cast<float>(y);
    event.code = direction > 0 ? 1 : -1;
    queue(event);
}

void panelKey(int code, bool down) {
    PanelInputEvent event;
    event.kind = PanelInputEvent::Key;
    event.code = code;
    event.down = down;
    queue(withModifiers(event));
}

void panelKeyboard(unsigned char key, int, int) { panelKey(key, true); }
void panelKeyboardUp(unsigned char key, int, int) { panelKey(key, false); }
void panelSpecial(int key, int, int) { panelKey(256 + key, true); }
void panelSpecialUp(int key, int, int) { panelKey(256 + key, false); }

void panelEntry(int state) {
    if (state != GLUT_LEFT) return;
    PanelInputEvent event;
    event.kind = PanelInputEvent::Leave;
    queue(event);
}

void panelReshape(int width, int height) {
    ImGui::GetIO().DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    glutPostRedisplay();
}

bool imguiWantsKeys() { return ImGui::GetIO().WantTextInput; }

// Keys typed over the panel while no field is being edited behave as in the
// view: the quit keys quit, any other key redraws the view.
void passKeyToMain(unsigned char key) {
    enterMainContext();
    keyboard(key, 0, 0);
    leaveMainContext();
}

// The main window's frame ran from its panel sync call until now: GLUT draws a
// sub-window right after its parent in the same pass.
void noteFrameTime() {
    if (!state.frameStarted) return;
    state.frameStarted = false;
    double milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - state.frameStart).count();
    panelStats.frameMilliseconds = milliseconds;
    panelStats.shellsDrawn = shellLayersDrawnLastFrame;
    panelStats.shellCount = furSettings.numShells;
    if (state.frameRebuildsTextures) {
        panelStats.rebuildMilliseconds = milliseconds;
        panelStats.rebuildWhat = state.frameRebuildWhat;
    }
}

void displayPanel() {
    noteFrameTime();
    state.inputQueue.applyToImGui(imguiWantsKeys, passKeyToMain);
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();
    drawPanelControls();
    ImGui::Render();
    const ImVec2 size = ImGui::GetIO().DisplaySize;
    glViewport(0, 0, static_cast<GLsizei>(size.x), static_cast<GLsizei>(size.y));
    const ImVec4 background = ImGui::GetStyle().Colors[ImGuiCol_WindowBg];
    glClearColor(background.x, background.y, background.z, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    glutSwapBuffers();
    if (!state.inputQueue.empty()) {
        glutPostRedisplay();
    } else if (state.settleFrames > 0) {
        --state.settleFrames;
        glutPostRedisplay();
    }
}

// From the main window's reshape: the panel keeps the full height at the
// right edge. Moves it only when the window's size changed, since the texture
// synthesis calls reshape after every texture it renders.
void keepPanelDocked(int windowWidth, int windowHeight) {
    if (!controlPanel || (windowWidth == state.dockedWidth && windowHeight == state.dockedHeight)) return;
    state.dockedWidth = windowWidth;
    state.dockedHeight = windowHeight;
    int current = glutGetWindow();
    glutSetWindow(controlPanel);
    glutPositionWindow(std::max(0, windowWidth - panelWidth), 0);
    glutReshapeWindow(panelWidth, std::max(1, windowHeight));
    glutSetWindow(current);
}

void syncPanel() {
    state.frameStart = Clock::now();
    state.frameStarted = true;
    state.frameRebuildsTextures = furTexturesPending();
    state.frameRebuildWhat = furSettings.texturesDirty ? "fin + shells" : "shells";
    redisplayPanel();
}

void registerPanelCallbacks() {
    glutDisplayFunc(displayPanel);
    glutReshapeFunc(panelReshape);
    glutMouseFunc(panelMouse);
    glutMotionFunc(panelMotion);
    glutPassiveMotionFunc(panelMotion);
    glutMouseWheelFunc(panelWheel);
    glutKeyboardFunc(panelKeyboard);
    glutKeyboardUpFunc(panelKeyboardUp);
    glutSpecialFunc(panelSpecial);
    glutSpecialUpFunc(panelSpecialUp);
    glutEntryFunc(panelEntry);
}

}  // namespace

void buildControlPanel() {
    int width = glutGet(GLUT_WINDOW_WIDTH), height = std::max(1, glutGet(GLUT_WINDOW_HEIGHT));
    controlPanel = glutCreateSubWindow(mainWindow, std::max(0, width - panelWidth), 0, panelWidth, height);
    controlPanelWidth = panelWidth;

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the program writes no files
    io.LogFilename = nullptr;
    io.DisplaySize = ImVec2(static_cast<float>(panelWidth), static_cast<float>(height));
    styleControlPanel();
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL2_Init();
    registerPanelCallbacks();
    glutSetWindow(mainWindow);

    initControlBindings();
    installFurRebuilds();
    setPanelHost({enterMainContext, leaveMainContext, redisplayMain, redisplayPanel, requestViewPicture});
    setPanelSync(syncPanel);
    setPanelDock(keepPanelDocked);
}

// The main window's GLUT callbacks owned by the application shell: idle,
// keyboard, reshape, and the mouse callbacks that drive the camera.
#pragma once

struct MeshAnimation;

extern int mainWindow;  // GLUT id of the main window, 0 until it exists

// Keeps the main window current and, while the fur moves on its own, redrawing.
void idle();
// After each frame: idle is registered while the fur moves on its own and
// taken away when it rests, so that an untouched window costs nothing.
void idleOnlyWhileMoving();
// Escape, Q and q quit (unsaved work kept first, unsaved_work.h); ctrl+S saves the look, ctrl+P a picture of the view
// (look_session.h), ctrl+Z undoes a stroke and ctrl+shift+Z redoes it
// (painting.h), f frames the model (view_framing.h), [ and ] shrink and
// grow the brush; every key redraws.
void keyboard(unsigned char key, int x, int y);
// The brush's radius a fifth larger per step (smaller for negative steps),
// within the radius's limits.
void resizeBrush(int steps);
// Home brings back the start-up camera.
void special(int key, int x, int y);
// The model framed in the area the panel leaves free.
void frameViewedModel();
// Both arguments are ignored: the view is sized from the window and the panel.
// The texture synthesis also calls it, with (0, 0), to restore the view.
void reshape(int width, int height);
// What reshape does for a window of the given size, without GLUT: the docked
// panel, the viewport and the projection. Usable in a context with no window.
void setView(int windowWidth, int windowHeight);
// The clip the window plays (render/mesh_animation.h), handed over once at
// start-up: the space bar plays and pauses it, and idle runs while it moves.
// nullptr (the default): none.
void setWindowAnimation(MeshAnimation* animation);
// Installs the call reshape makes with the main window's size, so a docked
// panel can follow the window's right edge; nullptr (the default): no panel.
void setPanelDock(void (*dockControlPanel)(int windowWidth, int windowHeight));
// A left drag paints when a brush is chosen (painting.h); otherwise the
// buttons move the camera (camera.h).
void mouse(int button, int state, int x, int y);
void motion(int x, int y);
// The wheel dollies as the middle drag does (camera.h).
void mouseWheel(int wheel, int direction, int x, int y);
// The brush's outline follows the cursor.
void passiveMotion(int x, int y);

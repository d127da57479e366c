// The free look-at camera and its mouse navigation: left drag pans, middle
// drag dollies, right drag orbits about the look-at point. Pure arithmetic on
// the three camera vectors; the GLUT callbacks that feed it live elsewhere.
#pragma once

extern float eyePoint[3];     // (0, 0, 3) by default
extern float lookAtPoint[3];  // (0, 0, 0)
extern float upVector[3];     // (0, 1, 0); navigation never changes it

extern int dragButton;        // GLUT button of the drag in progress, -1 for none
extern int lastMouseX, lastMouseY;

// Restores the start-up defaults of the camera and of the drag state.
void resetCamera();

// The camera the program started with (its defaults as the command line left
// them): remembered once the command line is read, brought back by Home.
void rememberStartupCamera();
void restoreStartupCamera();

// The three moves. Each leaves the camera untouched when its result would not
// be finite (eye on the look-at point, view along world Y for pan or orbit).
void cameraPan(float dx, float dy);
void cameraDolly(float dy);
void cameraOrbit(float dx, float dy);
// One notch of the mouse wheel: a dolly as a middle drag of wheelStepPixels,
// towards the look-at point for a notch up (direction > 0), away for one down.
constexpr float wheelStepPixels = 20;
void cameraWheel(int direction);

// The mouse-button and motion logic of the view, without the redisplay request.
void mouseButtonEvent(int button, int state, int x, int y);
void mouseMotionEvent(int x, int y);

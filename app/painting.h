// Painting with the mouse: with a brush chosen, a left drag over the model
// paints the groom where the ray from the cursor meets the model as drawn, and
// the brush's outline follows the cursor over the surface. The middle and
// right buttons still dolly and orbit; with "Off" the left button pans as
// ever. One stroke, from press to release, is one step of undo. The view is
// the caller's: these take the rays it shows, not GLUT.
#pragma once

#include "groom/picking.h"

// A press or release of a mouse button: true when it belongs to painting
// (the left button with a brush chosen, or the release ending a stroke), so
// that the camera does not take it.
bool paintButtonEvent(int button, int state, int x, int y, const ViewRays& view);

// A drag to (x, y): true when a stroke is in progress and took it.
bool paintMotionEvent(int x, int y, const ViewRays& view);

// The cursor over the view with no button down: moves the outline. True when
// the outline changed, so that the view is drawn again.
bool brushHoverEvent(int x, int y, const ViewRays& view);

// ctrl+Z and ctrl+shift+Z: the last stroke taken back, or put back again.
// False when there is none.
bool undoStroke();
bool redoStroke();

// The start-up that pelage and pelage-render share once their window exists
// and is current: the fixed GL state, the illumination texture, the shader
// programs, the hair patch, the prepared mesh and its GL buffers, in the
// order each step's successor relies on.
#pragma once

#include "app/window_callbacks.h"
#include "fur/view_restore.h"

// The fixed GL state: depth test, colour material, lighting, light 0, smooth
// lines, and the nicest hints.
void setFixedGlState();

// Everything from the fixed GL state to the mesh's GL buffers, the model read
// from modelPath (command_line.h). `restoreView` brings the view back after
// each texture synthesis: pelage's reshape by default; a program without a
// GLUT window passes its own. Ends the process on a model or shader failure
// (the loader's and the shader runtime's own messages and statuses).
void runStartupSequence(ViewRestorer restoreView = reshape);

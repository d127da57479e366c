// The start-up that pelage and pelage-render share once their window exists
// and is current: the fixed GL state, the illumination texture, the shader
// programs, the hair patch, the prepared mesh and its GL buffers, in the
// order each step's successor relies on.
#pragma once

// The fixed GL state: depth test, colour material, lighting, light 0, smooth
// lines, and the nicest hints.
void setFixedGlState();

// Everything from the fixed GL state to the mesh's GL buffers, the model read
// from modelPath (command_line.h). Ends the process on a model or shader
// failure (the loader's and the shader runtime's own messages and statuses).
void runStartupSequence();

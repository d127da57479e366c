// Painting in pelage-render --bench: what one mouse event of a brush drag
// costs (the pick, its dabs, and uploading what they changed), per brush, and
// frames while dragging a brush against frames while dragging the camera,
// interleaved in one run.
#pragma once

// Prints the figures. `finishFrame` draws and finishes one frame. Leaves the
// settings, the camera and the groom as it found them.
void benchPainting(void (*finishFrame)());

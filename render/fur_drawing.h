// The furry model, drawn once per frame through the shader programs: the
// opaque skin, view-faded fins on every triangle edge, then the stack of
// semi-transparent shells, each a draw of the mesh's indexed triangles pushed
// out along the normals by the vertex program. The values sent as vertex
// colour come from fur_math.h; the geometry from mesh_buffers.h.
#pragma once

#include "render/fur_math.h"

// Expects the model-view matrix to hold the viewing transform only, blending
// on with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), depth test on, texturing off.
// Leaves the matrices, depth writes, texturing, alpha test and the shader
// profiles as it found them; blending stays on.
void drawFur();

// The layers the last drawFur drew, the skin counted as the first, as the
// shell level of detail (render/shell_lod.h) chose them: what the panel and
// the benchmark report against numShells.
extern int shellLayersDrawnLastFrame;

// The layers drawFur draws now, the skin included: as many as the coat's
// height on screen needs where the model comes nearest the eye, found from
// the current projection matrix and viewport, the camera, the model's place
// and the mesh's box (all of numShells when shellLod is 0). Needs a current
// GL context; cheap enough for every frame.
int shellLayersForFrame();

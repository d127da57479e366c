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


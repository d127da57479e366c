// The furry model, drawn once per frame through the shader programs: the
// opaque skin, view-faded fins on every triangle edge, then the stack of
// semi-transparent shells, each a replay of the mesh's display list pushed out
// along the normals by the vertex program. The values sent as vertex colour
// come from fur_math.h.
#pragma once

#include "render/fur_math.h"

// Expects the model-view matrix to hold the viewing transform only, blending
// on with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), depth test on, texturing off.
// Leaves the matrices, depth writes, texturing, alpha test and the shader
// profiles as it found them; blending stays on.
void drawFur();

// The fin on the edge p -> q with corner normals np, nq, seen from `view`
// (model space). Emits one quad's four vertices; the fin pass wraps all fins of
// a frame in one glBegin(GL_QUADS) / glEnd. A faded-out fin emits nothing and
// draws no random number.
void drawFin(const float p[3], const float q[3], const float np[3], const float nq[3], const float view[3]);

// What a recolouring keeps from each synthesis: per texel, the share of the
// background that the blended strands left showing, in single precision.
// Every strand is drawn in the one hair colour H over a background B (the
// clear colour, or the skin for the innermost shell), and each fragment of
// alpha a blends as C' = a H + (1 - a) C, so each colour channel of a texel
// ends as B x + H (1 - x), x the product of (1 - a) over its fragments. The
// 8-bit image rounds at every blend; the weights do not. Alpha is blended
// with the same factors but from alphas alone, so it never depends on a
// colour and stays as synthesised.
#pragma once
#include <epoxy/gl.h>

#include <vector>

class StrandBatch;
class SynthesisTarget;

struct TextureWeights {
    GLuint texture = 0;    // one float channel; 0 until first needed
    bool current = false;  // holds the weights of its texture's last synthesis
};

extern TextureWeights finWeights;
extern std::vector<TextureWeights> shellWeights;  // one per shell texture

// Whether this GL can keep weights (float colour buffers and GLSL 1.30, both
// of OpenGL 3.0). Without them every colour change synthesises in full.
bool weightsAvailable();

// The texture of `weights`, made at the given size on first use.
GLuint weightTexture(TextureWeights& weights, int width, int height);

// Keeps exactly `count` shell weights, deleting the textures of the others.
void keepShellWeights(int count);

// Draws the batch into the target's texture exactly as batch.draw() alone
// would and, when the target has weights, multiplies each weight by
// (1 - a) for every fragment, a rounded to 8 bits as the texture's blending
// rounds it, so a fragment too faint to change the image leaves its weight
// at exactly 1 too.
void drawBatchWithWeights(const StrandBatch& batch, const SynthesisTarget& target);

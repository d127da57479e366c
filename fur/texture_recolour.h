// Recolouring: the fin and shell texels worked out afresh for new hair and
// background colours from the weights their last synthesis kept
// (texture_weights.h), without drawing a strand. Each colour channel becomes
// B x + H (1 - x) for the weight x; alpha stays as synthesised. Where no
// fragment reached a texel (x exactly 1) the background comes back exactly.
#pragma once
#include <epoxy/gl.h>

// The 8-bit level an RGBA8 colour buffer stores for a colour value: the value
// clamped to [0, 1] times 255, rounded to the nearest level, ties to even.
int eightBitLevel(float value);

// A recolouring of textures in one hair colour. The state it needs is set
// once, when it starts, and restored when it ends.
class RecolourPass {
public:
    explicit RecolourPass(const float hair[3]);
    ~RecolourPass();
    RecolourPass(const RecolourPass&) = delete;
    RecolourPass& operator=(const RecolourPass&) = delete;

    // Replaces the colour channels of `texture` (width x height, alpha kept)
    // by background x + hair (1 - x), x read from `weights`. Both colours are
    // rounded to 8-bit levels first, as the synthesis's colour buffer rounds
    // them.
    void recolour(GLuint texture, GLuint weights, int width, int height, const float background[3]);

private:
    GLint activeUnit = GL_TEXTURE0;
    GLint boundTexture = 0;
    GLint previousProgram = 0;
};

// The fin texture in the current hair colour over the clear colour; false
// (and nothing done) when its last synthesis kept no weights.
bool recolourFinTexture();

// Every shell texture in the current hair colour over the clear colour, the
// innermost over the skin colour; false (and nothing done) when any of them
// kept no weights or their count is not numShells.
bool recolourShellTextures();

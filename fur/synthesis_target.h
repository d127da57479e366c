// Where the texture synthesis draws: one framebuffer object whose colour
// buffer is the texture being made, so nothing is copied and a texture never
// depends on the window's size, on what covers it or on whether its visual
// has alpha. A second colour buffer, a float texture, can take the weights a
// recolouring needs (texture_weights.h). There is no depth buffer: the
// synthesis writes no depth, and without a depth buffer every fragment passes
// the depth test, as every one passes against a freshly cleared one.
#pragma once
#include <epoxy/gl.h>

// Replaces `texture` (deleting the old name, if any) with a new RGBA texture
// of one level, linear filtering and repeat wrap, its texels undefined until
// drawn; it is left bound.
void replaceWithSynthesisTexture(GLuint& texture, int width, int height);

// A new float texture of one channel (nearest filtering, clamped), for
// weights; it is left bound.
GLuint newWeightTexture(int width, int height);

// Binds the synthesis framebuffer drawing into `texture` and, from
// drawIntoWeights() on, into `weights` too (0: none); restores the previously
// bound framebuffers when the scope ends. Line smoothing, which start-up
// enables for the frame's lines, is off meanwhile: the synthesis draws no
// line, and while it is on the software rasteriser carries an extra
// attribute through every vertex of every triangle (about 1.6 times the
// time of a synthesis).
class SynthesisTarget {
public:
    SynthesisTarget(GLuint texture, GLuint weights);
    ~SynthesisTarget();
    SynthesisTarget(const SynthesisTarget&) = delete;
    SynthesisTarget& operator=(const SynthesisTarget&) = delete;

    bool hasWeights() const { return weights != 0; }
    // Fragments from here on reach the weights as well; they start at 1
    // (nothing of the background covered).
    void drawIntoWeights() const;

private:
    GLuint weights;
    GLint previousDraw = 0;
    GLint previousRead = 0;
    GLboolean lineSmooth = GL_FALSE;
};

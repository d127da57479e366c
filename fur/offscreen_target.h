// The framebuffer the texture synthesis draws into: RGBA8 colour with a depth
// buffer, of exactly the texture's size, so the textures never depend on the
// window's size, on what covers it or on whether its visual has alpha.
#pragma once
#include <epoxy/gl.h>

// Binds the target of the given size for drawing and reading (made once per
// size and kept) and restores the previously bound framebuffers when the
// scope ends.
class OffscreenTarget {
public:
    OffscreenTarget(int width, int height);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

private:
    GLint previousDraw = 0;
    GLint previousRead = 0;
};

// Replaces `texture` (deleting the old name, if any) with a new linear,
// repeat-wrapped RGBA texture copied from the lower-left width x height pixels
// of the framebuffer bound for reading. Texturing is on only for the copy.
void copyIntoNewTexture(GLuint& texture, int width, int height);

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

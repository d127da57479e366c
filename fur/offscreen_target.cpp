// Offscreen targets of the texture synthesis, one per size, kept for the
// whole run (there are two sizes: the shells' and the fin's).
#include "fur/offscreen_target.h"

#include "core/fatal_error.h"

namespace {

struct Target {
    int width = 0;
    int height = 0;
    GLuint framebuffer = 0;
};

constexpr int maxTargets = 4;
Target targets[maxTargets];

GLuint makeFramebuffer(int width, int height) {
    GLuint colour = 0, depth = 0, framebuffer = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        fatalError(stderr, 1, "Texture synthesis: offscreen framebuffer %dx%d incomplete (0x%x).\n", width, height,
                   status);
    return framebuffer;
}

GLuint framebufferOfSize(int width, int height) {
    for (Target& target : targets) {
        if (target.framebuffer && target.width == width && target.height == height) return target.framebuffer;
    }
    for (Target& target : targets) {
        if (!target.framebuffer) {
            target = {width, height, makeFramebuffer(width, height)};
            return target.framebuffer;
        }
    }
    fatalError(stderr, 1, "Texture synthesis: too many offscreen sizes.\n");
}

}  // namespace

OffscreenTarget::OffscreenTarget(int width, int height) {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousDraw);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
    glBindFramebuffer(GL_FRAMEBUFFER, framebufferOfSize(width, height));
}

OffscreenTarget::~OffscreenTarget() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(previousDraw));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previousRead));
}

void copyIntoNewTexture(GLuint& texture, int width, int height) {
    glEnable(GL_TEXTURE_2D);
    if (texture != 0) glDeleteTextures(1, &texture);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, width, height, 0);
    glDisable(GL_TEXTURE_2D);
}

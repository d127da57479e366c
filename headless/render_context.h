// The GL context pelage-render draws in: EGL on Mesa's surfaceless platform or
// software device, drawing into a pbuffer of the image's size, so no display
// server is needed; or GLX, a window on an X server as pelage's own. Either
// way the finished frame is in the back buffer. Which one is chosen, what was
// tried when none opens and the frame's size are kept here; the two libraries
// stay in their own files.
#pragma once

#include <string>
#include <vector>

#include "headless/render_options.h"

// The context in use once openRenderContext has returned.
struct RenderContext {
    GlInterface interface = GlInterface::Automatic;
    int width = 0, height = 0;  // the frame's pixels
};
extern RenderContext renderContext;

// The interfaces to try, in order: the one asked for alone; otherwise EGL first
// without an X display (DISPLAY unset or empty), GLX first with one, then the other.
std::vector<GlInterface> glInterfacesToTry(GlInterface wanted, const char* display);

// "EGL" or "GLX".
const char* glInterfaceName(GlInterface interface);

// Opens the first interface of glInterfacesToTry that gives a context with a
// frame of width x height, makes it current and fills renderContext. When none
// does, ends the process with one line naming what was tried and why each
// failed (status 1).
// With `multisample`, a multisampled frame where the interface offers one,
// else quietly a plain one.
void openRenderContext(GlInterface wanted, int width, int height, bool multisample = false);

// Ends a drawn frame: GLX swaps the window's buffers; EGL has nothing to show.
void presentRenderFrame();

// One interface each, in gl_context_egl.cpp and gl_context_glx.cpp: false with
// the reason in `error` when it cannot give a context.
bool openEglContext(int width, int height, bool multisample, std::string& error);
bool openGlxContext(int width, int height, bool multisample, std::string& error);
void swapGlxBuffers();

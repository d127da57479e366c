// Choosing pelage-render's GL interface and reporting when none opens. See
// render_context.h.
#include "headless/render_context.h"

#include <cstdio>
#include <cstdlib>

#include "core/fatal_error.h"

RenderContext renderContext;

std::vector<GlInterface> glInterfacesToTry(GlInterface wanted, const char* display) {
    if (wanted != GlInterface::Automatic) return {wanted};
    if (display && *display) return {GlInterface::Glx, GlInterface::Egl};
    return {GlInterface::Egl, GlInterface::Glx};
}

const char* glInterfaceName(GlInterface interface) { return interface == GlInterface::Glx ? "GLX" : "EGL"; }

void openRenderContext(GlInterface wanted, int width, int height, bool multisample) {
    std::string tried;
    for (GlInterface interface : glInterfacesToTry(wanted, std::getenv("DISPLAY"))) {
        std::string error;
        bool opened = interface == GlInterface::Egl ? openEglContext(width, height, multisample, error)
                                                    : openGlxContext(width, height, multisample, error);
        if (opened) {
            renderContext.interface = interface;
            return;
        }
        tried += (tried.empty() ? "" : "; ") + std::string(glInterfaceName(interface)) + ": " + error;
    }
    fatalError(stderr, 1, "pelage-render: no OpenGL context (%s)\n", tried.c_str());
}

void presentRenderFrame() {
    if (renderContext.interface == GlInterface::Glx) swapGlxBuffers();
}

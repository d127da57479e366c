// The GL context without a display server: EGL, through the GL loader, on
// Mesa's surfaceless platform or else its software device, drawing into a
// pbuffer of the image's size. A pbuffer rather than a framebuffer object:
// Mesa stores window-system buffers (a window's, a pbuffer's) top row first
// and a framebuffer object bottom row first, and the mirrored rasteriser then
// splits some edge pixels the other way (some 1,500 pixels of a 400 x 360
// bunny, by up to 24 levels). In a pbuffer the frame is the window's, byte
// for byte. EGL's failures become one line of ours.
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <string>

#include "headless/render_context.h"

namespace {

EGLDisplay eglDisplay = EGL_NO_DISPLAY;
EGLContext eglContext = EGL_NO_CONTEXT;
EGLSurface eglSurface = EGL_NO_SURFACE;

bool hasExtension(const char* list, const char* name) { return list && epoxy_extension_in_string(list, name); }

EGLDisplay initialized(EGLDisplay display) {
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
    return EGL_NO_DISPLAY;
}

// The device Mesa renders on in software: it has no device file, so it is
// there in every container.
EGLDisplay softwareDeviceDisplay() {
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (!eglQueryDevicesEXT(16, devices, &count)) return EGL_NO_DISPLAY;
    for (EGLint i = 0; i < count; ++i)
        if (hasExtension(eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software"))
            return initialized(eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
    return EGL_NO_DISPLAY;
}

bool openDisplay(std::string& error) {
    // Checked first: the loader ends the process when it cannot find libEGL.
    const char* client = epoxy_has_egl() ? eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS) : nullptr;
    if (!client) {
        error = "no EGL library with platform support";
        return false;
    }
    if (hasExtension(client, "EGL_MESA_platform_surfaceless"))
        eglDisplay = initialized(eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
    if (eglDisplay == EGL_NO_DISPLAY && hasExtension(client, "EGL_EXT_platform_device"))
        eglDisplay = softwareDeviceDisplay();
    if (eglDisplay == EGL_NO_DISPLAY) error = "neither Mesa's surfaceless platform nor its software device";
    return eglDisplay != EGL_NO_DISPLAY;
}

// Desktop OpenGL with no version asked for: the compatibility profile, as a
// GLX context is. The pbuffer has the buffers of pelage's window on Mesa's X
// server, 8-bit RGBA and a 32-bit depth buffer: with the same depth precision
// every fur fragment passes or fails its depth test alike.
bool createContext(int width, int height, bool multisample, std::string& error) {
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = "no desktop OpenGL";
        return false;
    }
    EGLConfig config;
    EGLint count = 0;
    // A GPU's driver may offer no 32-bit depth; its X visuals have none
    // either. Four samples a pixel where asked for and offered, else none.
    for (EGLint samples : {multisample ? 4 : 0, 0}) {
        for (EGLint depth : {32, 24}) {
            EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                               EGL_DEPTH_SIZE, depth, EGL_SAMPLE_BUFFERS, 1, EGL_SAMPLES, samples, EGL_NONE};
            if (samples == 0) wanted[14] = EGL_NONE;  // the plain frame, chosen as it always was
            if (eglChooseConfig(eglDisplay, wanted, &config, 1, &count) && count > 0) break;
        }
        if (count > 0) break;
    }
    if (count < 1) {
        error = "no config for desktop OpenGL";
        return false;
    }
    const EGLint attributes[] = {EGL_NONE};
    eglContext = eglCreateContext(eglDisplay, config, EGL_NO_CONTEXT, attributes);
    if (eglContext == EGL_NO_CONTEXT) {
        error = "no desktop OpenGL context";
        return false;
    }
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    eglSurface = eglCreatePbufferSurface(eglDisplay, config, size);
    if (eglSurface == EGL_NO_SURFACE || !eglMakeCurrent(eglDisplay, eglSurface, eglSurface, eglContext)) {
        error = "no pbuffer of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return false;
    }
    renderContext.width = width;
    renderContext.height = height;
    return true;
}

void release() {
    if (eglDisplay == EGL_NO_DISPLAY) return;
    eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (eglSurface != EGL_NO_SURFACE) eglDestroySurface(eglDisplay, eglSurface);
    if (eglContext != EGL_NO_CONTEXT) eglDestroyContext(eglDisplay, eglContext);
    eglTerminate(eglDisplay);
    eglDisplay = EGL_NO_DISPLAY;
    eglContext = EGL_NO_CONTEXT;
    eglSurface = EGL_NO_SURFACE;
}

}  // namespace

bool openEglContext(int width, int height, bool multisample, std::string& error) {
    if (openDisplay(error) && createContext(width, height, multisample, error)) return true;
    release();
    return false;
}

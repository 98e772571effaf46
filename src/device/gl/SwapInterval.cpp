// The swap interval of the current context's window, through whichever binding made the
// context: GLX (Qt's choice on X11) or EGL. Kept apart: GLX's header brings Xlib's macros.
#include <dlfcn.h>
#include <epoxy/egl.h>
#include <epoxy/glx.h>

#include "device/gl/GLDevice.h"

namespace {

// A GLX context can be current only where a GLX library is loaded already (see
// GLContextIsCurrent): asking through epoxy would load one.
bool GLXLoaded() {
    for (const char* library : {"libGL.so.1", "libGLX.so.0"})
        if (void* gl = dlopen(library, RTLD_LAZY | RTLD_NOLOAD)) {
            dlclose(gl);
            return true;
        }
    return false;
}

int SetGLXSwapInterval(int interval) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    int screen = 0;
    if (!display || !drawable || glXQueryContext(display, glXGetCurrentContext(), GLX_SCREEN, &screen) != Success)
        return 0;
    // The screen's list, not the client library's: Mesa's library offers swap control that its
    // software renderer on a server without a display (Xvfb) cannot keep, and lists it for the
    // screen only where it can.
    if (epoxy_has_glx_extension(display, screen, "GLX_EXT_swap_control")) {
        glXSwapIntervalEXT(display, drawable, interval);
        unsigned int kept = 0;
        glXQueryDrawable(display, drawable, GLX_SWAP_INTERVAL_EXT, &kept);
        return static_cast<int>(kept);
    }
    if (epoxy_has_glx_extension(display, screen, "GLX_MESA_swap_control")) {
        glXSwapIntervalMESA(static_cast<unsigned int>(interval));
        return glXGetSwapIntervalMESA();
    }
    return 0;
}

int SetEGLSwapInterval(int interval) {
    const EGLDisplay display = eglGetCurrentDisplay();
    EGLint id = 0, count = 0, most = 0;
    EGLConfig config = nullptr;
    if (!eglQueryContext(display, eglGetCurrentContext(), EGL_CONFIG_ID, &id)) return 0;
    const EGLint wanted[] = {EGL_CONFIG_ID, id, EGL_NONE};
    // The config says how long its swaps can wait; eglSwapInterval clamps to it without a word.
    if (!eglChooseConfig(display, wanted, &config, 1, &count) || count != 1 ||
        !eglGetConfigAttrib(display, config, EGL_MAX_SWAP_INTERVAL, &most))
        return 0;
    const int kept = interval < most ? interval : most;
    return eglSwapInterval(display, kept) ? kept : 0;
}

}  // namespace

int SetSwapInterval(int iInterval) {
    if (epoxy_has_egl() && eglGetCurrentContext() != EGL_NO_CONTEXT) return SetEGLSwapInterval(iInterval);
    if (GLXLoaded() && glXGetCurrentContext()) return SetGLXSwapInterval(iInterval);
    return 0;
}

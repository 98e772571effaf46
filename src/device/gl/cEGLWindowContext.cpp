#include "device/gl/cEGLWindowContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdio>

#ifndef EGL_PLATFORM_WAYLAND_KHR
#define EGL_PLATFORM_WAYLAND_KHR 0x31D8
#endif
#ifndef EGL_PRESENT_OPAQUE_EXT
#define EGL_PRESENT_OPAQUE_EXT 0x31DF
#endif

namespace {

std::string EglErrorText(const char* step) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(step) + " failed (EGL error " + code + ")";
}

EGLDisplay WaylandDisplay(void* wlDisplay, std::string& oError) {
    if (!epoxy_has_egl()) {
        oError = "EGL is not available (libEGL could not be loaded)";
        return EGL_NO_DISPLAY;
    }
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!extensions || !epoxy_extension_in_string(extensions, "EGL_EXT_platform_base") ||
        (!epoxy_extension_in_string(extensions, "EGL_KHR_platform_wayland") &&
         !epoxy_extension_in_string(extensions, "EGL_EXT_platform_wayland"))) {
        oError = "EGL has no Wayland platform (EGL_KHR_platform_wayland)";
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_WAYLAND_KHR, wlDisplay, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        oError = EglErrorText("eglInitialize (Wayland)");
        return EGL_NO_DISPLAY;
    }
    return display;
}

// Sets the alpha of every pixel of the window's frame to 1 and leaves the colours and the GL
// state as they were.
void FillAlpha() {
    GLboolean mask[4];
    GLfloat clear[4];
    GLint framebuffer = 0;
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

}  // namespace

cEGLWindowContext::~cEGLWindowContext() {
    if (!Own_ || !Context_) return;
    auto display = static_cast<EGLDisplay>(Display_);
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, static_cast<EGLContext>(Context_));
    // The display stays: EGL shares it with every other user of the same connection.
}

bool cEGLWindowContext::CreateForWayland(void* wlDisplay, std::string& oError) {
    EGLDisplay display = WaylandDisplay(wlDisplay, oError);
    if (display == EGL_NO_DISPLAY) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        oError = EglErrorText("eglBindAPI(OpenGL)");
        return false;
    }
    // Opaque: the compositor need not blend the rain with whatever lies below it.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,     8,              EGL_GREEN_SIZE,      8,
                                       EGL_BLUE_SIZE,    8,              EGL_ALPHA_SIZE,      0,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1) {
        oError = EglErrorText("eglChooseConfig (an RGB window configuration)");
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        oError = EglErrorText("eglCreateContext (OpenGL 3.3 core)");
        return false;
    }
    Display_ = display;
    Context_ = context;
    Config_ = config;
    Own_ = true;
    return true;
}

void cEGLWindowContext::Adopt(void* eglDisplay, void* eglContext, void* eglConfig) {
    Display_ = eglDisplay;
    Context_ = eglContext;
    Config_ = eglConfig;
    Own_ = false;
    EGLint alpha = 0;
    eglGetConfigAttrib(static_cast<EGLDisplay>(Display_), static_cast<EGLConfig>(Config_), EGL_ALPHA_SIZE, &alpha);
    HasAlpha_ = alpha > 0;
}

void* cEGLWindowContext::CreateSurface(void* nativeWindow, std::string& oError) const {
    auto display = static_cast<EGLDisplay>(Display_);
    // A toolkit's configuration may have alpha, and the rain leaves whatever its blending gives
    // in the alpha channel: the compositor is told to show the colours as they are.
    // (Mesa's software path does not offer that: Swap then fills the alpha in.)
    const EGLint opaque[] = {EGL_PRESENT_OPAQUE_EXT, EGL_TRUE, EGL_NONE};
    const bool saysOpaque = HasAlpha_ && epoxy_has_egl_extension(display, "EGL_EXT_present_opaque");
    EGLSurface surface = eglCreateWindowSurface(display, static_cast<EGLConfig>(Config_),
                                                reinterpret_cast<EGLNativeWindowType>(nativeWindow),
                                                saysOpaque ? opaque : nullptr);
    FillsAlpha_ = HasAlpha_ && !saysOpaque;
    if (surface == EGL_NO_SURFACE) {
        oError = EglErrorText("eglCreateWindowSurface");
        return nullptr;
    }
    return surface;
}

void cEGLWindowContext::DestroySurface(void* surface) const {
    if (surface) eglDestroySurface(static_cast<EGLDisplay>(Display_), static_cast<EGLSurface>(surface));
}

bool cEGLWindowContext::MakeCurrent(void* surface) const {
    auto display = static_cast<EGLDisplay>(Display_);
    // A toolkit's context may have left another API bound on this thread.
    if (eglQueryAPI() != EGL_OPENGL_API) eglBindAPI(EGL_OPENGL_API);
    if (!eglMakeCurrent(display, surface, surface, static_cast<EGLContext>(Context_))) return false;
    // The frame callbacks pace the frames; EGL waiting for them too would only block the loop.
    eglSwapInterval(display, 0);
    return true;
}

bool cEGLWindowContext::Swap(void* surface) const {
    if (FillsAlpha_) FillAlpha();
    return eglSwapBuffers(static_cast<EGLDisplay>(Display_), static_cast<EGLSurface>(surface)) == EGL_TRUE;
}

void cEGLWindowContext::Release(void* surface) const {
    if (surface && eglGetCurrentSurface(EGL_DRAW) == surface)
        eglMakeCurrent(static_cast<EGLDisplay>(Display_), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

cEGLWindowSurface::~cEGLWindowSurface() { Drop(); }

void cEGLWindowSurface::Drop() {
    Context_.Release(Surface_);
    Context_.DestroySurface(Surface_);
    Surface_ = nullptr;
    Bound_ = nullptr;
}

bool cEGLWindowSurface::MakeCurrent() {
    if (!Context_.Ready()) {
        Error_ = "no OpenGL 3.3 context on the Wayland display";
        return false;
    }
    void* window = Window_.NativeWindow();
    if (!window) {
        Error_ = "the compositor has not sized the surface yet";
        return false;
    }
    if (window != Bound_) {
        Drop();
        Surface_ = Context_.CreateSurface(window, Error_);
        if (!Surface_) return false;
        Bound_ = window;
    }
    if (Context_.MakeCurrent(Surface_)) return true;
    Error_ = EglErrorText("eglMakeCurrent");
    return false;
}

void cEGLWindowSurface::SwapBuffers() {
    if (!Surface_ || SurfaceLost()) return;
    Window_.BeforeSwap();
    Context_.Swap(Surface_);
}

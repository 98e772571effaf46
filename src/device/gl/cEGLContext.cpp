#include "device/gl/cEGLContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

namespace {
std::string EglErrorText(const char* step) {
    char code[16];
    snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(step) + " failed (EGL error " + code + ")";
}
}  // namespace

cEGLContext::~cEGLContext() {
    if (!Context_) return;
    MakeCurrent();
    DestroyTarget();
    auto display = static_cast<EGLDisplay>(Display_);
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, static_cast<EGLContext>(Context_));
    // The display is shared by every context of the process; it is not terminated here.
}

namespace {

EGLDisplay SurfacelessDisplay(const char* clientExtensions, std::string& oError) {
    if (!epoxy_extension_in_string(clientExtensions, "EGL_MESA_platform_surfaceless") ||
        !epoxy_extension_in_string(clientExtensions, "EGL_EXT_platform_base")) {
        oError = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless); Mesa's EGL is needed";
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) oError = EglErrorText("eglGetPlatformDisplayEXT(surfaceless)");
    return display;
}

EGLDisplay DeviceDisplay(const char* clientExtensions, std::string& oError) {
    if (!epoxy_extension_in_string(clientExtensions, "EGL_EXT_device_enumeration") ||
        !epoxy_extension_in_string(clientExtensions, "EGL_EXT_platform_device")) {
        oError = "EGL cannot list graphics devices (EGL_EXT_device_enumeration, EGL_EXT_platform_device)";
        return EGL_NO_DISPLAY;
    }
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (!eglQueryDevicesEXT(16, devices, &count) || count < 1) {
        oError = "EGL lists no graphics device";
        return EGL_NO_DISPLAY;
    }
    EGLDeviceEXT chosen = devices[0];
    for (EGLint i = 0; i < count; ++i) {
        const char* extensions = eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS);
        if (!extensions || !epoxy_extension_in_string(extensions, "EGL_MESA_device_software")) {
            chosen = devices[i];
            break;
        }
    }
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, chosen, nullptr);
    if (display == EGL_NO_DISPLAY) oError = EglErrorText("eglGetPlatformDisplayEXT(device)");
    return display;
}

// The chosen display, initialised and able to make a desktop GL context current without a
// surface; EGL_NO_DISPLAY with the reason in oError.
EGLDisplay OpenDisplay(cEGLContext::Source iSource, std::string& oError) {
    if (!epoxy_has_egl()) {
        oError = "EGL is not available (libEGL could not be loaded)";
        return EGL_NO_DISPLAY;
    }
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!clientExtensions) {
        oError = "EGL offers no platforms (no client extensions)";
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display = iSource == cEGLContext::Source::Device ? DeviceDisplay(clientExtensions, oError)
                                                                : SurfacelessDisplay(clientExtensions, oError);
    if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        oError = EglErrorText("eglInitialize");
        return EGL_NO_DISPLAY;
    }
    if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context")) {
        oError = "EGL cannot make a context current without a surface (EGL_KHR_surfaceless_context)";
        return EGL_NO_DISPLAY;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        oError = EglErrorText("eglBindAPI(OpenGL)");
        return EGL_NO_DISPLAY;
    }
    return display;
}

// An OpenGL 3.3 core context on the display, current on this thread without a surface;
// EGL_NO_CONTEXT with the reason in oError.
EGLContext CreateCoreContext(EGLDisplay iDisplay, std::string& oError) {
    // Without a window system there are no window configurations; ask for any kind of surface.
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_DONT_CARE, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(iDisplay, configAttributes, &config, 1, &configs) || configs < 1) {
        oError = EglErrorText("eglChooseConfig (a desktop OpenGL configuration)");
        return EGL_NO_CONTEXT;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    EGLContext context = eglCreateContext(iDisplay, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        oError = EglErrorText("eglCreateContext (OpenGL 3.3 core)");
        return EGL_NO_CONTEXT;
    }
    if (!eglMakeCurrent(iDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        oError = EglErrorText("eglMakeCurrent");
        eglDestroyContext(iDisplay, context);
        return EGL_NO_CONTEXT;
    }
    return context;
}

}  // namespace

bool cEGLContext::Create(int32_t iWidth, int32_t iHeight, std::string& oError, Source iSource) {
    if (Context_) {
        oError = "the context exists already";
        return false;
    }
    EGLDisplay display = OpenDisplay(iSource, oError);
    if (display == EGL_NO_DISPLAY) return false;
    EGLContext context = CreateCoreContext(display, oError);
    if (context == EGL_NO_CONTEXT) return false;
    Display_ = display;
    Context_ = context;
    if (!CreateTarget(iWidth, iHeight)) {
        oError = "the offscreen framebuffer of " + std::to_string(iWidth) + " x " + std::to_string(iHeight) +
                 " could not be made";
        return false;
    }
    return true;
}

bool cEGLContext::MakeCurrent() {
    if (!Context_) return false;
    if (!eglMakeCurrent(static_cast<EGLDisplay>(Display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                        static_cast<EGLContext>(Context_)))
        return false;
    glBindFramebuffer(GL_FRAMEBUFFER, Framebuffer_);
    return true;
}

bool cEGLContext::CreateTarget(int32_t iWidth, int32_t iHeight) {
    if (iWidth <= 0 || iHeight <= 0) return false;
    glGenRenderbuffers(1, &ColorBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, ColorBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, iWidth, iHeight);
    glGenFramebuffers(1, &Framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, Framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, ColorBuffer_);
    Width_ = iWidth;
    Height_ = iHeight;
    glViewport(0, 0, iWidth, iHeight);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void cEGLContext::DestroyTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (Framebuffer_) glDeleteFramebuffers(1, &Framebuffer_);
    if (ColorBuffer_) glDeleteRenderbuffers(1, &ColorBuffer_);
    Framebuffer_ = ColorBuffer_ = 0;
}

bool cEGLContext::Resize(int32_t iWidth, int32_t iHeight) {
    if (!MakeCurrent()) return false;
    DestroyTarget();
    return CreateTarget(iWidth, iHeight);
}

cImage cEGLContext::ReadPixels() const {
    cImage image(Width_, Height_);
    if (!Context_) return image;
    // Read as 32-bit words of alpha, red, green and blue from the top bit down, the picture's
    // own layout, straight into it: no second frame-sized buffer, no per-channel shuffle.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, Framebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, Width_, Height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image.Pixels.data());
    // GL's rows run bottom up; the picture's run top down.
    const auto width = static_cast<size_t>(Width_);
    for (int32_t y = 0; y < Height_ / 2; ++y) {
        uint32_t* top = image.Pixels.data() + static_cast<size_t>(y) * width;
        std::swap_ranges(top, top + width, image.Pixels.data() + static_cast<size_t>(Height_ - 1 - y) * width);
    }
    // A screen shows no alpha, and the frame's alpha channel is only what blending left
    // there, so the picture is opaque.
    for (uint32_t& pixel : image.Pixels) pixel |= 0xFF000000u;
    return image;
}

void cEGLContext::Finish() const {
    if (Context_) glFinish();
}

std::string cEGLContext::Renderer() const {
    if (!Context_) return {};
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return text ? text : "";
}

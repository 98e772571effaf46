#pragma once
// An OpenGL 3.3 core context that draws into native windows a platform makes and hands over as
// opaque pointers (on Wayland a wl_egl_window on the platform's wl_display), so that the device
// layer needs no window system's header. The context is either its own, on an EGL display of
// the platform's connection, or one a toolkit made and keeps (Qt's, whose textures and buffers
// then serve the toolkit's window and ours alike).
//
// Each window's drawing surface (cEGLWindowSurface) binds the context to that window's EGL
// surface; swaps never wait for the display (swap interval 0): the window's own pacing decides
// when a frame is drawn.
#include <cstdint>
#include <string>

#include "device/DrawingSurface.h"

class cEGLWindowContext {
public:
    cEGLWindowContext() = default;
    ~cEGLWindowContext();
    cEGLWindowContext(const cEGLWindowContext&) = delete;
    cEGLWindowContext& operator=(const cEGLWindowContext&) = delete;

    // Its own display on the Wayland connection (a wl_display*) and a context of its own, with
    // an opaque 8-bit RGB window configuration. False with the reason in oError.
    bool CreateForWayland(void* wlDisplay, std::string& oError);
    // Takes a context another part of the program made and keeps (EGLDisplay, EGLContext and
    // the EGLConfig it was made with); it is never destroyed here.
    void Adopt(void* eglDisplay, void* eglContext, void* eglConfig);
    bool Ready() const { return Context_ != nullptr; }

    // An EGL window surface for the native window (EGLSurface), nullptr with the reason.
    void* CreateSurface(void* nativeWindow, std::string& oError) const;
    void DestroySurface(void* surface) const;
    // Binds the context to the surface on this thread; swaps on it will not wait.
    bool MakeCurrent(void* surface) const;
    bool Swap(void* surface) const;
    // Unbinds the context where it is bound to the surface (before the surface goes).
    void Release(void* surface) const;

private:
    void* Display_ = nullptr;
    void* Context_ = nullptr;
    void* Config_ = nullptr;
    bool Own_ = false;
    bool HasAlpha_ = false;            // the configuration has an alpha channel
    mutable bool FillsAlpha_ = false;  // and EGL cannot be told to ignore it
};

// What the platform gives for one window: the native window, its size, and the moment
// before a swap (Wayland: ask for the next frame callback, so the compositor says when the
// next frame would be seen).
class iEGLNativeWindow {
public:
    virtual ~iEGLNativeWindow() = default;
    virtual void* NativeWindow() const = 0;  // nullptr until the window system has sized it
    virtual int PixelWidth() const = 0;
    virtual int PixelHeight() const = 0;
    virtual void BeforeSwap() = 0;
};

// One window's drawing surface on the context. The EGL surface is made when the native window
// first exists and made again when the platform replaces it.
class cEGLWindowSurface final : public iDrawingSurface {
public:
    cEGLWindowSurface(const cEGLWindowContext& context, iEGLNativeWindow& window)
        : Context_(context), Window_(window) {}
    ~cEGLWindowSurface() override;
    cEGLWindowSurface(const cEGLWindowSurface&) = delete;
    cEGLWindowSurface& operator=(const cEGLWindowSurface&) = delete;

    int Width() const override { return Window_.PixelWidth(); }
    int Height() const override { return Window_.PixelHeight(); }
    intptr_t NativeHandle() const override { return reinterpret_cast<intptr_t>(Window_.NativeWindow()); }
    bool MakeCurrent() override;
    void SwapBuffers() override;
    std::string LastGLError() const override { return Error_; }
    bool SurfaceLost() const override { return Bound_ != Window_.NativeWindow(); }
    uint32_t DefaultFramebuffer() const override { return 0; }
    // Lets go of the EGL surface (the native window is about to go).
    void Drop();

private:
    const cEGLWindowContext& Context_;
    iEGLNativeWindow& Window_;
    void* Bound_ = nullptr;    // the native window the EGL surface was made for
    void* Surface_ = nullptr;  // EGLSurface
    std::string Error_;
};

#pragma once
// What a device draws on, handed to it when it is made: a window's drawing surface, or an
// offscreen one. Each device presents its frames to its own surface and follows it when the
// window system replaces it, so several windows (one per monitor) each have a device of their
// own and nothing needs to know which window is "current".
#include <cstdint>
#include <string>

class iDrawingSurface {
public:
    virtual ~iDrawingSurface() = default;

    // Size in physical pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Identifies the native window to the device (its window handle); 0 when it has none yet.
    virtual intptr_t NativeHandle() const = 0;

    // Binds the surface's OpenGL 3.3 context to this thread: false when there is no usable
    // context (LastGLError says why).
    virtual bool MakeCurrent() = 0;
    // Shows the frame drawn since the last swap.
    virtual void SwapBuffers() = 0;
    virtual std::string LastGLError() const = 0;
    // True when the window system has replaced the native window since MakeCurrent bound the
    // context to it (some changes of the window's type or screen re-create it): frames reach
    // no screen until MakeCurrent binds the context to the new one.
    virtual bool SurfaceLost() const { return false; }
    // The framebuffer object that stands for the surface (0 on most platforms; some give their
    // own). It needs no depth buffer.
    virtual uint32_t DefaultFramebuffer() const = 0;
    // Whether a device may have the swap wait for the display's refresh (the swap interval of
    // the surface's context): the window system shows each swap at a refresh of the monitor.
    // False where frames are timed otherwise (an offscreen surface; a compositor that asks for
    // each frame of its own).
    virtual bool SwapMayWaitForRefresh() const { return false; }
};

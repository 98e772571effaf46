#pragma once
// A headless OpenGL 3.3 core context: EGL on Mesa's surfaceless platform (no display or
// window system needed) with an offscreen framebuffer of a given size, which stays
// bound for drawing. Used for rendering frames to files, the tests and the benchmarks. It is
// a drawing surface of its own: a device made on it draws into its framebuffer, where each
// presented frame stays to be read.
#include <cstdint>
#include <string>

#include "device/DrawingSurface.h"
#include "device/cImage.h"

class cEGLContext : public iDrawingSurface {
public:
    cEGLContext() = default;
    ~cEGLContext() override;
    cEGLContext(const cEGLContext&) = delete;
    cEGLContext& operator=(const cEGLContext&) = delete;

    // Where the context comes from. Surfaceless: Mesa's surfaceless platform (on most
    // machines its software renderer, so pictures are the same everywhere; the tests use
    // it). Device: the first graphics device EGL lists that is not a software one (a GPU,
    // for timing), else the software device.
    enum class Source { Surfaceless, Device };

    // Creates the context, makes it current on this thread and binds a width x height
    // framebuffer (8-bit RGBA colour, no depth: as the window, the device brings its own
    // where a frame needs it). False with the reason in oError.
    bool Create(int32_t iWidth, int32_t iHeight, std::string& oError, Source iSource = Source::Surfaceless);
    // Makes the context current again (after another context was used on this thread).
    bool MakeCurrent() override;
    // Replaces the framebuffer with one of the new size (contents undefined).
    bool Resize(int32_t iWidth, int32_t iHeight);
    // The framebuffer's colours, rows top first, opaque (the picture as it would be on screen).
    cImage ReadPixels() const;
    // Waits until GL has finished every command given so far (the frame is rasterised).
    void Finish() const;

    int Width() const override { return Width_; }
    int Height() const override { return Height_; }
    intptr_t NativeHandle() const override { return 1; }  // no window, but a surface all the same
    void SwapBuffers() override {}  // the frame stays in the framebuffer, to be read
    std::string LastGLError() const override { return "no headless OpenGL 3.3 context"; }
    uint32_t DefaultFramebuffer() const override { return Framebuffer_; }
    // The GL implementation, e.g. "llvmpipe (LLVM 15.0.6, 256 bits)".
    std::string Renderer() const;

private:
    void DestroyTarget();
    bool CreateTarget(int32_t iWidth, int32_t iHeight);

    void* Display_ = nullptr;
    void* Context_ = nullptr;
    uint32_t Framebuffer_ = 0, ColorBuffer_ = 0;
    int32_t Width_ = 0, Height_ = 0;
};

#pragma once
// A headless OpenGL 3.3 core context: EGL on Mesa's surfaceless platform (no display or
// window system needed) with an offscreen framebuffer of a given size, which stays
// bound for drawing. Used for rendering frames to files, the tests and the benchmarks.
#include <cstdint>
#include <string>

#include "device/cImage.h"

class cEGLContext {
public:
    cEGLContext() = default;
    ~cEGLContext();
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
    bool MakeCurrent();
    // Replaces the framebuffer with one of the new size (contents undefined).
    bool Resize(int32_t iWidth, int32_t iHeight);
    // The framebuffer's colours, rows top first, opaque (the picture as it would be on screen).
    cImage ReadPixels() const;
    // Waits until GL has finished every command given so far (the frame is rasterised).
    void Finish() const;

    int32_t Width() const { return Width_; }
    int32_t Height() const { return Height_; }
    uint32_t Framebuffer() const { return Framebuffer_; }
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

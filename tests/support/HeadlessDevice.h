#pragma once
// A GL device on a headless EGL context, made as the program makes its own, for tests and
// benchmarks that need real pixels.
#include <memory>
#include <string>

#include "core/mCore.h"
#include "device/cDevice.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"

namespace testing_support {

// Creates the context (width x height) and the device; empty when both are ready, otherwise
// what failed. The context must outlive the device. OpenDeviceOn makes only the device, on a
// context already created and current: it draws on the context's framebuffer.
inline std::string OpenDeviceOn(cEGLContext& context, cDevice& device) {
    mDXGraphics::SetDirect3DFactory([] { return std::make_shared<cGLDirect3D>(); });
    if (!mDXGraphics::Initialize()) return "the Direct3D root object could not be made";
    if (!device.Initialize(context, D3DFMT_D16, D3DMULTISAMPLE_NONE))
        return "device set-up failed: " + mDXGraphics::LastError;
    device.SetupRenderer(2, 2, false);
    return {};
}
inline std::string OpenHeadlessDevice(cEGLContext& context, cDevice& device, int32_t width, int32_t height) {
    std::string error;
    if (!context.Create(width, height, error)) return error;
    return OpenDeviceOn(context, device);
}

inline void CloseHeadlessDevice(cDevice& device) {
    device.Release();
    mDXGraphics::Release();
    mDXGraphics::SetDirect3DFactory(nullptr);
}

}  // namespace testing_support

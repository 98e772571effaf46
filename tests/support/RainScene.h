#pragma once
// The rain at the defaults, the start camera and the renderer on a headless GL device: what
// tests of whole rain pictures share.
#include <string>

#include "device/cImage.h"
#include "rain/cRain.h"
#include "render/LetterRenderer.h"
#include "render/cCamera.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"
#include "support/HeadlessDevice.h"
#include "support/RunningRain.h"
#include "support/TempDir.h"

namespace testing_support {

struct RainScene {
    ~RainScene() { CloseHeadlessDevice(Device); }

    // Empty when the width x height device is ready, otherwise what failed.
    std::string OpenScene(int32_t width, int32_t height) {
        if (std::string error = OpenHeadlessDevice(Context, Device, width, height); !error.empty()) return error;
        Device.Device->SetRenderState(D3DRS_CLIPPING, 1);
        Renderer.CreateBuffer(Device);
        AtTheStart(Settings, Camera);
        return {};
    }
    // Makes the test's own image the atlas, texture 0.
    bool LoadAtlasImage(const cImage& image) {
        std::string error;
        return mImage::WritePng(Folder.File("atlas.png"), image, error) &&
               Device.LoadTexture(Folder.File("atlas.png"), -1) == 0;
    }

    ScopedFakePlatform Platform;
    TempDir Folder;
    cEGLContext Context;
    cDevice Device;
    cLetterRenderer Renderer;
    cValues Settings;
    cCamera Camera;
    mCore::cRandom Rnd{7};
    cRain Rain{Camera, Platform.Clock, Rnd};
};

}  // namespace testing_support

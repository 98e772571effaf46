#pragma once
// A device wrapper over the capture backend, with the platform's dialogs and clock faked.
#include <gtest/gtest.h>

#include <memory>

#include "device/cCaptureDirect3D.h"
#include "device/cDevice.h"
#include "device/mDXGraphics.h"
#include "support/FakePlatform.h"

class CaptureDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = std::make_shared<cCaptureDirect3D>();
        mDXGraphics::SetDirect3DFactory([this] { return Root; });
        ASSERT_TRUE(mDXGraphics::Initialize());
    }
    void TearDown() override {
        mDXGraphics::Release();
        mDXGraphics::SetDirect3DFactory(nullptr);
    }
    // Creates the device as the program does.
    bool Create(int32_t w = 1024, int32_t h = 768, D3DFORMAT depth = D3DFMT_D16) {
        return Wrapper.Initialize(42, w, h, depth, D3DMULTISAMPLE_NONE);
    }
    cCaptureDevice& Dev() { return *Root->LastDevice; }

    testing_support::ScopedFakePlatform Platform;
    std::shared_ptr<cCaptureDirect3D> Root;
    cDevice Wrapper;
};

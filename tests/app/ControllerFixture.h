#pragma once
// The controller on a scripted window, a capture device, a fake clock and dialogs, with the
// program's folder in a temporary directory holding a small glyph texture.
#include <gtest/gtest.h>

#include <memory>

#include "app/frmMain.h"
#include "app/Startup.h"
#include "core/mCore.h"
#include "device/cCaptureDirect3D.h"
#include "device/cImage.h"
#include "device/mDXGraphics.h"
#include "support/FakePlatform.h"
#include "support/FakeWindowPlatform.h"
#include "support/TempDir.h"

namespace controller_test {

struct Terminated {
    int Code;
};
[[noreturn]] inline void ThrowOnTerminate(int code) { throw Terminated{code}; }

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = std::make_shared<cCaptureDirect3D>();
        mDXGraphics::SetDirect3DFactory([this] { return Root; });
        ASSERT_TRUE(mDXGraphics::Initialize());
        mCore::SetTerminateHandler(ThrowOnTerminate);
        mCore::SetStartupHooks({{}, [] { mDXGraphics::Release(); }, {}});
        mCore::AppPath = Folder.Path + "/";
        mCore::Settings.Reset();
        mCore::Settings.LoadData(SettingsFile());
        std::string error;
        ASSERT_TRUE(mImage::WritePng(Folder.File("tex.png"), cImage(64, 64, 0xFFFFFFFF), error)) << error;
        Platform.Clock.Ticks = 1000000;
    }
    void TearDown() override {
        mCore::SetTerminateHandler(nullptr);
        mCore::SetStartupHooks({});
        mDXGraphics::Release();
        mDXGraphics::SetDirect3DFactory(nullptr);
        mCore::Settings.Reset();
    }
    std::string SettingsFile() const { return Folder.File("glyphfall.ini"); }

    // Runs the load handler; with an empty script the window closes at the loop's first
    // pump, leaving a started controller whose handlers the test calls directly.
    void Start() { Form.Load(); }
    // Runs code that should end the program; returns the exit code (-1: it did not end).
    template <class Action>
    int ExitCodeOf(Action action) {
        try {
            action();
        } catch (const Terminated& t) {
            return t.Code;
        }
        return -1;
    }
    cCaptureDevice& Dev() { return *Root->LastDevice; }

    testing_support::TempDir Folder;
    testing_support::ScopedFakePlatform Platform;
    std::shared_ptr<cCaptureDirect3D> Root;
    app::testing::FakeWindowPlatform Window;
    mCore::cRandom Rnd{99};
    frmMain Form{Window, mCore::Settings, Platform.Clock, Rnd};
};

}  // namespace controller_test

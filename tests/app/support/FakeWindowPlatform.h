#pragma once
// A scripted window for the controller's tests: the test calls the controller's handlers
// itself; the window counts down the pumps it stays open for, dismisses every popup menu and
// records what the controller asks of it. It has a shell and services, as the Qt window does.
#include <optional>
#include <string>
#include <vector>

#include "app/MenuModel.h"
#include "app/WindowPlatform.h"

namespace app::testing {

class FakeWindowPlatform final : public iWindow, public iDrawingSurface, public iWindowShell, public iUserServices {
public:
    int OpenPumps = 0;     // pumps before the window closes itself
    bool GLWorks = true;   // MakeCurrent's answer
    bool Seen = true;      // WantsFrame's answer
    int32_t Rate = 0;      // RefreshRate's answer
    bool SwapWaits = false;  // SwapMayWaitForRefresh's answer
    int ScreenWidth = 1024, ScreenHeight = 768;

    bool ShownFullScreen = false, Closed = false, Attached = false;
    std::vector<bool> AttachRequests;  // every AttachToDesktop argument, in order
    PointerKind Pointer = PointerKind::Default;

    void SetListener(iWindowEvents*) override {}
    bool PumpEvents() override {
        if (OpenPumps-- <= 0) Closed = true;
        return !Closed;
    }
    void Close() override { Closed = true; }
    bool IsOpen() const override { return !Closed; }
    iDrawingSurface& Surface() override { return *this; }
    iWindowShell* Shell() override { return this; }
    iUserServices* Services() override { return this; }
    bool WantsFrame() const override { return Seen; }

    int Width() const override { return ScreenWidth; }
    int Height() const override { return ScreenHeight; }
    intptr_t NativeHandle() const override { return Closed ? 0 : 0x2a00001; }
    bool MakeCurrent() override { return GLWorks && !Closed; }
    void SwapBuffers() override {}
    std::string LastGLError() const override { return GLWorks ? "" : "no OpenGL 3.3 context"; }
    uint32_t DefaultFramebuffer() const override { return 0; }
    bool SwapMayWaitForRefresh() const override { return SwapWaits; }

    void ShowFullScreen() override { ShownFullScreen = true; }
    void SetPointer(PointerKind kind) override { Pointer = kind; }
    bool AttachToDesktop(bool attach) override {
        AttachRequests.push_back(attach);
        return Attached = attach;
    }
    bool AttachedToDesktop() const override { return Attached; }
    int32_t RefreshRate() const override { return Rate; }

    std::optional<MenuCommand> PopupMenu(const MenuModel&) override { return std::nullopt; }
    void OpenWebPage(std::string_view) override {}
};

}  // namespace app::testing

#pragma once
// A scripted window for the controller's tests: the test calls the controller's handlers
// itself; the window counts down the pumps it keeps open for, answers popup menus from a
// queue and records everything the controller asks of it.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/MenuModel.h"
#include "app/WindowPlatform.h"

namespace app::testing {

class FakeWindowPlatform final : public iWindowPlatform {
public:
    int OpenPumps = 0;                                  // pumps before the window closes itself
    std::deque<std::optional<MenuCommand>> MenuAnswers;  // nullopt: menu dismissed
    bool GLWorks = true;                                 // MakeCurrent's answer
    bool DesktopExists = true;                           // false: no desktop place (as on Wayland)
    int ScreenWidth = 1024, ScreenHeight = 768;

    bool ShownFullScreen = false, Closed = false, Attached = false;
    std::vector<bool> AttachRequests;  // every AttachToDesktop argument, in order
    PointerKind Pointer = PointerKind::Default;
    std::vector<std::string> OpenedPages;
    int MenusShown = 0;

    void SetListener(iWindowEvents*) override {}
    void ShowFullScreen() override { ShownFullScreen = true; }
    int Width() const override { return ScreenWidth; }
    int Height() const override { return ScreenHeight; }
    intptr_t NativeHandle() const override { return Closed ? 0 : 0x2a00001; }
    bool MakeCurrent() override { return GLWorks && !Closed; }
    void SwapBuffers() override {}
    std::string LastGLError() const override { return GLWorks ? "" : "no OpenGL 3.3 context"; }
    uint32_t DefaultFramebuffer() const override { return 0; }
    bool PumpEvents() override {
        if (OpenPumps-- <= 0) Closed = true;
        return !Closed;
    }
    void Close() override { Closed = true; }
    bool IsOpen() const override { return !Closed; }
    std::optional<MenuCommand> PopupMenu(const MenuModel&) override {
        ++MenusShown;
        if (MenuAnswers.empty()) return std::nullopt;
        auto answer = MenuAnswers.front();
        MenuAnswers.pop_front();
        return answer;
    }
    void SetPointer(PointerKind kind) override { Pointer = kind; }
    bool AttachToDesktop(bool attach) override {
        AttachRequests.push_back(attach);
        Attached = attach && DesktopExists;
        return Attached;
    }
    bool AttachedToDesktop() const override { return Attached; }
    void OpenWebPage(std::string_view url) override { OpenedPages.emplace_back(url); }
};

}  // namespace app::testing

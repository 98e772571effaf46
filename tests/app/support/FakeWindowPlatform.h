#pragma once
// A scripted window for the controller's tests: input events are queued per pump and
// delivered to the listener when the controller yields; popup menus are answered from a
// queue; everything the controller asks the window to do is recorded.
//
//   app::testing::FakeWindowPlatform window;
//   window.Queue({KeyEvent(app::KeyCode::F1)});            // delivered by the first pump
//   window.Queue({});                                       // second pump: nothing
//   window.Queue({MouseDownEvent(app::MouseButton::Right)}); // third pump
//   window.MenuAnswers.push_back(app::MenuCommand{"mnuLength", 2});
//   ... run the controller; once the script is used up the next pump closes the window
//   (set CloseWhenScriptEnds = false to keep it open).
#include <deque>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "app/MenuModel.h"
#include "app/WindowPlatform.h"

namespace app::testing {

struct KeyEvent {
    int KeyCode = 0;
    int Shift = 0;
};
struct MouseDownEvent {
    int Button = MouseButton::Left;
    int Shift = 0;
    float X = 0, Y = 0;
};
struct MouseMoveEvent {
    int Buttons = 0;
    int Shift = 0;
    float X = 0, Y = 0;
};
struct CloseEvent {};
using FakeEvent = std::variant<KeyEvent, MouseDownEvent, MouseMoveEvent, CloseEvent>;

class FakeWindowPlatform final : public iWindowPlatform {
public:
    // --- script ---
    std::deque<std::vector<FakeEvent>> Script;         // one batch per PumpEvents call
    std::deque<std::optional<MenuCommand>> MenuAnswers;  // nullopt: menu dismissed
    bool CloseWhenScriptEnds = true;
    bool GLWorks = true;       // MakeCurrent's answer
    bool DesktopExists = true;  // false: AttachToDesktop cannot attach (as on Wayland)
    int ScreenWidth = 1024, ScreenHeight = 768;

    // --- record ---
    int Pumps = 0;
    int MakeCurrentCalls = 0;
    int Swaps = 0;
    bool ShownFullScreen = false;
    bool Closed = false;
    bool Attached = false;
    std::vector<bool> AttachRequests;        // every AttachToDesktop argument, in order
    std::vector<PointerKind> PointerChanges;  // every SetPointer argument, in order
    PointerKind Pointer = PointerKind::Default;
    std::vector<std::string> OpenedPages;
    std::vector<MenuModel> MenusShown;        // the menu as it was when each popup opened

    void Queue(std::vector<FakeEvent> batch) { Script.push_back(std::move(batch)); }

    // Delivers one event now, as the window system would inside a pump.
    void Deliver(const FakeEvent& event) {
        if (!listener_) {
            if (std::holds_alternative<CloseEvent>(event)) Close();
            return;
        }
        std::visit(
            [this](const auto& e) {
                using E = std::decay_t<decltype(e)>;
                if constexpr (std::is_same_v<E, KeyEvent>)
                    listener_->KeyDown(e.KeyCode, e.Shift);
                else if constexpr (std::is_same_v<E, MouseDownEvent>)
                    listener_->MouseDown(e.Button, e.Shift, e.X, e.Y);
                else if constexpr (std::is_same_v<E, MouseMoveEvent>)
                    listener_->MouseMove(e.Buttons, e.Shift, e.X, e.Y);
                else
                    listener_->CloseRequested();
            },
            event);
    }

    // --- iWindowPlatform ---
    void SetListener(iWindowEvents* listener) override { listener_ = listener; }
    void ShowFullScreen() override { ShownFullScreen = true; }
    int Width() const override { return ScreenWidth; }
    int Height() const override { return ScreenHeight; }
    intptr_t NativeHandle() const override { return Closed ? 0 : 0x2a00001; }

    bool MakeCurrent() override {
        ++MakeCurrentCalls;
        return GLWorks && !Closed;
    }
    void SwapBuffers() override { ++Swaps; }
    std::string LastGLError() const override { return GLWorks ? "" : "no OpenGL 3.3 context"; }
    uint32_t DefaultFramebuffer() const override { return 0; }

    bool PumpEvents() override {
        ++Pumps;
        if (Closed) return false;
        if (Script.empty()) {
            if (CloseWhenScriptEnds) Closed = true;
            return !Closed;
        }
        std::vector<FakeEvent> batch = std::move(Script.front());
        Script.pop_front();
        for (const FakeEvent& event : batch) {
            if (Closed) break;  // nothing reaches a closed window
            Deliver(event);
        }
        return !Closed;
    }
    void Close() override { Closed = true; }
    bool IsOpen() const override { return !Closed; }

    std::optional<MenuCommand> PopupMenu(const MenuModel& menu) override {
        MenusShown.push_back(menu);
        if (MenuAnswers.empty()) return std::nullopt;
        auto answer = MenuAnswers.front();
        MenuAnswers.pop_front();
        return answer;
    }

    void SetPointer(PointerKind kind) override {
        PointerChanges.push_back(kind);
        Pointer = kind;
    }

    bool AttachToDesktop(bool attach) override {
        AttachRequests.push_back(attach);
        Attached = attach && DesktopExists;
        return Attached;
    }
    bool AttachedToDesktop() const override { return Attached; }

    void OpenWebPage(std::string_view url) override { OpenedPages.emplace_back(url); }

private:
    iWindowEvents* listener_ = nullptr;
};

}  // namespace app::testing

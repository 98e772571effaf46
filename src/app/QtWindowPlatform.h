#pragma once
// The real window: a full-screen Qt window whose whole area is an OpenGL 3.3 core
// surface, with the popup menu, the pointer, desktop attachment and the browser hand-off;
// or a window of ours inside a window another program owns (a screen saver's), which only
// draws. The Qt types stay inside the implementation.
#include <cstdint>
#include <memory>
#include <string>

#include "app/WindowPlatform.h"

namespace app {

class QtWindowPlatform final : public iWindowPlatform {
public:
    // Needs the Qt application (QtRuntime::EnsureApplication) to exist. The window is
    // created hidden, with its GL context; ShowFullScreen shows it.
    QtWindowPlatform();
    ~QtWindowPlatform() override;
    // A window that fills the host window and follows its size, for a program that hands
    // out a window to draw in (host 0: the root window). The host is never mapped, moved,
    // resized or reparented; no input is taken, no menu opens, and the window asks to close
    // when the host is destroyed. Nothing, with the reason in oError, when there is no such
    // window or no X11 display.
    static std::unique_ptr<QtWindowPlatform> Inside(uint32_t host, std::string& oError);
    // The window whose context MakeCurrent bound last: the one the device layer draws to.
    static QtWindowPlatform* Current();
    QtWindowPlatform(const QtWindowPlatform&) = delete;
    QtWindowPlatform& operator=(const QtWindowPlatform&) = delete;

    void SetListener(iWindowEvents* listener) override;
    void ShowFullScreen() override;
    int Width() const override;
    int Height() const override;
    intptr_t NativeHandle() const override;
    bool MakeCurrent() override;
    void SwapBuffers() override;
    std::string LastGLError() const override;
    bool SurfaceLost() const override;
    uint32_t DefaultFramebuffer() const override;
    bool PumpEvents() override;
    void Close() override;
    bool IsOpen() const override;
    std::optional<MenuCommand> PopupMenu(const MenuModel& menu) override;
    void SetPointer(PointerKind kind) override;
    bool AttachToDesktop(bool attach) override;
    bool AttachedToDesktop() const override;
    void OpenWebPage(std::string_view url) override;
    std::vector<std::string> OtherScreens() const override;
    std::unique_ptr<iWindowPlatform> OpenOnScreen(std::string_view screen) override;

private:
    struct Impl;
    explicit QtWindowPlatform(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace app

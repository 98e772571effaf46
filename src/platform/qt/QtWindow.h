#pragma once
// The real window: a full-screen Qt window whose whole area is an OpenGL 3.3 core surface,
// with the popup menu, the pointer, desktop attachment and the browser hand-off; or a window
// of ours inside a window another program owns (a screen saver's), which only draws: it has
// a shell that follows the host's size and no services. The Qt types stay inside the
// implementation.
#include <cstdint>
#include <memory>
#include <string>

#include "app/DesktopColors.h"
#include "app/WindowPlatform.h"

namespace platform::qt {

class QtWindow final : public app::iWindow,
                       public iDrawingSurface,
                       public app::iWindowShell,
                       public app::iUserServices {
public:
    // Needs the Qt application (QtRuntime::EnsureApplication) to exist. The window is
    // created hidden, with its GL context; ShowFullScreen shows it.
    QtWindow();
    ~QtWindow() override;
    // A window that fills the host window and follows its size, for a program that hands
    // out a window to draw in (host 0: the root window). The host is never mapped, moved,
    // resized or reparented; no input is taken, no menu opens, and the window asks to close
    // when the host is destroyed. Nothing, with the reason in oError, when there is no such
    // window or no X11 display.
    static std::unique_ptr<QtWindow> Inside(uint32_t host, std::string& oError);
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    // The window.
    void SetListener(app::iWindowEvents* listener) override;
    bool PumpEvents() override;
    void Close() override;
    bool IsOpen() const override;
    // Asks to close as the window system's close does, at once (an end signal, on the event
    // loop's thread): the listener decides; without one the window closes.
    void AskToClose();
    bool WantsFrame() const override;
    iDrawingSurface& Surface() override { return *this; }
    app::iWindowShell* Shell() override { return this; }
    app::iUserServices* Services() override;
    app::iAccentColorSource* AccentColors() override;

    // Its drawing surface.
    int Width() const override;
    int Height() const override;
    intptr_t NativeHandle() const override;
    bool MakeCurrent() override;
    void SwapBuffers() override;
    std::string LastGLError() const override;
    bool SurfaceLost() const override;
    uint32_t DefaultFramebuffer() const override;
    bool SwapMayWaitForRefresh() const override;

    // Its shell.
    void ShowFullScreen() override;
    void SetPointer(app::PointerKind kind) override;
    bool AttachToDesktop(bool attach) override;
    bool AttachedToDesktop() const override;
    std::vector<std::string> OtherScreens() const override;
    std::unique_ptr<app::iWindow> OpenOnScreen(std::string_view screen) override;
    int32_t RefreshRate() const override;

    // Its services (not inside a host's window).
    std::optional<app::MenuCommand> PopupMenu(const app::MenuModel& menu) override;
    void OpenWebPage(std::string_view url) override;

private:
    struct Impl;
    explicit QtWindow(std::unique_ptr<Impl> impl);
    bool AttachOnWayland(bool attach);
    std::unique_ptr<Impl> impl_;
    std::unique_ptr<app::iAccentColorSource> Accent_;
};

}  // namespace platform::qt

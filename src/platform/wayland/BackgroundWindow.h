#pragma once
// The rain on the background layer of Wayland outputs, for a program that runs under a host
// (a locker's plugin, an idle daemon's saver: --root): one window per output, the main one
// on the first output (or the one the host names), a further one for each other output as
// the controller opens them. No input, no menu: the window has a shell that follows the
// outputs, and no services. The main window ends the run (CloseRequested) when the
// compositor closes its surface, the connection breaks or an end signal arrives.
// The screen saver's windows are the same on the overlay layer, above every window and panel;
// the main one hands the seat's keys and pointer on to the controller, which ends the saver.
#include <memory>
#include <optional>
#include <string>

#include "app/WindowPlatform.h"
#include "device/gl/cEGLWindowContext.h"
#include "platform/wayland/WaylandDesktop.h"
#include "platform/wayland/SaverInput.h"
#include "platform/wayland/WaylandOutput.h"

namespace platform::wayland {

class cBackgroundWindow final : public app::iWindow, public app::iWindowShell {
public:
    // only: the one output to rain on ($SWAYLOCK_PLUGIN_OUTPUT_NAME); empty for every one.
    // The output's background is the window's (output->ShowBackground gave it). saver: the
    // seat's input for the screen saver's windows (on the overlay layer); nullptr for --root.
    cBackgroundWindow(cWaylandDesktop& desktop, const cEGLWindowContext& context,
                      std::shared_ptr<cWaylandOutput> output, bool main, std::string only,
                      cSaverInput* saver = nullptr);
    ~cBackgroundWindow() override;

    void SetListener(app::iWindowEvents* listener) override { Listener_ = listener; }
    bool PumpEvents() override;
    void Close() override;
    bool IsOpen() const override { return Open_; }
    iDrawingSurface& Surface() override { return Drawing_; }
    bool WantsFrame() const override { return Open_ && Output_->WantsFrame(); }
    app::iWindowShell* Shell() override { return this; }

    // The surface is the output's whole size from the start; it is always the background.
    void ShowFullScreen() override;
    void SetPointer(app::PointerKind) override {}
    bool AttachToDesktop(bool) override { return true; }
    bool AttachedToDesktop() const override { return true; }
    std::vector<std::string> OtherScreens() const override;
    std::unique_ptr<app::iWindow> OpenOnScreen(std::string_view screen) override;

private:
    void End(const char* why);

    cWaylandDesktop& Desktop_;
    const cEGLWindowContext& Context_;
    std::shared_ptr<cWaylandOutput> Output_;
    cEGLWindowSurface Drawing_;
    bool Main_;
    std::string Only_;
    cSaverInput* Saver_;
    app::iWindowEvents* Listener_ = nullptr;
    bool Open_ = true;
    bool Ending_ = false;
};

}  // namespace platform::wayland

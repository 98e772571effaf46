#include "platform/wayland/BackgroundWindow.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>

#include "core/EndSignals.h"

namespace platform::wayland {

cBackgroundWindow::cBackgroundWindow(cWaylandDesktop& desktop, const cEGLWindowContext& context,
                                     std::shared_ptr<cWaylandOutput> output, bool main, std::string only,
                                     cSaverInput* saver)
    : Desktop_(desktop),
      Context_(context),
      Output_(std::move(output)),
      Drawing_(context, *Output_),
      Main_(main),
      Only_(std::move(only)),
      Saver_(saver) {}

cBackgroundWindow::~cBackgroundWindow() {
    Drawing_.Drop();
    Output_->HideBackground();
}

// The device needs the surface's size.
void cBackgroundWindow::ShowFullScreen() { Output_->WaitForConfigure(); }

void cBackgroundWindow::End(const char* why) {
    if (Ending_) return;
    Ending_ = true;
    if (why) std::fprintf(stderr, "glyphfall: %s\n", why);
    if (Listener_)
        Listener_->CloseRequested();
    else
        Open_ = false;
}

bool cBackgroundWindow::PumpEvents() {
    if (!Open_) return false;
    if (!Main_) return true;  // the main window reads the connection for every output
    // The connection and the end signals together, without waiting: the loop comes back
    // here at least every 50 ms.
    pollfd watched[2] = {{Desktop_.Fd(), POLLIN, 0}, {mCore::CatchEndSignals(), POLLIN, 0}};
    ::poll(watched, watched[1].fd >= 0 ? 2 : 1, 0);
    if (mCore::EndSignalReceived() != 0) {
        mCore::AcknowledgeEndSignal();
        End(nullptr);
        return Open_;
    }
    // The host ends savers: the compositor going away or closing our surface is no failure.
    if (!Desktop_.Dispatch()) {
        End("the Wayland compositor went away");
        return Open_;
    }
    // Its output gone (sway takes the output's global away without closing the surface).
    if (Output_->Closed() || Output_->Gone()) {
        End(nullptr);
        return Open_;
    }
    if (Saver_ && Listener_) Saver_->HandOn(*Listener_);
    if (Desktop_.TakeOutputsChanged() && Listener_) Listener_->ScreensChanged();
    return Open_;
}

void cBackgroundWindow::Close() {
    if (!Open_) return;
    Open_ = false;
    Listener_ = nullptr;
    Drawing_.Drop();  // the layer surface stays until the window goes: the device may still ask its size
}

std::vector<std::string> cBackgroundWindow::OtherScreens() const {
    std::vector<std::string> names;
    if (!Main_ || !Only_.empty()) return names;
    for (const std::string& name : Desktop_.OutputNames())
        if (name != Output_->Name()) names.push_back(name);
    return names;
}

std::unique_ptr<app::iWindow> cBackgroundWindow::OpenOnScreen(std::string_view screen) {
    const std::shared_ptr<cWaylandOutput> output = Desktop_.FindOutput(std::string(screen));
    const bool shown = Saver_ ? output && output->ShowBackground(true, Layer::Overlay)
                              : output && output->ShowBackground(false);
    if (!shown) return nullptr;
    return std::make_unique<cBackgroundWindow>(Desktop_, Context_, output, false, Only_, Saver_);
}

}  // namespace platform::wayland

#pragma once
// Where the Qt window meets the Wayland code: the desktop background on Qt's own Wayland
// connection. The layer surfaces live on Qt's wl_display, so the menu Qt opens over them and
// our surfaces share one connection and one seat's serials; they are drawn with the window's
// own Qt GL context, so its device keeps its textures and buffers when the window goes to the
// background and comes back.
#include <memory>
#include <string>

#include "app/WindowPlatform.h"
#include "platform/wayland/BackgroundSurface.h"

class QOpenGLContext;
class QString;

namespace platform::qt {

// Whether Qt runs on its Wayland plugin.
bool OnWayland();

// One window's background: a layer surface on the output Qt names screenName.
class QtBackground final : public wayland::iPointerTarget {
public:
    // Made and configured (it waits for the compositor's answer); nothing, with the reason in
    // oError, where the compositor offers no layer shell or no such output.
    static std::unique_ptr<QtBackground> Open(QOpenGLContext& context, const QString& screenName,
                                              std::string& oError);
    ~QtBackground() override;

    iDrawingSurface& Surface() { return *Drawing_; }
    bool WantsFrame() const { return Surface_->WantsFrame(); }
    bool Closed() const { return Surface_->Closed(); }
    // Runs the handlers of the background's events (every background's): between two frames.
    static bool Dispatch();

    // The pointer's moves and presses reach the listener in device pixels; the place of the
    // last press stays, in the surface's logical units, for the menu.
    app::iWindowEvents* Listener = nullptr;
    double PressX = 0, PressY = 0;
    void PointerMoved(double x, double y, int buttons) override;
    void PointerPressed(int button, double x, double y) override;

private:
    QtBackground() = default;
    cEGLWindowContext Context_;
    std::unique_ptr<wayland::cBackgroundSurface> Surface_;
    std::unique_ptr<cEGLWindowSurface> Drawing_;
};

}  // namespace platform::qt

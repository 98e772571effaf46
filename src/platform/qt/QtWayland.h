#pragma once
// Where the Qt window meets the Wayland code: the desktop background on Qt's own Wayland
// connection. The rain's layer surface lives on Qt's wl_display and is drawn with the window's
// own Qt GL context, so its device keeps its textures and buffers when the window goes to the
// background and comes back. Above it on the same layer lies a clear window of Qt's without a
// shell role, given the layer role here: Qt sees the clicks on it as on any window of its own,
// hands them to the window's handlers, and the menu's grab has their serial.
#include <QPointF>
#include <memory>
#include <string>

#include "app/WindowPlatform.h"
#include "device/gl/cEGLWindowContext.h"
#include "platform/wayland/WaylandDesktop.h"
#include "platform/wayland/WaylandOutput.h"

class QOpenGLContext;
class QScreen;
class QString;
class QWindow;

namespace platform::qt {

// Whether Qt runs on its Wayland plugin.
bool OnWayland();

class ClickCatcher;

// One window's background on the output Qt names screenName.
class QtBackground final {
public:
    // Made and configured (it waits for the compositor's answer); the pointer's events over it
    // go to the window's own handlers. Nothing, with the reason in oError, where the
    // compositor offers no layer shell or no such output.
    static std::unique_ptr<QtBackground> Open(QOpenGLContext& context, QWindow& window, const QString& screenName,
                                              std::string& oError);
    ~QtBackground();

    iDrawingSurface& Surface() { return *Drawing_; }
    bool WantsFrame() const { return Output_->WantsFrame(); }
    // Where the last press on any background was: its screen (none when that went since) and
    // the point in the screen's logical units (the menu opens there).
    struct Press {
        QScreen* Screen = nullptr;
        QPointF At;
    };
    static Press LastPress();
    // Runs the handlers of the backgrounds' events (every one's): between two frames.
    static bool Dispatch();

private:
    QtBackground();
    cEGLWindowContext Context_;
    std::shared_ptr<wayland::cWaylandOutput> Output_;  // its background is this one's
    std::unique_ptr<cEGLWindowSurface> Drawing_;
    std::unique_ptr<ClickCatcher> Catcher_;  // goes after the background, which holds its layer role
};

}  // namespace platform::qt

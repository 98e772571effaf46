// The controller's life on the real window.
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QWidget>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/Startup.h"
#include "core/mCore.h"
#include "platform/qt/EndSignalWatch.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtRuntime.h"
#include "platform/qt/QtWindow.h"
#include "platform/qt/QtX11.h"
#include "platform/wayland/WaylandMainWindow.h"
#include "settings/SettingsKeys.h"

namespace platform::qt {

namespace {
bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// A switch as this run has it: its last override, else the stored value.
bool SwitchOn(const std::vector<SettingOverride>& settings, std::string_view key) {
    for (auto given = settings.rbegin(); given != settings.rend(); ++given)
        if (given->Key == key) return given->Value != "0";
    return mCore::Settings.Value(key).IsOn();
}

// A compositor without a background layer for windows (GNOME's Mutter) still puts an X11
// desktop-type window below every window and under the desktop's icons: where XWayland is
// there, a background asked for at the start goes through it. A user's own platform stays.
void TakeXWaylandForTheBackground(const std::vector<SettingOverride>& settings) {
    if (!Named("WAYLAND_DISPLAY") || !Named("DISPLAY") || Named("QT_QPA_PLATFORM")) return;
    if (!SwitchOn(settings, SettingKey::StayBack) || SwitchOn(settings, SettingKey::ScreenSaver)) return;
    if (!wayland::CompositorOffersBackground()) ::setenv("QT_QPA_PLATFORM", "xcb", 1);
}

// Qt's Wayland plugin ends the process with _exit when its connection breaks (the compositor
// ended), no atexit handler running; its message just before is the moment to save.
QtMessageHandler QtOwnMessages = nullptr;
void SaveWhenWaylandBreaks(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (QtOwnMessages) QtOwnMessages(type, context, text);
    if (type == QtWarningMsg && text.startsWith(QLatin1String("The Wayland connection"))) app::SaveSettingsAtForcedEnd();
}

// An end signal while a dialog or the menu is open: the unload has run, and what is open is
// closed as if cancelled, so that its handler returns to the loop that carries out the end.
void CloseWhatIsModal() {
    for (int open = 0; open < 8; ++open) {
        QWidget* modal = QApplication::activePopupWidget();
        if (!modal) modal = QApplication::activeModalWidget();
        if (!modal) return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (modal == QApplication::activePopupWidget() || modal == QApplication::activeModalWidget()) return;
    }
}

mCore::RunEnd RunOnWindow(QtWindow& window, const app::ControllerRun& controller) {
    // Qt ends the process with exit() when the connection to the display breaks.
    static const bool saveAtExit = std::atexit(app::SaveSettingsAtForcedEnd) == 0;
    (void)saveAtExit;
    if (!QtOwnMessages) QtOwnMessages = qInstallMessageHandler(SaveWhenWaylandBreaks);
    // A logout, a shutdown or Ctrl+C: the same unload as Escape, from the event loop.
    EndSignalWatch endSignals([&window] {
        window.AskToClose();
        CloseWhatIsModal();
    });
    // Qt notices a broken display connection at its next event pump, but the software
    // renderer's swap may never return to it. The main thread is then stuck in the swap and
    // touches none of what the save reads.
    x11::LostDisplayWatch lostDisplay(X11Connection(), [] {
        std::fprintf(stderr, "glyphfall: the connection to the display broke\n");
        app::SaveSettingsAtForcedEnd();
        std::fflush(nullptr);
        ::_exit(1);
    });
    return controller(window, {mCore::Settings, mCore::Clock(), mCore::Rnd});
}

}  // namespace

mCore::RunEnd QtPlatformRun::Run(const app::ControllerRun& controller) {
    if (!Host_) TakeXWaylandForTheBackground(Settings_);
    if (!QtRuntime::EnsureApplication()) {
        std::fprintf(stderr, "Glyphfall: %s.\n", QtRuntime::NoDisplayReason().c_str());
        return {1, false};
    }
    if (!Host_) {
        QtWindow window;
        return RunOnWindow(window, controller);
    }
    std::string error;
    const std::unique_ptr<QtWindow> window = QtWindow::Inside(*Host_, error);
    if (!window) {
        std::fprintf(stderr, "glyphfall: %s\n", error.c_str());
        return {1, false};
    }
    return RunOnWindow(*window, controller);
}

}  // namespace platform::qt

// The controller's life on the real window.
#include <unistd.h>

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "app/Startup.h"
#include "app/frmMain.h"
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
// The controller while its window lives.
frmMain* Running = nullptr;

std::recursive_mutex SavingAtEnd;
bool SavedAtEnd = false;

// Qt ends the process with exit() when the connection to the display breaks. The window and
// the device are gone with it, but the settings changed since the start need not be.
void SaveSettingsAtExit() {
    // Another thread may be here at the same time (the lost-display watch; Qt's Wayland event
    // thread and its main thread both report a broken connection, and each then ends the
    // process): it waits until the first has saved, as its end would cut the save short.
    const std::lock_guard lock(SavingAtEnd);
    if (SavedAtEnd) return;
    SavedAtEnd = true;
    if (Running && Running->SaveSettingsWithoutWindow())
        std::fprintf(stderr, "glyphfall: the window system ended the program; the settings were saved\n");
    else if (Running && !mCore::Settings.SaveFailure().empty())
        mCore::ReportUnsavedSettings(mCore::Settings);
}

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
    if (type == QtWarningMsg && text.startsWith(QLatin1String("The Wayland connection"))) SaveSettingsAtExit();
}

}  // namespace

int ShowMainWindow(std::optional<uint32_t> host, const std::vector<SettingOverride>& settings) {
    if (!host) TakeXWaylandForTheBackground(settings);
    if (!QtRuntime::EnsureApplication()) {
        std::fprintf(stderr, "Glyphfall: %s.\n", QtRuntime::NoDisplayReason().c_str());
        return 1;
    }
    if (!host) {
        QtWindow window;
        return RunMainWindow(window, settings);
    }
    std::string error;
    const std::unique_ptr<QtWindow> window = QtWindow::Inside(*host, error);
    if (!window) {
        std::fprintf(stderr, "glyphfall: %s\n", error.c_str());
        return 1;
    }
    return RunMainWindow(*window, settings);
}

int RunMainWindow(app::iWindow& window, const std::vector<SettingOverride>& settings) {
    static const bool saveAtExit = std::atexit(SaveSettingsAtExit) == 0;
    (void)saveAtExit;
    if (!QtOwnMessages) QtOwnMessages = qInstallMessageHandler(SaveWhenWaylandBreaks);
    {
        frmMain form(window, mCore::Settings, mCore::Clock(), mCore::Rnd);
        form.Overrides = settings;
        Running = &form;
        // A logout, a shutdown or Ctrl+C: the same unload as Escape, from the event loop.
        EndSignalWatch endSignals([&form] { form.Unload(); });
        // Qt notices a broken display connection at its next event pump, but the software
        // renderer's swap may never return to it. The main thread is then stuck in the swap and
        // touches none of what the save reads.
        x11::LostDisplayWatch lostDisplay(X11Connection(), [] {
            std::fprintf(stderr, "glyphfall: the connection to the display broke\n");
            SaveSettingsAtExit();
            std::fflush(nullptr);
            ::_exit(1);
        });
        form.Load();
        // Normally the unload ends the program. After a reported failure the window stays
        // open, no longer drawn, and its keys and menu still work until it is closed.
        while (window.PumpEvents()) mCore::Clock().Sleep(20);
        Running = nullptr;
    }
    // Only an unload that failed (and said so) closes the window without ending the program.
    return 1;
}

}  // namespace platform::qt

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

// Qt's Wayland plugin ends the process with _exit when its connection breaks (the compositor
// ended), no atexit handler running; its message just before is the moment to save.
QtMessageHandler QtOwnMessages = nullptr;
void SaveWhenWaylandBreaks(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (QtOwnMessages) QtOwnMessages(type, context, text);
    if (type == QtWarningMsg && text.startsWith(QLatin1String("The Wayland connection"))) SaveSettingsAtExit();
}

}  // namespace

int ShowMainWindow(std::optional<uint32_t> host, const std::vector<SettingOverride>& settings) {
    if (!QtRuntime::EnsureApplication()) {
        std::fprintf(stderr, "Glyphfall: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n");
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

// The controller's life on the real window, and the graphics root objects that draw on
// the window's own OpenGL context.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

#include "app/EndSignalWatch.h"
#include "app/MainWindow.h"
#include "app/QtWindowPlatform.h"
#include "app/X11Desktop.h"
#include "app/frmMain.h"
#include "app/Startup.h"
#include "core/mCore.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"

namespace app {

namespace {
// The controller while its window lives.
frmMain* Running = nullptr;

std::atomic_flag SavedAtEnd = ATOMIC_FLAG_INIT;

// Qt ends the process with exit() when the connection to the display breaks. The window and
// the device are gone with it, but the settings changed since the start need not be.
void SaveSettingsAtExit() {
    if (SavedAtEnd.test_and_set()) return;  // the lost-display watch may be here at the same time
    if (Running && Running->SaveSettingsWithoutWindow())
        std::fprintf(stderr, "glyphfall: the window system ended the program; the settings were saved\n");
    else if (Running && !mCore::Settings.SaveFailure().empty())
        mCore::ReportUnsavedSettings(mCore::Settings);
}

// Qt notices a broken display connection at its next event pump, but the software renderer's
// swap never returns once the connection is gone (it loops on a request length of 0). When
// the program has not ended two seconds after the break, this watch ends it as Qt would have:
// the settings written, status 1. The main thread is then stuck in the swap and touches none
// of what the save reads.
class LostDisplayWatch {
public:
    explicit LostDisplayWatch(std::function<bool()> broken) {
        if (!broken) return;
        thread_ = std::thread([this, broken = std::move(broken)] {
            for (int brokenFor = 0; !stop_; std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
                brokenFor = broken() ? brokenFor + 1 : 0;
                if (brokenFor < 20) continue;
                std::fprintf(stderr, "glyphfall: the connection to the display broke\n");
                SaveSettingsAtExit();
                std::fflush(nullptr);
                ::_exit(1);
            }
        });
    }
    ~LostDisplayWatch() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
}  // namespace

void InstallWindowGraphics() {
    // The device draws to the window whose context is current: with a window per monitor,
    // each frame binds its window's context before drawing.
    mDXGraphics::SetDirect3DFactory([] {
        cGLOptions gl;
        gl.Present = [] {
            if (QtWindowPlatform* target = QtWindowPlatform::Current()) target->SwapBuffers();
        };
        gl.Framebuffer = [] {
            QtWindowPlatform* target = QtWindowPlatform::Current();
            return target ? target->DefaultFramebuffer() : 0u;
        };
        // The window system may re-create the native window (the background switch does);
        // the device then rebinds its context to the new surface.
        gl.SurfaceLost = [] {
            QtWindowPlatform* target = QtWindowPlatform::Current();
            return target && target->SurfaceLost();
        };
        gl.RestoreSurface = [] {
            QtWindowPlatform* target = QtWindowPlatform::Current();
            return target && target->MakeCurrent();
        };
        return std::make_shared<cGLDirect3D>(gl);
    });
}

int RunMainWindow(iWindowPlatform& window, const std::vector<SettingOverride>& settings) {
    static const bool saveAtExit = std::atexit(SaveSettingsAtExit) == 0;
    (void)saveAtExit;
    {
        frmMain form(window, mCore::Settings, mCore::Clock(), mCore::Rnd);
        form.Overrides = settings;
        Running = &form;
        // A logout, a shutdown or Ctrl+C: the same unload as Escape, from the event loop.
        EndSignalWatch endSignals([&form] { form.Unload(); });
        LostDisplayWatch lostDisplay(X11Desktop::ConnectionProbe());
        form.Load();
        // Normally the unload ends the program. After a reported failure the window stays
        // open, no longer drawn, and its keys and menu still work until it is closed.
        while (window.PumpEvents()) mCore::Clock().Sleep(20);
        Running = nullptr;
    }
    // Only an unload that failed (and said so) closes the window without ending the program.
    return 1;
}

}  // namespace app

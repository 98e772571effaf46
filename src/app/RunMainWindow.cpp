// The controller's life on the real window, and the graphics root objects that draw on
// the window's own OpenGL context.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/EndSignalWatch.h"
#include "app/MainWindow.h"
#include "app/frmMain.h"
#include "core/Startup.h"
#include "core/mCore.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"

namespace app {

namespace {
// The window the device presents to; the root objects exist before the window does.
iWindowPlatform* PresentTarget = nullptr;
// The controller while its window lives.
frmMain* Running = nullptr;

// Qt ends the process with exit() when the connection to the display breaks. The window and
// the device are gone with it, but the settings changed since the start need not be.
void SaveSettingsAtExit() {
    if (Running && Running->SaveSettingsWithoutWindow())
        std::fprintf(stderr, "glyphfall: the window system ended the program; the settings were saved\n");
}
}  // namespace

void InstallWindowGraphics() {
    mDXGraphics::SetDirect3DFactory([] {
        cGLOptions gl;
        gl.Present = [] {
            if (PresentTarget) PresentTarget->SwapBuffers();
        };
        gl.Framebuffer = [] { return PresentTarget ? PresentTarget->DefaultFramebuffer() : 0u; };
        // The window system may re-create the native window (the background switch does);
        // the device then rebinds its context to the new surface.
        gl.SurfaceLost = [] { return PresentTarget && PresentTarget->SurfaceLost(); };
        gl.RestoreSurface = [] { return PresentTarget && PresentTarget->MakeCurrent(); };
        return std::make_shared<cGLDirect3D>(gl);
    });
}

int RunMainWindow(iWindowPlatform& window) {
    static const bool saveAtExit = std::atexit(SaveSettingsAtExit) == 0;
    (void)saveAtExit;
    PresentTarget = &window;
    {
        frmMain form(window, mCore::Settings, mCore::Clock(), mCore::Rnd);
        Running = &form;
        // A logout, a shutdown or Ctrl+C: the same unload as Escape, from the event loop.
        EndSignalWatch endSignals([&form] { form.Unload(); });
        form.Load();
        // Normally the unload ends the program. After a reported failure the window stays
        // open, no longer drawn, and its keys and menu still work until it is closed.
        while (window.PumpEvents()) mCore::Clock().Sleep(20);
        Running = nullptr;
    }
    PresentTarget = nullptr;
    // Only an unload that failed (and said so) closes the window without ending the program.
    return 1;
}

}  // namespace app

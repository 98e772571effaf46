// The controller's life on the real window, and the graphics root objects that draw on
// the window's own OpenGL context.
#include <memory>

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
}  // namespace

void InstallWindowGraphics() {
    mDXGraphics::SetDirect3DFactory([] {
        cGLOptions gl;
        gl.Present = [] {
            if (PresentTarget) PresentTarget->SwapBuffers();
        };
        gl.Framebuffer = [] { return PresentTarget ? PresentTarget->DefaultFramebuffer() : 0u; };
        return std::make_shared<cGLDirect3D>(gl);
    });
}

void RunMainWindow(iWindowPlatform& window) {
    PresentTarget = &window;
    {
        frmMain form(window, mCore::Settings, mCore::Clock(), mCore::Rnd);
        form.Load();
        // Normally the unload ends the program. After a reported failure the window stays
        // open, no longer drawn, and its keys and menu still work until it is closed.
        while (window.PumpEvents()) mCore::Clock().Sleep(20);
    }
    PresentTarget = nullptr;
}

}  // namespace app

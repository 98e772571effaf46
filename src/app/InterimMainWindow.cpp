// A stand-in controller until the real one (model, device and menu commands) replaces it:
// a black full-screen frame at 20 frames per second, the complete popup menu on the right
// button, and the exits (Escape, "Exit", closing the window).
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "app/DesktopParent.h"
#include "app/MainWindow.h"
#include "app/MenuModel.h"
#include "core/Startup.h"
#include "core/mCore.h"

namespace app {

namespace {

class InterimController final : public iWindowEvents {
public:
    explicit InterimController(iWindowPlatform& window) : window_(window) {
        const char* presets[][2] = {{"Red", "#A00000"},        {"Green (original)", "#00A000"},
                                    {"Blue", "#0000A0"},       {"-", ""},
                                    {"Golden", "#FF8000"},     {"Ice Blue", "#0088FF"},
                                    {"Steel", "#88CCFF"},      {"Grey Vesk", "#404040"},
                                    {"Syndicate", "#402080"}};
        for (const auto& preset : presets) menu_.AddColorItem(preset[0], preset[1]);
        menu_.CheckOnly("mnuLength", 1);
    }

    void KeyDown(int keyCode, int) override {
        if (keyCode == KeyCode::Escape) window_.Close();
    }
    void MouseDown(int button, int, float, float) override {
        if (button != MouseButton::Right) return;
        const std::optional<MenuCommand> command = window_.PopupMenu(menu_);
        if (!command) return;
        if (command->Name == "mnuExit") {
            window_.Close();
        } else if (command->Name == "mnuMakerSite") {
            OpenWebPage(window_, MakerSiteAddress);
        } else if (command->Name == "mnuLength") {
            menu_.CheckOnly("mnuLength", command->Index);
        } else if (MenuItem* item = menu_.Find(command->Name, command->Index); item && item->Checkable) {
            item->Checked = !item->Checked;
            if (command->Name == "mnuStayBack") SetDesktopParent(window_, item->Checked);
            if (command->Name == "mnuScreenSaver")
                window_.SetPointer(item->Checked ? PointerKind::Invisible : PointerKind::Default);
        }
    }
    void MouseMove(int, int, float, float) override {}
    void CloseRequested() override { window_.Close(); }

private:
    iWindowPlatform& window_;
    MenuModel menu_;
};

}  // namespace

void RunMainWindow(iWindowPlatform& window) {
    InterimController controller(window);
    window.SetListener(&controller);
    window.ShowFullScreen();
    const bool gl = window.MakeCurrent();
    mCore::iClock& clock = mCore::Clock();
    while (window.PumpEvents()) {
        const int32_t start = clock.TickCount();
        if (gl && window.MakeCurrent()) {
            QOpenGLFunctions* f = QOpenGLContext::currentContext()->functions();
            f->glViewport(0, 0, window.Width(), window.Height());
            f->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            f->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            window.SwapBuffers();
        }
        const int32_t spent = clock.TickCount() - start;
        if (spent >= 0 && spent < 50) clock.Sleep(50 - spent);
    }
    window.SetListener(nullptr);
    mCore::ShutDown();
}

}  // namespace app

#include "app/DesktopParent.h"

namespace app {

intptr_t OldParent = 0;

void SetDesktopParent(iWindow& window, bool iAttach) {
    iWindowShell* shell = window.Shell();
    if (!shell) return;
    if (iAttach) {
        if (OldParent != 0) return;
        // The window had no parent of its own; any non-zero value records "attached", and
        // the native handle is as good a token as any and helps when debugging.
        if (shell->AttachToDesktop(true)) {
            const intptr_t handle = window.Surface().NativeHandle();
            OldParent = handle > 0 ? handle : 1;
        }
        return;
    }
    if (OldParent <= 0) return;
    shell->AttachToDesktop(false);
    OldParent = 0;
}

void OpenWebPage(iWindow& window, std::string_view iURL) {
    iUserServices* services = window.Services();
    if (!services) return;
    try {
        services->OpenWebPage(iURL);
    } catch (...) {
        // Opening the maker's page is a courtesy; nothing depends on it.
    }
}

}  // namespace app

#include "app/DesktopParent.h"

#include "core/mCore.h"

namespace app {

void SetDesktopParent(iWindowPlatform& window, bool iAttach) {
    if (iAttach) {
        if (mCore::OldParent != 0) return;
        // The window had no parent of its own; any non-zero value records "attached", and
        // the native handle is as good a token as any and helps when debugging.
        if (window.AttachToDesktop(true)) {
            const intptr_t handle = window.NativeHandle();
            mCore::OldParent = handle > 0 ? handle : 1;
        }
        return;
    }
    if (mCore::OldParent <= 0) return;
    window.AttachToDesktop(false);
    mCore::OldParent = 0;
}

void OpenWebPage(iWindowPlatform& window, std::string_view iURL) {
    try {
        window.OpenWebPage(iURL);
    } catch (...) {
        // Opening the maker's page is a courtesy; nothing depends on it.
    }
}

}  // namespace app

#pragma once
// "Stay in background": puts the main window behind everything as the desktop's background
// and takes it back. mCore::OldParent is the attachment state, as the rest of the program
// expects: not 0 exactly while the window is attached.
#include "app/WindowPlatform.h"

namespace app {

// Attaching when attached, or detaching when not, does nothing. Where the window system
// has no desktop place (Wayland) the window stays as it is and OldParent stays 0, so a
// later detach does nothing either.
void SetDesktopParent(iWindowPlatform& window, bool iAttach);

// Opens the address through the window system's URL handler; never reports a failure.
void OpenWebPage(iWindowPlatform& window, std::string_view iURL);

}  // namespace app

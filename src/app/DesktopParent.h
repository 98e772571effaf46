#pragma once
// "Stay in background": puts the main window behind everything as the desktop's background
// and takes it back, through the window's shell. OldParent is the attachment state, as the
// rest of the program expects: not 0 exactly while the window is attached.
#include <cstdint>
#include <string_view>

#include "app/WindowPlatform.h"

namespace app {

// The window's parent before it was attached to the desktop; 0 when it is not attached.
extern intptr_t OldParent;

// Attaching when attached, or detaching when not, does nothing. Where the window system
// has no desktop place (or the window no shell) the window stays as it is and OldParent
// stays 0, so a later detach does nothing either.
void SetDesktopParent(iWindow& window, bool iAttach);

// Opens the address through the window system's URL handler, where the window offers one;
// never reports a failure.
void OpenWebPage(iWindow& window, std::string_view iURL);

}  // namespace app

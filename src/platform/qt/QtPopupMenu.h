#pragma once
// The controller's menu model drawn as a Qt popup menu.
#include <optional>

#include "app/MenuModel.h"
#include "app/WindowPlatform.h"

class QScreen;

namespace platform::qt {

// Builds the menu afresh from the model (captions, marks, visibility as they are now), opens it
// at the mouse pointer and waits: the command picked, or nothing when it was dismissed.
std::optional<app::MenuCommand> ShowPopupMenu(const app::MenuModel& model);

// The same over the Wayland background, where a menu needs a window with a shell role as its
// parent: a clear window the size of the screen carries it while it is open; it opens at x, y in
// the screen's logical units (the click that asked for it was on a window of Qt's, whose serial
// the menu's grab takes).
std::optional<app::MenuCommand> ShowPopupMenuOver(const app::MenuModel& model, QScreen* screen, double x, double y);

}  // namespace platform::qt

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

// The same over a surface Qt does not own (the Wayland background, where a menu needs a window
// of Qt's as its parent): a clear full-screen window on that screen carries it while it is
// open, at x, y in the screen's logical units.
std::optional<app::MenuCommand> ShowPopupMenuOver(const app::MenuModel& model, QScreen* screen, double x, double y);

}  // namespace platform::qt

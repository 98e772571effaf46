#pragma once
// The controller's menu model drawn as a Qt popup menu.
#include <optional>

#include "app/MenuModel.h"
#include "app/WindowPlatform.h"

namespace platform::qt {

// Builds the menu afresh from the model (captions, marks, visibility as they are now), opens it
// at the mouse pointer and waits: the command picked, or nothing when it was dismissed.
std::optional<app::MenuCommand> ShowPopupMenu(const app::MenuModel& model);

}  // namespace platform::qt

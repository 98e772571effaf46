#include "platform/qt/QtPopupMenu.h"

#include <QActionGroup>
#include <QCursor>
#include <QMenu>
#include <map>

namespace platform::qt {

namespace {

QString MenuText(const std::string& caption) {
    // Qt reads "&" as a mnemonic marker; the captions mean the character itself.
    return QString::fromStdString(caption).replace("&", "&&");
}

void AddItems(QMenu& menu, const app::MenuItem& parent, std::map<QAction*, app::MenuCommand>& commands) {
    QActionGroup* choice = nullptr;  // the level's radio items, drawn with round marks
    for (const app::MenuItem& item : parent.Items) {
        if (!item.Visible) continue;
        if (item.IsSeparator()) {
            menu.addSeparator();
        } else if (item.Submenu) {
            QMenu* sub = menu.addMenu(MenuText(item.Caption));
            AddItems(*sub, item, commands);
        } else {
            QAction* action = menu.addAction(MenuText(item.Caption));
            action->setCheckable(item.Checkable || item.Checked);
            action->setChecked(item.Checked);
            if (item.Radio) {
                if (!choice) choice = new QActionGroup(&menu);
                action->setActionGroup(choice);
            }
            commands[action] = app::MenuCommand{item.Name, item.Index};
        }
    }
}

}  // namespace

std::optional<app::MenuCommand> ShowPopupMenu(const app::MenuModel& model) {
    QMenu menu;
    menu.setWindowTitle(QString::fromStdString(model.Root().Caption));
    std::map<QAction*, app::MenuCommand> commands;
    AddItems(menu, model.Root(), commands);
    QAction* chosen = menu.exec(QCursor::pos());
    const auto found = commands.find(chosen);
    if (found == commands.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform::qt

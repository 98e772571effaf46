#include "platform/qt/QtPopupMenu.h"

#include <QActionGroup>
#include <QCursor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QWindow>
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
            commands[action] = app::MenuCommand{item.Name, item.Index, &item};
        }
    }
}

// A Wayland popup needs a parent window the compositor knows.
std::optional<app::MenuCommand> RunMenu(const app::MenuModel& model, QWidget* parent, QPoint at) {
    QMenu menu(parent);
    menu.setWindowTitle(QString::fromStdString(model.Root().Caption));
    std::map<QAction*, app::MenuCommand> commands;
    AddItems(menu, model.Root(), commands);
    QAction* chosen = menu.exec(at);
    const auto found = commands.find(chosen);
    if (found == commands.end()) return std::nullopt;
    return found->second;
}

// Runs Qt's events until the condition holds, at most the time given.
template <class Condition>
void WaitFor(Condition condition, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

std::optional<app::MenuCommand> ShowPopupMenu(const app::MenuModel& model) {
    return RunMenu(model, nullptr, QCursor::pos());
}

std::optional<app::MenuCommand> ShowPopupMenuOver(const app::MenuModel& model, QScreen* screen, double x, double y) {
    QWidget carrier;
    carrier.setAttribute(Qt::WA_TranslucentBackground);
    carrier.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    carrier.setWindowTitle("Glyphfall menu");
    // Not full screen: compositors draw no background under a full-screen window. A window of
    // fixed size floats (sway, Hyprland), and one of the screen's size lies over all of it.
    if (screen) {
        carrier.setScreen(screen);
        carrier.setFixedSize(screen->size());
    }
    carrier.show();
    WaitFor([&] { return carrier.windowHandle()->isExposed(); }, 1000);
    auto command = RunMenu(model, &carrier, carrier.mapToGlobal(QPoint(static_cast<int>(x), static_cast<int>(y))));
    carrier.hide();
    return command;
}

}  // namespace platform::qt

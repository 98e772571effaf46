#include "platform/qt/QtDialogs.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>

#include "platform/qt/QtRuntime.h"

namespace platform::qt {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon ToQtIcon(mCore::MessageIcon icon) {
    switch (icon) {
        case mCore::MessageIcon::Information: return QMessageBox::Information;
        case mCore::MessageIcon::Critical: return QMessageBox::Critical;
        case mCore::MessageIcon::Exclamation: return QMessageBox::Warning;
        case mCore::MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Qt paints its widgets only on screens of 16 bits a pixel or more: on an 8-bit display a box
// comes up blank, and a modal box nobody can read would hold the program for good.
bool CanShowBoxes() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->depth() >= 16;
}

}  // namespace

std::string ToDisplayText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i] == '\r' ? '\n' : text[i];
    }
    return out;
}

void QtDialogs::MessageBox(std::string_view text, std::string_view title, mCore::MessageIcon icon) {
    // Also on standard error: a box may not be seen (see CanShowBoxes), and an error text is
    // worth having in the log of whoever started the program.
    mCore::ConsoleDialogs().MessageBox(text, title, icon);
    if (!QtRuntime::EnsureApplication() || !CanShowBoxes()) return;
    QMessageBox box(ToQtIcon(icon), ToQString(title), ToQString(ToDisplayText(text)), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // An error text is worth copying into a report.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

std::optional<std::string> QtDialogs::InputBox(std::string_view prompt, std::string_view title,
                                               std::string_view defaultText) {
    if (!QtRuntime::EnsureApplication() || !CanShowBoxes()) return std::nullopt;
    QInputDialog dialog;
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(ToQString(title));
    dialog.setLabelText(ToQString(ToDisplayText(prompt)));
    dialog.setTextValue(ToQString(defaultText));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

}  // namespace platform::qt

#include "platform/qt/KeyTranslation.h"

#include <QtCore/qnamespace.h>

#include "app/WindowPlatform.h"

namespace platform::qt {

namespace KeyCode = app::KeyCode;
namespace ShiftMask = app::ShiftMask;
namespace MouseButton = app::MouseButton;

#define GLYPHFALL_SAME_KEY(ours, theirs) \
    static_assert(static_cast<int>(QtKey::ours) == static_cast<int>(Qt::theirs), #ours " differs from Qt")
GLYPHFALL_SAME_KEY(Space, Key_Space);
GLYPHFALL_SAME_KEY(Asterisk, Key_Asterisk);
GLYPHFALL_SAME_KEY(Plus, Key_Plus);
GLYPHFALL_SAME_KEY(Comma, Key_Comma);
GLYPHFALL_SAME_KEY(Minus, Key_Minus);
GLYPHFALL_SAME_KEY(Period, Key_Period);
GLYPHFALL_SAME_KEY(Slash, Key_Slash);
GLYPHFALL_SAME_KEY(Digit0, Key_0);
GLYPHFALL_SAME_KEY(Digit9, Key_9);
GLYPHFALL_SAME_KEY(A, Key_A);
GLYPHFALL_SAME_KEY(Z, Key_Z);
GLYPHFALL_SAME_KEY(Escape, Key_Escape);
GLYPHFALL_SAME_KEY(Tab, Key_Tab);
GLYPHFALL_SAME_KEY(Backtab, Key_Backtab);
GLYPHFALL_SAME_KEY(Backspace, Key_Backspace);
GLYPHFALL_SAME_KEY(Return, Key_Return);
GLYPHFALL_SAME_KEY(Enter, Key_Enter);
GLYPHFALL_SAME_KEY(Insert, Key_Insert);
GLYPHFALL_SAME_KEY(Delete, Key_Delete);
GLYPHFALL_SAME_KEY(Pause, Key_Pause);
GLYPHFALL_SAME_KEY(Print, Key_Print);
GLYPHFALL_SAME_KEY(Home, Key_Home);
GLYPHFALL_SAME_KEY(End, Key_End);
GLYPHFALL_SAME_KEY(Left, Key_Left);
GLYPHFALL_SAME_KEY(Up, Key_Up);
GLYPHFALL_SAME_KEY(Right, Key_Right);
GLYPHFALL_SAME_KEY(Down, Key_Down);
GLYPHFALL_SAME_KEY(PageUp, Key_PageUp);
GLYPHFALL_SAME_KEY(PageDown, Key_PageDown);
GLYPHFALL_SAME_KEY(Shift, Key_Shift);
GLYPHFALL_SAME_KEY(Control, Key_Control);
GLYPHFALL_SAME_KEY(Meta, Key_Meta);
GLYPHFALL_SAME_KEY(Alt, Key_Alt);
GLYPHFALL_SAME_KEY(CapsLock, Key_CapsLock);
GLYPHFALL_SAME_KEY(NumLock, Key_NumLock);
GLYPHFALL_SAME_KEY(ScrollLock, Key_ScrollLock);
GLYPHFALL_SAME_KEY(F1, Key_F1);
GLYPHFALL_SAME_KEY(F24, Key_F24);
GLYPHFALL_SAME_KEY(Super_L, Key_Super_L);
GLYPHFALL_SAME_KEY(Super_R, Key_Super_R);
GLYPHFALL_SAME_KEY(Menu, Key_Menu);
GLYPHFALL_SAME_KEY(AltGr, Key_AltGr);
GLYPHFALL_SAME_KEY(Unknown, Key_unknown);
#undef GLYPHFALL_SAME_KEY

namespace {

// The code of a one-character text when it lies in the 8-bit range, else None.
int CodeOfText(std::string_view text) {
    if (text.size() == 1) {
        const auto c = static_cast<unsigned char>(text[0]);
        return c >= 0x20 && c < 0x7f ? c : KeyCode::None;
    }
    // Two-byte UTF-8 for U+0080..U+00FF (Latin-1 letters such as a-umlaut).
    if (text.size() == 2) {
        const auto lead = static_cast<unsigned char>(text[0]);
        const auto next = static_cast<unsigned char>(text[1]);
        if ((lead == 0xC2 || lead == 0xC3) && (next & 0xC0) == 0x80) {
            const int code = ((lead & 0x1F) << 6) | (next & 0x3F);
            return code >= 0xA0 ? code : KeyCode::None;
        }
    }
    return KeyCode::None;
}

}  // namespace

int KeyCodeFor(int qtKey, std::string_view text, bool keypad) {
    const auto key = static_cast<QtKey>(qtKey);
    if (keypad) {
        switch (key) {
            case QtKey::Plus: return KeyCode::KeypadPlus;
            case QtKey::Minus: return KeyCode::KeypadMinus;
            case QtKey::Asterisk: return KeyCode::KeypadMultiply;
            case QtKey::Slash: return KeyCode::KeypadDivide;
            case QtKey::Period:
            case QtKey::Comma: return KeyCode::KeypadDecimal;
            default: break;  // keypad digits and Enter as their ordinary keys
        }
    }
    switch (key) {
        case QtKey::Escape: return KeyCode::Escape;
        case QtKey::Return:
        case QtKey::Enter: return KeyCode::Enter;
        case QtKey::Tab:
        case QtKey::Backtab: return KeyCode::Tab;
        case QtKey::Backspace: return KeyCode::Backspace;
        case QtKey::Insert: return KeyCode::Insert;
        case QtKey::Delete: return KeyCode::Delete;
        case QtKey::Pause: return KeyCode::Pause;
        case QtKey::Home: return KeyCode::Home;
        case QtKey::End: return KeyCode::End;
        case QtKey::Left: return KeyCode::Left;
        case QtKey::Up: return KeyCode::Up;
        case QtKey::Right: return KeyCode::Right;
        case QtKey::Down: return KeyCode::Down;
        case QtKey::PageUp: return KeyCode::PageUp;
        case QtKey::PageDown: return KeyCode::PageDown;
        case QtKey::Shift: return KeyCode::Shift;
        case QtKey::Control: return KeyCode::Ctrl;
        case QtKey::Alt:
        case QtKey::AltGr: return KeyCode::Alt;
        case QtKey::Meta:
        case QtKey::Super_L:
        case QtKey::Super_R: return KeyCode::Super;
        case QtKey::Menu: return KeyCode::Menu;
        case QtKey::CapsLock: return KeyCode::CapsLock;
        case QtKey::NumLock: return KeyCode::NumLock;
        case QtKey::ScrollLock: return KeyCode::ScrollLock;
        default: break;
    }
    if (qtKey >= static_cast<int>(QtKey::F1) && qtKey <= static_cast<int>(QtKey::F24))
        return KeyCode::F1 + (qtKey - static_cast<int>(QtKey::F1));
    // Qt names the printable Latin-1 keys by their character, letters by the capital.
    if (qtKey >= 0x20 && qtKey <= 0xFF && qtKey != 0x7F) return qtKey;
    return CodeOfText(text);
}

int ShiftMaskFor(bool shift, bool ctrl, bool alt) {
    return (shift ? ShiftMask::Shift : 0) | (ctrl ? ShiftMask::Ctrl : 0) | (alt ? ShiftMask::Alt : 0);
}

int ButtonMaskFor(bool left, bool right, bool middle) {
    return (left ? MouseButton::Left : 0) | (right ? MouseButton::Right : 0) | (middle ? MouseButton::Middle : 0);
}

}  // namespace platform::qt

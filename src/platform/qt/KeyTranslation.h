#pragma once
// Turns the window system's key and mouse reports into the codes the controller's handlers
// take. Kept free of Qt types so that the rules can be tested on their own; the Qt key
// numbers it understands are listed in QtKey, and the implementation checks at compile
// time that they are Qt's own.
#include <string_view>

namespace platform::qt {

// Qt::Key values the translation treats specially (same numbers as Qt's enum).
enum class QtKey : int {
    Space = 0x20,
    Asterisk = 0x2a,
    Plus = 0x2b,
    Comma = 0x2c,
    Minus = 0x2d,
    Period = 0x2e,
    Slash = 0x2f,
    Digit0 = 0x30,
    Digit9 = 0x39,
    A = 0x41,
    Z = 0x5a,
    Escape = 0x01000000,
    Tab = 0x01000001,
    Backtab = 0x01000002,
    Backspace = 0x01000003,
    Return = 0x01000004,
    Enter = 0x01000005,
    Insert = 0x01000006,
    Delete = 0x01000007,
    Pause = 0x01000008,
    Print = 0x01000009,
    Home = 0x01000010,
    End = 0x01000011,
    Left = 0x01000012,
    Up = 0x01000013,
    Right = 0x01000014,
    Down = 0x01000015,
    PageUp = 0x01000016,
    PageDown = 0x01000017,
    Shift = 0x01000020,
    Control = 0x01000021,
    Meta = 0x01000022,
    Alt = 0x01000023,
    CapsLock = 0x01000024,
    NumLock = 0x01000025,
    ScrollLock = 0x01000026,
    F1 = 0x01000030,
    F24 = 0x01000047,
    Super_L = 0x01000053,
    Super_R = 0x01000054,
    Menu = 0x01000055,
    AltGr = 0x01001103,
    Unknown = 0x01ffffff,
};

// The key code for a key press: qtKey is the event's Qt::Key, text the character it
// typed (UTF-8, may be empty), keypad whether it came from the numeric keypad.
// Letter keys give capitals whatever the shift state; keys that type a character in the
// 8-bit range give its code; the keypad's + and - give 107 and 109. KeyCode::None (0)
// for keys that have neither a character nor a known number.
int KeyCodeFor(int qtKey, std::string_view text, bool keypad);

// Modifier mask (ShiftMask bits) from the held modifiers.
int ShiftMaskFor(bool shift, bool ctrl, bool alt);

// Button mask (MouseButton bits) from the held buttons.
int ButtonMaskFor(bool left, bool right, bool middle);

}  // namespace platform::qt

#pragma once
// What the controller needs from a window system, split by what each caller needs:
//   iDrawingSurface (device/DrawingSurface.h)  size, native handle, context, swap, surface lost:
//                                              what a device draws on;
//   iWindowShell    what the desktop does with the window: full screen, desktop background,
//                   pointer, the further monitors (and, inside a host's window, following it);
//   iUserServices   what a person uses through it: the popup menu and the web page;
//   iWindow         the window itself: its events, its surface, and the shell and services
//                   it has.
// A platform implements what it has: a window inside a screen saver's host has a shell but
// no services, the headless renderer's window neither. Each window system lives in a folder
// of its own under src/platform/; nothing here includes one, so the controller and its tests
// build without any.
//
// Threading: one thread. Input reaches the controller only from inside PumpEvents (or a
// modal call such as PopupMenu), through the iWindowEvents listener, so every handler runs
// between two frames of the main loop.
//
// Time: ticks and sleeping go through mCore::Clock(); message and input boxes through
// mCore::Dialogs(): the platform installs its dialogs there when a person can answer them.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DrawingSurface.h"

namespace app {

class MenuModel;
struct MenuItem;
class iAccentColorSource;

// Key codes the key-down handler receives. Keys that type a character give that
// character's code (letters as capitals 'A'..'Z', digits '0'..'9', space 32); the keys
// below have no character of their own and keep the classic virtual-key numbers.
namespace KeyCode {
inline constexpr int None = 0;  // a key with neither a character nor a known number
inline constexpr int Backspace = 8;
inline constexpr int Tab = 9;
inline constexpr int Enter = 13;
inline constexpr int Shift = 16;
inline constexpr int Ctrl = 17;
inline constexpr int Alt = 18;
inline constexpr int Pause = 19;
inline constexpr int CapsLock = 20;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int Super = 91;
inline constexpr int Menu = 93;
inline constexpr int KeypadMultiply = 106;
inline constexpr int KeypadPlus = 107;
inline constexpr int KeypadMinus = 109;
inline constexpr int KeypadDecimal = 110;
inline constexpr int KeypadDivide = 111;
inline constexpr int F1 = 112;  // F1..F24 are 112..135
inline constexpr int F2 = 113;
inline constexpr int F3 = 114;
inline constexpr int F5 = 116;
inline constexpr int NumLock = 144;
inline constexpr int ScrollLock = 145;
}  // namespace KeyCode

// Mouse buttons: a single button in MouseDown, a mask of held buttons in MouseMove.
namespace MouseButton {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
inline constexpr int Middle = 4;
}  // namespace MouseButton

// Modifier mask passed with keys and mouse events.
namespace ShiftMask {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
}  // namespace ShiftMask

// The mouse pointer over the window: the system's arrow, or an invisible one while the
// program runs as a screen saver.
enum class PointerKind { Default, Invisible };

// A chosen menu command: the item's control name and, for a control array, its index, and
// the item itself where the menu that offered it knows it (its handler is bound to it).
struct MenuCommand {
    std::string Name;
    int Index = -1;  // -1 for items that are not part of a control array
    const MenuItem* Item = nullptr;
    friend bool operator==(const MenuCommand&, const MenuCommand&) = default;
};

// The controller's input handlers. Coordinates are pixels of the drawing surface.
class iWindowEvents {
public:
    virtual ~iWindowEvents() = default;
    virtual void KeyDown(int keyCode, int shift) = 0;
    virtual void MouseDown(int button, int shift, float x, float y) = 0;
    virtual void MouseMove(int buttons, int shift, float x, float y) = 0;
    // The user closed the window by the window system's means. The window stays until the
    // controller calls Close(); without a listener it closes at once. A window inside another
    // program's window asks this too when that window goes away.
    virtual void CloseRequested() = 0;
    // A monitor was added or removed (iWindowShell::OtherScreens has changed).
    virtual void ScreensChanged() {}
    // The window's monitor refreshes at another rate, or the window moved to another monitor
    // (iWindowShell::RefreshRate may have changed).
    virtual void DisplayRateChanged() {}
    // A window that spells its own texts into the rain (the lock screen's masked password and
    // its words): the text replaces the last one on every monitor.
    virtual void SpellText(std::string_view /*text*/) {}
    // A window whose own run is over (the lock screen unlocked, or the compositor ended the
    // lock): the controller ends the run with that status as its unload does.
    virtual void EndWith(int status) = 0;
};

class iWindow;

class iWindowShell {
public:
    virtual ~iWindowShell() = default;

    // Covers the whole screen with the window and shows it (no frame, nothing but the
    // drawing surface): the monitor under the pointer, or the one the window was opened on.
    // A window inside another program's window fills that window instead, and follows its size.
    virtual void ShowFullScreen() = 0;

    virtual void SetPointer(PointerKind kind) = 0;

    // Puts the window behind every other window as the desktop background, or back as an
    // ordinary window; the size stays. Both are idempotent. Returns whether the window is
    // now attached: false where the window system has no such place.
    virtual bool AttachToDesktop(bool attach) = 0;
    virtual bool AttachedToDesktop() const = 0;

    // The monitors other than this window's, by names that stay while the monitor is there;
    // none where the window system has no more (or the window is inside another's).
    virtual std::vector<std::string> OtherScreens() const { return {}; }
    // A further window of the same kind for the named monitor, hidden until ShowFullScreen;
    // nullptr when that monitor is gone.
    virtual std::unique_ptr<iWindow> OpenOnScreen(std::string_view /*screen*/) { return nullptr; }

    // How many times a second the monitor the window is on refreshes, as the window system
    // reports it (rounded: 59.94 Hz is 60); 0 where it reports none.
    virtual int32_t RefreshRate() const { return 0; }
};

class iUserServices {
public:
    virtual ~iUserServices() = default;

    // Opens the menu's root as a popup at the mouse pointer and waits until the user
    // picks a command or dismisses it (nothing then). Check marks, captions and visibility
    // come from the model as it is now.
    virtual std::optional<MenuCommand> PopupMenu(const MenuModel& menu) = 0;
    // Shows the address in the user's browser; failures are silent.
    virtual void OpenWebPage(std::string_view url) = 0;
};

class iWindow {
public:
    virtual ~iWindow() = default;

    // The listener that receives input from now on; nullptr detaches it.
    virtual void SetListener(iWindowEvents* listener) = 0;
    // Handles the window messages that are pending now, once, delivering input to the
    // listener; never waits for new ones. False once the window is closed.
    virtual bool PumpEvents() = 0;
    // Closes the window for good (the controller's unload). Further pumps return false.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // What the window's device draws on.
    virtual iDrawingSurface& Surface() = 0;
    // Whether a frame drawn now would be seen: false while nothing of the window can be (it is
    // hidden, minimised, covered, its screen is off; a compositor that has not asked for the next
    // frame yet). The controller draws only windows that want a frame, and while none does the
    // rain waits where it is.
    virtual bool WantsFrame() const { return true; }
    // The shell and the services where the window has them; nullptr where it has none.
    virtual iWindowShell* Shell() { return nullptr; }
    virtual iUserServices* Services() { return nullptr; }
    // The desktop's accent colour where the window system's session publishes one.
    virtual iAccentColorSource* AccentColors() { return nullptr; }
};

}  // namespace app

#pragma once
// The lock screen's keys as the compositor's keymap says (the keymap text wl_keyboard hands
// over, read by xkbcommon): any layout types what its keys show. The characters a key types
// are written into the caller's buffer, which the caller wipes; nothing is kept here.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "app/LockScreen.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform::wayland {

class cLockKeys {
public:
    // Nothing when the text is no keymap xkbcommon can read.
    static std::unique_ptr<cLockKeys> FromKeymapText(std::string_view text);
    ~cLockKeys();
    cLockKeys(const cLockKeys&) = delete;
    cLockKeys& operator=(const cLockKeys&) = delete;

    static constexpr size_t MaxText = 64;
    // A key pressed (the Linux key code wl_keyboard gives): what it means to the lock and, for
    // a character, its UTF-8 in text (oLength bytes).
    app::LockKey Press(uint32_t linuxKey, char (&text)[MaxText], size_t& oLength);
    // wl_keyboard.modifiers.
    void Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
    bool CapsLock() const;

private:
    cLockKeys() = default;
    xkb_context* Context_ = nullptr;
    xkb_keymap* Keymap_ = nullptr;
    xkb_state* State_ = nullptr;
};

}  // namespace platform::wayland

#include "platform/wayland/LockKeys.h"

#include <xkbcommon/xkbcommon.h>


namespace platform::wayland {

std::unique_ptr<cLockKeys> cLockKeys::FromKeymapText(std::string_view text) {
    std::unique_ptr<cLockKeys> keys(new cLockKeys());
    keys->Context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!keys->Context_) return nullptr;
    // The compositor's text may end in a zero byte; xkbcommon wants the length without it.
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    keys->Keymap_ = xkb_keymap_new_from_buffer(keys->Context_, text.data(), text.size(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                               XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keys->Keymap_) return nullptr;
    keys->State_ = xkb_state_new(keys->Keymap_);
    return keys->State_ ? std::move(keys) : nullptr;
}

cLockKeys::~cLockKeys() {
    if (State_) xkb_state_unref(State_);
    if (Keymap_) xkb_keymap_unref(Keymap_);
    if (Context_) xkb_context_unref(Context_);
}

app::LockKey cLockKeys::Press(uint32_t linuxKey, char (&text)[MaxText], size_t& oLength) {
    oLength = 0;
    const xkb_keycode_t code = linuxKey + 8;  // xkb's codes are the evdev codes plus 8
    switch (xkb_state_key_get_one_sym(State_, code)) {
        case XKB_KEY_Return:
        case XKB_KEY_KP_Enter:
            return app::LockKey::Enter;
        case XKB_KEY_BackSpace:
            return app::LockKey::Backspace;
        case XKB_KEY_Escape:
            return app::LockKey::Escape;
        default:
            break;
    }
    const int length = xkb_state_key_get_utf8(State_, code, text, MaxText);
    // Control characters (Ctrl with a letter, Tab, Delete) type nothing into a password.
    if (length <= 0 || length >= static_cast<int>(MaxText) || static_cast<unsigned char>(text[0]) < 0x20 ||
        text[0] == 0x7F)
        return app::LockKey::Ignored;
    oLength = static_cast<size_t>(length);
    return app::LockKey::Character;
}

void cLockKeys::Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
    xkb_state_update_mask(State_, depressed, latched, locked, 0, 0, group);
}

bool cLockKeys::CapsLock() const {
    return xkb_state_mod_name_is_active(State_, XKB_MOD_NAME_CAPS, XKB_STATE_MODS_LOCKED) > 0;
}

}  // namespace platform::wayland

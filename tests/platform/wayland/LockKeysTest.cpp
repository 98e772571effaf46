#include "platform/wayland/LockKeys.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>
#include <string>

using app::LockKey;
using platform::wayland::cLockKeys;

namespace {

// The keymap text a compositor would hand over for a layout.
std::string KeymapText(const char* layout) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    std::string copy = text ? text : "";
    std::free(text);
    if (keymap) xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return copy;
}

uint32_t ModMask(const std::string& keymapText, const char* name) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb_keymap_new_from_string(context, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS);
    const uint32_t mask = 1u << xkb_keymap_mod_get_index(keymap, name);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return mask;
}

std::string Typed(cLockKeys& keys, uint32_t key, LockKey expected = LockKey::Character) {
    char text[cLockKeys::MaxText];
    size_t length = 0;
    EXPECT_EQ(keys.Press(key, text, length), expected) << key;
    return std::string(text, length);
}

}  // namespace

TEST(LockKeys, AGermanKeymapTypesWhatItsKeysShowWithShiftAndAltGr) {
    const std::string text = KeymapText("de");
    ASSERT_FALSE(text.empty()) << "no xkb data (xkb-data) on this machine";
    std::unique_ptr<cLockKeys> keys = cLockKeys::FromKeymapText(text + '\0');  // as the compositor ends it
    ASSERT_TRUE(keys);
    EXPECT_EQ(Typed(*keys, KEY_Y), "z");
    EXPECT_EQ(Typed(*keys, KEY_Z), "y");
    EXPECT_EQ(Typed(*keys, KEY_SEMICOLON), "\u00F6");
    keys->Modifiers(ModMask(text, XKB_MOD_NAME_SHIFT), 0, 0, 0);
    EXPECT_EQ(Typed(*keys, KEY_2), "\"");
    keys->Modifiers(ModMask(text, "Mod5"), 0, 0, 0);  // AltGr
    EXPECT_EQ(Typed(*keys, KEY_Q), "@");
    keys->Modifiers(0, 0, ModMask(text, XKB_MOD_NAME_CAPS), 0);
    EXPECT_TRUE(keys->CapsLock());
    EXPECT_EQ(Typed(*keys, KEY_A), "A");
}

TEST(LockKeys, EnterBackspaceEscapeActAndControlKeysTypeNothing) {
    const std::string text = KeymapText("us");
    std::unique_ptr<cLockKeys> keys = cLockKeys::FromKeymapText(text);
    ASSERT_TRUE(keys);
    Typed(*keys, KEY_ENTER, LockKey::Enter);
    Typed(*keys, KEY_KPENTER, LockKey::Enter);
    Typed(*keys, KEY_BACKSPACE, LockKey::Backspace);
    Typed(*keys, KEY_ESC, LockKey::Escape);
    Typed(*keys, KEY_TAB, LockKey::Ignored);
    Typed(*keys, KEY_LEFTSHIFT, LockKey::Ignored);
    Typed(*keys, KEY_DELETE, LockKey::Ignored);
    keys->Modifiers(ModMask(text, XKB_MOD_NAME_CTRL), 0, 0, 0);
    Typed(*keys, KEY_U, LockKey::Ignored);
    EXPECT_FALSE(cLockKeys::FromKeymapText("not a keymap"));
}

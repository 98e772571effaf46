#include "app/KeyTranslation.h"

#include <gtest/gtest.h>

#include "app/WindowPlatform.h"

namespace {

using app::KeyCodeFor;
using app::QtKey;
namespace KeyCode = app::KeyCode;

int Key(QtKey key) { return static_cast<int>(key); }

TEST(KeyCodes, KeysWithoutACharacterKeepTheClassicNumbers) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Escape), "\x1b", false), 27);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Return), "\r", false), 13);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Enter), "\r", true), KeyCode::Enter);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::F1) + 4, "", false), 116);  // F5
    EXPECT_EQ(KeyCodeFor(Key(QtKey::F24), "", false), 135);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Plus), "+", true), 107);  // the fly speed keys
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Minus), "-", true), 109);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Asterisk), "*", true), KeyCode::KeypadMultiply);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Comma), ",", true), KeyCode::KeypadDecimal);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::AltGr), "", false), 18);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Control), "", false), 17);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Delete), "\x7f", false), 46);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Backspace), "\b", false), 8);
}

TEST(KeyCodes, CharacterKeysGiveTheirEightBitCodeLettersAsCapitals) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::A), "a", false), 'A');
    EXPECT_EQ(KeyCodeFor('H', "h", false), 'H');
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Digit0) + 5, "5", true), '5') << "keypad digits type digits";
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Space), " ", false), 32);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Plus), "+", false), '+');
    EXPECT_EQ(KeyCodeFor(0x21, "!", false), '!');
    EXPECT_EQ(KeyCodeFor(0xC4, "\xC3\xA4", false), 0xC4);  // a-umlaut key: the capital's code
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Unknown), "\xC3\xA9", false), 0xE9);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Unknown), "", false), KeyCode::None);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Unknown), "\xE2\x82\xAC", false), KeyCode::None) << "euro sign is beyond 8 bits";
}

TEST(ModifierMasks, ShiftCtrlAltAndButtonBits) {
    EXPECT_EQ(app::ShiftMaskFor(true, false, true), 5);
    EXPECT_EQ(app::ShiftMaskFor(false, true, false), 2);
    EXPECT_EQ(app::ButtonMaskFor(false, true, false), app::MouseButton::Right);
    EXPECT_EQ(app::ButtonMaskFor(true, false, true), 5);
}

}  // namespace

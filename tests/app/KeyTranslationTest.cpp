#include "app/KeyTranslation.h"

#include <gtest/gtest.h>

#include "app/WindowPlatform.h"

namespace {

using app::KeyCodeFor;
using app::QtKey;
namespace KeyCode = app::KeyCode;

int Key(QtKey key) { return static_cast<int>(key); }

TEST(KeyCodes, NamedKeysGiveTheirNumbers) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Escape), "\x1b", false), 27);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Return), "\r", false), 13);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::F1), "", false), 112);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::F1) + 1, "", false), 113);  // F2
    EXPECT_EQ(KeyCodeFor(Key(QtKey::F1) + 2, "", false), 114);  // F3
    EXPECT_EQ(KeyCodeFor(Key(QtKey::F1) + 4, "", false), 116);  // F5
    EXPECT_EQ(KeyCodeFor(Key(QtKey::F24), "", false), 135);
}

TEST(KeyCodes, KeypadEnterIsEnter) { EXPECT_EQ(KeyCodeFor(Key(QtKey::Enter), "\r", true), KeyCode::Enter); }

TEST(KeyCodes, KeypadPlusAndMinusAreTheFlySpeedKeys) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Plus), "+", true), 107);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Minus), "-", true), 109);
}

TEST(KeyCodes, MainKeyboardPlusAndMinusAreCharacters) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Plus), "+", false), '+');
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Minus), "-", false), '-');
}

TEST(KeyCodes, OtherKeypadOperators) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Asterisk), "*", true), KeyCode::KeypadMultiply);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Slash), "/", true), KeyCode::KeypadDivide);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Period), ".", true), KeyCode::KeypadDecimal);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Comma), ",", true), KeyCode::KeypadDecimal);
}

TEST(KeyCodes, LettersAreCapitalsWhateverWasTyped) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::A), "a", false), 'A');
    EXPECT_EQ(KeyCodeFor(Key(QtKey::A), "A", false), 'A');
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Z), "z", false), 'Z');
    EXPECT_EQ(KeyCodeFor('H', "h", false), 'H');
}

TEST(KeyCodes, DigitsAndSpaceAreTheirCharacters) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Digit0), "0", false), '0');
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Digit9), "9", false), '9');
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Digit0) + 5, "5", true), '5') << "keypad digits type digits";
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Space), " ", false), 32);
}

TEST(KeyCodes, ModifiersGiveControlCodes) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Shift), "", false), 16);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Control), "", false), 17);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Alt), "", false), 18);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::AltGr), "", false), 18);
}

TEST(KeyCodes, NavigationKeysKeepTheClassicNumbers) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Left), "", false), 37);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Down), "", false), 40);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Home), "", false), 36);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Delete), "\x7f", false), 46);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Backspace), "\b", false), 8);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Tab), "\t", false), 9);
}

TEST(KeyCodes, PunctuationIsItsCharacter) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Comma), ",", false), ',');
    EXPECT_EQ(KeyCodeFor(0x21, "!", false), '!');
}

TEST(KeyCodes, LatinOneLettersKeepTheirEightBitCode) {
    EXPECT_EQ(KeyCodeFor(0xC4, "\xC3\xA4", false), 0xC4);  // a-umlaut key: the capital's code
}

TEST(KeyCodes, UnknownKeyFallsBackToItsTypedCharacter) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Unknown), "q", false), 'q');
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Unknown), "\xC3\xA9", false), 0xE9);
}

TEST(KeyCodes, KeyWithoutCharacterOrNumberIsNone) {
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Unknown), "", false), KeyCode::None);
    EXPECT_EQ(KeyCodeFor(Key(QtKey::Unknown), "\xE2\x82\xAC", false), KeyCode::None) << "euro sign is beyond 8 bits";
    EXPECT_EQ(KeyCodeFor(0x01000100, "", false), KeyCode::None);
}

TEST(ModifierMasks, ShiftCtrlAltBits) {
    EXPECT_EQ(app::ShiftMaskFor(false, false, false), 0);
    EXPECT_EQ(app::ShiftMaskFor(true, false, false), 1);
    EXPECT_EQ(app::ShiftMaskFor(false, true, false), 2);
    EXPECT_EQ(app::ShiftMaskFor(false, false, true), 4);
    EXPECT_EQ(app::ShiftMaskFor(true, true, true), 7);
}

TEST(ModifierMasks, ButtonBits) {
    EXPECT_EQ(app::ButtonMaskFor(true, false, false), app::MouseButton::Left);
    EXPECT_EQ(app::ButtonMaskFor(false, true, false), app::MouseButton::Right);
    EXPECT_EQ(app::ButtonMaskFor(false, false, true), app::MouseButton::Middle);
    EXPECT_EQ(app::ButtonMaskFor(true, false, true), 5);
}

}  // namespace

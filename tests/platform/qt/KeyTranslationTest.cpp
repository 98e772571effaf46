#include "platform/qt/KeyTranslation.h"

#include <gtest/gtest.h>

#include "app/WindowPlatform.h"

namespace {

using platform::qt::KeyCodeFor;
using platform::qt::QtKey;
namespace KeyCode = app::KeyCode;

int Key(QtKey key) { return static_cast<int>(key); }

TEST(KeyCodes, HandlerKeysGiveTheirNumbersTypedKeysTheirCapitalOrEightBitCodeAndOnlyTheKeypadFlies) {
    struct Case {
        int Key;
        const char* Text;
        bool Keypad;
        int Code;
    };
    for (const Case& c : std::initializer_list<Case>{
             {Key(QtKey::Escape), "\x1b", false, 27},
             {Key(QtKey::Enter), "\r", true, KeyCode::Enter},
             {Key(QtKey::F1) + 4, "", false, 116},  // F5
             {Key(QtKey::Plus), "+", true, 107},
             {Key(QtKey::Minus), "-", true, 109},
             {Key(QtKey::Plus), "+", false, '+'},
             {Key(QtKey::Minus), "-", false, '-'},
             {Key(QtKey::Shift), "", false, 16},  // typed into the text as a control character
             {'H', "h", false, 'H'},
             {Key(QtKey::Digit0) + 5, "5", true, '5'},  // keypad digits type digits
             {0xC4, "\xC3\xA4", false, 0xC4},  // a-umlaut key: the capital's code
             {Key(QtKey::Unknown), "\xC3\xA9", false, 0xE9},
             {Key(QtKey::Unknown), "", false, KeyCode::None},
             {Key(QtKey::Unknown), "\xE2\x82\xAC", false, KeyCode::None}})  // the euro sign is beyond 8 bits
        EXPECT_EQ(KeyCodeFor(c.Key, c.Text, c.Keypad), c.Code) << c.Key << " " << c.Text;
}

}  // namespace

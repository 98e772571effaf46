// libFuzzer targets for what users type: the colour answer and the count answer. Any text
// gives one of the documented outcomes, and whatever is accepted is usable as it stands.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/SettingsModel.h"

namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

void CheckColorAnswer(std::string_view answer) {
    const ColorAnswer color = ReadColorAnswer(answer);
    if (color.What != ColorAnswer::Kind::Color) return;
    if (!ReadColorText(color.Text)) __builtin_trap();
    // Three numbers always become "#" and six hexadecimal digits.
    if (answer.find('#') == std::string_view::npos)
        for (size_t i = 1; i < 7; ++i)
            if (!IsHex(color.Text[i])) __builtin_trap();
}

void CheckCountAnswer(std::string_view answer) {
    const CountAnswer count = ReadCountAnswer(answer);
    switch (count.What) {
        case CountAnswer::Kind::Store:
            if (count.Count < 0 || count.Count > MaxGroupCount) __builtin_trap();
            break;
        case CountAnswer::Kind::OutOfRange:
            if (count.Count >= 0 && count.Count <= MaxGroupCount) __builtin_trap();
            break;
        case CountAnswer::Kind::TooLarge:
            if (count.Count != 150) __builtin_trap();
            break;
        case CountAnswer::Kind::Ignored:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
#ifdef GLYPHFALL_FUZZ_COLOR
    CheckColorAnswer(answer);
#else
    CheckCountAnswer(answer);
#endif
    return 0;
}

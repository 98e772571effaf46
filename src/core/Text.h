#pragma once
// ASCII case folding: settings keys, glyph lookups and adapter names compare without regard
// to case, and only for ASCII letters, whatever the process's locale says.
#include <algorithm>
#include <string_view>

namespace mCore {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace mCore

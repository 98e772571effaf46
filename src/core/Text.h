#pragma once
// ASCII case folding: settings keys, glyph lookups and adapter names compare without regard
// to case, and only for ASCII letters, whatever the process's locale says.
#include <algorithm>
#include <cstddef>
#include <string_view>

namespace mCore {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Bytes taken by the UTF-8 character that starts at text[pos]. A stray byte counts as one
// character of its own, so malformed text still counts (and lays out, as a gap).
constexpr size_t Utf8CharLength(std::string_view text, size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8) length = 4;
    else if (lead >= 0xE0) length = lead < 0xF0 ? 3 : 1;
    else if (lead >= 0xC0) length = 2;
    if (pos + length > text.size()) return 1;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[pos + k]) & 0xC0) != 0x80) return 1;
    return length;
}

}  // namespace mCore

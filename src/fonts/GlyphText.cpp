#include "fonts/GlyphText.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace mFonts {

namespace {

// The length of the sequence a lead byte starts and the bits it carries; 0 for a byte that
// cannot start one.
int SequenceLength(unsigned char lead, char32_t& bits) {
    if (lead < 0x80) return bits = lead, 1;
    if (lead >= 0xC2 && lead < 0xE0) return bits = lead & 0x1F, 2;
    if (lead >= 0xE0 && lead < 0xF0) return bits = lead & 0x0F, 3;
    if (lead >= 0xF0 && lead < 0xF5) return bits = lead & 0x07, 4;
    return 0;
}

// The smallest character each length may carry: anything below is an overlong form.
constexpr char32_t LeastOfLength[5] = {0, 0, 0x80, 0x800, 0x10000};

// The blanks a text of glyphs may hold around and between them without saying anything.
bool IsSpace(char32_t c) {
    return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

}  // namespace

std::optional<std::u32string> DecodeUtf8(std::string_view text) {
    std::u32string chars;
    chars.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const int length = SequenceLength(static_cast<unsigned char>(text[at]), c);
        if (length == 0 || at + static_cast<size_t>(length) > text.size()) return std::nullopt;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[at + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < LeastOfLength[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        chars.push_back(c);
        at += static_cast<size_t>(length);
    }
    return chars;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string bytes;
    for (const char32_t c : text) {
        if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
            continue;
        }
        const int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        const unsigned lead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
        bytes.push_back(static_cast<char>(lead[length] | (c >> (6 * (length - 1)))));
        for (int k = length - 2; k >= 0; --k) bytes.push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
    return bytes;
}

bool IsBlankOrControl(char32_t c) {
    if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) return true;  // C0, space, DEL, C1, no-break space
    switch (c) {
        case 0x1680: case 0x180E: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x2060: case 0x3000:
        case 0xFEFF:
            return true;
        default:
            break;
    }
    return (c >= 0x2000 && c <= 0x200F)      // spaces of every width, zero-width joiners, direction marks
           || (c >= 0x202A && c <= 0x202E)   // direction embeddings
           || (c >= 0x2066 && c <= 0x2069)   // direction isolates
           || (c >= 0xFE00 && c <= 0xFE0F)   // variation selectors
           || (c >= 0xE0000 && c <= 0xE0FFF);  // tags and further variation selectors
}

GlyphText ReadGlyphText(std::string_view text, size_t maxGlyphs) {
    GlyphText read;
    const std::optional<std::u32string> chars = DecodeUtf8(text);
    if (!chars) return {GlyphText::Kind::NotUtf8, {}, 0};
    std::unordered_set<char32_t> seen;
    bool control = false;  // it held more than blanks
    for (const char32_t c : *chars) {
        if (IsBlankOrControl(c)) {
            control = control || !IsSpace(c);
            continue;
        }
        if (!seen.insert(c).second) continue;
        if (read.Chars.size() < maxGlyphs) read.Chars.push_back(c);
    }
    read.Count = seen.size();
    if (read.Count > maxGlyphs) read.What = GlyphText::Kind::TooMany;
    else if (read.Count > 0) read.What = GlyphText::Kind::Glyphs;
    else read.What = control ? GlyphText::Kind::NoGlyphs : GlyphText::Kind::Empty;
    if (read.What != GlyphText::Kind::Glyphs) read.Chars.clear();
    return read;
}

std::string DescribeChar(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    if (IsBlankOrControl(c)) return code;  // nothing to show, and a control character could drive a terminal
    return EncodeUtf8(std::u32string_view(&c, 1)) + " (" + code + ")";
}

}  // namespace mFonts

#pragma once
// Texts of characters to be drawn as glyphs: UTF-8 read strictly, and the rule that says which
// characters of a typed text become glyphs: each character once, blanks and control
// characters none.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mFonts {

// The characters of well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF);
// nothing when the text is not.
std::optional<std::u32string> DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

// Characters that never become a glyph: control characters, blanks of every width, and the
// invisible ones that only join, separate or vary their neighbours.
bool IsBlankOrControl(char32_t c);

// What a typed glyph text comes to.
struct GlyphText {
    enum class Kind {
        Empty,     // nothing, or only blanks: nothing changes
        NotUtf8,   // not UTF-8 text
        NoGlyphs,  // control characters and blanks, nothing to draw
        TooMany,   // more different characters than there are cells for
        Glyphs,    // Chars holds them
    };
    Kind What = Kind::Empty;
    std::u32string Chars;  // each character once, in the order typed
    size_t Count = 0;      // how many different characters the text holds
};
GlyphText ReadGlyphText(std::string_view text, size_t maxGlyphs);

// A character as messages name it: the character and its code, "ᚠ (U+16A0)".
std::string DescribeChar(char32_t c);

}  // namespace mFonts

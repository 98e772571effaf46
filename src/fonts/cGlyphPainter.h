#pragma once
// Draws the characters a user chooses as glyph cells, from the font a user chooses: a family
// or pattern as fontconfig knows it ("DejaVu Sans Mono", "Noto Sans CJK JP:bold") or a font
// file's path. A character the font lacks comes from the first font in fontconfig's order for
// that font that has it; one that no installed font draws is left out. Nothing is written.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/cFontFace.h"

namespace mFonts {

// The font the built-in atlas's letters were drawn with when it is installed, otherwise the
// system's sans-serif bold, as fontconfig patterns.
inline constexpr std::string_view AtlasFont = "DejaVu Sans:bold";
inline constexpr std::string_view SystemFont = "sans-serif:bold";
std::string DefaultFont();

// A font text that names a file rather than a family: it holds a slash or starts with "~".
bool IsFontPath(std::string_view font);

class cGlyphPainter {
public:
    cGlyphPainter();
    ~cGlyphPainter();
    cGlyphPainter(const cGlyphPainter&) = delete;
    cGlyphPainter& operator=(const cGlyphPainter&) = delete;

    // Draws from iFont from now on. False, with the reason in oError and the font as it was,
    // when iFont cannot be used: no such file, a folder, no font file, no installed family of
    // that name, no pattern fontconfig reads.
    bool UseFont(std::string_view iFont, std::string& oError);
    bool HasFont() const;
    std::string FontName() const;  // "DejaVu Sans Bold"

    struct Drawn {
        std::u32string Chars;            // the characters drawn, in the order asked
        std::vector<CellPicture> Cells;  // one for each of them
        std::u32string Missing;          // those no installed font draws
        std::u32string Borrowed;         // drawn from another font: the chosen one lacks them
        std::u32string Undrawable;       // the chosen font has them but cannot draw them (Why), see Chars
        std::string Why;                 // for the first of them
    };
    Drawn Draw(std::u32string_view iChars);

private:
    struct Font;
    bool DrawFromFallbacks(char32_t c, CellPicture& oCell);
    cFontFace* Face(Font& font);

    std::unique_ptr<cFontFace> Primary_;
    std::string FallbackPattern_;     // whose fontconfig order the fallbacks follow
    std::vector<Font> Fallbacks_;     // that order; found on the first character the font lacks
    bool FallbacksFound_ = false;
};

}  // namespace mFonts

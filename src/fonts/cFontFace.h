#pragma once
// One face of a font file, and the rule every glyph cell of the atlas is drawn by: the
// committed atlas (tools/atlasgen) and the glyphs a user types at run time come from here, so
// they share their size, place in the cell and brightness.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace mFonts {

inline constexpr int CellPixels = 64;   // an atlas cell's side (a 1024-texel atlas of 16 x 16 cells)
inline constexpr int CellMargin = 5;    // the empty border of every cell: linear filtering never reaches a neighbour
inline constexpr int LargestGlyph = 46; // the size, in pixels, a glyph is tried at first
inline constexpr int SmallestGlyph = 12;

// One atlas cell: grey levels, rows top first, the glyph white on black and mirrored left to
// right (the renderer shows every cell mirrored, so it reads the right way round on screen).
struct CellPicture {
    std::array<uint8_t, CellPixels * CellPixels> Grey{};
    uint8_t At(int x, int y) const { return Grey[static_cast<size_t>(y * CellPixels + x)]; }
    bool Blank() const;
};

class cFontFace {
public:
    // Face iIndex of a TrueType, OpenType or other file FreeType reads; nullptr, with the
    // reason in oError, when it reads none.
    static std::unique_ptr<cFontFace> Open(const std::string& iFile, int iIndex, std::string& oError);
    ~cFontFace();
    cFontFace(const cFontFace&) = delete;
    cFontFace& operator=(const cFontFace&) = delete;

    bool Has(char32_t c) const;
    // Draws c at the largest size, from LargestGlyph down to SmallestGlyph in steps of two
    // pixels, whose glyph keeps the margin on every side, centred in the cell and mirrored. A
    // font of bitmaps in other sizes only (colour emoji) gives its nearest size's, scaled to fit;
    // colours become their brightness. False when the face lacks c, or (oWhy saying why) has it
    // but cannot draw it.
    bool DrawCell(char32_t c, CellPicture& oCell, std::string* oWhy = nullptr) const;
    // "DejaVu Sans Bold": the family and style as the file names them.
    std::string Name() const;
    const std::string& File() const { return File_; }

private:
    struct Handles;
    cFontFace(std::unique_ptr<Handles> handles, std::string file);
    std::unique_ptr<Handles> Handles_;
    std::string File_;
};

}  // namespace mFonts

// Renders the glyph atlas tex.png: a 16 x 16 grid of 64-pixel cells holding white glyphs
// on black, each mirrored left to right (the renderer shows cells mirrored, so they read
// the right way round on screen), and a soft round glow for the column leaders.
//
//   glyphfall_atlasgen FONT [KANA_FONT] OUT.png
//
// FONT draws rows 0 to 7 (the letters texts are spelled with and further shapes); KANA_FONT,
// or FONT when it is left out, draws rows 8 to 11 (half-width katakana and digits). Any
// TrueType or OpenType file FreeType reads will do; of a collection (.ttc) the first face.
// Only needed when the atlas is to be redrawn; the program loads the committed PNG. Each cell
// is drawn by the rule in src/fonts (mFonts::cFontFace::DrawCell), which also draws the glyphs
// users choose at run time.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/cImage.h"
#include "fonts/cFontFace.h"

namespace {

constexpr int AtlasSize = 1024;
constexpr int Cell = mFonts::CellPixels;
static_assert(AtlasSize == 16 * Cell);

struct Placed {
    char32_t Char;
    int Col, Row;
};

// The characters with fixed cells: row by row, from column 6 down to column 0.
const char32_t* const NamedRows[8] = {U"abcdefg", U"hijklmn", U"opqrstu", U"vwxyz01",
                                      U"2345678", U"9^!?./\\", U"+\"-#<>~", U"@&=\u00A9$\u00B6\u00A5"};

// The katakana block, rows 8 to 11, 14 to a row from column 13 down to column 0: the 46
// half-width katakana (U+FF66, U+FF71 to U+FF9D), then 0 to 9, which end row 11 at column 0 and
// so make the "Digits" set's row of their own.
std::u32string KanaSheet() {
    std::u32string sheet = U"\uFF66";
    for (char32_t ch = 0xFF71; ch <= 0xFF9D; ++ch) sheet += ch;
    return sheet + U"0123456789";
}
constexpr int KanaFirstRow = 8, KanaPerRow = 14;

// Further shapes for columns 7 to 9; the first 24 the font has are used.
const char32_t ExtraCandidates[] = U"\u03A3\u03A8\u03A9\u0394\u039E\u03A0\u03A6\u0393\u039B\u03B8\u03BB\u03BE"
                                   U"\u0416\u0429\u042F\u0414\u0411\u042E\u0426\u0424\u0436\u0444"
                                   U"\u221E\u2202\u222B\u221A\u2206\u2261\u00A7\u00BF\u00A4\u00B1";

bool DrawGlyph(const mFonts::cFontFace& face, char32_t ch, int col, int row, cImage& atlas) {
    mFonts::CellPicture cell;
    if (!face.DrawCell(ch, cell)) return false;
    for (int y = 0; y < Cell; ++y)
        for (int x = 0; x < Cell; ++x) {
            const uint32_t v = cell.At(x, y);
            atlas.At(col * Cell + x, row * Cell + y) = 0xFF000000u | (v << 16) | (v << 8) | v;
        }
    return true;
}

// A soft round white glow filling the 4 x 4 cells at columns 0-3, rows 12-15.
void DrawGlow(cImage& atlas) {
    const int size = 4 * Cell;
    const double centre = size / 2.0, radius = size / 2.0 - 2;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double r = std::hypot(x + 0.5 - centre, y + 0.5 - centre) / radius;
            double v = r >= 1 ? 0 : std::pow(1 - r, 2.2);
            v = std::min(1.0, v * 1.15);
            const uint32_t c = static_cast<uint32_t>(std::lround(v * 255));
            atlas.At(x, 12 * Cell + y) = 0xFF000000u | (c << 16) | (c << 8) | c;
        }
}

bool DrawNamed(const mFonts::cFontFace& face, const char* fontFile, char32_t ch, int col, int row, cImage& atlas) {
    if (DrawGlyph(face, ch, col, row, atlas)) return true;
    std::fprintf(stderr, "the font %s lacks U+%04X\n", fontFile, static_cast<unsigned>(ch));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s FONT [KANA_FONT] OUT.png\n", argv[0]);
        return 2;
    }
    const char* fontFile = argv[1];
    const char* kanaFile = argc == 4 ? argv[2] : argv[1];
    const char* outFile = argv[argc - 1];
    std::string error;
    std::unique_ptr<mFonts::cFontFace> face, kana;
    for (auto [file, target] : {std::pair{fontFile, &face}, std::pair{kanaFile, &kana}})
        if (!(*target = mFonts::cFontFace::Open(file, 0, error))) {
            std::fprintf(stderr, "cannot open the font %s: %s\n", file, error.c_str());
            return 1;
        }
    cImage atlas(AtlasSize, AtlasSize, 0xFF000000u);
    for (int row = 0; row < 8; ++row)
        for (int i = 0; i < 7; ++i)
            if (!DrawNamed(*face, fontFile, NamedRows[row][i], 6 - i, row, atlas)) return 1;
    int placed = 0;
    for (const char32_t* ch = ExtraCandidates; *ch && placed < 24; ++ch) {
        const int col = 7 + placed % 3, row = placed / 3;
        if (DrawGlyph(*face, *ch, col, row, atlas)) ++placed;
    }
    if (placed < 24) {
        std::fprintf(stderr, "only %d further glyphs found in the font\n", placed);
        return 1;
    }
    const std::u32string sheet = KanaSheet();
    for (size_t i = 0; i < sheet.size(); ++i) {
        const int col = KanaPerRow - 1 - static_cast<int>(i) % KanaPerRow;
        if (!DrawNamed(*kana, kanaFile, sheet[i], col, KanaFirstRow + static_cast<int>(i) / KanaPerRow, atlas)) return 1;
    }
    DrawGlow(atlas);
    if (!mImage::WritePng(outFile, atlas, error, /*iAlpha=*/false)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

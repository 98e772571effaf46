// Renders the glyph atlas tex.png: a 16 x 16 grid of 64-pixel cells holding white glyphs
// on black, each mirrored left to right (the renderer shows cells mirrored, so they read
// the right way round on screen), and a soft round glow for the column leaders.
//
//   glyphfall_atlasgen FONT [KANA_FONT] OUT.png
//
// FONT draws rows 0 to 7 (the letters texts are spelled with and further shapes); KANA_FONT,
// or FONT when it is left out, draws rows 8 to 11 (half-width katakana and digits). Any
// TrueType or OpenType file FreeType reads will do; of a collection (.ttc) the first face.
// Only needed when the atlas is to be redrawn; the program loads the committed PNG.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "device/cImage.h"

namespace {

constexpr int AtlasSize = 1024;
constexpr int Cell = AtlasSize / 16;
constexpr int Margin = 5;  // empty border in every cell, so linear filtering never reaches a neighbour

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

bool DrawGlyph(FT_Face face, char32_t ch, int col, int row, cImage& atlas) {
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (index == 0) return false;
    // Largest size up to 46 pixels whose glyph fits inside the cell's margin.
    for (int size = 46; size >= 12; size -= 2) {
        FT_Set_Pixel_Sizes(face, 0, size);
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) return false;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const int w = static_cast<int>(bitmap.width), h = static_cast<int>(bitmap.rows);
        if (w > Cell - 2 * Margin || h > Cell - 2 * Margin) continue;
        // Centred in the cell; mirrored left to right.
        const int left = (Cell - w) / 2, top = (Cell - h) / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t v = bitmap.buffer[y * bitmap.pitch + x];
                const int px = col * Cell + (Cell - 1 - (left + x));
                const int py = row * Cell + top + y;
                atlas.At(px, py) = 0xFF000000u | (v << 16) | (v << 8) | v;
            }
        return true;
    }
    return false;
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

bool DrawNamed(FT_Face face, const char* fontFile, char32_t ch, int col, int row, cImage& atlas) {
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
    FT_Library library;
    FT_Face face, kana;
    if (FT_Init_FreeType(&library)) return 1;
    for (auto [file, target] : {std::pair{fontFile, &face}, std::pair{kanaFile, &kana}})
        if (FT_New_Face(library, file, 0, target)) {
            std::fprintf(stderr, "cannot open the font %s\n", file);
            return 1;
        }
    cImage atlas(AtlasSize, AtlasSize, 0xFF000000u);
    for (int row = 0; row < 8; ++row)
        for (int i = 0; i < 7; ++i)
            if (!DrawNamed(face, fontFile, NamedRows[row][i], 6 - i, row, atlas)) return 1;
    int placed = 0;
    for (const char32_t* ch = ExtraCandidates; *ch && placed < 24; ++ch) {
        const int col = 7 + placed % 3, row = placed / 3;
        if (DrawGlyph(face, *ch, col, row, atlas)) ++placed;
    }
    if (placed < 24) {
        std::fprintf(stderr, "only %d further glyphs found in the font\n", placed);
        return 1;
    }
    const std::u32string sheet = KanaSheet();
    for (size_t i = 0; i < sheet.size(); ++i) {
        const int col = KanaPerRow - 1 - static_cast<int>(i) % KanaPerRow;
        if (!DrawNamed(kana, kanaFile, sheet[i], col, KanaFirstRow + static_cast<int>(i) / KanaPerRow, atlas)) return 1;
    }
    DrawGlow(atlas);
    std::string error;
    if (!mImage::WritePng(outFile, atlas, error, /*iAlpha=*/false)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    FT_Done_Face(face);
    FT_Done_Face(kana);
    FT_Done_FreeType(library);
    return 0;
}

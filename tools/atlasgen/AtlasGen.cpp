// Renders the glyph atlas tex.png: a 16 x 16 grid of 64-pixel cells holding white glyphs
// on black, each mirrored left to right (the renderer shows cells mirrored, so they read
// the right way round on screen), and a soft round glow for the column leaders.
//
//   glyphfall_atlasgen FONT.ttf OUT.png
//
// Only needed when the atlas is to be redrawn; the program loads the committed PNG.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FONT.ttf OUT.png\n", argv[0]);
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face)) {
        std::fprintf(stderr, "cannot open the font %s\n", argv[1]);
        return 1;
    }
    cImage atlas(AtlasSize, AtlasSize, 0xFF000000u);
    for (int row = 0; row < 8; ++row)
        for (int i = 0; i < 7; ++i) {
            const char32_t ch = NamedRows[row][i];
            if (!DrawGlyph(face, ch, 6 - i, row, atlas)) {
                std::fprintf(stderr, "the font lacks U+%04X\n", static_cast<unsigned>(ch));
                return 1;
            }
        }
    int placed = 0;
    for (const char32_t* ch = ExtraCandidates; *ch && placed < 24; ++ch) {
        const int col = 7 + placed % 3, row = placed / 3;
        if (DrawGlyph(face, *ch, col, row, atlas)) ++placed;
    }
    if (placed < 24) {
        std::fprintf(stderr, "only %d further glyphs found in the font\n", placed);
        return 1;
    }
    DrawGlow(atlas);
    std::string error;
    if (!mImage::WritePng(argv[2], atlas, error, /*iAlpha=*/false)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}

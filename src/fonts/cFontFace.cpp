#include "fonts/cFontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace mFonts {

// Each face has a library of its own: faces are few, and none then outlives the library it
// came from whatever order their owners end in.
struct cFontFace::Handles {
    FT_Library Library = nullptr;
    FT_Face Face = nullptr;
    ~Handles() {
        if (Face) FT_Done_Face(Face);
        if (Library) FT_Done_FreeType(Library);
    }
};

namespace {

// The rendered glyph's grey level at (x, y): anti-aliased bitmaps as they are, one-bit ones
// (bitmap-only fonts) as full white.
uint8_t GreyAt(const FT_Bitmap& bitmap, int x, int y) {
    const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    return row[x];
}

bool Readable(const FT_Bitmap& bitmap) {
    return bitmap.pitch > 0 && (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.pixel_mode == FT_PIXEL_MODE_MONO);
}

}  // namespace

bool CellPicture::Blank() const {
    return std::all_of(Grey.begin(), Grey.end(), [](uint8_t v) { return v == 0; });
}

cFontFace::cFontFace(std::unique_ptr<Handles> handles, std::string file)
    : Handles_(std::move(handles)), File_(std::move(file)) {}

cFontFace::~cFontFace() = default;

std::unique_ptr<cFontFace> cFontFace::Open(const std::string& iFile, int iIndex, std::string& oError) {
    auto handles = std::make_unique<Handles>();
    if (FT_Init_FreeType(&handles->Library)) {
        oError = "the font library could not start";
        return nullptr;
    }
    if (FT_New_Face(handles->Library, iFile.c_str(), iIndex, &handles->Face)) {
        handles->Face = nullptr;
        oError = "it is no font file FreeType can read";
        return nullptr;
    }
    return std::unique_ptr<cFontFace>(new cFontFace(std::move(handles), iFile));
}

bool cFontFace::Has(char32_t c) const { return FT_Get_Char_Index(Handles_->Face, c) != 0; }

bool cFontFace::DrawCell(char32_t c, CellPicture& oCell) const {
    FT_Face face = Handles_->Face;
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (index == 0) return false;
    constexpr int Room = CellPixels - 2 * CellMargin;
    for (int size = LargestGlyph; size >= SmallestGlyph; size -= 2) {
        // A bitmap-only font has a few sizes; the others are no fit.
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size))) continue;
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) return false;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const int w = static_cast<int>(bitmap.width), h = static_cast<int>(bitmap.rows);
        if (w > Room || h > Room) continue;
        if (!Readable(bitmap) && w > 0 && h > 0) return false;
        oCell.Grey.fill(0);
        const int left = (CellPixels - w) / 2, top = (CellPixels - h) / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                oCell.Grey[static_cast<size_t>((top + y) * CellPixels + (CellPixels - 1 - (left + x)))] = GreyAt(bitmap, x, y);
        return true;
    }
    return false;
}

std::string cFontFace::Name() const {
    const FT_Face face = Handles_->Face;
    std::string name = face->family_name ? face->family_name : "";
    if (face->style_name && std::string_view(face->style_name) != "Regular")
        name += (name.empty() ? "" : " ") + std::string(face->style_name);
    return name.empty() ? File_ : name;
}

}  // namespace mFonts

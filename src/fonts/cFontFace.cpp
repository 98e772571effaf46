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
// (bitmap-only fonts) as full white, colour ones (emoji) by their brightness over black, so
// that their features stay apart where their outline alone would be a blot.
uint8_t GreyAt(const FT_Bitmap& bitmap, int x, int y) {
    const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_BGRA) {  // premultiplied blue, green, red, alpha
        const unsigned char* p = row + 4 * x;
        return static_cast<uint8_t>((29 * p[0] + 150 * p[1] + 77 * p[2] + 128) >> 8);
    }
    return row[x];
}

bool Readable(const FT_Bitmap& bitmap) {
    return bitmap.pitch > 0 && (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.pixel_mode == FT_PIXEL_MODE_MONO ||
                                bitmap.pixel_mode == FT_PIXEL_MODE_BGRA);
}

constexpr int Room = CellPixels - 2 * CellMargin;

bool Fail(std::string* oWhy, const char* why) {
    if (oWhy) *oWhy = why;
    return false;
}

// The size of a font that has bitmaps in a few sizes only, none of which fits the cell as it
// is (colour emoji come at 109 pixels): the smallest at least as large as LargestGlyph, else
// the largest.
int NearestStrike(FT_Face face) {
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
        const int height = face->available_sizes[i].height, bestHeight = face->available_sizes[best].height;
        const bool larger = height >= LargestGlyph, bestLarger = bestHeight >= LargestGlyph;
        if (larger != bestLarger ? larger : (larger ? height < bestHeight : height > bestHeight)) best = i;
    }
    return best;
}

// That size's glyph scaled to the size an outline would have (LargestGlyph pixels to the em),
// or less where it would not keep the margin, each pixel the mean of those it covers.
bool DrawScaledStrike(FT_Face face, FT_UInt index, CellPicture& oCell, std::string* oWhy) {
    if (FT_Select_Size(face, NearestStrike(face)) || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_COLOR))
        return Fail(oWhy, "FreeType cannot load its bitmap");
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int w = static_cast<int>(bitmap.width), h = static_cast<int>(bitmap.rows);
    if (w == 0 || h == 0) return Fail(oWhy, "its bitmap is empty");
    if (!Readable(bitmap)) return Fail(oWhy, "its bitmap is in a form that cannot be read");
    const int ppem = std::max<int>(1, face->size->metrics.y_ppem);
    const double scale = std::min({static_cast<double>(LargestGlyph) / ppem, static_cast<double>(Room) / w,
                                   static_cast<double>(Room) / h});
    const int outW = std::clamp(static_cast<int>(w * scale + 0.5), 1, Room);
    const int outH = std::clamp(static_cast<int>(h * scale + 0.5), 1, Room);
    oCell.Grey.fill(0);
    const int left = (CellPixels - outW) / 2, top = (CellPixels - outH) / 2;
    for (int y = 0; y < outH; ++y)
        for (int x = 0; x < outW; ++x) {
            const int x0 = x * w / outW, x1 = std::max(x0 + 1, (x + 1) * w / outW);
            const int y0 = y * h / outH, y1 = std::max(y0 + 1, (y + 1) * h / outH);
            uint32_t sum = 0;
            for (int v = y0; v < y1; ++v)
                for (int u = x0; u < x1; ++u) sum += GreyAt(bitmap, u, v);
            const uint32_t count = static_cast<uint32_t>((x1 - x0) * (y1 - y0));
            oCell.Grey[static_cast<size_t>((top + y) * CellPixels + (CellPixels - 1 - (left + x)))] =
                static_cast<uint8_t>((sum + count / 2) / count);
        }
    // A colour glyph's brightest part as bright as any other glyph's strokes.
    const int brightest = *std::max_element(oCell.Grey.begin(), oCell.Grey.end());
    if (bitmap.pixel_mode == FT_PIXEL_MODE_BGRA && brightest > 0)
        for (uint8_t& grey : oCell.Grey) grey = static_cast<uint8_t>((grey * 255 + brightest / 2) / brightest);
    return true;
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

bool cFontFace::DrawCell(char32_t c, CellPicture& oCell, std::string* oWhy) const {
    FT_Face face = Handles_->Face;
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (index == 0) return false;
    for (int size = LargestGlyph; size >= SmallestGlyph; size -= 2) {
        // A bitmap-only font has a few sizes; the others are no fit.
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size))) continue;
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) return Fail(oWhy, "FreeType cannot load it");
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const int w = static_cast<int>(bitmap.width), h = static_cast<int>(bitmap.rows);
        if (w > Room || h > Room) continue;
        if (!Readable(bitmap) && w > 0 && h > 0) return Fail(oWhy, "it is drawn in a form that cannot be read");
        oCell.Grey.fill(0);
        const int left = (CellPixels - w) / 2, top = (CellPixels - h) / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                oCell.Grey[static_cast<size_t>((top + y) * CellPixels + (CellPixels - 1 - (left + x)))] = GreyAt(bitmap, x, y);
        return true;
    }
    // A font of bitmaps in a few sizes, none of which fits as it is: the nearest one, scaled.
    if (FT_HAS_FIXED_SIZES(face) && !FT_IS_SCALABLE(face)) return DrawScaledStrike(face, index, oCell, oWhy);
    return Fail(oWhy, "no size of it fits a cell");
}

std::string cFontFace::Name() const {
    const FT_Face face = Handles_->Face;
    std::string name = face->family_name ? face->family_name : "";
    if (face->style_name && std::string_view(face->style_name) != "Regular")
        name += (name.empty() ? "" : " ") + std::string(face->style_name);
    return name.empty() ? File_ : name;
}

}  // namespace mFonts

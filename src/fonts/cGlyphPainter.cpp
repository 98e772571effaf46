#include "fonts/cGlyphPainter.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/Text.h"

namespace mFonts {

namespace {

// A face among fontconfig's fonts: its file, its index in the file, what it covers.
struct FontEntry {
    std::string File;
    int Index = 0;
    FcCharSet* Coverage = nullptr;  // a reference of our own
};

// Names fontconfig maps to a family of the system's choice: any font is right for them.
bool IsGenericFamily(std::string_view family) {
    for (std::string_view generic : {"sans-serif", "sans", "serif", "monospace", "mono", "cursive", "fantasy",
                                     "system-ui", "emoji", "math", "fangsong"})
        if (mCore::EqualIgnoringCase(family, generic)) return true;
    return false;
}

bool HasFamily(FcPattern* font, std::string_view family) {
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &name) == FcResultMatch; ++n)
        if (mCore::EqualIgnoringCase(reinterpret_cast<const char*>(name), family)) return true;
    return false;
}

// The fonts in fontconfig's order for a pattern, each adding characters the earlier ones lack.
// Nothing, with the reason, when the text is no pattern or names a family nobody installed.
bool SortedFonts(std::string_view pattern, std::vector<FontEntry>& oFonts, std::string& oError) {
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(std::string(pattern).c_str()));
    if (!wanted) {
        oError = "fontconfig reads no font pattern in it";
        return false;
    }
    FcChar8* asked = nullptr;
    const std::string family =
        FcPatternGetString(wanted, FC_FAMILY, 0, &asked) == FcResultMatch ? reinterpret_cast<const char*>(asked) : "";
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, wanted, FcTrue, nullptr, &result);
    FcPatternDestroy(wanted);
    const bool found = sorted && sorted->nfont > 0;
    if (found && (family.empty() || IsGenericFamily(family) || HasFamily(sorted->fonts[0], family))) {
        for (int i = 0; i < sorted->nfont; ++i) {
            FcChar8* file = nullptr;
            int index = 0;
            FcCharSet* coverage = nullptr;
            if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
            FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &index);
            if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &coverage) != FcResultMatch) continue;
            oFonts.push_back({reinterpret_cast<const char*>(file), index, FcCharSetCopy(coverage)});
        }
    } else {
        oError = found ? "no installed font is called " + family : "no font is installed";
    }
    if (sorted) FcFontSetDestroy(sorted);
    return !oFonts.empty();
}

// A font file's path as typed: "~/" is the home folder.
std::string ExpandHome(std::string_view path) {
    const char* home = std::getenv("HOME");
    if (path.starts_with("~/") && home) return std::string(home) + std::string(path.substr(1));
    return std::string(path);
}

std::unique_ptr<cFontFace> OpenFontFile(std::string_view typed, std::string& oError) {
    const std::string path = ExpandHome(typed);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) oError = "there is no such file";
    else if (std::filesystem::is_directory(status)) oError = "it is a folder, not a font file";
    else if (!std::filesystem::is_regular_file(status)) oError = "it is no font file";
    else return cFontFace::Open(path, 0, oError);
    return nullptr;
}

}  // namespace

struct cGlyphPainter::Font {
    FontEntry Entry;
    std::unique_ptr<cFontFace> Face;  // opened when first needed
    bool Unreadable = false;
};

std::string DefaultFont() {
    std::vector<FontEntry> fonts;
    std::string error;
    const bool installed = SortedFonts(AtlasFont, fonts, error);
    for (FontEntry& font : fonts) FcCharSetDestroy(font.Coverage);
    return std::string(installed ? AtlasFont : SystemFont);
}

bool IsFontPath(std::string_view font) { return font.find('/') != std::string_view::npos || font.starts_with("~"); }

cGlyphPainter::cGlyphPainter() = default;

cGlyphPainter::~cGlyphPainter() {
    for (Font& font : Fallbacks_) FcCharSetDestroy(font.Entry.Coverage);
}

bool cGlyphPainter::UseFont(std::string_view iFont, std::string& oError) {
    std::unique_ptr<cFontFace> primary;
    std::vector<FontEntry> sorted;
    if (IsFontPath(iFont)) {
        primary = OpenFontFile(iFont, oError);
    } else if (SortedFonts(iFont, sorted, oError)) {
        primary = cFontFace::Open(sorted.front().File, sorted.front().Index, oError);
    }
    for (FontEntry& font : sorted) FcCharSetDestroy(font.Coverage);
    if (!primary) return false;
    Primary_ = std::move(primary);
    // A file's missing characters come from the default font's order; a family's, from its own.
    FallbackPattern_ = IsFontPath(iFont) ? DefaultFont() : std::string(iFont);
    for (Font& font : Fallbacks_) FcCharSetDestroy(font.Entry.Coverage);
    Fallbacks_.clear();
    FallbacksFound_ = false;
    return true;
}

bool cGlyphPainter::HasFont() const { return Primary_ != nullptr; }

std::string cGlyphPainter::FontName() const { return Primary_ ? Primary_->Name() : std::string(); }

cFontFace* cGlyphPainter::Face(Font& font) {
    if (!font.Face && !font.Unreadable) {
        std::string error;
        font.Face = cFontFace::Open(font.Entry.File, font.Entry.Index, error);
        font.Unreadable = !font.Face;
    }
    return font.Face.get();
}

bool cGlyphPainter::DrawFromFallbacks(char32_t c, CellPicture& oCell) {
    if (!FallbacksFound_) {
        FallbacksFound_ = true;
        std::vector<FontEntry> sorted;
        std::string error;
        SortedFonts(FallbackPattern_, sorted, error);
        for (FontEntry& entry : sorted) Fallbacks_.push_back({entry, nullptr, false});
    }
    for (Font& font : Fallbacks_) {
        if (!FcCharSetHasChar(font.Entry.Coverage, c)) continue;
        cFontFace* face = Face(font);
        if (face && face->DrawCell(c, oCell) && !oCell.Blank()) return true;
    }
    return false;
}

cGlyphPainter::Drawn cGlyphPainter::Draw(std::u32string_view iChars) {
    Drawn drawn;
    drawn.Cells.reserve(iChars.size());
    CellPicture cell;
    for (const char32_t c : iChars) {
        std::string why;
        const bool own = Primary_ && Primary_->DrawCell(c, cell, &why) && !cell.Blank();
        if (!why.empty()) {
            drawn.Undrawable.push_back(c);
            if (drawn.Why.empty()) drawn.Why = why;
        }
        if (own || DrawFromFallbacks(c, cell)) {
            drawn.Chars.push_back(c);
            drawn.Cells.push_back(cell);
            if (!own && why.empty()) drawn.Borrowed.push_back(c);
        } else if (why.empty()) {
            drawn.Missing.push_back(c);
        }
    }
    return drawn;
}

}  // namespace mFonts

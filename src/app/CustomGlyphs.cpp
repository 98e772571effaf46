#include "app/CustomGlyphs.h"

#include <algorithm>
#include <cstdio>

#include "core/NumberText.h"
#include "core/Platform.h"
#include "device/cDevice.h"
#include "fonts/GlyphText.h"
#include "rain/cRain.h"
#include "settings/SettingsModel.h"

namespace app {

namespace {

using mFonts::GlyphText;

constexpr size_t NamedAtMost = 12;  // characters a message names before it counts the rest

void SayOnStandardError(const std::string& text) { std::fprintf(stderr, "glyphfall: %s\n", text.c_str()); }

void SayInBox(const std::string& text, std::string_view title) {
    mCore::Dialogs().MessageBox(text, title, mCore::MessageIcon::Exclamation);
}

std::string Named(std::u32string_view chars) {
    std::string text;
    for (size_t i = 0; i < chars.size() && i < NamedAtMost; ++i)
        text += (i ? ", " : "") + mFonts::DescribeChar(chars[i]);
    if (chars.size() > NamedAtMost) text += " and " + mCore::FormatNumber(static_cast<long long>(chars.size() - NamedAtMost)) + " more";
    return text;
}

// A stored value as a message shows it: shortened, and bytes that are no printable text as "?"
// so that they cannot drive the terminal.
std::string Shown(std::string_view stored) {
    const auto chars = mFonts::DecodeUtf8(stored);
    if (chars) {
        std::u32string shown = chars->substr(0, 40);
        std::replace_if(shown.begin(), shown.end(), [](char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }, U'?');
        return mFonts::EncodeUtf8(shown);
    }
    std::string shown(stored.substr(0, 40));
    std::replace_if(shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F; }, '?');
    return shown;
}

std::string StoredUnusable(std::string_view key, std::string_view stored, const std::string& why, std::string_view instead) {
    return "\"" + std::string(key) + "\" = \"" + Shown(stored) + "\" cannot be used: " + why + "; " + std::string(instead) +
           " is used instead";
}

std::string WhyNoGlyphs(const GlyphText& read) {
    switch (read.What) {
        case GlyphText::Kind::NotUtf8: return "it is not UTF-8 text";
        case GlyphText::Kind::TooMany:
            return "it holds " + mCore::FormatNumber(static_cast<long long>(read.Count)) + " different characters, more than " +
                   mCore::FormatNumber(static_cast<long long>(mRain::MaxCustomGlyphs));
        default: return "it holds no character to draw";
    }
}

using Drawn = mFonts::cGlyphPainter::Drawn;

// What the characters the chosen font did not draw itself came to, one sentence each. Where the
// user named no font, the default font's gaps are filled without a word.
std::vector<std::string> DrawnElsewhere(const Drawn& drawn, const std::string& font, bool named) {
    std::vector<std::string> notes;
    if (!drawn.Undrawable.empty()) {
        const bool allDrawn = std::all_of(drawn.Undrawable.begin(), drawn.Undrawable.end(),
                                          [&](char32_t c) { return drawn.Chars.find(c) != std::u32string::npos; });
        notes.push_back(font + " cannot draw " + Named(drawn.Undrawable) + ": " + drawn.Why +
                        (allDrawn ? "; drawn from other fonts." : "; left out where no other font has them."));
    }
    if (named && !drawn.Borrowed.empty()) notes.push_back(font + " has no " + Named(drawn.Borrowed) + ": drawn from other fonts.");
    if (!drawn.Missing.empty()) notes.push_back("No installed font has " + Named(drawn.Missing) + ": left out.");
    return notes;
}

// Why none of the characters could be drawn.
std::string WhyNoneDrawn(const Drawn& drawn, const std::string& font) {
    if (drawn.Undrawable.empty()) return "no installed font has any of its characters";
    return font + " cannot draw " + Named(drawn.Undrawable) + ": " + drawn.Why +
           (drawn.Missing.empty() ? "" : "; no installed font has the others");
}

}  // namespace

std::vector<SettingOverride> WithCustomSetShown(std::vector<SettingOverride> overrides) {
    for (size_t i = overrides.size(); i-- > 0;)
        if (overrides[i].Key == SettingKey::CustomGlyphs)
            overrides.insert(overrides.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                             {std::string(SettingKey::Glyphs), std::to_string(mRain::CustomGlyphSet)});
    return overrides;
}

void cCustomGlyphs::Start(const SettingsValues& settings) {
    if (settings.Glyphs != mRain::CustomGlyphSet) return;
    const std::string& stored = settings.CustomGlyphs;
    const GlyphText read = mFonts::ReadGlyphText(stored, mRain::MaxCustomGlyphs);
    if (read.What != GlyphText::Kind::Glyphs) {
        SayOnStandardError(StoredUnusable(SettingKey::CustomGlyphs, stored, WhyNoGlyphs(read), "Classic"));
        return;
    }
    if (!ChooseStoredFont(settings, true))
        SayOnStandardError(StoredUnusable(SettingKey::CustomGlyphs, stored, "no font is installed", "Classic"));
    else if (!DrawSet(read.Chars, true))
        SayOnStandardError(StoredUnusable(SettingKey::CustomGlyphs, stored, NoneDrawn_, "Classic"));
}

int32_t cCustomGlyphs::ShownSet(const SettingsValues& settings) const {
    const int32_t set = settings.Glyphs;
    return set == mRain::CustomGlyphSet && Chars_.empty() ? 0 : set;
}

bool cCustomGlyphs::ChooseStoredFont(const SettingsValues& settings, bool iAtStart) {
    if (Painter_.HasFont()) return true;
    const std::string& stored = settings.GlyphFont;
    std::string why, unused;
    NamedFont_ = !stored.empty() && Painter_.UseFont(stored, why);
    if (NamedFont_) return true;
    if (!Painter_.UseFont(mFonts::DefaultFont(), unused)) return false;
    if (stored.empty()) return true;
    const std::string instead = Painter_.FontName();
    if (iAtStart) SayOnStandardError(StoredUnusable(SettingKey::GlyphFont, stored, why, instead));
    else SayInBox("The font \"" + stored + "\" cannot be used: " + why + ". " + instead + " is used instead.", GlyphFontTitle);
    return true;
}

bool cCustomGlyphs::DrawSet(std::u32string_view iChars, bool iAtStart) {
    Drawn drawn = Painter_.Draw(iChars);
    if (drawn.Chars.empty()) {
        NoneDrawn_ = WhyNoneDrawn(drawn, Painter_.FontName());
        if (iAtStart) return false;  // the caller says so
        SayInBox(drawn.Undrawable.empty() ? "No installed font has any of these characters: " + Named(drawn.Missing) + "."
                                          : "These characters cannot be drawn: " + NoneDrawn_ + ".",
                 GlyphsTitle);
        return false;
    }
    std::string notes;
    for (const std::string& note : DrawnElsewhere(drawn, Painter_.FontName(), NamedFont_)) {
        if (iAtStart) SayOnStandardError(note);
        notes += (notes.empty() ? "" : "\n") + note;
    }
    if (!iAtStart && !notes.empty()) SayInBox(notes, GlyphsTitle);
    Chars_ = std::move(drawn.Chars);
    Cells_ = std::move(drawn.Cells);
    return true;
}

bool cCustomGlyphs::AskForGlyphs(SettingsModel& settings) {
    const auto stored = mFonts::ReadGlyphText(settings.Values().CustomGlyphs, mRain::MaxCustomGlyphs);
    const std::string current = mFonts::EncodeUtf8(Chars_.empty() ? stored.Chars : Chars_);
    const auto answer = mCore::Dialogs().InputBox(GlyphsPrompt, GlyphsTitle, current);
    const GlyphText read = mFonts::ReadGlyphText(answer.value_or(""), mRain::MaxCustomGlyphs);
    switch (read.What) {
        case GlyphText::Kind::Empty:
            return false;
        case GlyphText::Kind::NotUtf8:
            SayInBox("That text is not UTF-8.", GlyphsTitle);
            return false;
        case GlyphText::Kind::NoGlyphs:
            SayInBox("Blanks and control characters cannot rain: type letters, signs or symbols.", GlyphsTitle);
            return false;
        case GlyphText::Kind::TooMany:
            SayInBox("At most " + mCore::FormatNumber(static_cast<long long>(mRain::MaxCustomGlyphs)) +
                         " different characters can rain; that text has " +
                         mCore::FormatNumber(static_cast<long long>(read.Count)) + ".",
                     GlyphsTitle);
            return false;
        case GlyphText::Kind::Glyphs:
            break;
    }
    if (!ChooseStoredFont(settings.Values(), false) || !DrawSet(read.Chars, false)) return false;
    settings.Set(&SettingsValues::CustomGlyphs, mFonts::EncodeUtf8(Chars_));
    return true;
}

bool cCustomGlyphs::AskForFont(SettingsModel& settings) {
    const std::string stored = settings.Values().GlyphFont;
    const auto answer = mCore::Dialogs().InputBox(GlyphFontPrompt, GlyphFontTitle,
                                                  stored.empty() ? mFonts::DefaultFont() : stored);
    const std::string font(mCore::Trim(answer.value_or("")));
    if (font.empty()) return false;
    std::string why;
    if (!Painter_.UseFont(font, why)) {
        SayInBox("The font \"" + font + "\" cannot be used: " + why + ".", GlyphFontTitle);
        return false;
    }
    NamedFont_ = true;
    settings.Set(&SettingsValues::GlyphFont, font);
    if (Chars_.empty()) return false;
    const std::u32string chars = Chars_;
    if (!DrawSet(chars, false)) return false;
    settings.Set(&SettingsValues::CustomGlyphs, mFonts::EncodeUtf8(Chars_));
    return true;
}

bool cCustomGlyphs::ReadAtlas(const std::string& iAtlasFile) {
    if (!Atlas_.Empty() && AtlasFile_ == iAtlasFile) return true;
    std::string why;
    if (!mImage::ReadPng(iAtlasFile, Atlas_, why)) {
        SayOnStandardError("the custom glyphs cannot be drawn into " + iAtlasFile + ": " + why);
    } else if (Atlas_.Width != Atlas_.Height || Atlas_.Width % 16 != 0 || Atlas_.Width == 0) {
        SayOnStandardError("the custom glyphs cannot be drawn into " + iAtlasFile + ": it is no square of 16 x 16 cells");
    } else {
        AtlasFile_ = iAtlasFile;
        return true;
    }
    Atlas_ = cImage();
    return false;
}

namespace {

// A 64-pixel cell's grey level at (x, y) of a cell of iSide pixels: the mean of the pixels it
// covers, or the nearest one where the cell is larger (an atlas of other than 1024 texels).
uint32_t ScaledGrey(const mFonts::CellPicture& cell, int x, int y, int side) {
    constexpr int Drawn = mFonts::CellPixels;
    const int x0 = x * Drawn / side, x1 = std::max(x0 + 1, (x + 1) * Drawn / side);
    const int y0 = y * Drawn / side, y1 = std::max(y0 + 1, (y + 1) * Drawn / side);
    uint32_t sum = 0;
    for (int v = y0; v < y1; ++v)
        for (int u = x0; u < x1; ++u) sum += cell.At(u, v);
    const uint32_t count = static_cast<uint32_t>((x1 - x0) * (y1 - y0));
    return (sum + count / 2) / count;
}

}  // namespace

void cCustomGlyphs::PutIntoAtlas(cDevice& device, int32_t texture, const std::string& iAtlasFile) {
    if (Chars_.empty() || !ReadAtlas(iAtlasFile)) return;
    const int side = Atlas_.Width / 16;
    for (size_t i = 0; i < mRain::CustomGlyphCells.size(); ++i) {
        const mRain::GlyphCell cell = mRain::CustomGlyphCells[i];
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const uint32_t v = i < Cells_.size() ? ScaledGrey(Cells_[i], x, y, side) : 0;  // the unused ones black again
                Atlas_.At(cell.Col * side + x, cell.Row * side + y) = 0xFF000000u | (v << 16) | (v << 8) | v;
            }
    }
    device.ReplaceTexture(texture, Atlas_);
}

}  // namespace app

// The characters a typed text comes to, the cell rule the atlas was drawn by, and the fonts
// the painter draws from: the one asked for, fontconfig's fallbacks, and those it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "device/cImage.h"
#include "fonts/GlyphText.h"
#include "fonts/cFontFace.h"
#include "fonts/cGlyphPainter.h"

using mFonts::GlyphText;

namespace {
constexpr const char* DejaVuBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* DejaVuMonoBold = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
}  // namespace

TEST(GlyphText, TakesEachCharacterOnceWithoutBlanksOrControlsAndRefusesWhatIsNoTextOrTooMuch) {
    const struct {
        std::string Typed;
        GlyphText::Kind What;
        std::u32string Chars;
    } cases[] = {
        {"\u16A0\u16A2 \u16A0\u16A6", GlyphText::Kind::Glyphs, U"\u16A0\u16A2\u16A6"},
        {"a\u200Db\uFE0F\u00A0a\tc", GlyphText::Kind::Glyphs, U"abc"},  // a joiner, a variation selector, blanks
        {"\U0001F600", GlyphText::Kind::Glyphs, U"\U0001F600"},
        {"", GlyphText::Kind::Empty, U""},
        {" \u3000\u2003", GlyphText::Kind::Empty, U""},
        {"\x01\x7F\t\n", GlyphText::Kind::NoGlyphs, U""},
        {"\xC3\x28", GlyphText::Kind::NotUtf8, U""},           // a lead byte without its follower
        {"\xC0\xAF", GlyphText::Kind::NotUtf8, U""},           // an overlong "/"
        {"\xED\xA0\x80", GlyphText::Kind::NotUtf8, U""},       // a surrogate
        {"\xF4\x90\x80\x80", GlyphText::Kind::NotUtf8, U""},   // past U+10FFFF
        {"ab\xE2\x82", GlyphText::Kind::NotUtf8, U""},         // cut short
    };
    for (const auto& c : cases) {
        const GlyphText read = mFonts::ReadGlyphText(c.Typed, 96);
        EXPECT_EQ(read.What, c.What) << c.Typed;
        EXPECT_EQ(read.Chars, c.Chars) << c.Typed;
        if (read.What != GlyphText::Kind::Glyphs) continue;
        EXPECT_EQ(mFonts::DecodeUtf8(mFonts::EncodeUtf8(read.Chars)), read.Chars);
    }
    std::string many;
    for (char32_t c = 0x4E00; c < 0x4E00 + 10000; ++c) many += mFonts::EncodeUtf8(std::u32string(1, c));
    const GlyphText tooMany = mFonts::ReadGlyphText(many + many, 96);
    EXPECT_EQ(tooMany.What, GlyphText::Kind::TooMany);
    EXPECT_EQ(tooMany.Count, 10000u);
    EXPECT_EQ(mFonts::ReadGlyphText(std::string(10000, 'x'), 96).Chars, U"x");
}

// The committed atlas's Latin sheet and further shapes (rows 0 to 7, columns 0 to 9) were drawn
// from DejaVu Sans Bold by the tool; the glyphs users choose are drawn by the same rule, so
// they take the same size, place and brightness.
TEST(FontCells, TheCellRuleDrawsTheCommittedAtlassCellsFromItsFont) {
    cImage atlas;
    std::string error;
    ASSERT_TRUE(mImage::ReadPng(GLYPHFALL_ATLAS_FILE, atlas, error)) << error;
    const auto face = mFonts::cFontFace::Open(DejaVuBold, 0, error);
    ASSERT_TRUE(face) << error;
    const struct {
        char32_t Char;
        int Col, Row;
    } cells[] = {{U'a', 6, 0}, {U'g', 0, 0}, {U'z', 2, 3}, {U'0', 1, 3}, {U'@', 6, 7}, {U'\u00A5', 0, 7},
                 {U'\\', 0, 5}, {U'\u03A3', 7, 0}, {U'\u0416', 7, 4}, {U'\u03A8', 8, 0}};
    for (const auto& c : cells) {
        mFonts::CellPicture drawn;
        ASSERT_TRUE(face->DrawCell(c.Char, drawn));
        int differing = 0;
        for (int y = 0; y < mFonts::CellPixels; ++y)
            for (int x = 0; x < mFonts::CellPixels; ++x) {
                const int committed = static_cast<int>(ChannelR(atlas.At(c.Col * 64 + x, c.Row * 64 + y)));
                differing += std::abs(committed - drawn.At(x, y)) > 2;  // a newer FreeType may round a little differently
            }
        EXPECT_EQ(differing, 0) << "U+" << std::hex << static_cast<unsigned>(c.Char);
    }
}

TEST(GlyphPainter, ACharacterTheFontLacksComesFromAFallbackAndOneNoFontHasIsLeftOut) {
    std::string error;
    const auto mono = mFonts::cFontFace::Open(DejaVuMonoBold, 0, error);
    ASSERT_TRUE(mono) << error;
    ASSERT_FALSE(mono->Has(U'\u2D30'));  // Tifinagh ⴰ: in DejaVu Sans, not in its mono face
    mFonts::cGlyphPainter painter;
    ASSERT_TRUE(painter.UseFont("DejaVu Sans Mono:bold", error)) << error;
    EXPECT_EQ(painter.FontName(), "DejaVu Sans Mono Bold");
    const auto drawn = painter.Draw(U"\u0416\u0378\u2D30\u2060");  // U+0378 is unassigned; U+2060 draws nothing
    EXPECT_EQ(drawn.Chars, U"\u0416\u2D30");
    EXPECT_EQ(drawn.Missing, U"\u0378\u2060");
    EXPECT_EQ(drawn.Borrowed, U"\u2D30");
    ASSERT_EQ(drawn.Cells.size(), 2u);
    mFonts::CellPicture own;
    ASSERT_TRUE(mono->DrawCell(U'\u0416', own));
    EXPECT_EQ(drawn.Cells[0].Grey, own.Grey);
    EXPECT_FALSE(drawn.Cells[1].Blank());
    EXPECT_EQ(mFonts::DescribeChar(U'\u16A0'), "\u16A0 (U+16A0)");
    EXPECT_EQ(mFonts::DescribeChar(U'\x1B'), "U+001B");
}

// Noto Color Emoji (fonts-noto-color-emoji) holds its glyphs only as colour bitmaps of 109
// pixels: they are drawn from those, at the size of any other glyph, their brightness the grey.
TEST(GlyphPainter, AColourEmojiFontIsDrawnFromItsBitmapsWithTheirFeaturesAndJoinedEmojiApart) {
    mFonts::cGlyphPainter painter;
    std::string error;
    ASSERT_TRUE(painter.UseFont("Noto Color Emoji", error)) << error;
    const std::u32string emoji = U"\U0001F600\U0001F389\U0001F40D\U0001F680";
    const auto drawn = painter.Draw(emoji + U"\u0416");
    EXPECT_EQ(drawn.Chars, emoji + U"\u0416");
    EXPECT_EQ(drawn.Borrowed, U"\u0416");  // the one it lacks, drawn from another font
    EXPECT_TRUE(drawn.Missing.empty() && drawn.Undrawable.empty()) << drawn.Why;
    for (size_t i = 0; i < emoji.size(); ++i) {
        const mFonts::CellPicture& cell = drawn.Cells[i];
        int left = mFonts::CellPixels, right = -1, brightest = 0, dark = 0;
        for (int y = 0; y < mFonts::CellPixels; ++y)
            for (int x = 0; x < mFonts::CellPixels; ++x) {
                if (cell.At(x, y) == 0) continue;
                left = std::min(left, x), right = std::max(right, x), brightest = std::max<int>(brightest, cell.At(x, y));
                const bool edge = std::min({x, y, mFonts::CellPixels - 1 - x, mFonts::CellPixels - 1 - y}) < mFonts::CellMargin;
                EXPECT_FALSE(edge) << "the margin is kept: " << i;
            }
        for (int y = 1; y + 1 < mFonts::CellPixels; ++y)  // dark inside, between lit pixels: a feature, no blot
            for (int x = 1; x + 1 < mFonts::CellPixels; ++x)
                dark += cell.At(x, y) < 64 && cell.At(x - 1, y) + cell.At(x + 1, y) > 0 && cell.At(x, y - 1) + cell.At(x, y + 1) > 0;
        EXPECT_EQ(brightest, 255) << i;
        EXPECT_GE(right - left, 36) << "as wide as a letter: " << i;
        if (i == 0) EXPECT_GT(dark, 10) << "the grinning face's eyes and mouth";
    }
    // A family joined by zero-width joiners rains as its members.
    const auto family = mFonts::ReadGlyphText("\U0001F468\u200D\U0001F469\u200D\U0001F467", 96);
    EXPECT_EQ(painter.Draw(family.Chars).Chars, U"\U0001F468\U0001F469\U0001F467");
}

TEST(GlyphPainter, AFontThatCannotBeUsedSaysWhyAndTheFontBeforeStays) {
    mFonts::cGlyphPainter painter;
    std::string error;
    ASSERT_TRUE(painter.UseFont(DejaVuBold, error)) << error;
    const struct {
        std::string Font, Why;
    } refused[] = {
        {std::string(GLYPHFALL_SOURCE_DIR) + "/docs/frame.png", "it is no font file FreeType can read"},
        {GLYPHFALL_SOURCE_DIR, "it is a folder, not a font file"},
        {"/no/such/font.ttf", "there is no such file"},
        {"~/no-such-font.otf", "there is no such file"},
        {"No Such Family Anywhere:bold", "no installed font is called No Such Family Anywhere"},
    };
    for (const auto& r : refused) {
        error.clear();
        EXPECT_FALSE(painter.UseFont(r.Font, error)) << r.Font;
        EXPECT_EQ(error, r.Why) << r.Font;
    }
    EXPECT_EQ(painter.FontName(), "DejaVu Sans Bold");
    EXPECT_EQ(painter.Draw(U"\u0416").Chars, U"\u0416");
    EXPECT_TRUE(painter.UseFont("sans-serif", error)) << "a generic family is any installed font";
    EXPECT_EQ(mFonts::DefaultFont(), mFonts::AtlasFont);
}

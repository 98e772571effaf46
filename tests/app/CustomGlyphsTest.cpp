// The "Custom" glyph set through the controller: chosen in the menu's boxes or read from the
// settings file, drawn into the atlas texture the capture device receives, dealt to the rain;
// and what cannot be used, each said and the rain still falling.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "app/frmMain.h"
#include "app/Startup.h"
#include "device/cCaptureDirect3D.h"
#include "device/mDXGraphics.h"
#include "fonts/GlyphText.h"
#include "fonts/cFontFace.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"
#include "support/FakeWindowPlatform.h"
#include "support/ProgramState.h"
#include "support/TempDir.h"

namespace {

constexpr const char* DejaVuBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int Cell = 64;

class CustomGlyphs : public ::testing::Test {
protected:
    void SetUp() override {
        Root = std::make_shared<cCaptureDirect3D>();
        mDXGraphics::SetDirect3DFactory([this] { return Root; });
        ASSERT_TRUE(mDXGraphics::Initialize());
        mCore::AppPath = Folder.Path + "/";
        std::string error;
        ASSERT_TRUE(mImage::WritePng(Folder.File("tex.png"), cImage(1024, 1024, 0xFF000000u), error)) << error;
        mCore::Settings.Value("ShowAds", "0");  // no logo text: every letter is a random glyph
        Platform.Clock.Ticks = 1000000;
    }
    void TearDown() override {
        mDXGraphics::Release();
        mDXGraphics::SetDirect3DFactory(nullptr);
    }
    cCaptureDevice& Dev() { return *Root->LastDevice; }
    // Answers the next input box and runs the menu command.
    void Choose(std::string_view control, int index, std::optional<std::string> answer) {
        Platform.Dialogs.Answers.push_back(std::move(answer));
        Form.RunMenuCommand({std::string(control), index});
    }
    void ChooseGlyphs(std::optional<std::string> answer) { Choose("mnuGlyphs", 4, std::move(answer)); }
    void ChooseFont(std::optional<std::string> answer) { Choose("mnuGlyphFont", -1, std::move(answer)); }
    std::string LastMessage() const {
        return Platform.Dialogs.Messages.empty() ? "" : Platform.Dialogs.Messages.back().Text;
    }

    void Frames(int count) {
        for (int frame = 0; frame < count; ++frame) {
            Platform.Clock.Ticks += 50;
            Form.Frame();
        }
    }
    // One frame; the atlas cells its letters show (the glows' larger cells left out), and the
    // atlas texture they were drawn from.
    std::set<std::pair<int, int>> FrameLetterCells(const cCaptureTexture** oAtlas = nullptr) {
        Dev().ClearRecords();
        Form.Frame();
        std::set<std::pair<int, int>> cells;
        for (const cCapturedDraw& draw : Dev().Draws) {
            if (!draw.Texture || draw.Vertices.empty()) continue;
            float u0 = 2, u1 = -1, v0 = 2, v1 = -1;
            for (const cBatchVertex& v : draw.Vertices)
                u0 = std::min(u0, v.U), u1 = std::max(u1, v.U), v0 = std::min(v0, v.V), v1 = std::max(v1, v.V);
            const int col = static_cast<int>(u0 * 16 + 1e-3f), row = static_cast<int>(v0 * 16 + 1e-3f);
            if (col < 4 && row >= 12) continue;  // a glow, or a part of one
            cells.emplace(col, row);
            if (oAtlas) *oAtlas = draw.Texture;
        }
        return cells;
    }

    testing_support::ScopedProgramState Program{{{}, [] { mDXGraphics::Release(); }, {}}};
    testing_support::TempDir Folder;
    testing_support::ScopedFakePlatform Platform;
    std::shared_ptr<cCaptureDirect3D> Root;
    app::testing::FakeWindowPlatform Window;
    mCore::cRandom Rnd{7};
    frmMain Form{Window, mCore::Settings, Platform.Clock, Rnd};
};

// A texture cell's grey levels.
mFonts::CellPicture CellOf(const cImage& atlas, int col, int row) {
    mFonts::CellPicture cell;
    for (int y = 0; y < Cell; ++y)
        for (int x = 0; x < Cell; ++x) cell.Grey[y * Cell + x] = static_cast<uint8_t>(ChannelR(atlas.At(col * Cell + x, row * Cell + y)));
    return cell;
}

// The glyph as FreeType draws its outline at the largest size up to 46 pixels that leaves 5
// pixels free on every side of a 64-pixel cell, centred and mirrored as the atlas holds it.
mFonts::CellPicture FreeTypeCell(FT_Face face, char32_t c) {
    mFonts::CellPicture cell;
    for (int size = 46; size >= 12; size -= 2) {
        FT_Set_Pixel_Sizes(face, 0, size);
        FT_Load_Char(face, c, FT_LOAD_RENDER);
        const FT_Bitmap& b = face->glyph->bitmap;
        const int w = static_cast<int>(b.width), h = static_cast<int>(b.rows);
        if (w > 54 || h > 54) continue;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) cell.Grey[((Cell - h) / 2 + y) * Cell + Cell - 1 - ((Cell - w) / 2 + x)] = b.buffer[y * b.pitch + x];
        break;
    }
    return cell;
}

}  // namespace

TEST_F(CustomGlyphs, AOneCharacterSetFromTheFileIsTheOnlyGlyphEveryLetterOfASeededFrameShows) {
    mCore::Settings.Value("Glyphs", "4");
    mCore::Settings.Value("CustomGlyphs", "\u0416");
    Form.Load();
    const cCaptureTexture* atlas = nullptr;
    const auto cells = FrameLetterCells(&atlas);
    EXPECT_EQ(cells, (std::set<std::pair<int, int>>{{10, 0}}));
    ASSERT_TRUE(atlas);
    FT_Library library;
    FT_Face face;
    ASSERT_FALSE(FT_Init_FreeType(&library) || FT_New_Face(library, DejaVuBold, 0, &face));
    EXPECT_EQ(CellOf(atlas->Image, 10, 0).Grey, FreeTypeCell(face, U'\u0416').Grey);
    EXPECT_TRUE(Form.Menu.Checked("mnuGlyphs", 4));
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST_F(CustomGlyphs, AnAtlasOfAnotherSizeTakesTheGlyphsScaledToItsCells) {
    std::string error;
    ASSERT_TRUE(mImage::WritePng(Folder.File("tex.png"), cImage(256, 256, 0xFF000000u), error)) << error;
    mCore::Settings.Value("Glyphs", "4");
    mCore::Settings.Value("CustomGlyphs", "\u0416");
    Form.Load();
    const cCaptureTexture* atlas = nullptr;
    EXPECT_EQ(FrameLetterCells(&atlas), (std::set<std::pair<int, int>>{{10, 0}}));
    ASSERT_TRUE(atlas && atlas->Image.Width == 256);
    long inside = 0, outside = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) (x / 16 == 10 && y / 16 == 0 ? inside : outside) += ChannelR(atlas->Image.At(x, y));
    EXPECT_GT(inside, 255 * 20);
    EXPECT_EQ(outside, 0);
}

TEST_F(CustomGlyphs, CellsMatchTheFontsOutlinesAndTheSetAndFontRoundTripThroughTheMenuAndTheFile) {
    Form.Load();
    ChooseGlyphs("\u0379\u0436\u03C9 W \u0436|\u0378");  // U+0378 and U+0379 are unassigned: no font has them
    EXPECT_EQ(LastMessage(), "No installed font has \u0379 (U+0379), \u0378 (U+0378): left out.");
    EXPECT_EQ(mCore::Settings.Value("CustomGlyphs").Text(), "\u0436\u03C9W|");
    EXPECT_TRUE(Form.Menu.Checked("mnuGlyphs", 4) && !Form.Menu.Checked("mnuGlyphs", 0));
    ChooseFont("DejaVu Sans Mono:bold");
    EXPECT_EQ(mCore::Settings.Value("GlyphFont").Text(), "DejaVu Sans Mono:bold");
    Frames(80);  // the Classic glyphs shown have all changed since
    const cCaptureTexture* atlas = nullptr;
    EXPECT_EQ(FrameLetterCells(&atlas), (std::set<std::pair<int, int>>{{10, 0}, {11, 0}, {12, 0}, {13, 0}}));
    FT_Library library;
    FT_Face mono;
    ASSERT_FALSE(FT_Init_FreeType(&library) ||
                 FT_New_Face(library, "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf", 0, &mono));
    const std::u32string chars = U"\u0436\u03C9W|";
    for (int i = 0; i < 4; ++i) EXPECT_EQ(CellOf(atlas->Image, 10 + i, 0).Grey, FreeTypeCell(mono, chars[i]).Grey) << i;
    EXPECT_TRUE(CellOf(atlas->Image, 14, 0).Blank());
    FT_Done_Face(mono);
    FT_Done_FreeType(library);

    ASSERT_TRUE(mCore::Settings.SaveData(Folder.File("glyphfall.ini")));
    cValues written;
    ASSERT_TRUE(written.LoadData(Folder.File("glyphfall.ini")));
    app::testing::FakeWindowPlatform again;
    frmMain next(again, written, Platform.Clock, Rnd);
    next.Load();
    EXPECT_TRUE(next.Menu.Checked("mnuGlyphs", 4));
    EXPECT_EQ(next.Rain.CustomGlyphCount(), 4);
    next.MainDevice->Release();
}

TEST_F(CustomGlyphs, WhatTheBoxesCannotUseIsSaidAndChangesNothingWhileTheRainFalls) {
    Form.Load();
    ChooseGlyphs("AB");
    std::string many;
    for (char32_t c = 0x4E00; c < 0x4E00 + 10000; ++c) many += mFonts::EncodeUtf8(std::u32string(1, c));
    const struct {
        std::string_view Control;
        std::optional<std::string> Answer;
        std::string Message;  // its start; none for cancelling or nothing typed
    } answers[] = {
        {"mnuGlyphs", many, "At most 96 different characters can rain; that text has 10000."},
        {"mnuGlyphs", "\x01\x02\t\x1B", "Blanks and control characters cannot rain"},
        {"mnuGlyphs", "\u0378", "No installed font has any of these characters: \u0378 (U+0378)."},
        {"mnuGlyphs", "   ", ""},
        {"mnuGlyphs", std::nullopt, ""},
        {"mnuGlyphFont", std::string(GLYPHFALL_SOURCE_DIR) + "/docs/frame.png", "The font \"" GLYPHFALL_SOURCE_DIR "/docs/frame.png\" cannot be used: it is no font file"},
        {"mnuGlyphFont", GLYPHFALL_SOURCE_DIR, "The font \"" GLYPHFALL_SOURCE_DIR "\" cannot be used: it is a folder"},
        {"mnuGlyphFont", "/no/such/font.ttf", "The font \"/no/such/font.ttf\" cannot be used: there is no such file."},
        {"mnuGlyphFont", "", ""},
    };
    for (const auto& a : answers) {
        Platform.Dialogs.Messages.clear();
        Choose(a.Control, a.Control == "mnuGlyphs" ? 4 : -1, a.Answer);
        EXPECT_EQ(LastMessage().substr(0, a.Message.size()), a.Message) << a.Message;
        EXPECT_EQ(Platform.Dialogs.Messages.size(), a.Message.empty() ? 0u : 1u) << a.Message;
        EXPECT_EQ(mCore::Settings.Value("CustomGlyphs").Text(), "AB");
        EXPECT_TRUE(mCore::Settings.Value("GlyphFont").IsEmpty());
        EXPECT_EQ(Form.Rain.CustomGlyphCount(), 2);
        EXPECT_FALSE(FrameLetterCells().empty()) << "the rain falls on";
    }
}

TEST_F(CustomGlyphs, AStoredSetThatCannotBeUsedReadsAsClassicAndStandardErrorSaysWhy) {
    std::string tooMany;
    for (char32_t c = 0x4E00; c < 0x4E00 + 10000; ++c) tooMany += mFonts::EncodeUtf8(std::u32string(1, c));
    const struct {
        std::string Glyphs, Font, Said;
        bool Custom;  // the custom set is shown
    } stored[] = {
        {"\xFF\xFE\x41", "", "\"CustomGlyphs\" = \"??A\" cannot be used: it is not UTF-8 text; Classic is used instead", false},
        {tooMany, "", "cannot be used: it holds 10000 different characters, more than 96; Classic is used", false},
        {"\x01\x02\x03", "", "cannot be used: it holds no character to draw; Classic is used", false},
        {"\u0378", "", "cannot be used: no installed font has any of its characters; Classic is used", false},
        {"\u0416", "/no/such.ttf", "\"GlyphFont\" = \"/no/such.ttf\" cannot be used: there is no such file; DejaVu Sans Bold is used instead", true},
        {std::string(3000, 'x') + "\x01", "", "", true},  // one character, however often: nothing to say
        // A font of colour bitmaps draws its own (fonts-noto-color-emoji); what it lacks is said.
        {"\U0001F600\U0001F389\u0416", "Noto Color Emoji", "Noto Color Emoji has no \u0416 (U+0416): drawn from other fonts.", true},
    };
    for (const auto& s : stored) {
        cValues settings;
        settings.Value("ShowAds", "0");
        settings.Value("Glyphs", "4");
        settings.Value("CustomGlyphs", s.Glyphs);
        if (!s.Font.empty()) settings.Value("GlyphFont", s.Font);
        app::testing::FakeWindowPlatform window;
        frmMain form(window, settings, Platform.Clock, Rnd);
        testing::internal::CaptureStderr();
        form.Load();
        const std::string said = testing::internal::GetCapturedStderr();
        if (s.Said.empty()) EXPECT_EQ(said, "");
        else EXPECT_NE(said.find(s.Said), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), s.Said.empty() ? 0 : 1) << said;
        EXPECT_TRUE(form.Menu.Checked("mnuGlyphs", s.Custom ? 4 : 0)) << said;
        EXPECT_EQ(settings.Value("CustomGlyphs").Text(), s.Glyphs) << "the file keeps what it holds";
        Dev().ClearRecords();
        form.Frame();
        EXPECT_GT(Dev().Draws.size(), 100u) << "the rain falls";
        form.MainDevice->Release();
    }
}

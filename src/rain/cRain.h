#pragma once
// The rain model: the columns ("groups") of falling glyphs, their letters, the glyph table,
// the per-frame animation, spelled words and logo texts, the rain colour and the sizing of
// the group table. Plain C++: no window, no graphics. The window owns one cRain and drives it
// between frames; the renderers only read it.
//
// Driving it, once per frame (the main loop's order):
//     rain.SampleNow();
//     rain.RandomColorStep();        // only while "Random colors" is checked
//     rain.FadeLetterColor();
//     rain.FlyStep = ...;            // the current fly speed
//     rain.SetupLogo(showAdsChecked);// samples Now from the clock, may spell a logo
//     rain.Animate();                // moves every group, then sorts them by depth
//     ... draw, then camera.AddPosition(0, -s, 0)
// At start-up: set the fields from the settings (ReadSettings does the rain's own ones),
// SetColor(Color) and LetterColor = TargetColor, SetupChars, SetupBackground(Count), SetupLogo,
// StartColorTimer when the loop begins.
//
// What the renderers read: Groups[0..GroupMax()] in that order (ascending Y: farthest first),
// per group Active, X, Y, Z, Leader, LetterMax, Letters, Alpha, WordAlpha, Arrived, Vertical,
// per letter Col, Row, Phase; LetterColor (r, g, b); Distance. Letters[0] is the head. Skip
// groups that are not Active: a spelled letter that has faded stays in the table, inactive,
// until the next text or table sizing drops it.
//
// Word letters are told from ordinary columns by IsWord, not by their index: the depth sort
// mixes them. A new text drops exactly the last text's letters, and there are always
// BaseGroupMax + 1 ordinary columns; a word letter never turns into a column.
//
// Numbers follow one rule throughout: fields are single precision, arithmetic in between is
// double precision, whole numbers come from rounding half to even, floor goes toward minus
// infinity. Every draw from the random source is a fresh one.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Platform.h"
#include "rain/CameraDepth.h"
#include "rain/ColorScheme.h"

struct RgbColor;
struct SettingsValues;

namespace mRain {

// One glyph of a trail. Sixteen bytes: the animation and the renderers walk every letter
// every frame, and with many columns that walk is bound by memory, not arithmetic.
struct Letter {
    int16_t Col = 0;        // atlas column of the glyph shown (a 16 x 16 atlas at most)
    int16_t Row = 0;        // atlas row
    float Phase = 0;        // flicker phase; the renderer turns it into brightness
    float PhaseStep = 0;    // added to Phase on about half of the frames
    int32_t ChangeTime = 0; // tick at which the glyph changes next
};
static_assert(sizeof(Letter) == 16);

// One column of the rain.
struct Group {
    bool Active = false;     // inactive groups are neither moved nor drawn
    float X = 0;             // head, across the screen; horizontal groups move along X
    float Y = 0;             // depth; the sort key (more negative is farther away)
    float Z = 0;             // head, vertical (down is +); vertical groups move along Z
    float Speed = 0;         // cells per frame
    bool Leader = false;     // shows a bright leader at its head
    int32_t LetterMax = 0;   // upper index of Letters
    std::vector<Letter> Letters;  // the trail, LetterMax + 1 letters; index 0 is the head
    bool Fading = false;
    float Alpha = 0;         // 0..1, fades in and out
    float WordAlpha = 0;     // 1 until an arrived word letter's hold is over, then fades below 0
    int32_t HoldUntil = 0;   // tick until which an arrived word letter stays
    bool IsWord = false;     // carries one letter of a spelled text
    float WordCol = 0;       // that letter's atlas cell
    float WordRow = 0;
    bool Arrived = false;    // the word letter reached TargetZ and is held there
    float TargetZ = 0;
    bool Vertical = false;   // true: falls along +Z; false: runs along +X
    float LastCell = 0;      // whole-cell position of the moving coordinate at the last shift
    Color Tint;              // the column's own colour where the scheme gives each one (eased)
};

// Asks the processor to start loading a group's letters. Walks over all groups visit the
// letter buffers in depth order, which is no order of address, and each too briefly for the
// processor to notice a stream; asking for the group after next hides most of the wait.
inline void PrefetchLetters(const Group& g) {
    const char* letters = reinterpret_cast<const char*>(g.Letters.data());
    const size_t bytes = g.Letters.size() * sizeof(Letter);
    for (size_t at = 0; at < bytes; at += 64) __builtin_prefetch(letters + at, 1);
}

// One entry of the glyph table: a character (UTF-8, lower case) and its atlas cell.
struct CharCell {
    std::string Char;
    int32_t Col = 0;
    int32_t Row = 0;
};

// A block of atlas cells that random glyphs are drawn from: its first cell and its size.
struct GlyphBlock {
    int32_t Col, Row, Cols, Rows;
};

// The sets of "Select glyphs", in menu order; the "Glyphs" setting is the index. Spelled texts
// always use the glyph table, whichever set the rain draws from. Which characters lie in
// which cells: the "Glyph atlas" section of the README.
inline constexpr std::array<GlyphBlock, 4> GlyphSets{{
    {0, 0, 10, 8},   // Classic: Latin letters, digits, signs and 24 further shapes
    {0, 8, 14, 4},   // Katakana: 46 half-width katakana and the digits 0 to 9
    {0, 11, 10, 1},  // Digits: 0 to 9, the last row of the katakana block
    {0, 3, 2, 1},    // Binary: the "1" and "0" of the Latin sheet, side by side
}};

// The "Custom" set: glyphs the program draws at run time from characters and a font the user
// chooses, into the atlas cells no built-in set uses: columns 10 to 15 of rows 0 to 7, then
// columns 4 to 15 of rows 12 to 15, row by row. The "Glyphs" setting is CustomGlyphSet.
inline constexpr int32_t CustomGlyphSet = static_cast<int32_t>(GlyphSets.size());
inline constexpr size_t MaxCustomGlyphs = 96;
struct GlyphCell {
    int16_t Col, Row;
};
inline constexpr std::array<GlyphCell, MaxCustomGlyphs> CustomGlyphCells = [] {
    std::array<GlyphCell, MaxCustomGlyphs> cells{};
    size_t at = 0;
    for (int16_t row = 0; row < 8; ++row)
        for (int16_t col = 10; col < 16; ++col) cells[at++] = {col, row};
    for (int16_t row = 12; row < 16; ++row)
        for (int16_t col = 4; col < 16; ++col) cells[at++] = {col, row};
    return cells;
}();

// The logo texts, in the order SetupLogo numbers them.
inline constexpr std::array<std::string_view, 5> LogoTexts{{
    "www.glyphfall.dev",
    "glyphfall.dev/rain",
    "play.glyphfall.dev<br>Online Game",
    "The glyphfall has you.",
    "Quellwerk",
}};

// One easing step of a colour channel toward its target; never overshoots, stays in 0..1.
void FadeTo(float& current, float target);

// The whole cells the drawn head of group g (its head letter's cell along its axis) moves on
// at the next step if nothing happens to the group there: what a frame between two steps
// moves it by, in part. 0 for a spelled letter that has arrived or arrives at that step (it
// stops there); a restart is a step event, not a movement, so it is not foreseen.
int32_t HeadCellsAtNextStep(const Group& g);

}  // namespace mRain

class cRain {
public:
    // The model reads the camera's depth, the tick count and the random source it is given;
    // all three must outlive it. Its settings come as typed values (ReadSettings and the
    // fields below); it never reads the settings store.
    cRain(const mRain::iCameraDepth& camera, mCore::iClock& clock, mCore::cRandom& rnd);

    // ---- State (public so the window and the renderers can read it; see the top) ----

    // All columns; the ordinary ones and the letters of the spelled text together, sorted by
    // Y ascending after every Animate.
    std::vector<mRain::Group> Groups;
    int32_t GroupMax() const { return static_cast<int32_t>(Groups.size()) - 1; }  // upper index of Groups
    // The "Count" setting: there are always BaseGroupMax + 1 ordinary groups (IsWord false).
    int32_t BaseGroupMax = 0;

    // Random glyphs take atlas columns AtlasFirstCol .. + AtlasCols - 1 and rows AtlasFirstRow
    // .. + AtlasRows - 1: the block of the chosen glyph set (SelectGlyphs).
    int32_t AtlasCols = 10;
    int32_t AtlasRows = 8;
    int32_t AtlasFirstCol = 0;
    int32_t AtlasFirstRow = 0;
    int32_t FieldHalfWidth = 80;   // in cells
    int32_t FieldHalfHeight = 20;

    int32_t LengthMode = 1;        // "Length": 0 short, 1 medium, 2 long trails
    int32_t LeaderPercent = 35;    // "Leaders": percentage of new groups with a leader
    float MaxSpeed = 0.5f;         // "FallSpeed"
    float MinSpeed = 0.1f;         // 0.2 * MaxSpeed
    float Distance = 70;           // "Distance": how far ahead of the camera groups start
    double HorizontalPercent = 50;  // "Horizontal": percentage of new groups that run sideways
    float FlyStep = 0;             // camera travel per frame; the main loop keeps it
    int32_t LogoCount = 0;         // SetupLogo calls so far; 0 means the first fill
    int32_t NextLogoTime = 0;      // no logo before this tick
    int32_t Now = 0;               // the tick of the current frame (SetupLogo samples it)

    std::vector<mRain::CharCell> Chars;  // the glyph table
    int32_t CharMax() const { return static_cast<int32_t>(Chars.size()) - 1; }  // upper index of Chars

    mRain::Color TargetColor;      // the colour chosen
    mRain::Color LetterColor;      // the colour shown, eased toward TargetColor
    int32_t NextColorTime = 0;     // tick of the next random colour

    // ---- Settings ----

    // Copies "Leaders", "Length", "Distance", "FallSpeed" and "Horizontal" into the fields above.
    void ReadSettings(const SettingsValues& settings);
    // Now = the current tick (the main loop's sample at the top of a frame).
    void SampleNow();

    // ---- Groups and letters ----

    // Re-creates group iGroup as a fresh random ordinary column.
    void ResetGroup(int32_t iGroup);
    // Makes group Index a column carrying the glyph at atlas cell (x, Y) that stops with its
    // head at Z = PosY, across the screen at Pos.
    void SetGroupLetter(int32_t Index, float Pos, float PosY, int32_t x, int32_t Y);
    // A fresh random letter for trail position Index.
    mRain::Letter NewLetter(int32_t Index);
    // Stable ascending order by Y. A table still in order costs one pass; a few groups out of
    // place cost about one more; any disorder at most n log n. Allocates nothing once the
    // table has had its size.
    void SortGroups();

    // ---- Glyph table and glyph sets ----

    void SetupChars();
    void AddChar(std::string_view iChar, int32_t iCol, int32_t iRow);
    // Index of the entry whose character is exactly iChar, or -1.
    int32_t FindChar(std::string_view iChar) const;
    // Random glyphs dealt from now on come from mRain::GlyphSets[iSet] (0..3). Letters keep
    // the glyph they show until their next change.
    void SelectGlyphs(int32_t iSet);
    // The same for the "Custom" set: the first iCount (1..96) of mRain::CustomGlyphCells, each
    // as likely as the others.
    void SelectCustomGlyphs(int32_t iCount);
    int32_t CustomGlyphCount() const { return CustomGlyphCount_; }  // 0 while a built-in set is chosen

    // ---- Animation ----

    // One frame: each column's own colour eased a step, fades, glyph changes and flicker,
    // movement, trail shifts, the held word
    // letters, recycling of groups that left the field; then SortGroups. Allocates nothing
    // while the length setting stays the same.
    void Animate();
    // New fall speed for the whole rain (0.01..10); every group keeps its offset from it.
    void ChangeSpeed(float s);

    // ---- Words and logos ----

    // Spells a text (lines split by "<br>" or CR LF) into the rain, replacing the last one.
    void SetupWord(std::string_view text);
    // Samples Now and counts the call; when iShowAds and a logo is due, spells one.
    void SetupLogo(bool iShowAds);

    // ---- Colours ----

    // The colour chosen: the letters fade toward it.
    void SetColor(const RgbColor& iColor);
    // Eases r, g and b of LetterColor one step toward TargetColor. (Animate eases each
    // column's own colour, where the scheme gives one.)
    void FadeLetterColor();
    // The colour a frame between two steps shows, iBetween (0 to 1) of the way from LetterColor
    // toward the next step's eased colour; LetterColor itself at 0.
    mRain::Color ShownColor(float iBetween) const;
    // Starts the random-colour timer at the current tick (when the main loop starts).
    void StartColorTimer();
    // While random colours are on, once per frame after Now is sampled: when the timer is
    // due, picks a new TargetColor and moves the timer 2 to 7 seconds on from where it was,
    // so after a pause it catches up one frame at a time. Where columns have colours of their
    // own, the same draw also turns their hues or their palette entries.
    void RandomColorStep();
    // The colour dialog's default text: the shown colour as "r,g,b" in 0..255.
    std::string UserColorDefault() const;
    // How the columns are coloured from now on. Columns with colours of their own ease from
    // the colour they show now to their new targets; nothing jumps.
    void SetColorScheme(mRain::ColorScheme iScheme);
    const mRain::ColorScheme& ColorScheme() const { return Scheme_; }

    // ---- Group table ----

    // Sizes the ordinary groups to iCount + 1 (a "Count" the settings have checked: 0 and up);
    // drops the spelled text's letters.
    void SetupBackground(int32_t iCount);

private:
    void SetupTrail(mRain::Group& group);
    // A random glyph cell: column, then row, one draw each.
    void DealGlyph(mRain::Letter& letter);
    void ShiftTrail(mRain::Group& group, int32_t steps);
    // The steps of Animate, in their order, for one active group.
    struct FlickerCoins {
        uint32_t Bits = 0;  // random bits for the flicker, one per letter
        int Left = 0;
    };
    void FadeStep(mRain::Group& group, size_t index);
    void GlyphStep(mRain::Group& group, FlickerCoins& coins);
    void MoveStep(mRain::Group& group);
    void LeaveStep(mRain::Group& group, double cameraY) const;
    void DropWordGroups();
    // SetupWord's steps: the glyph table entry of one character (case folded, -1 for none),
    // room for the text's letters, and the next letter's group (a spare one when there is).
    int32_t WordGlyph(std::string_view line, size_t pos, size_t length) const;
    void ReserveWordGroups(const std::vector<std::string_view>& lines);
    void AddWordGroup(size_t& spareUsed);
    float Rnd() { return Rnd_.Next(); }
    // The colour the scheme gives group g now (its hue or palette entry from its place across
    // the field, the slow drift and the last random shift).
    mRain::Color ColumnTarget(const mRain::Group& g) const;
    void EaseColumnColor(mRain::Group& g) const;

    const mRain::iCameraDepth& Camera_;
    mCore::iClock& Clock_;
    mCore::cRandom& Rnd_;
    int32_t CustomGlyphCount_ = 0;
    std::vector<mRain::Group> Spare_;  // the last text's letters, reused by the next text
    std::vector<uint64_t> SortKeys_;   // SortGroups' depth and position pairs; room for every group
    mRain::ColorScheme Scheme_;
    double ColorShift_ = 0;            // random colours' turn of the hues or the palette (0..1)
};

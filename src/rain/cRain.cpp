#include "rain/cRain.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "core/ErrorReport.h"
#include "core/NumberText.h"
#include "core/Numeric.h"
#include "core/Text.h"
#include "settings/SettingsValues.h"

using mCore::Floor;
using mCore::ToLong;
using mCore::ToSingle;
using mRain::Group;
using mRain::Letter;

// The names the error report gives the rain's procedures: the main window's, where they
// have always lived, and what a user reads in a report.
namespace ProcName {
constexpr char ResetGroup[] = "frmMain.ResetGroup";
constexpr char SortGroups[] = "frmMain.SortGroups";
constexpr char Animate[] = "frmMain.Animate";
constexpr char ChangeSpeed[] = "frmMain.ChangeSpeed";
constexpr char SetupWord[] = "frmMain.SetupWord";
constexpr char SetupBackground[] = "frmMain.SetupBackground";
}  // namespace ProcName

namespace {

size_t CharLength(std::string_view text, size_t pos) { return mCore::Utf8CharLength(text, pos); }

size_t CharCount(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) ++count;
    return count;
}

// Trail length per "Length" setting, and the room reserved so that no later trail of that
// mode needs a new buffer.
int32_t LongestTrail(int32_t lengthMode) {
    switch (lengthMode) {
        case 0: return 21;
        case 1: return 51;
        case 2: return 81;
        default: return 0;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Colours, free helpers

namespace mRain {

void FadeTo(float& current, float target) {
    float step = ToSingle(std::pow(ToSingle(std::fabs(static_cast<double>(current) - target)), 0.5) / 10);
    if (step < ToSingle(0.01)) step = 0.01f;
    if (current < target) {
        current = ToSingle(static_cast<double>(current) + step);
        if (current > target) current = target;
    } else if (current > target) {
        current = ToSingle(static_cast<double>(current) - step);
        if (current < target) current = target;
    }
    current = mCore::Clamp(current, 0, 1);
}

}  // namespace mRain

// ---------------------------------------------------------------------------------------------

cRain::cRain(const mRain::iCameraDepth& camera, mCore::iClock& clock, mCore::cRandom& rnd)
    : Camera_(camera), Clock_(clock), Rnd_(rnd) {}

void cRain::ReadSettings(const SettingsValues& settings) {
    LeaderPercent = settings.Leaders;
    LengthMode = settings.Length;
    Distance = settings.Distance;
    MaxSpeed = settings.FallSpeed;
    MinSpeed = ToSingle(MaxSpeed * 0.2);
    HorizontalPercent = settings.Horizontal;
}

void cRain::SampleNow() { Now = Clock_.TickCount(); }

// ---------------------------------------------------------------------------------------------
// Groups and letters

void cRain::DealGlyph(Letter& letter) {
    if (CustomGlyphCount_ > 0) [[unlikely]] {
        // One draw, every glyph alike. Not the built-in sets' rule (a column and a row, each
        // rounded, so the block's edges come up half as often): that one stays as it was, so
        // that their rain stays as it was.
        const int32_t pick = std::min(CustomGlyphCount_ - 1, static_cast<int32_t>(Rnd() * CustomGlyphCount_));
        const mRain::GlyphCell cell = mRain::CustomGlyphCells[static_cast<size_t>(pick)];
        letter.Col = cell.Col;
        letter.Row = cell.Row;
        return;
    }
    letter.Col = static_cast<int16_t>(AtlasFirstCol + ToLong(Rnd() * (AtlasCols - 1.0)));
    letter.Row = static_cast<int16_t>(AtlasFirstRow + ToLong(Rnd() * (AtlasRows - 1.0)));
}

Letter cRain::NewLetter(int32_t Index) {
    Letter letter;
    DealGlyph(letter);
    letter.ChangeTime = ToLong(Rnd() * 2000.0 + Now);
    // Neighbours start half a radian apart, so a fresh trail ripples instead of blinking as one.
    letter.Phase = ToSingle(Index / 2.0 + 3.141 + 2.0 * Rnd());
    letter.PhaseStep = ToSingle(Rnd() * 0.1);
    return letter;
}

void cRain::SetupTrail(Group& group) {
    switch (LengthMode) {
        case 0: group.LetterMax = ToLong(Rnd() * 15.0 + 5); break;
        case 1: group.LetterMax = ToLong(Rnd() * 40.0 + 10); break;
        case 2: group.LetterMax = ToLong(Rnd() * 60.0 + 20); break;
        default: break;  // Not a bug: an unknown length keeps the trail length the slot had.
    }
    if (group.LetterMax < 0) group.LetterMax = 0;
    const size_t count = static_cast<size_t>(group.LetterMax) + 1;
    // Room for the longest trail of this mode, once: a recycled group then never allocates.
    const size_t room = std::max(count, static_cast<size_t>(LongestTrail(LengthMode)));
    if (group.Letters.capacity() < room) group.Letters.reserve(room);
    group.Letters.resize(count);
    for (size_t i = 0; i < count; ++i) group.Letters[i] = NewLetter(static_cast<int32_t>(i));
}

void cRain::ResetGroup(int32_t iGroup) {
    mCore::Guarded(ProcName::ResetGroup, [&] {
        Group& g = Groups.at(static_cast<size_t>(iGroup));
        g.Active = true;
        SetupTrail(g);

        // Not a bug: the first fill (LogoCount 0) has no horizontal groups, 60 % leaders
        // whatever the setting says, and a speed cap; the rain starts as one even curtain.
        const double horizontal = LogoCount == 0 ? 0.0 : HorizontalPercent;
        g.Vertical = Rnd() * 100.0 > horizontal;
        const double leaders = LogoCount == 0 ? 60.0 : LeaderPercent;
        g.Leader = Rnd() * 100.0 < leaders;

        const double spread = static_cast<double>(MaxSpeed) - MinSpeed;
        float y0 = 0;
        if (g.Leader) {
            // Leaders run faster and in the nearest layer.
            g.Speed = ToSingle(spread * Rnd() * 1.8 + 2.0 * MinSpeed);
        } else {
            g.Speed = ToSingle(spread * Rnd() + MinSpeed);
            y0 = -Rnd();
        }
        if (ToSingle(Rnd() * 100.0) < 2) g.Speed = ToSingle(g.Speed * 1.5);  // one in fifty is a fast one
        if (g.Speed == 0) g.Speed = 0.1f;
        if (g.Speed > 1.5f && LogoCount == 0) g.Speed = 1.5f;

        g.X = ToSingle((Rnd() * FieldHalfWidth - FieldHalfWidth * 0.5) * 1.5 / (1.0 - y0));
        if (g.Vertical) {
            // Not a bug: the first fill starts every column at the same height above the field;
            // recycled columns enter at scattered heights.
            g.Z = LogoCount == 0 ? ToSingle(-1.5 * FieldHalfHeight) : ToSingle(Rnd() * (-2.0 * FieldHalfHeight));
            g.LastCell = g.Z;
        } else {
            g.Z = ToSingle(Rnd() * 4.0 * FieldHalfHeight - 2.0 * FieldHalfHeight);
            g.LastCell = g.X;
        }
        // Farther ahead by what the flying camera covers while the group crosses the field, so
        // that it is about Distance away when it passes the screen.
        g.Y = ToSingle(y0 - static_cast<double>(Distance) + Camera_.GetY() -
                       (static_cast<double>(FlyStep) / g.Speed) * 2.0 * FieldHalfHeight);

        // WordCol, WordRow, TargetZ and HoldUntil keep their old values: they mean nothing here.
        g.IsWord = false;
        g.Arrived = false;
        g.Fading = false;
        g.Alpha = 0;
        g.WordAlpha = 1.0f;
        // A new column starts unseen, so its own colour can start where it belongs.
        if (Scheme_.PerColumn()) g.Tint = ColumnTarget(g);
    });
}

void cRain::SetGroupLetter(int32_t Index, float Pos, float PosY, int32_t x, int32_t Y) {
    Group& g = Groups[static_cast<size_t>(Index)];
    g.Active = true;
    SetupTrail(g);
    g.Vertical = true;
    g.Leader = true;
    // A fall speed of 0 (only possible from a hand-edited settings file) would leave the
    // letter hanging above the screen forever and divide by zero below; the speed keys never
    // go under 0.01, so neither does a word letter.
    const float fall = MaxSpeed < ToSingle(0.01) ? 0.01f : MaxSpeed;
    g.Speed = ToSingle(Rnd() * fall + fall);
    g.X = Pos;
    g.TargetZ = PosY;
    g.Z = ToSingle(-2.0 * FieldHalfHeight);  // starts above the screen
    // Twenty cells behind the front layer, with the same flying lead as an ordinary column.
    g.Y = ToSingle(-20.0 - Distance + Camera_.GetY() - FlyStep / (fall * 1.5) * 2.0 * FieldHalfHeight);
    g.IsWord = true;
    g.WordCol = static_cast<float>(x);
    g.WordRow = static_cast<float>(Y);
    g.Arrived = false;
    g.Fading = false;
    g.Alpha = 0;
    g.WordAlpha = 1.0f;
    if (Scheme_.PerColumn()) g.Tint = ColumnTarget(g);
    // Not a bug: LastCell and HoldUntil stay as the slot had them. A stale LastCell only makes
    // the first movement shift the trail a few dozen times, which just re-randomises it.
}

namespace {

// The depth as an unsigned number in the same order as the float's "<": minus zero counts as
// zero, as "<" sees it. (A NaN depth, which the rain never makes, gets some fixed place.)
uint32_t DepthOrder(float y) {
    const uint32_t bits = std::bit_cast<uint32_t>(y == 0 ? 0.0f : y);
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

}  // namespace

void cRain::SortGroups() {
    mCore::Guarded(ProcName::SortGroups, [&] {
        // A group's depth only changes when it is recycled, so between frames the order
        // breaks only where a few groups took new depths; in most frames it still holds.
        const size_t count = Groups.size();
        size_t i = 1;
        while (i < count && !(Groups[i].Y < Groups[i - 1].Y)) ++i;
        if (i >= count) return;

        // Sort (depth, position) pairs: they are all different, so any sort gives the one
        // stable ascending order. Insertion sort is near one pass when only a few groups are
        // out of place; recycled groups jump across the whole table, though, and with tens of
        // thousands of columns that is quadratic, so past a move budget the general sort
        // takes over.
        SortKeys_.resize(count);
        for (size_t k = 0; k < count; ++k)
            SortKeys_[k] = (static_cast<uint64_t>(DepthOrder(Groups[k].Y)) << 32) | k;
        uint64_t* keys = SortKeys_.data();
        size_t movesLeft = 8 * count + 64;
        for (size_t k = i; k < count && movesLeft > 0; ++k) {
            const uint64_t moving = keys[k];
            size_t j = k;
            for (; j > 0 && moving < keys[j - 1] && movesLeft > 0; --j, --movesLeft) keys[j] = keys[j - 1];
            keys[j] = moving;
        }
        if (movesLeft == 0) std::sort(keys, keys + count);

        // Put each group in its place by following the cycles of the order: one move per
        // group and one per cycle. Moving a group moves its letter buffer's handle, not the
        // letters. The low half of a key names the group that goes there; its top bit marks
        // the places already filled (the table never has 2^31 groups).
        constexpr uint64_t Placed = 0x80000000u;
        auto source = [&](size_t k) { return static_cast<size_t>(keys[k] & (Placed - 1)); };
        for (size_t k = 0; k < count; ++k) {
            if ((keys[k] & Placed) || source(k) == k) continue;
            Group held = std::move(Groups[k]);
            size_t to = k;
            for (;;) {
                const size_t from = source(to);
                keys[to] |= Placed;
                if (from == k) {
                    Groups[to] = std::move(held);
                    break;
                }
                Groups[to] = std::move(Groups[from]);
                to = from;
            }
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Glyph table

void cRain::AddChar(std::string_view iChar, int32_t iCol, int32_t iRow) {
    Chars.push_back({std::string(iChar), iCol, iRow});
}

void cRain::SetupChars() {
    // The atlas holds its glyph sheet mirrored left to right (the default view shows world +X
    // on the screen's left), so each row reads from column 6 down to column 0.
    static constexpr std::string_view Sheet[8][7] = {
        {"a", "b", "c", "d", "e", "f", "g"},
        {"h", "i", "j", "k", "l", "m", "n"},
        {"o", "p", "q", "r", "s", "t", "u"},
        {"v", "w", "x", "y", "z", "0", "1"},
        {"2", "3", "4", "5", "6", "7", "8"},
        {"9", "^", "!", "?", ".", "/", "\\"},
        {"+", "\"", "-", "#", "<", ">", "~"},
        {"@", "&", "=", "\u00A9", "$", "\u00B6", "\u00A5"},
    };
    Chars.clear();
    for (int32_t row = 0; row < 8; ++row)
        for (int32_t k = 0; k < 7; ++k) AddChar(Sheet[row][k], 6 - k, row);
}

int32_t cRain::FindChar(std::string_view iChar) const {
    for (int32_t i = 0; i <= CharMax(); ++i)
        if (Chars[static_cast<size_t>(i)].Char == iChar) return i;
    return -1;
}

void cRain::SelectGlyphs(int32_t iSet) {
    const mRain::GlyphBlock& block = mRain::GlyphSets.at(static_cast<size_t>(iSet));
    AtlasFirstCol = block.Col;
    AtlasFirstRow = block.Row;
    AtlasCols = block.Cols;
    AtlasRows = block.Rows;
    CustomGlyphCount_ = 0;
}

void cRain::SelectCustomGlyphs(int32_t iCount) {
    CustomGlyphCount_ = std::clamp<int32_t>(iCount, 1, static_cast<int32_t>(mRain::MaxCustomGlyphs));
}

// ---------------------------------------------------------------------------------------------
// Animation

void cRain::ShiftTrail(Group& g, int32_t steps) {
    // Each shift moves every letter one place back and gives the head a new glyph while it
    // keeps its flicker. Done k times at once: the old letters move k places, and the k
    // places in front are copies of the head, each with its own new glyph. More shifts than
    // letters leave only such copies, so the count is capped there.
    Letter* letters = g.Letters.data();
    const size_t count = g.Letters.size();
    if (count == 0) return;
    const size_t k = std::min(static_cast<size_t>(steps), count);
    const Letter head = letters[0];
    std::copy_backward(letters, letters + (count - k), letters + count);
    for (size_t j = k; j-- > 0;) {
        Letter& letter = letters[j];
        letter = head;
        DealGlyph(letter);
    }
}

// Animate's steps, for one active group each. Kept inline: they run once per group in the
// frame's busiest loop, and a call per step and group would show at many columns.

// A. Fading in and out.
[[gnu::always_inline]] inline void cRain::FadeStep(Group& g, size_t index) {
    if (!g.Fading) {
        if (g.Alpha < 1) g.Alpha = ToSingle(g.Alpha + 0.1);
        if (g.Alpha > 1) g.Alpha = 1;
        return;
    }
    if (g.Alpha > 0) g.Alpha = ToSingle(g.Alpha - 0.1);
    // At or below 0, not just below: a group reset and then found outside the field in the
    // same frame starts fading at exactly 0 and must still recycle.
    if (g.Alpha <= 0 && !g.Arrived) {
        if (g.IsWord)
            g.Active = false;  // a letter flown past before it arrived
        else
            ResetGroup(static_cast<int32_t>(index));
    }
    if (g.Arrived && g.HoldUntil < Now) {
        if (g.WordAlpha > 0) g.WordAlpha = ToSingle(g.WordAlpha - 0.1);
        // Word letters end here; the ordinary columns stay at "Count" + 1.
        if (g.WordAlpha < 0) g.Active = false;
    }
}

// B. Glyph changes and flicker.
[[gnu::always_inline]] inline void cRain::GlyphStep(Group& g, FlickerCoins& coins) {
    const double now = Now;
    uint32_t bits = coins.Bits;  // in registers across the letters
    int left = coins.Left;
    for (Letter& letter : g.Letters) {
        if (letter.ChangeTime < Now) [[unlikely]] {
            const double r1 = Rnd(), r2 = Rnd(), r3 = Rnd();
            letter.ChangeTime = ToLong(now + 500 + r1 * 1500 + (ToSingle(r2 * 100) < 20 ? r3 * 1000 : 0.0));
            DealGlyph(letter);
            letter.Phase = ToSingle(letter.Phase + Rnd() * 0.4);
        } else {
            // The flicker advances on a fair coin toss per letter and frame. A toss needs one
            // random bit and a draw holds 24 of them, so one draw serves 24 letters. The toss
            // scales the step by 1 or 0 rather than branching, which the processor would
            // guess wrong half of the time; adding 0 changes nothing.
            if (left == 0) {
                bits = static_cast<uint32_t>(Rnd() * 16777216.0f);
                left = 24;
            }
            letter.Phase = letter.Phase + letter.PhaseStep * static_cast<float>(bits & 1u);
            bits >>= 1;
            --left;
        }
    }
    coins = {bits, left};
}

namespace {

// Moves a group's head along one axis by its speed; the whole cells crossed since the last
// shift are the steps its trail moves.
[[gnu::always_inline]] inline int32_t Advance(float& head, Group& g) {
    head = ToSingle(static_cast<double>(head) + g.Speed);
    const double cell = Floor(head);
    const int32_t steps = ToLong(std::fabs(cell - g.LastCell));
    if (steps >= 1) g.LastCell = ToSingle(cell);
    return steps;
}

}  // namespace

// C. Movement and the trail.
[[gnu::always_inline]] inline void cRain::MoveStep(Group& g) {
    int32_t steps = 0;
    if (g.IsWord && g.Z > g.TargetZ && !g.Arrived) {
        // Just passed its place: hold it there; the trail fades away behind it.
        g.Arrived = true;
        g.Fading = true;
        const double t = Clock_.TickCount();
        g.HoldUntil = ToLong(g.Speed * 1000.0 + (t + 5000));
    } else {
        steps = Advance(g.Vertical ? g.Z : g.X, g);
    }
    // An arrived letter moves on and is put back each frame; after one more shift at most its
    // trail stays still.
    if (g.Arrived) g.Z = g.TargetZ;
    if (steps > 0) ShiftTrail(g, steps);
    if (g.Arrived && !g.Letters.empty()) {
        g.Letters[0].Col = static_cast<int16_t>(ToLong(g.WordCol));
        g.Letters[0].Row = static_cast<int16_t>(ToLong(g.WordRow));
    }
}

namespace mRain {

int32_t HeadCellsAtNextStep(const Group& g) {
    // As MoveStep moves it: a letter past its place stops at it, an arrived one stays.
    if (g.Arrived || (g.IsWord && g.Z > g.TargetZ)) return 0;
    const float head = g.Vertical ? g.Z : g.X;
    return ToLong(Floor(ToSingle(static_cast<double>(head) + g.Speed)) - Floor(head));
}

}  // namespace mRain

// D. Leaving the field.
[[gnu::always_inline]] inline void cRain::LeaveStep(Group& g, double cameraY) const {
    if (g.Vertical) {
        if (static_cast<double>(g.Z) - g.LetterMax > FieldHalfHeight || g.Y > cameraY) g.Fading = true;
    } else {
        const double tail = static_cast<double>(g.X) - g.LetterMax;
        if (tail < -FieldHalfWidth || tail > FieldHalfWidth) g.Fading = true;
    }
}

void cRain::Animate() {
    mCore::Guarded(ProcName::Animate, [&] {
        const double cameraY = Camera_.GetY();
        FlickerCoins coins;
        const bool ownColors = Scheme_.PerColumn();
        for (size_t i = 0; i < Groups.size(); ++i) {
            Group& g = Groups[i];
            if (i + 2 < Groups.size()) mRain::PrefetchLetters(Groups[i + 2]);
            if (!g.Active) continue;
            if (ownColors) EaseColumnColor(g);  // here, while the group is at hand
            FadeStep(g, i);
            GlyphStep(g, coins);
            MoveStep(g);
            LeaveStep(g, cameraY);
        }
        SortGroups();
    });
}

void cRain::ChangeSpeed(float s) {
    mCore::Guarded(ProcName::ChangeSpeed, [&] {
        if (s > 10) s = 10;
        if (!(s >= ToSingle(0.01))) s = 0.01f;
        const double delta = static_cast<double>(MaxSpeed) - s;
        MaxSpeed = s;
        MinSpeed = ToSingle(s * 0.2);
        for (Group& g : Groups) {
            g.Speed = ToSingle(g.Speed - delta);
            if (g.Speed < ToSingle(0.01)) g.Speed = 0.01f;
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Words and logos

void cRain::DropWordGroups() {
    // Word letters are told apart by IsWord, wherever the depth sort has put them. The
    // ordinary groups keep their (sorted) order; the word groups go to Spare_ so that their
    // letter buffers can carry the next text.
    Spare_.clear();
    size_t kept = 0;
    for (size_t i = 0; i < Groups.size(); ++i) {
        if (Groups[i].IsWord) {
            Spare_.push_back(std::move(Groups[i]));
        } else {
            if (kept != i) Groups[kept] = std::move(Groups[i]);
            ++kept;
        }
    }
    Groups.erase(Groups.begin() + static_cast<std::ptrdiff_t>(kept), Groups.end());
}

namespace {

// The text's lines: "<br>" and CR end a line, LF is dropped (so CR LF ends one line too).
std::vector<std::string_view> SplitLines(std::string_view text, std::string& work) {
    work.clear();
    work.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        if (text.substr(pos, 4) == "<br>") {
            work += '\r';
            pos += 4;
        } else {
            if (text[pos] != '\n') work += text[pos];
            ++pos;
        }
    }
    std::vector<std::string_view> lines;
    if (work.empty()) return lines;
    std::string_view rest = work;
    for (size_t cr; (cr = rest.find('\r')) != std::string_view::npos; rest.remove_prefix(cr + 1))
        lines.push_back(rest.substr(0, cr));
    lines.push_back(rest);
    return lines;
}

}  // namespace

int32_t cRain::WordGlyph(std::string_view line, size_t pos, size_t length) const {
    char lower[4];
    for (size_t k = 0; k < length; ++k) lower[k] = mCore::AsciiLower(line[pos + k]);
    return FindChar(std::string_view(lower, length));
}

void cRain::ReserveWordGroups(const std::vector<std::string_view>& lines) {
    size_t letters = 0;
    for (std::string_view line : lines)
        for (size_t pos = 0, length; pos < line.size(); pos += length) {
            length = CharLength(line, pos);
            if (WordGlyph(line, pos, length) >= 0) ++letters;
        }
    Groups.reserve(Groups.size() + letters);
    SortKeys_.reserve(Groups.size() + letters);  // the sort then never allocates in Animate
}

void cRain::AddWordGroup(size_t& spareUsed) {
    if (spareUsed >= Spare_.size()) {
        Groups.emplace_back();
        return;
    }
    // Not a bug: the text's first slot keeps the whole record of a letter of the last text
    // (its LastCell and HoldUntil); later slots start clean.
    Group& spare = Spare_[spareUsed];
    if (spareUsed > 0) {
        Group clean;
        clean.Letters = std::move(spare.Letters);
        spare = std::move(clean);
    }
    Groups.push_back(std::move(spare));
    ++spareUsed;
}

void cRain::SetupWord(std::string_view text) {
    mCore::Guarded(ProcName::SetupWord, [&] {
        std::string work;
        const std::vector<std::string_view> lines = SplitLines(text, work);
        const float half = ToSingle(-((static_cast<double>(lines.size()) - 1) * 0.5));

        DropWordGroups();
        ReserveWordGroups(lines);
        size_t spareUsed = 0;
        for (size_t L = 0; L < lines.size(); ++L) {
            const std::string_view line = lines[L];
            const float mid = ToSingle(ToLong(CharCount(line) * 0.5));
            int32_t c = 0;
            for (size_t pos = 0, length; pos < line.size(); pos += length) {
                length = CharLength(line, pos);
                ++c;
                // A character without a glyph (a space, a comma, ...) leaves a gap.
                const int32_t entry = WordGlyph(line, pos, length);
                if (entry < 0) continue;
                AddWordGroup(spareUsed);
                const mRain::CharCell& cell = Chars[static_cast<size_t>(entry)];
                SetGroupLetter(GroupMax(), ToSingle(mid - c + 1.0), ToSingle(static_cast<double>(L) + half), cell.Col,
                               cell.Row);
            }
        }
        Spare_.clear();
    });
}

void cRain::SetupLogo(bool iShowAds) {
    Now = Clock_.TickCount();
    ++LogoCount;
    if (!iShowAds) return;
    if (NextLogoTime > Now) return;
    NextLogoTime = ToLong(Now + (Rnd() * 10.0 + 5) * 60 * 1000);  // 5 to 15 minutes on
    size_t text;
    if (LogoCount == 1) {
        text = 0;
    } else if (LogoCount == 2) {
        text = 1;
    } else {
        const double r = Floor(Rnd() * 100.0);
        if (r <= 40) text = 0;
        else if (r <= 60) text = 2;
        else if (r <= 80) text = 1;
        else if (r <= 90) text = 3;
        else text = 4;
    }
    SetupWord(mRain::LogoTexts[text]);
}

// ---------------------------------------------------------------------------------------------
// Colours

void cRain::SetColor(const RgbColor& iColor) { TargetColor = {iColor.r, iColor.g, iColor.b, 1}; }

void cRain::FadeLetterColor() {
    mRain::FadeTo(LetterColor.r, TargetColor.r);
    mRain::FadeTo(LetterColor.g, TargetColor.g);
    mRain::FadeTo(LetterColor.b, TargetColor.b);
}

namespace {

// The rainbow's turns at a column's place: its fixed coordinate (X for a falling column, Z for
// one running sideways), one turn of the hue circle over about the width of the view at the
// usual distance (twice the field's half height).
double RainbowTurns(const Group& g, int32_t halfHeight) {
    return (g.Vertical ? g.X : g.Z) / (2.0 * std::max(halfHeight, 1));
}

// A column's palette entry: from its whole cell across, mixed so that neighbours differ
// without a pattern, and the same for the column's whole life.
size_t PaletteEntry(const Group& g, size_t size, double shift) {
    const auto cell = static_cast<uint32_t>(static_cast<int32_t>(Floor(g.Vertical ? g.X : g.Z)));
    const uint32_t mixed = (cell * 2654435761u) >> 16;
    return (mixed + static_cast<size_t>(shift * static_cast<double>(size))) % size;
}

// The rainbow turns once in two minutes.
constexpr double HueTurnsPerTick = 1.0 / 120000;

// The hue circle in 1024 steps: every column asks for its hue every frame, and a step is
// far below what one frame's easing moves a colour.
mRain::Color RainbowColor(double turns) {
    static const std::vector<mRain::Color> circle = [] {
        std::vector<mRain::Color> colors(1024);
        for (size_t i = 0; i < colors.size(); ++i) colors[i] = mRain::HueColor(static_cast<double>(i) / 1024);
        return colors;
    }();
    // Masking the whole steps wraps them around the circle, negative ones too, without a floor.
    return circle[static_cast<size_t>(static_cast<int64_t>(turns * 1024) & 1023)];
}

}  // namespace

mRain::Color cRain::ColumnTarget(const Group& g) const {
    if (Scheme_.Mode == mRain::ColorMode::Rainbow)
        return RainbowColor(RainbowTurns(g, FieldHalfHeight) + Now * HueTurnsPerTick + ColorShift_);
    if (Scheme_.Palette.empty()) return TargetColor;
    return Scheme_.Palette[PaletteEntry(g, Scheme_.Palette.size(), ColorShift_)];
}

namespace {

// FadeTo, without its root where the step reaches the target anyway (the smallest step is
// 0.01): a drifting rainbow is always that close, and every column eases every frame.
void EaseChannel(float& current, float target) {
    if (std::fabs(current - target) <= 0.01f) current = mCore::Clamp(target, 0, 1);
    else mRain::FadeTo(current, target);
}

}  // namespace

void cRain::EaseColumnColor(Group& g) const {
    const mRain::Color target = ColumnTarget(g);
    EaseChannel(g.Tint.r, target.r);
    EaseChannel(g.Tint.g, target.g);
    EaseChannel(g.Tint.b, target.b);
}

void cRain::SetColorScheme(mRain::ColorScheme iScheme) {
    const bool wasPerColumn = Scheme_.PerColumn();
    Scheme_ = std::move(iScheme);
    if (Scheme_.Palette.size() > mRain::MaxPaletteColors) Scheme_.Palette.resize(mRain::MaxPaletteColors);
    // Columns that had no colour of their own start from the colour they show.
    if (!wasPerColumn)
        for (Group& g : Groups) g.Tint = LetterColor;
}

mRain::Color cRain::ShownColor(float iBetween) const {
    if (iBetween == 0) return LetterColor;
    mRain::Color next = LetterColor;
    mRain::FadeTo(next.r, TargetColor.r);
    mRain::FadeTo(next.g, TargetColor.g);
    mRain::FadeTo(next.b, TargetColor.b);
    const auto part = [&](float from, float to) { return ToSingle(from + iBetween * (static_cast<double>(to) - from)); };
    return {part(LetterColor.r, next.r), part(LetterColor.g, next.g), part(LetterColor.b, next.b), LetterColor.a};
}

void cRain::StartColorTimer() { NextColorTime = Clock_.TickCount(); }

void cRain::RandomColorStep() {
    if (!(NextColorTime < Now)) return;
    // Not a bug: the timer moves on from its own last value, not from Now, so after random
    // colours were off for a while it draws a new colour every frame until it catches up.
    NextColorTime = ToLong(NextColorTime + 2000.0 + Rnd() * 5000.0);
    const float r = Rnd(), g = Rnd(), b = Rnd();
    TargetColor = {r, g, b, 1};
    ColorShift_ = r;
}

std::string cRain::UserColorDefault() const {
    auto component = [](float value) { return mCore::FormatNumber(static_cast<long long>(Floor(value * 255.0))); };
    return component(LetterColor.r) + "," + component(LetterColor.g) + "," + component(LetterColor.b);
}

// ---------------------------------------------------------------------------------------------
// Group table

void cRain::SetupBackground(int32_t iCount) {
    mCore::Guarded(ProcName::SetupBackground, [&] {
        const int32_t old = BaseGroupMax;
        BaseGroupMax = iCount;

        DropWordGroups();  // a new table never keeps a spelled text
        Spare_.clear();
        const size_t size = static_cast<size_t>(BaseGroupMax) + 1;
        SortKeys_.reserve(size);  // the sort then never allocates in Animate
        if (old <= 0) {
            Groups.clear();
            Groups.resize(size);
            for (int32_t i = 0; i <= BaseGroupMax; ++i) ResetGroup(i);
        } else {
            Groups.resize(size);
            // Not a bug: the range starts at the old last index, so that group restarts too.
            if (BaseGroupMax > old)
                for (int32_t i = old; i <= BaseGroupMax; ++i) ResetGroup(i);
            // A slot that never held a group (only after an earlier failure) gets one now.
            for (int32_t i = 0; i <= BaseGroupMax; ++i)
                if (!Groups[static_cast<size_t>(i)].Active) ResetGroup(i);
        }
    });
}

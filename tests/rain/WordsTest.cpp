// Spelled texts and logo texts: layout, the word letters' lives, and the logo schedule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "RainRig.h"

using rain_test::CellsOf;
using rain_test::CountOrdinary;
using rain_test::CountWords;
using rain_test::RainRig;
using rain_test::WordCells;

namespace {

struct Placed {
    float X, TargetZ, Col, Row;
};

// The word letters just after SetupWord, in the order they were appended.
std::vector<Placed> Placement(const cRain& rain) {
    std::vector<Placed> placed;
    for (const mRain::Group& g : rain.Groups)
        if (g.IsWord) placed.push_back({g.X, g.TargetZ, g.WordCol, g.WordRow});
    return placed;
}

mRain::Group* FirstWord(cRain& rain) {
    for (mRain::Group& g : rain.Groups)
        if (g.IsWord) return &g;
    return nullptr;
}

}  // namespace

// ---- Layout ----

TEST(SetupWordLayout, TwoLinesAreCentredAroundTheMiddle) {
    RainRig rig;
    rig.Background(5);
    rig.Rain.SetupWord("ab<br>cd");
    const std::vector<Placed> placed = Placement(rig.Rain);
    ASSERT_EQ(placed.size(), 4u);
    // a (6,0) at X 1 and b (5,0) at X 0 on the upper line; c and d below.
    EXPECT_EQ(placed[0].X, 1.0f);
    EXPECT_EQ(placed[0].TargetZ, -0.5f);
    EXPECT_EQ(placed[0].Col, 6.0f);
    EXPECT_EQ(placed[1].X, 0.0f);
    EXPECT_EQ(placed[1].Col, 5.0f);
    EXPECT_EQ(placed[2].X, 1.0f);
    EXPECT_EQ(placed[2].TargetZ, 0.5f);
    EXPECT_EQ(placed[3].X, 0.0f);
    EXPECT_EQ(placed[3].Col, 3.0f);
    EXPECT_EQ(CountOrdinary(rig.Rain), 5);
    EXPECT_EQ(rig.Rain.GroupMax, 8);
}

TEST(SetupWordLayout, CharactersWithoutAGlyphLeaveAGap) {
    RainRig rig;
    rig.Background(5);
    rig.Rain.SetupWord("a b");
    std::vector<Placed> placed = Placement(rig.Rain);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].X, 2.0f);  // mid = toLong(1.5) = 2
    EXPECT_EQ(placed[1].X, 0.0f);
    EXPECT_EQ(placed[0].TargetZ, 0.0f);

    rig.Rain.SetupWord("x,\u00E9y");
    placed = Placement(rig.Rain);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].X, 2.0f);   // four characters: mid 2
    EXPECT_EQ(placed[1].X, -1.0f);  // y is fourth; the accented letter is one character
}

TEST(SetupWordLayout, CarriageReturnLineFeedBreaksLikeTheMark) {
    RainRig marked, typed;
    marked.Background(3);
    typed.Background(3);
    marked.Rain.SetupWord("one<br>two<br>three");
    typed.Rain.SetupWord("one\r\ntwo\r\nthree");
    const std::vector<Placed> a = Placement(marked.Rain), b = Placement(typed.Rain);
    ASSERT_EQ(a.size(), 11u);
    ASSERT_EQ(b.size(), a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].X, b[i].X);
        EXPECT_EQ(a[i].TargetZ, b[i].TargetZ);
        EXPECT_EQ(a[i].Col, b[i].Col);
    }
    EXPECT_EQ(a.front().TargetZ, -1.0f);
    EXPECT_EQ(a.back().TargetZ, 1.0f);
}

TEST(SetupWordLayout, UpperCaseIsSpelledWithTheLowerCaseGlyphs) {
    RainRig rig;
    rig.Background(3);
    rig.Rain.SetupWord("HeLLo");
    EXPECT_EQ(WordCells(rig.Rain), CellsOf(rig.Rain, "hello"));
}

TEST(SetupWordLayout, EmptyTextDropsTheLastTextAndSpellsNothing) {
    RainRig rig;
    rig.Background(4);
    rig.Rain.SetupWord("abc");
    rig.Rain.SetupWord("");
    EXPECT_EQ(CountWords(rig.Rain), 0);
    EXPECT_EQ(rig.Rain.GroupMax, 3);
    EXPECT_EQ(rig.Rain.Groups.size(), 4u);
}

TEST(SetupWordLayout, WordLettersStartAboveTheScreenBehindTheFrontLayer) {
    RainRig rig;
    rig.Background(2);
    rig.Rain.FlyStep = 1.5f;
    rig.Camera.SetPosition(0, -100, 0);
    rig.Rain.SetupWord("z");
    const mRain::Group& g = *FirstWord(rig.Rain);
    EXPECT_TRUE(g.Active && g.Vertical && g.Leader);
    EXPECT_EQ(g.Z, -40.0f);
    EXPECT_GE(g.Speed, 0.5f);
    EXPECT_LT(g.Speed, 1.0f);
    // 20 behind, Distance ahead, and the flying lead worked out with 1.5 times the fall speed.
    EXPECT_FLOAT_EQ(g.Y, -20 - 70 - 100 - 1.5f / 0.75f * 40);
    EXPECT_EQ(g.Alpha, 0);
    EXPECT_EQ(g.WordAlpha, 1.0f);
    EXPECT_EQ(g.Letters.size(), static_cast<size_t>(g.LetterMax) + 1);
}

TEST(SetupWordLayout, FallSpeedZeroStillBringsTheLettersDown) {
    RainRig rig;
    rig.Background(2);
    rig.Rain.MaxSpeed = rig.Rain.MinSpeed = 0;
    rig.Rain.FlyStep = 1;
    rig.Rain.SetupWord("a");
    mRain::Group& g = *FirstWord(rig.Rain);
    EXPECT_GE(g.Speed, 0.01f);
    EXPECT_TRUE(std::isfinite(g.Y));
}

// ---- Which groups a new text replaces ----

TEST(WordLetters, NewTextReplacesTheLastTextNotTheNearestColumns) {
    RainRig rig;
    rig.Rain.FlyStep = 2;  // spreads the ordinary columns far in depth
    rig.Background(30);
    // WordCol means nothing to an ordinary column and survives its resets: use it as a name.
    for (int i = 0; i < 30; ++i) rig.Rain.Groups[i].WordCol = static_cast<float>(1000 + i);
    rig.Rain.SetupWord("first text");
    for (int frame = 0; frame < 20; ++frame) rig.Frame();
    rig.Rain.SetupWord("xy");

    EXPECT_EQ(CountOrdinary(rig.Rain), 30);
    EXPECT_EQ(CountWords(rig.Rain), 2);
    std::vector<float> names;
    for (const mRain::Group& g : rig.Rain.Groups)
        if (!g.IsWord) names.push_back(g.WordCol);
    std::sort(names.begin(), names.end());
    for (int i = 0; i < 30; ++i) EXPECT_EQ(names[i], 1000.0f + i);
    EXPECT_EQ(WordCells(rig.Rain), CellsOf(rig.Rain, "xy"));
}

TEST(WordLetters, DrawOrderCoversWordLettersAndColumnsTogether) {
    RainRig rig;
    rig.Background(40);
    rig.Rain.SetupWord("depth");
    rig.Frame();
    EXPECT_TRUE(std::is_sorted(rig.Rain.Groups.begin(), rig.Rain.Groups.end(),
                               [](const mRain::Group& a, const mRain::Group& b) { return a.Y < b.Y; }));
    EXPECT_EQ(CountWords(rig.Rain), 5);
    EXPECT_EQ(rig.Rain.GroupMax, 44);
}

TEST(WordLetters, ReusedSlotKeepsTheLastTextsRecordOnlyInItsFirstSlot) {
    RainRig rig;
    rig.Background(3);
    rig.Rain.SetupWord("ab");
    for (mRain::Group& g : rig.Rain.Groups)
        if (g.IsWord) {
            g.LastCell = 7;
            g.HoldUntil = 1234;
        }
    rig.Rain.SetupWord("cd");
    std::vector<const mRain::Group*> words;
    for (const mRain::Group& g : rig.Rain.Groups)
        if (g.IsWord) words.push_back(&g);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0]->LastCell, 7.0f);
    EXPECT_EQ(words[0]->HoldUntil, 1234);
    EXPECT_EQ(words[1]->LastCell, 0.0f);
    EXPECT_EQ(words[1]->HoldUntil, 0);
}

// ---- A word letter's life ----

TEST(WordLetterLife, FallsArrivesHoldsItsGlyphAndFadesAway) {
    RainRig rig;
    rig.Background(1);
    rig.Rain.SetupWord("q");
    const int32_t qCol = rig.Rain.Chars[rig.Rain.FindChar("q")].Col;
    const int32_t qRow = rig.Rain.Chars[rig.Rain.FindChar("q")].Row;

    mRain::Group* g = FirstWord(rig.Rain);
    int frames = 0;
    while (!g->Arrived && frames < 200) {
        rig.Frame();
        g = FirstWord(rig.Rain);  // the sort may move it
        ++frames;
        ASSERT_LE(g->Z, 0.0f + g->Speed);
    }
    ASSERT_TRUE(g->Arrived);
    EXPECT_TRUE(g->Fading);
    EXPECT_EQ(g->Z, 0.0f);
    EXPECT_EQ(g->HoldUntil, mCore::ToLong(g->Speed * 1000.0 + rig.Platform.Clock.Ticks + 5000));
    EXPECT_EQ(g->Letters[0].Col, qCol);
    EXPECT_EQ(g->Letters[0].Row, qRow);

    // Held: pinned in place, the head shows q even though its glyph changes fall due; the
    // rest of the trail still changes glyphs.
    for (mRain::Letter& letter : g->Letters) letter.Col = 99;
    const int32_t holdUntil = g->HoldUntil;
    while (rig.Platform.Clock.Ticks + 1000 < holdUntil) {
        rig.Frame(1000);
        g = FirstWord(rig.Rain);
        ASSERT_TRUE(g->Active);
        EXPECT_EQ(g->Z, 0.0f);
        EXPECT_EQ(g->WordAlpha, 1.0f);
        EXPECT_EQ(g->Letters[0].Col, qCol);
        EXPECT_EQ(g->Letters[0].Row, qRow);
    }
    EXPECT_TRUE(std::any_of(g->Letters.begin() + 1, g->Letters.end(),
                            [](const mRain::Letter& letter) { return letter.Col != 99; }));

    // After the hold it fades by a tenth per frame and then ends, leaving the columns as they were.
    rig.Platform.Clock.Ticks = holdUntil;
    int fadeFrames = 0;
    while (g->Active && fadeFrames < 20) {
        rig.Frame();
        g = FirstWord(rig.Rain);
        ++fadeFrames;
    }
    EXPECT_FALSE(g->Active);
    EXPECT_GE(fadeFrames, 10);
    EXPECT_LE(fadeFrames, 12);
    EXPECT_EQ(CountOrdinary(rig.Rain), 1);
}

TEST(WordLetterLife, LetterFlownPastBeforeArrivingEndsWithoutBecomingAColumn) {
    RainRig rig;
    rig.Background(3);
    rig.Rain.SetupWord("k");
    rig.Camera.SetPosition(0, -200, 0);  // the letter is now behind the camera
    for (int frame = 0; frame < 15; ++frame) rig.Frame();
    const mRain::Group* g = FirstWord(rig.Rain);
    ASSERT_NE(g, nullptr);
    EXPECT_FALSE(g->Active);
    EXPECT_FALSE(g->Arrived);
    EXPECT_EQ(CountOrdinary(rig.Rain), 3);
}

// ---- Logo schedule ----

TEST(SetupLogo, FirstCallSpellsTheFirstAddressAndSchedulesTheNext) {
    RainRig rig;
    rig.Background(10, /*firstFillOver=*/false);
    rig.Rain.SetupLogo(true);
    EXPECT_EQ(rig.Rain.LogoCount, 1);
    EXPECT_EQ(rig.Rain.Now, rig.Platform.Clock.Ticks);
    EXPECT_EQ(WordCells(rig.Rain), CellsOf(rig.Rain, mRain::LogoTexts[0]));
    EXPECT_GE(rig.Rain.NextLogoTime, rig.Rain.Now + 5 * 60000);
    EXPECT_LE(rig.Rain.NextLogoTime, rig.Rain.Now + 15 * 60000);

    rig.Platform.Clock.Ticks += 50;
    rig.Rain.SetupLogo(true);  // not due: nothing new
    EXPECT_EQ(WordCells(rig.Rain), CellsOf(rig.Rain, mRain::LogoTexts[0]));
}

TEST(SetupLogo, SecondCallSpellsTheSecondAddressWhenDue) {
    RainRig rig;
    rig.Background(10, false);
    rig.Rain.SetupLogo(true);
    rig.Rain.NextLogoTime = rig.Rain.Now;  // as after F3 and a wait
    rig.Rain.SetupLogo(true);
    EXPECT_EQ(WordCells(rig.Rain), CellsOf(rig.Rain, mRain::LogoTexts[1]));
}

TEST(SetupLogo, LaterTextsAreChosenByTheDraw) {
    const std::map<int, int> textByDraw{{0, 0},  {40, 0}, {41, 2}, {60, 2}, {61, 1},
                                        {80, 1}, {81, 3}, {90, 3}, {91, 4}, {99, 4}};
    for (const auto& [draw, text] : textByDraw) {
        RainRig rig;
        rig.Background(10);
        rig.Rain.LogoCount = 5;
        rig.Rnd.Script({0.5f, (draw + 0.5f) / 100.0f});
        rig.Rain.SetupLogo(true);
        EXPECT_EQ(WordCells(rig.Rain), CellsOf(rig.Rain, mRain::LogoTexts[text])) << "draw " << draw;
        EXPECT_EQ(rig.Rain.NextLogoTime, rig.Rain.Now + 10 * 60000);
    }
}

TEST(SetupLogo, WithAdsOffCountsButNeverSpells) {
    RainRig rig;
    rig.Background(10, false);
    for (int call = 1; call <= 5; ++call) {
        rig.Platform.Clock.Ticks += 50;
        rig.Rain.SetupLogo(false);
        EXPECT_EQ(rig.Rain.LogoCount, call);
    }
    EXPECT_EQ(CountWords(rig.Rain), 0);
    EXPECT_EQ(rig.Rain.NextLogoTime, 0);
}

TEST(SetupLogo, AddressesUseOnlyCharactersOfTheGlyphTable) {
    RainRig rig;
    EXPECT_EQ(mRain::LogoTexts[2].substr(mRain::LogoTexts[2].find('<')), "<br>Online Game");
    for (int i = 0; i < 3; ++i)
        for (char c : mRain::LogoTexts[i].substr(0, mRain::LogoTexts[i].find('<')))
            EXPECT_GE(rig.Rain.FindChar(std::string_view(&c, 1)), 0) << mRain::LogoTexts[i];
    EXPECT_EQ(mRain::LogoTexts[3], "The glyphfall has you.");
    EXPECT_EQ(mRain::LogoTexts[4], "Quellwerk");
}

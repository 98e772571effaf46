// Spelled texts and logo texts: layout, which groups a text replaces, a word letter's life,
// and the logo schedule.
#include <gtest/gtest.h>

#include <algorithm>

#include "RainRig.h"

using rain_test::RainRig;

namespace {

struct Placed {
    float X, TargetZ, Col;
    bool operator==(const Placed&) const = default;
};

std::vector<Placed> Placement(const cRain& rain) {
    std::vector<Placed> placed;
    for (const mRain::Group& g : rain.Groups)
        if (g.IsWord) placed.push_back({g.X, g.TargetZ, g.WordCol});
    return placed;
}

}  // namespace

TEST(SetupWordLayout, LinesAreCentredAndReadLeftToRightWithGapsForWhatHasNoGlyph) {
    RainRig rig;
    rig.Background(5);
    rig.Rain.SetupWord("ab<br>cd");
    // a (column 6) at X 1, b at X 0 on the upper line; c and d one cell lower.
    const std::vector<Placed> expected{{1, -0.5f, 6}, {0, -0.5f, 5}, {1, 0.5f, 4}, {0, 0.5f, 3}};
    EXPECT_EQ(Placement(rig.Rain), expected);
    EXPECT_EQ(rig.Rain.GroupMax(), 8);
    rig.Rain.SetupWord("ab\r\ncd");
    EXPECT_EQ(Placement(rig.Rain), expected);
    // Characters without a glyph leave a gap and capitals use the small glyphs.
    rig.Rain.SetupWord("A b");
    EXPECT_EQ(Placement(rig.Rain), (std::vector<Placed>{{2, 0, 6}, {0, 0, 5}}));  // mid = toLong(1.5) = 2
    rig.Rain.SetupWord("x,\u00E9Y");  // four characters, the accented one two bytes long
    EXPECT_EQ(Placement(rig.Rain), (std::vector<Placed>{{2, 0, 4}, {-1, 0, 3}}));
    rig.Rain.SetupWord("");  // drops the last text and spells nothing
    EXPECT_EQ(rig.Words(), 0);
    EXPECT_EQ(rig.Rain.GroupMax(), 4);
}

TEST(WordLetters, NewTextReplacesTheLastTextNotTheNearestColumns) {
    RainRig rig;
    rig.Rain.FlyStep = 2;  // spreads the columns far in depth, word letters among them
    rig.Background(30);
    // WordCol means nothing to an ordinary column and outlives its restarts: use it as a name.
    for (int i = 0; i < 30; ++i) rig.Rain.Groups[i].WordCol = static_cast<float>(1000 + i);
    rig.Rain.SetupWord("first text");
    for (int frame = 0; frame < 20; ++frame) rig.Frame();
    rig.Rain.SetupWord("xy");
    rig.Frame();

    EXPECT_EQ(rig.WordCells(), rig.CellsOf("xy"));
    std::vector<float> names;
    for (const mRain::Group& g : rig.Rain.Groups)
        if (!g.IsWord) names.push_back(g.WordCol);
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 30u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(names[i], 1000.0f + i);
    EXPECT_TRUE(std::is_sorted(rig.Rain.Groups.begin(), rig.Rain.Groups.end(),
                               [](const mRain::Group& a, const mRain::Group& b) { return a.Y < b.Y; }));
}

TEST(WordLetterLife, FallsArrivesHoldsItsGlyphAndFadesAway) {
    RainRig rig;
    rig.Background(1);
    rig.Rain.SetupWord("q");
    const mRain::CharCell q = rig.Rain.Chars[rig.Rain.FindChar("q")];
    mRain::Group* g = rig.FirstWord();
    EXPECT_EQ(g->Z, -40.0f);
    for (int frames = 0; !g->Arrived && frames < 200; ++frames) {
        rig.Frame();
        g = rig.FirstWord();  // the sort may move it
    }
    ASSERT_TRUE(g->Arrived && g->Fading);
    EXPECT_EQ(g->HoldUntil, mCore::ToLong(g->Speed * 1000.0 + rig.Platform.Clock.Ticks + 5000));

    // Held: pinned at its place with its glyph on the head, even when the head's glyph change
    // falls due; the rest of the trail still changes.
    for (mRain::Letter& letter : g->Letters) letter.Col = 99;
    const int32_t holdUntil = g->HoldUntil;
    while (rig.Platform.Clock.Ticks + 1000 < holdUntil) {
        rig.Frame(1000);
        g = rig.FirstWord();
        ASSERT_TRUE(g->Z == 0 && g->WordAlpha == 1);
        ASSERT_EQ((std::pair<int32_t, int32_t>(g->Letters[0].Col, g->Letters[0].Row)), std::pair(q.Col, q.Row));
    }
    EXPECT_TRUE(std::any_of(g->Letters.begin() + 1, g->Letters.end(), [](auto& l) { return l.Col != 99; }));

    // Then a tenth less per frame, and it ends: it never turns into an extra column.
    rig.Platform.Clock.Ticks = holdUntil;
    int frames = 0;
    for (; g->Active && frames < 20; ++frames) {
        rig.Frame();
        g = rig.FirstWord();
    }
    EXPECT_TRUE(frames >= 10 && frames <= 12) << frames;
    EXPECT_EQ(rig.Ordinary(), 1);
}

TEST(WordLetterLife, LetterFlownPastBeforeArrivingEndsWithoutBecomingAColumn) {
    RainRig rig;
    rig.Background(3);
    rig.Rain.SetupWord("k");
    rig.Camera.SetPosition(0, -200, 0);
    for (int frame = 0; frame < 15; ++frame) rig.Frame();
    EXPECT_FALSE(rig.FirstWord()->Active);
    EXPECT_EQ(rig.Ordinary(), 3);
}

TEST(SetupLogo, SpellsTheAddressesFirstAndThenByTheDraw) {
    RainRig rig;
    rig.Background(10, /*firstFillOver=*/false);
    rig.Rain.SetupLogo(true);
    EXPECT_EQ(rig.Rain.LogoCount, 1);
    EXPECT_EQ(rig.WordCells(), rig.CellsOf(mRain::LogoTexts[0]));
    EXPECT_TRUE(rig.Rain.NextLogoTime >= rig.Rain.Now + 300000 && rig.Rain.NextLogoTime <= rig.Rain.Now + 900000);
    rig.Rain.NextLogoTime = rig.Rain.Now;  // as after F3 and a wait
    rig.Rain.SetupLogo(true);
    EXPECT_EQ(rig.WordCells(), rig.CellsOf(mRain::LogoTexts[1]));

    const std::pair<int, int> textByDraw[] = {{40, 0}, {41, 2}, {60, 2}, {61, 1}, {80, 1}, {81, 3}, {90, 3}, {91, 4}};
    for (auto [draw, text] : textByDraw) {
        rig.Rain.NextLogoTime = 0;
        rig.Rnd.Script({0.5f, (draw + 0.5f) / 100.0f});
        rig.Rain.SetupLogo(true);
        EXPECT_EQ(rig.WordCells(), rig.CellsOf(mRain::LogoTexts[text])) << "draw " << draw;
        EXPECT_EQ(rig.Rain.NextLogoTime, rig.Rain.Now + 600000);
    }
}

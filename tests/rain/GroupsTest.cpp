// Group reset, the depth sort and the glyph sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "RainRig.h"

using rain_test::RainRig;

TEST(GroupReset, AtFallSpeedZeroEveryGroupStillFallsATenthOfACell) {
    RainRig rig;
    rig.Rain.MaxSpeed = rig.Rain.MinSpeed = 0;
    rig.Rain.FlyStep = 1;
    rig.Background(200);
    for (const mRain::Group& g : rig.Rain.Groups) {
        ASSERT_EQ(g.Speed, 0.1f);
        ASSERT_TRUE(std::isfinite(g.Y));
    }
}

namespace {

// Sorts the rig's groups and checks them against the bubble sort's order (the stable
// ascending order by Y) and that every group kept its own letter buffer.
void ExpectStableOrderAfterSort(RainRig& rig, const std::string& what) {
    std::vector<std::pair<float, const mRain::Letter*>> expected;
    for (mRain::Group& g : rig.Rain.Groups) {
        if (g.Letters.empty()) g.Letters.resize(1);
        expected.emplace_back(g.Y, g.Letters.data());
    }
    rig.Rain.SortGroups();
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    ASSERT_EQ(rig.Rain.Groups.size(), expected.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i) {
        const mRain::Group& g = rig.Rain.Groups[i];
        ASSERT_EQ(std::pair(g.Y, std::as_const(g.Letters).data()), expected[i]) << what << " at " << i;
        ASSERT_EQ(std::signbit(g.Y), std::signbit(expected[i].first)) << what << " at " << i;
    }
}

}  // namespace

TEST(SortGroups, GivesTheBubbleSortOrderSignedZerosIncludedAndMovesLetterBuffersWithoutCopying) {
    RainRig rig;
    mCore::cRandom shapes(7);
    for (int round = 0; round < 300; ++round) {
        rig.Rain.Groups.assign(static_cast<size_t>(shapes.Next() * 120), {});
        const int distinct = round % 3 == 0 ? 4 : 1000;  // often equal keys
        for (mRain::Group& g : rig.Rain.Groups) g.Y = static_cast<float>(static_cast<int>(shapes.Next() * distinct));
        ExpectStableOrderAfterSort(rig, "round " + std::to_string(round));
    }
    rig.Rain.Groups.assign(6, {});  // minus zero is equal to zero
    const float depths[] = {0.0f, -0.0f, 1.0f, -0.0f, 0.0f, -1.0f};
    for (size_t i = 0; i < 6; ++i) rig.Rain.Groups[i].Y = depths[i];
    ExpectStableOrderAfterSort(rig, "signed zeros");
}

TEST(SortGroups, KeepsTheStableOrderWhenRecycledGroupsJumpAcrossALargeTable) {
    RainRig rig;
    mCore::cRandom shapes(11);
    for (const double recycled : {0.0005, 0.02, 0.3, 1.0}) {
        rig.Rain.Groups.assign(20000, {});
        for (size_t i = 0; i < rig.Rain.Groups.size(); ++i)  // in order, with runs of equal depths
            rig.Rain.Groups[i].Y = static_cast<float>(-80.0 + static_cast<double>(i / 7) * 0.01);
        for (mRain::Group& g : rig.Rain.Groups)
            if (shapes.Next() < recycled) g.Y = static_cast<float>(-200.0 + shapes.Next() * 130.0);
        ExpectStableOrderAfterSort(rig, "recycled share " + std::to_string(recycled));
    }
}

TEST(GlyphSets, RandomGlyphsComeFromTheChosenSetAndClassicDealsWhatItAlwaysDealt) {
    auto cells = [](const RainRig& rig) {
        std::vector<std::pair<int, int>> cells;
        for (const mRain::Group& g : rig.Rain.Groups)
            if (!g.IsWord)
                for (const mRain::Letter& letter : g.Letters) cells.emplace_back(letter.Col, letter.Row);
        return cells;
    };
    {
        // The cells this seed gave before there were glyph sets.
        RainRig rig;
        rig.Background(20);
        for (int frame = 0; frame < 40; ++frame) rig.Frame();
        uint64_t hash = 14695981039346656037ull;
        for (auto [col, row] : cells(rig)) hash = (hash ^ static_cast<uint64_t>(col * 16 + row)) * 1099511628211ull;
        EXPECT_EQ(hash, 0xca319a2a3a30a45eull);
    }
    // The built-in sets' blocks, then a custom set of seven of the custom cells.
    const auto allowed = [](int32_t set) {
        std::set<std::pair<int, int>> cells;
        if (set == mRain::CustomGlyphSet) {
            for (int i = 0; i < 7; ++i) cells.emplace(mRain::CustomGlyphCells[i].Col, mRain::CustomGlyphCells[i].Row);
            return cells;
        }
        const mRain::GlyphBlock& block = mRain::GlyphSets[set];
        for (int col = block.Col; col < block.Col + block.Cols; ++col)
            for (int row = block.Row; row < block.Row + block.Rows; ++row) cells.emplace(col, row);
        return cells;
    };
    for (int32_t set = 0; set <= mRain::CustomGlyphSet; ++set) {
        RainRig rig;
        rig.Background(100);
        const auto before = cells(rig);
        if (set == mRain::CustomGlyphSet) rig.Rain.SelectCustomGlyphs(7);
        else rig.Rain.SelectGlyphs(set);
        EXPECT_EQ(cells(rig), before) << "the letters shown keep their glyphs";
        for (int frame = 0; frame < 300; ++frame) rig.Frame();  // every glyph has changed since
        rig.Rain.SetupWord("Abc");
        std::map<std::pair<int, int>, int> seen;
        for (auto cell : cells(rig)) {
            ASSERT_TRUE(allowed(set).count(cell)) << "set " << set << ": " << cell.first << "," << cell.second;
            ++seen[cell];
        }
        EXPECT_EQ(seen.size(), allowed(set).size()) << "set " << set;
        EXPECT_EQ(rig.WordCells(), rig.CellsOf("abc")) << "texts spell with the glyph table";
        if (set != mRain::CustomGlyphSet) continue;
        const double each = static_cast<double>(before.size()) / 7;  // every custom glyph comes up alike
        for (auto [cell, count] : seen) EXPECT_NEAR(count, each, each * 0.25) << cell.first << "," << cell.second;
    }
    // The custom cells are cells of their own: no built-in set's, not the glow's, none twice.
    std::set<std::pair<int, int>> custom;
    for (const mRain::GlyphCell cell : mRain::CustomGlyphCells) {
        EXPECT_TRUE(custom.emplace(cell.Col, cell.Row).second);
        EXPECT_FALSE(cell.Col < 4 && cell.Row >= 12) << "the glow";
        for (int32_t set = 0; set < mRain::CustomGlyphSet; ++set) EXPECT_FALSE(allowed(set).count({cell.Col, cell.Row}));
    }
}

#include <gtest/gtest.h>

#include <set>

#include "device/cImage.h"

namespace {

constexpr int Cell = 64;

class Atlas : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        Loaded = mImage::ReadPng(GLYPHFALL_ATLAS_FILE, Image, error);
        Error = error;
    }
    void SetUp() override { ASSERT_TRUE(Loaded) << Error; }

    // Sum of the brightness (red channel) over a rectangle of pixels.
    static long Ink(int x0, int y0, int w, int h) {
        long sum = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) sum += ChannelR(Image.At(x, y));
        return sum;
    }
    static long CellInk(int col, int row) { return Ink(col * Cell, row * Cell, Cell, Cell); }

    static inline cImage Image;
    static inline bool Loaded = false;
    static inline std::string Error;
};

// The Latin sheet with its further shapes, then the half-width katakana and digits.
bool HoldsGlyph(int col, int row) { return (col <= 9 && row <= 7) || (col <= 13 && row >= 8 && row <= 11); }
bool InGlow(int col, int row) { return col <= 3 && row >= 12; }

template <class Visit>
void ForEachGlyphCell(Visit visit) {
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col)
            if (HoldsGlyph(col, row)) visit(col, row);
}

}  // namespace

TEST_F(Atlas, IsA1024SquareOfOpaqueGreyTexelsWithAShapeInEveryGlyphCellOnly) {
    EXPECT_EQ(Image.Width, 1024);
    EXPECT_EQ(Image.Height, 1024);
    for (uint32_t p : Image.Pixels) {
        ASSERT_EQ(ChannelA(p), 255u);
        ASSERT_TRUE(ChannelR(p) == ChannelG(p) && ChannelG(p) == ChannelB(p));
    }
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col) {
            if (InGlow(col, row)) continue;
            if (HoldsGlyph(col, row))
                EXPECT_GT(CellInk(col, row), 255 * 20) << "cell " << col << "," << row;
            else
                EXPECT_EQ(CellInk(col, row), 0) << "cell " << col << "," << row;
        }
}

TEST_F(Atlas, GlyphsAreDistinctAndKeepClearOfTheirCellEdgesSoFilteringNeverBleeds) {
    std::set<std::vector<uint32_t>> shapes;
    ForEachGlyphCell([&](int col, int row) {
        const int x = col * Cell, y = row * Cell;
        EXPECT_EQ(Ink(x, y, Cell, 2) + Ink(x, y + Cell - 2, Cell, 2) + Ink(x, y, 2, Cell) + Ink(x + Cell - 2, y, 2, Cell), 0)
            << "cell " << col << "," << row;
        std::vector<uint32_t> cell;
        for (int dy = 0; dy < Cell; ++dy)
            for (int dx = 0; dx < Cell; ++dx) cell.push_back(Image.At(x + dx, y + dy));
        shapes.insert(cell);
    });
    EXPECT_EQ(shapes.size(), 80u + 56u);
}

TEST_F(Atlas, GlyphsAreStoredMirrored) {
    // "/" sits at column 1, row 5 and "\" at column 0, row 5. Mirrored, "/" runs from the
    // top left to the bottom right of its cell, and "\" the other way.
    const int half = Cell / 2;
    const int slashX = 1 * Cell, backX = 0, y = 5 * Cell;
    EXPECT_GT(Ink(slashX, y, half, half), 4 * Ink(slashX + half, y, half, half));
    EXPECT_GT(Ink(backX + half, y, half, half), 4 * Ink(backX, y, half, half));
}

TEST_F(Atlas, LeaderGlowIsBrightWhereTheLeaderSamplesAndFadesToItsEdges) {
    // The leader quad samples u 0..0.25, v 0.75..1.0: pixels 0..255 across, 768..1023 down.
    const uint32_t centre = ChannelR(Image.At(128, 896));
    EXPECT_GE(centre, 240u);
    EXPECT_GT(ChannelR(Image.At(128, 896)), ChannelR(Image.At(128 + 60, 896)));
    EXPECT_GT(ChannelR(Image.At(128 + 60, 896)), ChannelR(Image.At(128 + 100, 896)));
    // Round: the same brightness at the same distance in every direction.
    EXPECT_EQ(ChannelR(Image.At(128 + 60, 896)), ChannelR(Image.At(128, 896 + 60)));
    EXPECT_EQ(ChannelR(Image.At(128 + 60, 896)), ChannelR(Image.At(128 - 61, 896)));
    // Nothing at the region's edges and corners.
    EXPECT_EQ(Ink(0, 768, 256, 1) + Ink(0, 1023, 256, 1) + Ink(0, 768, 1, 256) + Ink(255, 768, 1, 256), 0);
}

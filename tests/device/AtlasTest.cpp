#include <gtest/gtest.h>

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


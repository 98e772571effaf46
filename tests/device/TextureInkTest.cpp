// The boxes outside which a cell's filtered reads are black: a box too small drops lit
// pixels at glyph edges, so every read outside it is checked against a bilinear filter.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "device/TextureInk.h"
#include "device/cImage.h"

namespace {

// A bilinear read at (s, t) texels of a repeating image: the four texels around it.
bool ReadsLit(const cImage& image, double s, double t) {
    const int x = static_cast<int>(std::floor(s - 0.5)), y = static_cast<int>(std::floor(t - 0.5));
    for (int dy = 0; dy <= 1; ++dy)
        for (int dx = 0; dx <= 1; ++dx) {
            const int px = ((x + dx) % image.Width + image.Width) % image.Width;
            const int py = ((y + dy) % image.Height + image.Height) % image.Height;
            if (image.At(px, py) & 0xFFFFFF) return true;
        }
    return false;
}

}  // namespace

TEST(TextureInk, EveryReadOutsideACellsBoxIsBlackAndBlankCellsAreEmpty) {
    // 4 x 4 cells of 16 texels with a few lit texels each, some at a cell's edge (so the
    // neighbour's reads reach them); cell 0 has none of its own but reads one across the
    // texture's wrap.
    cImage image(64, 64, 0xFF000000u);
    std::mt19937 random(7);
    for (int cell = 1; cell < 16; ++cell)
        for (int k = 0; k < 3; ++k) {
            const int x = (cell % 4) * 16 + static_cast<int>(random() % 16), y = (cell / 4) * 16 + static_cast<int>(random() % 16);
            image.At(x, y) = 0xFF404040u;
        }
    image.At(63, 5) = 0xFF010101u;
    cTextureInk ink(image);
    constexpr float Size = 0.25f;
    uint32_t columns = 0;
    const cTextureInk::Box* boxes = ink.Boxes(Size, columns);
    ASSERT_NE(boxes, nullptr);
    EXPECT_FALSE(cTextureInk::BoxOf(boxes, columns, 0, 0).Empty());
    int outside = 0;
    for (int cell = 0; cell < 16; ++cell) {
        const uint32_t u16 = (cell % 4) * 16384u, v16 = (cell / 4) * 16384u;
        const cTextureInk::Box box = cTextureInk::BoxOf(boxes, columns, u16, v16);
        for (int j = 0; j <= 160; ++j)
            for (int i = 0; i <= 160; ++i) {
                const double fx = i / 160.0, fz = j / 160.0;  // place in the cell
                const bool inside = !box.Empty() && fx * 255 >= box.XLo && fx * 255 <= box.XHi && fz * 255 >= box.ZLo &&
                                    fz * 255 <= box.ZHi;
                if (inside) continue;
                ++outside;
                EXPECT_FALSE(ReadsLit(image, (cell % 4) * 16 + fx * 16, (cell / 4) * 16 + fz * 16)) << cell << " " << fx << " " << fz;
            }
    }
    EXPECT_GT(outside, 16 * 161 * 161 / 4);  // the boxes leave out much of the cells
    // Off the grid, the whole cell.
    const cTextureInk::Box off = cTextureInk::BoxOf(boxes, columns, 100, 0);
    EXPECT_EQ(off.XLo, 0);
    EXPECT_EQ(off.ZHi, 255);
}

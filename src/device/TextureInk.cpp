#include "device/TextureInk.h"

#include <algorithm>
#include <cmath>

#include "device/cImage.h"

cTextureInk::cTextureInk(const cImage& iImage)
    : Width_(iImage.Width), Height_(iImage.Height), Lit_((iImage.Pixels.size() + 63) / 64) {
    for (size_t i = 0; i < iImage.Pixels.size(); ++i)
        if (iImage.Pixels[i] & 0xFFFFFFu) Lit_[i / 64] |= uint64_t{1} << (i % 64);
}

bool cTextureInk::Lit(int32_t x, int32_t y) const {
    // Only the ring around a cell reaches past an edge, by one texel.
    x = x < 0 ? x + Width_ : (x >= Width_ ? x - Width_ : x);
    y = y < 0 ? y + Height_ : (y >= Height_ ? y - Height_ : y);
    const size_t i = static_cast<size_t>(y) * static_cast<size_t>(Width_) + static_cast<size_t>(x);
    return (Lit_[i / 64] >> (i % 64)) & 1;
}

void cTextureInk::BuildBoxes(float iCellSize, Grid& oGrid) const {
    oGrid.Size = iCellSize;
    oGrid.Step16 = 0;
    oGrid.Boxes.clear();
    const float cellsAcross = 1.0f / iCellSize, w = iCellSize * static_cast<float>(Width_),
                h = iCellSize * static_cast<float>(Height_), step16 = iCellSize * 65536.0f;
    const bool grid = cellsAcross == std::floor(cellsAcross) && w == std::floor(w) && h == std::floor(h) && w >= 1 &&
                      h >= 1 && step16 == std::floor(step16) && step16 >= 1;
    if (!grid) return;
    oGrid.Step16 = static_cast<uint32_t>(step16);
    const int32_t columns = oGrid.Columns = static_cast<int32_t>(cellsAcross);
    const int32_t cw = static_cast<int32_t>(w), ch = static_cast<int32_t>(h);
    oGrid.Boxes.resize(static_cast<size_t>(columns) * static_cast<size_t>(columns));
    // A filtered read at s texels into the cell takes texels floor(s - 0.5) and the next one,
    // so lit texel i can reach it for s in [i - 0.5, i + 1.5); the texels one outside the cell
    // are read at its edges. An eighth of a texel more on each side covers the rounding of
    // the texture coordinate on its way to the sampler.
    auto fraction = [](double texels, int32_t cell) { return std::clamp(texels / cell, 0.0, 1.0); };
    for (int32_t row = 0; row < columns; ++row)
        for (int32_t col = 0; col < columns; ++col) {
            int32_t x0 = cw + 1, x1 = -2, y0 = ch + 1, y1 = -2;
            for (int32_t y = -1; y <= ch; ++y)
                for (int32_t x = -1; x <= cw; ++x)
                    if (Lit(col * cw + x, row * ch + y)) {
                        x0 = std::min(x0, x), x1 = std::max(x1, x);
                        y0 = std::min(y0, y), y1 = std::max(y1, y);
                    }
            Box& box = oGrid.Boxes[static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(col)];
            if (x1 < x0) {
                box = {255, 0, 255, 0};
                continue;
            }
            box.XLo = static_cast<uint8_t>(std::floor(fraction(x0 - 0.625, cw) * 255));
            box.XHi = static_cast<uint8_t>(std::ceil(fraction(x1 + 1.625, cw) * 255));
            box.ZLo = static_cast<uint8_t>(std::floor(fraction(y0 - 0.625, ch) * 255));
            box.ZHi = static_cast<uint8_t>(std::ceil(fraction(y1 + 1.625, ch) * 255));
        }
}

const cTextureInk::Box* cTextureInk::Boxes(float iCellSize, uint32_t& oColumns) {
    Grid* grid = std::find_if(std::begin(Grids_), std::end(Grids_), [&](const Grid& g) { return g.Size == iCellSize; });
    if (grid == std::end(Grids_)) {
        grid = &Grids_[NextGrid_];
        NextGrid_ = (NextGrid_ + 1) % KeptGrids;
        BuildBoxes(iCellSize, *grid);
    }
    oColumns = static_cast<uint32_t>(grid->Columns);
    return grid->Step16 ? grid->Boxes.data() : nullptr;
}

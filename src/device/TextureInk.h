#pragma once
// Where a texture is black. Under additive blending a black texel adds nothing, so a quad
// drawn without depth writes may leave out every fragment whose filtered read can only be
// black; this finds, for each cell of a grid over the texture, the part of the cell outside
// which that is so.
#include <cstddef>
#include <cstdint>
#include <vector>

class cImage;

class cTextureInk {
public:
    explicit cTextureInk(const cImage& iImage);

    // The part of a cell that may read other than black, as fractions of the cell in 1/255
    // steps (x along u, z along v), rounded outward; Lo > Hi on an axis when the whole cell
    // reads black.
    struct Box {
        uint8_t XLo, XHi, ZLo, ZHi;
        bool Empty() const { return XLo > XHi; }
    };
    static constexpr Box Whole{0, 255, 0, 255};

    // The boxes of the grid of iCellSize (a fraction of the texture), row by row, with the
    // grid's cells across in oColumns (a power of two); nullptr where the size is not a grid
    // of whole texels. The boxes of the last few sizes asked are kept: a frame asks for the
    // letters' size and the glows' in turn, and working a grid out costs milliseconds.
    const Box* Boxes(float iCellSize, uint32_t& oColumns);

    // The box of the cell whose corner is (u, v) in 16-bit fractions of the texture, among
    // iBoxes from Boxes(); Whole where the corner is not on the grid. A grid of whole 16-bit
    // steps has a power of two of cells across, so this multiplies where it would divide.
    static Box BoxOf(const Box* iBoxes, uint32_t iColumns, uint32_t iU16, uint32_t iV16) {
        const uint32_t u = iU16 * iColumns, v = iV16 * iColumns;
        if ((u | v) & 0xFFFF) return Whole;
        return iBoxes[(v >> 16) * iColumns + (u >> 16)];
    }

private:
    bool Lit(int32_t x, int32_t y) const;  // wraps around the edges, as the texture repeats
    // The boxes of one cell size.
    struct Grid {
        float Size = -1;
        uint32_t Step16 = 0;  // the size in 16-bit fractions (0: no grid of whole texels)
        int32_t Columns = 0;
        std::vector<Box> Boxes;
    };
    void BuildBoxes(float iCellSize, Grid& oGrid) const;
    int32_t Width_, Height_;
    std::vector<uint64_t> Lit_;  // one bit per texel, rows top first
    static constexpr size_t KeptGrids = 4;
    Grid Grids_[KeptGrids];
    size_t NextGrid_ = 0;  // the kept grid the next new size replaces
};

#pragma once
// When every line of sight meets the groups in the rain's order (farthest first), letters
// drawn in that order already lie in front of everything drawn before them, so they need no
// depth test and write no depth. What the depth buffer still decides is the leaders' glows,
// drawn after every letter: a glow is hidden wherever a nearer letter's whole cell covers it.
// This finds, column by column, the drawn cells that can stand in front of some glow; drawn
// into the depth buffer alone, they hide exactly what all the cells used to hide.
//
// All of it is worked out in the scene's own coordinates, on the plane one unit in front of
// the eye: a cell at depth Y and across-place x shows at u = (x - eye.x) / (eye.y - Y), and
// two places share a pixel only if they share (u, v).
#include <cstdint>
#include <utility>
#include <vector>

#include "device/iDirect3D.h"

class cRain;
namespace mRain {
struct Group;
}

class cGlowOccluders {
public:
    // Past this many glows in a frame (thousands of columns), nearly every column stands in
    // front of some glow and the search costs more than the depth test it saves: the letters
    // are then depth-tested as on any view.
    static constexpr int32_t MaxGlows = 1024;

    // Gathers the frame's glows as seen from iEye (the eye in the scene's coordinates) and
    // forgets the last frame's occluders; false, with nothing gathered, past MaxGlows.
    // Allocates only when the rain has grown.
    bool Begin(const cRain& iRain, const D3DVECTOR& iEye);
    bool NoGlows() const { return Glows_.empty(); }

    // Adds the drawn cells of one column (as strip iColumn over iCells) that may cover a
    // farther glow. A cell added needlessly costs a little time, never a pixel.
    void AddColumn(const mRain::Group& iGroup, const cQuadStrip& iColumn, const cQuadCell* iCells);

    const std::vector<cQuadStrip>& Strips() const { return Strips_; }
    const std::vector<cQuadCell>& Cells() const { return Cells_; }

private:
    struct Rect {
        float U0, U1, V0, V1;
    };
    struct Glow {
        Rect Seen;
        float Y;
    };
    // The cell rectangle [x0, x1] x [z0, z1] at depth y as seen from the eye; false when it
    // lies at or behind the eye's plane.
    bool Project(float iX0, float iX1, float iZ0, float iZ1, float iY, Rect& oRect) const;
    void BinGlows();
    void AddCellsFacing(const mRain::Group& iGroup, float iHead, const Glow& iGlow);
    int32_t BinU(float iU) const;  // the grid's bin of a place, clamped to the grid
    int32_t BinV(float iV) const;
    void EmitRanges(const cQuadStrip& iColumn, const cQuadCell* iCells);

    D3DVECTOR Eye_{};
    std::vector<Glow> Glows_;
    // The glows binned on a grid over their bounding rectangle: bin b's glows are
    // BinGlows_[BinStart_[b]] to BinGlows_[BinStart_[b + 1] - 1].
    Rect Bounds_{};
    int32_t BinsU_ = 1, BinsV_ = 1;
    float BinU_ = 1, BinV_ = 1;
    std::vector<uint32_t> BinStart_, BinGlows_;
    std::vector<std::pair<int32_t, int32_t>> Ranges_;  // the column being looked at: first and last cells
    std::vector<cQuadStrip> Strips_;
    std::vector<cQuadCell> Cells_;
};

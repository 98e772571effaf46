#pragma once
// When every line of sight meets the groups in the rain's order (farthest first), letters
// drawn in that order already lie in front of everything drawn before them, so they need no
// depth test and write no depth. The one thing depth still decided is the leaders' glows,
// drawn after every letter: a glow is hidden wherever a nearer drawn letter's whole cell
// (its blank margin included) stands in front of it. This cuts each glow on the CPU into the
// parts of its cell that no such cell covers, so that the glows need no depth either and the
// frame uses none at all (the device then never clears it).
//
// All of it is worked out in the scene's own coordinates, on the plane one unit in front of
// the eye: a cell at depth Y and across-place x shows at u = (x - eye.x) / (eye.y - Y), every
// cell is a rectangle in (u, v), and two places share a pixel only if they share (u, v).
#include <cstdint>
#include <vector>

#include "core/Numeric.h"
#include "device/iDirect3D.h"
#include "rain/cRain.h"


// Where a leader's glow stands: over its head letter's cell, moved iBetween of the way the
// head moves at the next step (see cLetterRenderer::RenderLetters). Inline: once per glow and
// frame, twice where the glows are cut.
inline D3DVECTOR GlowPlace(const mRain::Group& iGroup, float iBetween) {
    D3DVECTOR place{static_cast<float>(mCore::Floor(iGroup.X)), iGroup.Y, static_cast<float>(mCore::Floor(iGroup.Z))};
    if (iBetween != 0) [[unlikely]]
        (iGroup.Vertical ? place.z : place.x) += iBetween * static_cast<float>(mRain::HeadCellsAtNextStep(iGroup));
    return place;
}

class cGlowClipper {
public:
    // Past this many glows in a frame (thousands of columns), nearly every column stands in
    // front of some glow and cutting costs more than the depth test it saves: the letters
    // are then depth-tested as on any view.
    static constexpr int32_t MaxGlows = 1024;

    // Gathers the frame's glows (at their GlowPlace) as seen from iEye (the eye in the scene's
    // coordinates), each whole so far; false, with nothing gathered, past MaxGlows. Allocates
    // only when the rain has grown.
    bool Begin(const cRain& iRain, const D3DVECTOR& iEye, float iBetween = 0);

    // Cuts from every farther glow the drawn cells of one column (strip iColumn over iCells).
    void AddColumn(const mRain::Group& iGroup, const cQuadStrip& iColumn, const cQuadCell* iCells);

    // The glows gathered, in the rain's order: glow i is group GroupOf(i)'s, and Parts(i) its
    // cell's parts left to draw (none when it is hidden whole).
    size_t Count() const { return Glows_.size(); }
    int32_t GroupOf(size_t iGlow) const { return Glows_[iGlow].Group; }
    const std::vector<cCellPart>& Parts(size_t iGlow);

private:
    struct Rect {
        float U0, U1, V0, V1;
    };
    struct Glow {
        Rect Seen;    // its cell
        Rect Search;  // a little wider, against rounding, to find the columns in front of it
        float Y;
        int32_t Group;
        uint32_t LastColumn;  // the last column cut from it
        uint32_t First, End;  // its parts left: Pieces_[First] to Pieces_[End - 1]
    };
    // The cell rectangle [x0, x1] x [z0, z1] at depth y as seen from the eye; false when it
    // lies at or behind the eye's plane.
    bool Project(float iX0, float iX1, float iZ0, float iZ1, float iY, Rect& oRect) const;
    void BinGlows();
    void CutCellsFacing(const mRain::Group& iGroup, float iHead, float iAcross, uint32_t iGlow, const cQuadCell* iCells);
    void Cut(uint32_t iGlow, const Rect& iCell);
    static bool Covers(const Rect& iCell, const Rect& iPart) {  // some of the part
        return iCell.U0 < iPart.U1 && iPart.U0 < iCell.U1 && iCell.V0 < iPart.V1 && iPart.V0 < iCell.V1;
    }
    int32_t BinU(float iU) const;  // the grid's bin of a place, clamped to the grid
    int32_t BinV(float iV) const;

    D3DVECTOR Eye_{};
    std::vector<Glow> Glows_;
    // The glows' parts, as rectangles seen from the eye: a cut appends the glow's new parts
    // and leaves the old behind, and the frame's next Begin starts over, so the pool stops
    // growing (and allocating) once it has held the busiest frame's cuts.
    std::vector<Rect> Pieces_;
    std::vector<cCellPart> Parts_;
    uint32_t Columns_ = 0;  // columns looked at this frame
    // The glows binned on a grid over their bounding rectangle: bin b's glows are
    // BinGlows_[BinStart_[b]] to BinGlows_[BinStart_[b + 1] - 1].
    Rect Bounds_{};
    int32_t BinsU_ = 1, BinsV_ = 1;
    float BinU_ = 1, BinV_ = 1;
    std::vector<uint32_t> BinStart_, BinGlows_;
};

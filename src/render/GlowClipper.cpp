#include "render/GlowClipper.h"

#include <algorithm>
#include <cmath>

#include "core/Numeric.h"
#include "rain/cRain.h"

using mCore::Floor;

namespace {

// A glow is looked for a little beyond its edges: a column looked at needlessly cuts nothing,
// a column missed would let a glow shine through a letter.
constexpr float GlowMargin = 0.02f;
// Parts thinner than this share of the cell are dropped: below the GL path's 1/255 steps, and
// under a pixel wherever a cell is smaller than the screen.
constexpr float Sliver = 1.0f / 512;
constexpr int32_t MaxBins = 32;

bool Overlap(float a0, float a1, float b0, float b1) { return a0 <= b1 && b0 <= a1; }

}  // namespace

int32_t cGlowClipper::BinU(float iU) const {
    return std::clamp(static_cast<int32_t>((iU - Bounds_.U0) / BinU_), 0, BinsU_ - 1);
}
int32_t cGlowClipper::BinV(float iV) const {
    return std::clamp(static_cast<int32_t>((iV - Bounds_.V0) / BinV_), 0, BinsV_ - 1);
}

bool cGlowClipper::Project(float iX0, float iX1, float iZ0, float iZ1, float iY, Rect& oRect) const {
    const float depth = Eye_.y - iY;
    if (!(depth > 0)) return false;
    oRect = {(iX0 - Eye_.x) / depth, (iX1 - Eye_.x) / depth, (iZ0 - Eye_.z) / depth, (iZ1 - Eye_.z) / depth};
    return true;
}

bool cGlowClipper::Begin(const cRain& iRain, const D3DVECTOR& iEye, float iBetween) {
    Eye_ = iEye;
    Glows_.clear();
    Pieces_.clear();
    Columns_ = 0;
    const int32_t groupMax = iRain.GroupMax();
    const auto glowing = [](const mRain::Group& g) { return g.Active && g.Leader && !g.Arrived; };
    int32_t glows = 0;
    for (int32_t i = 0; i <= groupMax && glows <= MaxGlows; ++i) glows += glowing(iRain.Groups[i]);
    if (glows > MaxGlows) return false;
    for (int32_t i = 0; i <= groupMax; ++i) {
        const mRain::Group& g = iRain.Groups[i];
        if (!glowing(g)) continue;
        const D3DVECTOR place = GlowPlace(g, iBetween);
        const float x = place.x, z = place.z;
        Glow glow;
        // A glow at or behind the eye's plane is out of every line of sight: nothing to draw.
        if (!Project(x - 0.5f, x + 0.5f, z - 0.5f, z + 0.5f, g.Y, glow.Seen)) continue;
        const Rect& r = glow.Seen;
        const float mu = (r.U1 - r.U0) * GlowMargin, mv = (r.V1 - r.V0) * GlowMargin;
        glow.Search = {r.U0 - mu, r.U1 + mu, r.V0 - mv, r.V1 + mv};
        glow.Y = g.Y;
        glow.Group = i;
        glow.LastColumn = 0;
        glow.First = static_cast<uint32_t>(Pieces_.size());
        glow.End = glow.First + 1;
        Pieces_.push_back(glow.Seen);
        Glows_.push_back(glow);
    }
    if (!Glows_.empty()) BinGlows();
    return true;
}

void cGlowClipper::BinGlows() {
    Bounds_ = Glows_[0].Search;
    for (const Glow& g : Glows_) {
        Bounds_.U0 = std::min(Bounds_.U0, g.Search.U0);
        Bounds_.U1 = std::max(Bounds_.U1, g.Search.U1);
        Bounds_.V0 = std::min(Bounds_.V0, g.Search.V0);
        Bounds_.V1 = std::max(Bounds_.V1, g.Search.V1);
    }
    BinsU_ = BinsV_ = std::clamp(static_cast<int32_t>(std::sqrt(static_cast<double>(Glows_.size()))), 1, MaxBins);
    BinU_ = std::max(Bounds_.U1 - Bounds_.U0, 1e-30f) / static_cast<float>(BinsU_);
    BinV_ = std::max(Bounds_.V1 - Bounds_.V0, 1e-30f) / static_cast<float>(BinsV_);
    BinStart_.assign(static_cast<size_t>(BinsU_ * BinsV_) + 1, 0);
    // Twice over the glows: count each bin's glows, then place them after the prefix sums.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            for (size_t b = 1; b < BinStart_.size(); ++b) BinStart_[b] += BinStart_[b - 1];
            BinGlows_.resize(BinStart_.back());
        }
        for (uint32_t k = 0; k < Glows_.size(); ++k) {
            const Rect& r = Glows_[k].Search;
            for (int32_t bv = BinV(r.V0); bv <= BinV(r.V1); ++bv)
                for (int32_t bu = BinU(r.U0); bu <= BinU(r.U1); ++bu) {
                    const size_t bin = static_cast<size_t>(bv * BinsU_ + bu);
                    if (pass == 0) ++BinStart_[bin + 1];
                    else BinGlows_[BinStart_[bin]++] = k;
                }
        }
    }
    // Placing moved each start to the next bin's; shift them back.
    for (size_t b = BinStart_.size() - 1; b > 0; --b) BinStart_[b] = BinStart_[b - 1];
    BinStart_[0] = 0;
}

void cGlowClipper::AddColumn(const mRain::Group& iGroup, const cQuadStrip& iColumn, const cQuadCell* iCells) {
    if (Glows_.empty()) return;
    const uint32_t column = ++Columns_;
    // Cell k stands at head - k along the group's axis, at one place across it.
    const float head = iGroup.Vertical ? iColumn.Position.z : iColumn.Position.x;
    const float across = iGroup.Vertical ? iColumn.Position.x : iColumn.Position.z;
    const float n = static_cast<float>(iGroup.LetterMax);
    const float a0 = head - n - 0.5f, a1 = head + 0.5f;  // along the axis
    const float c0 = across - 0.5f, c1 = across + 0.5f;  // across it
    Rect seen;
    const bool visible = iGroup.Vertical ? Project(c0, c1, a0, a1, iGroup.Y, seen) : Project(a0, a1, c0, c1, iGroup.Y, seen);
    if (!visible || !Overlap(seen.U0, seen.U1, Bounds_.U0, Bounds_.U1) || !Overlap(seen.V0, seen.V1, Bounds_.V0, Bounds_.V1))
        return;
    for (int32_t bv = BinV(seen.V0); bv <= BinV(seen.V1); ++bv)
        for (int32_t bu = BinU(seen.U0); bu <= BinU(seen.U1); ++bu) {
            const size_t bin = static_cast<size_t>(bv * BinsU_ + bu);
            for (uint32_t at = BinStart_[bin]; at < BinStart_[bin + 1]; ++at) {
                const uint32_t g = BinGlows_[at];
                Glow& glow = Glows_[g];
                // Only a glow strictly farther away: one at the same depth wins by its bias.
                // A glow in several bins is cut by the column once.
                if (glow.LastColumn == column || !(glow.Y < iGroup.Y) || glow.First == glow.End ||
                    !Overlap(seen.U0, seen.U1, glow.Search.U0, glow.Search.U1) ||
                    !Overlap(seen.V0, seen.V1, glow.Search.V0, glow.Search.V1))
                    continue;
                glow.LastColumn = column;
                CutCellsFacing(iGroup, head, across, g, iCells);
            }
        }
}

// Cuts from the glow the drawn cells k of the column whose rectangle, seen from the eye,
// reaches into the glow's extent along the column (widened by a cell at each end).
void cGlowClipper::CutCellsFacing(const mRain::Group& iGroup, float iHead, float iAcross, uint32_t iGlow,
                                  const cQuadCell* iCells) {
    const Glow& glow = Glows_[iGlow];
    const double depth = static_cast<double>(Eye_.y) - iGroup.Y;
    const double eye = iGroup.Vertical ? Eye_.z : Eye_.x;
    const double g0 = iGroup.Vertical ? glow.Search.V0 : glow.Search.U0;
    const double g1 = iGroup.Vertical ? glow.Search.V1 : glow.Search.U1;
    // Cell k spans head - k +- 0.5 along the axis.
    const double first = std::floor(iHead - eye - g1 * depth - 0.5) - 1;
    const double last = std::ceil(iHead - eye - g0 * depth + 0.5) + 1;
    const double n = iGroup.LetterMax;
    if (last < 0 || first > n) return;
    const auto from = static_cast<int32_t>(std::max(first, 0.0)), to = static_cast<int32_t>(std::min(last, n));
    for (int32_t k = from; k <= to; ++k) {
        // A cell that is not drawn never reached the depth buffer either.
        if (!iCells[k].Drawn) continue;
        const float along = iHead - static_cast<float>(k);
        Rect cell;
        const bool seen = iGroup.Vertical
                              ? Project(iAcross - 0.5f, iAcross + 0.5f, along - 0.5f, along + 0.5f, iGroup.Y, cell)
                              : Project(along - 0.5f, along + 0.5f, iAcross - 0.5f, iAcross + 0.5f, iGroup.Y, cell);
        if (seen) Cut(iGlow, cell);
        if (Glows_[iGlow].First == Glows_[iGlow].End) return;
    }
}

// Takes the cell's rectangle out of the glow's parts: each part it overlaps leaves up to four,
// the strips beside it across the whole part, then those above and below it.
void cGlowClipper::Cut(uint32_t iGlow, const Rect& c) {
    Glow& glow = Glows_[iGlow];
    bool any = false;
    for (uint32_t i = glow.First; i < glow.End && !any; ++i) any = Covers(c, Pieces_[i]);
    if (!any) return;
    const Rect& whole = glow.Seen;
    const float minU = (whole.U1 - whole.U0) * Sliver, minV = (whole.V1 - whole.V0) * Sliver;
    auto keep = [&](const Rect& r) {
        if (r.U1 - r.U0 >= minU && r.V1 - r.V0 >= minV) Pieces_.push_back(r);
    };
    const auto first = static_cast<uint32_t>(Pieces_.size());
    for (uint32_t i = glow.First; i < glow.End; ++i) {
        const Rect p = Pieces_[i];  // a copy: appending may move the pool
        if (!Covers(c, p)) {
            Pieces_.push_back(p);
            continue;
        }
        if (c.U0 > p.U0) keep({p.U0, c.U0, p.V0, p.V1});
        if (c.U1 < p.U1) keep({c.U1, p.U1, p.V0, p.V1});
        const float u0 = std::max(p.U0, c.U0), u1 = std::min(p.U1, c.U1);
        if (c.V0 > p.V0) keep({u0, u1, p.V0, c.V0});
        if (c.V1 < p.V1) keep({u0, u1, c.V1, p.V1});
    }
    glow.First = first;
    glow.End = static_cast<uint32_t>(Pieces_.size());
}

const std::vector<cCellPart>& cGlowClipper::Parts(size_t iGlow) {
    // Seen from the eye, u grows with the cell's x and v with its z, in proportion.
    const Rect& whole = Glows_[iGlow].Seen;
    const float width = whole.U1 - whole.U0, height = whole.V1 - whole.V0;
    auto fraction = [](float at, float from, float size) { return std::clamp((at - from) / size, 0.0f, 1.0f); };
    Parts_.clear();
    for (uint32_t i = Glows_[iGlow].First; i < Glows_[iGlow].End; ++i) {
        const Rect& p = Pieces_[i];
        Parts_.push_back({fraction(p.U0, whole.U0, width), fraction(p.U1, whole.U0, width),
                          fraction(p.V0, whole.V0, height), fraction(p.V1, whole.V0, height)});
    }
    return Parts_;
}

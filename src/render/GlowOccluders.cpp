#include "render/GlowOccluders.h"

#include <algorithm>
#include <cmath>

#include "core/Numeric.h"
#include "rain/cRain.h"

using mCore::Floor;

namespace {

// A glow is looked for a little beyond its edges: a cell kept needlessly costs nothing on
// screen, a cell missed would let a glow shine through a letter.
constexpr float GlowMargin = 0.02f;
constexpr int32_t MaxBins = 32;

bool Overlap(float a0, float a1, float b0, float b1) { return a0 <= b1 && b0 <= a1; }

}  // namespace

int32_t cGlowOccluders::BinU(float iU) const {
    return std::clamp(static_cast<int32_t>((iU - Bounds_.U0) / BinU_), 0, BinsU_ - 1);
}
int32_t cGlowOccluders::BinV(float iV) const {
    return std::clamp(static_cast<int32_t>((iV - Bounds_.V0) / BinV_), 0, BinsV_ - 1);
}

bool cGlowOccluders::Project(float iX0, float iX1, float iZ0, float iZ1, float iY, Rect& oRect) const {
    const float depth = Eye_.y - iY;
    if (!(depth > 0)) return false;
    oRect = {(iX0 - Eye_.x) / depth, (iX1 - Eye_.x) / depth, (iZ0 - Eye_.z) / depth, (iZ1 - Eye_.z) / depth};
    return true;
}

bool cGlowOccluders::Begin(const cRain& iRain, const D3DVECTOR& iEye) {
    Eye_ = iEye;
    Glows_.clear();
    Strips_.clear();
    Cells_.clear();
    const int32_t groupMax = iRain.GroupMax();
    const auto glowing = [](const mRain::Group& g) { return g.Active && g.Leader && !g.Arrived; };
    int32_t glows = 0;
    for (int32_t i = 0; i <= groupMax && glows <= MaxGlows; ++i) glows += glowing(iRain.Groups[i]);
    if (glows > MaxGlows) return false;
    for (int32_t i = 0; i <= groupMax; ++i) {
        const mRain::Group& g = iRain.Groups[i];
        if (!glowing(g)) continue;
        const float x = static_cast<float>(Floor(g.X)), z = static_cast<float>(Floor(g.Z));
        Glow glow;
        if (!Project(x - 0.5f, x + 0.5f, z - 0.5f, z + 0.5f, g.Y, glow.Seen)) continue;
        const float mu = (glow.Seen.U1 - glow.Seen.U0) * GlowMargin, mv = (glow.Seen.V1 - glow.Seen.V0) * GlowMargin;
        glow.Seen = {glow.Seen.U0 - mu, glow.Seen.U1 + mu, glow.Seen.V0 - mv, glow.Seen.V1 + mv};
        glow.Y = g.Y;
        Glows_.push_back(glow);
    }
    if (!Glows_.empty()) BinGlows();
    return true;
}

void cGlowOccluders::BinGlows() {
    Bounds_ = Glows_[0].Seen;
    for (const Glow& g : Glows_) {
        Bounds_.U0 = std::min(Bounds_.U0, g.Seen.U0);
        Bounds_.U1 = std::max(Bounds_.U1, g.Seen.U1);
        Bounds_.V0 = std::min(Bounds_.V0, g.Seen.V0);
        Bounds_.V1 = std::max(Bounds_.V1, g.Seen.V1);
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
            const Rect& r = Glows_[k].Seen;
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

void cGlowOccluders::AddColumn(const mRain::Group& iGroup, const cQuadStrip& iColumn, const cQuadCell* iCells) {
    if (Glows_.empty()) return;
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
    Ranges_.clear();
    for (int32_t bv = BinV(seen.V0); bv <= BinV(seen.V1); ++bv)
        for (int32_t bu = BinU(seen.U0); bu <= BinU(seen.U1); ++bu) {
            const size_t bin = static_cast<size_t>(bv * BinsU_ + bu);
            for (uint32_t at = BinStart_[bin]; at < BinStart_[bin + 1]; ++at) {
                const Glow& glow = Glows_[BinGlows_[at]];
                // Only a glow strictly farther away: one at the same depth wins by its bias.
                if (glow.Y < iGroup.Y && Overlap(seen.U0, seen.U1, glow.Seen.U0, glow.Seen.U1) &&
                    Overlap(seen.V0, seen.V1, glow.Seen.V0, glow.Seen.V1))
                    AddCellsFacing(iGroup, head, glow);
            }
        }
    if (!Ranges_.empty()) EmitRanges(iColumn, iCells);
}

// The cells k of the column whose rectangle, seen from the eye, reaches into the glow's
// extent along the column, widened by a cell at each end against rounding.
void cGlowOccluders::AddCellsFacing(const mRain::Group& iGroup, float iHead, const Glow& iGlow) {
    const double depth = static_cast<double>(Eye_.y) - iGroup.Y;
    const double eye = iGroup.Vertical ? Eye_.z : Eye_.x;
    const double g0 = iGroup.Vertical ? iGlow.Seen.V0 : iGlow.Seen.U0, g1 = iGroup.Vertical ? iGlow.Seen.V1 : iGlow.Seen.U1;
    // Cell k spans head - k +- 0.5 along the axis.
    const double first = std::floor(iHead - eye - g1 * depth - 0.5) - 1;
    const double last = std::ceil(iHead - eye - g0 * depth + 0.5) + 1;
    const double n = iGroup.LetterMax;
    if (last < 0 || first > n) return;
    Ranges_.emplace_back(static_cast<int32_t>(std::max(first, 0.0)), static_cast<int32_t>(std::min(last, n)));
}

// The column's ranges, merged, as strips over copies of their cells (the drawn flags are
// what matter: a cell that is not drawn never reached the depth buffer either).
void cGlowOccluders::EmitRanges(const cQuadStrip& iColumn, const cQuadCell* iCells) {
    std::sort(Ranges_.begin(), Ranges_.end());
    for (size_t i = 0; i < Ranges_.size();) {
        const int32_t first = Ranges_[i].first;
        int32_t last = Ranges_[i].second;
        for (++i; i < Ranges_.size() && Ranges_[i].first <= last + 1; ++i) last = std::max(last, Ranges_[i].second);
        cQuadStrip strip;
        const float k = static_cast<float>(first);
        strip.Position = {iColumn.Position.x + k * iColumn.Step.x, iColumn.Position.y + k * iColumn.Step.y,
                          iColumn.Position.z + k * iColumn.Step.z};
        strip.Step = iColumn.Step;
        strip.First = static_cast<uint32_t>(Cells_.size());
        strip.Count = static_cast<uint32_t>(last - first + 1);
        Cells_.insert(Cells_.end(), iCells + first, iCells + last + 1);
        Strips_.push_back(strip);
    }
}

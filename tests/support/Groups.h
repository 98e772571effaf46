#pragma once
// Groups of the rain set by hand, for tests of what the renderer makes of them.
#include <cstdint>

#include "rain/cRain.h"

namespace testing_support {

// An active, fully visible group at (x, y, z) with n + 1 letters; letter j shows the cell
// (j x colStep mod 10, j x rowStep mod 8) at the flicker phase phase0 + j x phaseStep.
inline mRain::Group& AddGroup(cRain& rain, float x, float y, float z, int32_t n, bool vertical, bool leader = false,
                              float phase0 = 0.7853982f, float phaseStep = 0, int colStep = 1, int rowStep = 1) {
    mRain::Group group;
    group.Active = true;
    group.X = x, group.Y = y, group.Z = z;
    group.Vertical = vertical;
    group.Leader = leader;
    group.Alpha = group.WordAlpha = 1;
    group.LetterMax = n;
    group.Letters.resize(n + 1);
    for (int32_t j = 0; j <= n; ++j)
        group.Letters[j] = {static_cast<int16_t>(j * colStep % 10), static_cast<int16_t>(j * rowStep % 8),
                            phase0 + phaseStep * static_cast<float>(j), 0, 0};
    rain.Groups.push_back(group);
    return rain.Groups.back();
}

}  // namespace testing_support

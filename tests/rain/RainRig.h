#pragma once
// A rain model on a fake clock, a seeded random source, the default settings and the start
// camera, driven frame by frame.
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Numeric.h"
#include "rain/cRain.h"
#include "render/cCamera.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"

namespace rain_test {

struct RainRig {
    testing_support::ScopedFakePlatform Platform;  // error reports land in Platform.Dialogs
    cValues Settings;
    cCamera Camera;
    mCore::cRandom Rnd{20240601};
    cRain Rain{Settings, Camera, Platform.Clock, Rnd};

    RainRig() {
        for (const SettingDefault& key : SettingsKeys) Settings.SetDefault(key.Key, key.Default);
        Camera.SetPosition(0, 0, 0);
        Camera.Angle(mCore::ToSingle(6.283185 / 360 * 270));
        Platform.Clock.Ticks = 100000;
        Rain.ReadSettings();
        Rain.SetupChars();
        Rain.SampleNow();
    }

    // Count groups 0..count - 1 and leave the first fill behind.
    void Background(int count, bool firstFillOver = true) {
        Settings.Value("Count", count - 1);
        if (firstFillOver) Rain.LogoCount = 1;
        Rain.SetupBackground();
    }

    // One frame as the main loop runs it: the clock moves on, Now is sampled, the rain steps.
    void Frame(int32_t milliseconds = 50) {
        Platform.Clock.Ticks += milliseconds;
        Rain.SampleNow();
        Rain.Animate();
    }
};

inline int CountWords(const cRain& rain) {
    int n = 0;
    for (const mRain::Group& g : rain.Groups) n += g.IsWord;
    return n;
}

inline int CountOrdinary(const cRain& rain) { return static_cast<int>(rain.Groups.size()) - CountWords(rain); }

// Atlas cells of the word letters, in array order.
inline std::vector<std::pair<float, float>> WordCells(const cRain& rain) {
    std::vector<std::pair<float, float>> cells;
    for (const mRain::Group& g : rain.Groups)
        if (g.IsWord) cells.emplace_back(g.WordCol, g.WordRow);
    return cells;
}

// Atlas cells a text should spell, skipping characters without a glyph (ASCII texts only).
inline std::vector<std::pair<float, float>> CellsOf(const cRain& rain, std::string_view text) {
    std::vector<std::pair<float, float>> cells;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 4) == "<br>") {
            i += 3;
            continue;
        }
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const int32_t entry = rain.FindChar(std::string_view(&c, 1));
        if (entry >= 0) cells.emplace_back(rain.Chars[entry].Col, rain.Chars[entry].Row);
    }
    return cells;
}

}  // namespace rain_test

#pragma once
// A rain model on a fake clock, a seeded random source, the default settings and the start
// camera, driven frame by frame as the main loop drives it.
#include <string_view>
#include <utility>
#include <vector>

#include "core/Numeric.h"
#include "rain/cRain.h"
#include "render/cCamera.h"
#include "settings/SettingsModel.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"
#include "support/RunningRain.h"

namespace rain_test {

struct RainRig {
    testing_support::ScopedFakePlatform Platform;  // error reports land in Platform.Dialogs
    cValues Settings;
    cCamera Camera;
    mCore::cRandom Rnd{20240601};
    cRain Rain{Camera, Platform.Clock, Rnd};

    RainRig() {
        testing_support::AtTheStart(Settings, Camera);
        Platform.Clock.Ticks = 100000;
        Rain.ReadSettings(ReadSettingsValues(Settings));
        Rain.SetupChars();
        Rain.SampleNow();
    }
    // Groups 0..count - 1; by default as after the first fill, so the settings apply.
    void Background(int count, bool firstFillOver = true) {
        if (firstFillOver) Rain.LogoCount = 1;
        Rain.SetupBackground(count - 1);
    }
    void Frame(int32_t milliseconds = 50) {
        Platform.Clock.Ticks += milliseconds;
        Rain.SampleNow();
        Rain.Animate();
    }
    int Words() const {
        int n = 0;
        for (const mRain::Group& g : Rain.Groups) n += g.IsWord;
        return n;
    }
    int Ordinary() const { return static_cast<int>(Rain.Groups.size()) - Words(); }
    mRain::Group* FirstWord() {
        for (mRain::Group& g : Rain.Groups)
            if (g.IsWord) return &g;
        return nullptr;
    }
    // Atlas cells of the word letters in array order, and those an ASCII text should give.
    std::vector<std::pair<float, float>> WordCells() const {
        std::vector<std::pair<float, float>> cells;
        for (const mRain::Group& g : Rain.Groups)
            if (g.IsWord) cells.emplace_back(g.WordCol, g.WordRow);
        return cells;
    }
    std::vector<std::pair<float, float>> CellsOf(std::string_view text) const {
        std::vector<std::pair<float, float>> cells;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text.substr(i, 4) == "<br>") i += 4;
            const char c = static_cast<char>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] + 32 : text[i]);
            const int32_t entry = Rain.FindChar(std::string_view(&c, 1));
            if (entry >= 0) cells.emplace_back(Rain.Chars[entry].Col, Rain.Chars[entry].Row);
        }
        return cells;
    }
};

}  // namespace rain_test

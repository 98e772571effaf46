// What choosing a custom glyph set costs (the budget: drawing 96 glyphs in at most 30 ms):
//   BM_Draw96Glyphs          a fresh painter finds the default font and draws 96 glyphs it has
//   BM_Draw96WithFallbacks   96 glyphs of which 48 the chosen font lacks and fallbacks draw
//   BM_CustomSetIntoAtlas    the drawn cells into the 1024 x 1024 atlas and a new GL texture
//                            with its map of blank texels (the frame after the choice pays it)
// fontconfig reads its caches once per process, on the first font looked up; that first look-up
// is timed apart (BM_FirstFontLookUp, one iteration) and left out of the others.
#include <benchmark/benchmark.h>

#include <string>

#include "app/CustomGlyphs.h"
#include "device/cDevice.h"
#include "fonts/GlyphText.h"
#include "fonts/cGlyphPainter.h"
#include "rain/cRain.h"
#include "settings/SettingsModel.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"
#include "support/HeadlessDevice.h"

namespace {

// Cyrillic, Greek and Latin letters and digits: 96 that DejaVu Sans Bold has.
std::u32string Ninety6() {
    std::u32string chars;
    for (char32_t c = 0x0410; c < 0x0410 + 48; ++c) chars += c;  // А to п
    for (char32_t c = 0x0391; c < 0x0391 + 17; ++c) chars += c;  // Α to Ρ
    for (char32_t c = U'a'; c <= U'z'; ++c) chars += c;
    for (char32_t c = U'0'; c < U'5'; ++c) chars += c;
    return chars;
}

void BM_FirstFontLookUp(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(mFonts::DefaultFont());
}
BENCHMARK(BM_FirstFontLookUp)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Draw96Glyphs(benchmark::State& state) {
    const std::u32string chars = Ninety6();
    for (auto _ : state) {
        mFonts::cGlyphPainter painter;
        std::string error;
        if (!painter.UseFont(mFonts::DefaultFont(), error)) return state.SkipWithError(error.c_str());
        const auto drawn = painter.Draw(chars);
        if (drawn.Chars.size() != 96) return state.SkipWithError("not every glyph was drawn");
    }
}
BENCHMARK(BM_Draw96Glyphs)->Unit(benchmark::kMillisecond);

void BM_Draw96WithFallbacks(benchmark::State& state) {
    // DejaVu Sans Mono lacks the Tifinagh letters that DejaVu Sans has.
    std::u32string chars = Ninety6().substr(0, 48);
    for (char32_t c = 0x2D30; c < 0x2D30 + 48; ++c) chars += c;
    for (auto _ : state) {
        mFonts::cGlyphPainter painter;
        std::string error;
        if (!painter.UseFont("DejaVu Sans Mono:bold", error)) return state.SkipWithError(error.c_str());
        const auto drawn = painter.Draw(chars);
        state.counters["drawn"] = static_cast<double>(drawn.Chars.size());
    }
}
BENCHMARK(BM_Draw96WithFallbacks)->Unit(benchmark::kMillisecond);

void BM_CustomSetIntoAtlas(benchmark::State& state) {
    testing_support::ScopedFakePlatform platform;  // the boxes answer from a script
    cEGLContext context;
    cDevice device;
    if (!testing_support::OpenHeadlessDevice(context, device, 64, 64).empty()) return state.SkipWithError("no GL");
    const int32_t texture = device.LoadTexture(GLYPHFALL_ATLAS, -1);
    cValues store;
    SettingsModel settings(store);
    app::cCustomGlyphs custom;
    platform.Dialogs.Answers.push_back(mFonts::EncodeUtf8(Ninety6()));
    if (!custom.AskForGlyphs(settings)) return state.SkipWithError("the set was not drawn");
    for (auto _ : state) custom.PutIntoAtlas(device, texture, GLYPHFALL_ATLAS);
    testing_support::CloseHeadlessDevice(device);
}
BENCHMARK(BM_CustomSetIntoAtlas)->Unit(benchmark::kMillisecond);

}  // namespace

#pragma once
// How the rain is coloured: one colour for the whole rain (the classic picture), a head colour
// burning into the chosen colour along each trail, a hue for each column across the hue
// circle, or a palette dealt over the columns (typed, a preset or the desktop's own colours).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mRain {

struct Color {
    float r = 0, g = 0, b = 0, a = 0;
};

enum class ColorMode { One, Gradient, Rainbow, Palette, Desktop };

// The modes in menu order with their command-line and settings words.
struct ColorModeName {
    ColorMode Mode;
    std::string_view Word;
};
inline constexpr std::array<ColorModeName, 5> ColorModeNames{{
    {ColorMode::One, "one"},
    {ColorMode::Gradient, "gradient"},
    {ColorMode::Rainbow, "rainbow"},
    {ColorMode::Palette, "palette"},
    {ColorMode::Desktop, "desktop"},
}};
std::optional<ColorMode> ColorModeFromWord(std::string_view iWord);
std::string_view ColorModeWord(ColorMode iMode);

inline constexpr size_t MinPaletteColors = 2, MaxPaletteColors = 16;

// Everything the rain needs to colour its columns; the window builds it from the settings
// and, in the desktop mode, from whatever desktop colours were found.
struct ColorScheme {
    ColorMode Mode = ColorMode::One;
    std::vector<Color> Palette;   // the palette mode's colours, or the desktop's (1 to 16)
    Color Head{1, 1, 1, 1};       // the gradient's colour at each column's leading glyph

    // True when each column carries a colour of its own (otherwise all share the rain colour).
    bool PerColumn() const {
        return Mode == ColorMode::Rainbow ||
               ((Mode == ColorMode::Palette || Mode == ColorMode::Desktop) && !Palette.empty());
    }
};

// A colour text ("#" and six hex digits, or "r,g,b" in 0..255 as the colour dialog takes it).
std::optional<Color> ColorFromText(std::string_view iText);
// "#RRGGBB" of a colour (each channel rounded to 0..255).
std::string ColorText(const Color& iColor);

// A typed palette: "#RRGGBB" colours separated by commas or blanks. Error names what is wrong.
struct PaletteAnswer {
    std::vector<Color> Colors;
    std::string Error;  // empty when Colors holds 2 to 16 colours
};
PaletteAnswer ParsePalette(std::string_view iText);
// The palette written back as its text ("#00FF41, #008F11").
std::string PaletteText(const std::vector<Color>& iColors);

// The palette presets offered beside a typed one, in menu order.
struct PalettePreset {
    std::string_view Name;
    std::string_view Colors;
};
inline constexpr std::array<PalettePreset, 4> PalettePresets{{
    {"Greens", "#00FF41, #008F11, #003B00"},
    {"Ocean", "#00E5FF, #0077FF, #5A3DFF, #00FFB0"},
    {"Fire", "#FFD000, #FF7A00, #FF2A00, #FFF3B0"},
    {"Neon", "#FF00C8, #00FFF0, #B4FF00, #8A2BFF"},
}};

// A preset's palette by its name (in any case), else ParsePalette.
PaletteAnswer PaletteOf(std::string_view iText);

// A fully saturated colour of hue iHue (turns; any value, taken modulo 1).
Color HueColor(double iHue);

// The gradient's share of the head colour at letter j of a column with upper index n: 1 at
// the head, falling to 0 halfway along the trail.
inline float HeadShare(int32_t j, int32_t n) {
    const float half = static_cast<float>(n) * 0.5f;
    return j < half ? 1.0f - static_cast<float>(j) / half : 0.0f;
}

}  // namespace mRain

#include "rain/ColorScheme.h"

#include <cmath>
#include <cstdio>

#include "core/Numeric.h"
#include "core/Text.h"
#include "rain/cRain.h"
#include "settings/SettingsModel.h"

namespace mRain {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "#RRGGBB" with six true hexadecimal digits.
std::optional<Color> ColorFromHex(std::string_view iText) {
    if (iText.size() != 7 || iText[0] != '#') return std::nullopt;
    float channel[3];
    for (int c = 0; c < 3; ++c) {
        const int high = HexValue(iText[1 + 2 * c]), low = HexValue(iText[2 + 2 * c]);
        if (high < 0 || low < 0) return std::nullopt;
        channel[c] = static_cast<float>((high * 16 + low) / 255.0);
    }
    return Color{channel[0], channel[1], channel[2], 1};
}

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == ';'; }

}  // namespace

std::optional<ColorMode> ColorModeFromWord(std::string_view iWord) {
    for (const ColorModeName& name : ColorModeNames)
        if (name.Word == iWord) return name.Mode;
    return std::nullopt;
}

std::string_view ColorModeWord(ColorMode iMode) {
    for (const ColorModeName& name : ColorModeNames)
        if (name.Mode == iMode) return name.Word;
    return ColorModeNames[0].Word;
}

std::optional<Color> ColorFromText(std::string_view iText) {
    const ColorAnswer answer = ReadColorAnswer(iText);
    if (answer.What != ColorAnswer::Kind::Color) return std::nullopt;
    return ColorFromHex(answer.Text);
}

std::string ColorText(const Color& iColor) {
    const auto byte = [](float v) {
        return static_cast<unsigned>(std::lround(std::fmin(std::fmax(static_cast<double>(v), 0.0), 1.0) * 255));
    };
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", byte(iColor.r), byte(iColor.g), byte(iColor.b));
    return text;
}

PaletteAnswer ParsePalette(std::string_view iText) {
    PaletteAnswer answer;
    for (size_t pos = 0; pos < iText.size();) {
        if (IsSeparator(iText[pos])) {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < iText.size() && !IsSeparator(iText[end])) ++end;
        const std::string_view item = iText.substr(pos, end - pos);
        pos = end;
        const std::optional<Color> color = ColorFromHex(item);
        if (!color) {
            answer.Colors.clear();
            answer.Error = "\"" + std::string(item.substr(0, 40)) + "\" is no colour (#RRGGBB)";
            return answer;
        }
        answer.Colors.push_back(*color);
        if (answer.Colors.size() > MaxPaletteColors) break;
    }
    if (answer.Colors.size() < MinPaletteColors || answer.Colors.size() > MaxPaletteColors) {
        answer.Colors.clear();
        answer.Error = "A palette takes 2 to 16 colours";
    }
    return answer;
}

PaletteAnswer PaletteOf(std::string_view iText) {
    for (const PalettePreset& preset : PalettePresets)
        if (mCore::EqualIgnoringCase(iText, preset.Name)) return ParsePalette(preset.Colors);
    return ParsePalette(iText);
}

std::string PaletteText(const std::vector<Color>& iColors) {
    std::string text;
    for (const Color& color : iColors) text += (text.empty() ? "" : ", ") + ColorText(color);
    return text;
}

Color HueColor(double iHue) {
    // Every column asks every frame in the rainbow: no library floor, no division.
    double h = (iHue - mCore::Floor(iHue)) * 6;
    if (h >= 6) h = 0;  // a hue a hair below a whole turn rounds up to 6
    const int sector = static_cast<int>(h);
    const auto f = static_cast<float>(h - sector);
    switch (sector) {
        case 0: return {1, f, 0, 1};
        case 1: return {1 - f, 1, 0, 1};
        case 2: return {0, 1, f, 1};
        case 3: return {0, 1 - f, 1, 1};
        case 4: return {f, 0, 1, 1};
        default: return {1, 0, 1 - f, 1};
    }
}

}  // namespace mRain

#pragma once
// The settings as the program uses them: one typed field for each key. They are read and
// checked once, where a value enters (the settings file, a switch, a dialog's answer); the
// rain, the renderer and the loop take them from here and never read the store's text.
#include <cstdint>
#include <optional>
#include <string>

// A colour of the rain, each channel in 0..1.
struct RgbColor {
    float r = 0, g = 0, b = 0;
    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

// "Color" keeps its text as chosen (the file holds it byte for byte) and what that text
// means; a stored text that is no colour means none, and the rain keeps the colour it has.
struct ColorSetting {
    std::string Text;
    std::optional<RgbColor> Rgb;
};

struct SettingsValues {
    ColorSetting Color;
    int32_t Length = 1;  // 0 short, 1 medium, 2 long trails
    float Zoom = 1;      // kept, never used
    float Distance = 70;
    bool Fly = true;
    int32_t Count = 150;  // the rain has Count + 1 columns
    float FlySpeed = 1;
    float FallSpeed = 0.5f;
    bool RandomColors = false;
    bool RandomMove = false;
    int32_t BouncePos = 60;  // out of 1000: how often a random jump comes
    int32_t BounceRot = 30;  // the same for a random turn
    bool ShowAds = true;
    bool StayBack = false;
    bool ScreenSaver = false;
    int32_t Leaders = 35;      // percentage of new columns with a glowing leader
    double Horizontal = 50;    // percentage of columns that run sideways
    int32_t Glyphs = 0;        // the glyph set: classic, katakana, digits, binary, custom
    bool KeepShape = false;
    std::string CustomGlyphs;  // UTF-8
    std::string GlyphFont;     // a fontconfig pattern or a font file's path
    bool Smooth = false;
    std::optional<int32_t> FrameRate;  // none: the display's rate
    int32_t ColorMode = 0;     // one colour, gradient, rainbow, palette, desktop colours
    std::string Palette;       // "#00FF41, #008F11, ...": read where the rain takes it
    ColorSetting HeadColor;    // the gradient's head colour; none: white
};

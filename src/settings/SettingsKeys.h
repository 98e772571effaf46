#pragma once
// Every settings key of the program with its default, in the order the window declares
// them (which is also their order in a new settings file), and what a usable stored value
// of each key looks like.
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/SettingsValues.h"

class cValues;

// The names of the settings keys. Code reaches a key through these, so that a misspelt key
// fails to compile instead of reading a value that is never there.
namespace SettingKey {
inline constexpr std::string_view Color = "Color";
inline constexpr std::string_view Length = "Length";
inline constexpr std::string_view Zoom = "Zoom";
inline constexpr std::string_view Distance = "Distance";
inline constexpr std::string_view Fly = "Fly";
inline constexpr std::string_view Count = "Count";
inline constexpr std::string_view FlySpeed = "FlySpeed";
inline constexpr std::string_view FallSpeed = "FallSpeed";
inline constexpr std::string_view RandomColors = "RandomColors";
inline constexpr std::string_view RandomMove = "RandomMove";
inline constexpr std::string_view BouncePos = "BouncePos";
inline constexpr std::string_view BounceRot = "BounceRot";
inline constexpr std::string_view ShowAds = "ShowAds";
inline constexpr std::string_view StayBack = "StayBack";
inline constexpr std::string_view ScreenSaver = "ScreenSaver";
inline constexpr std::string_view Leaders = "Leaders";
inline constexpr std::string_view Horizontal = "Horizontal";
inline constexpr std::string_view Glyphs = "Glyphs";
inline constexpr std::string_view KeepShape = "KeepShape";
inline constexpr std::string_view CustomGlyphs = "CustomGlyphs";
inline constexpr std::string_view GlyphFont = "GlyphFont";
inline constexpr std::string_view Smooth = "Smooth";
inline constexpr std::string_view FrameRate = "FrameRate";
inline constexpr std::string_view ColorMode = "ColorMode";
inline constexpr std::string_view Palette = "Palette";
inline constexpr std::string_view HeadColor = "HeadColor";
}  // namespace SettingKey

// What the menu, the keys and the dialogs can store under a key. A file edited by hand, left
// by another version or damaged on disk may hold anything else; start-up checks each value
// against its kind and range.
enum class SettingKind {
    Text,    // taken as it is
    Switch,  // 0 or 1
    Whole,   // a whole number within [Min, Max]
    Number,  // a finite number within [Min, Max]
};

// The typed field a key is read into. Its type says how the stored text is read (a switch is
// on exactly at 1, a whole number is rounded half to even, a colour text by its own rule, an
// empty optional stands for a missing value) and how a new value is written.
using SettingField =
    std::variant<bool SettingsValues::*, int32_t SettingsValues::*, float SettingsValues::*, double SettingsValues::*,
                 std::string SettingsValues::*, std::optional<int32_t> SettingsValues::*, ColorSetting SettingsValues::*>;

// One key: its field, its default, the kind and range a usable value has, and, for a choice
// that a switch names in words, the words for 0, 1, 2 and on.
struct SettingDefault {
    std::string_view Key;
    SettingField Field;
    std::string_view Default;
    SettingKind Kind = SettingKind::Text;
    double Min = 0, Max = 0;
    std::span<const std::string_view> Names = {};
};

// The most columns "Count" may ask for: more would take more memory than a desktop has.
inline constexpr int32_t MaxGroupCount = 200000;
// Groups start "Distance" cells ahead of the camera, whose far plane is 800 cells away:
// farther in either direction, no rain could ever be seen.
inline constexpr double MaxRainDistance = 800;

inline constexpr double AnyNumber = std::numeric_limits<double>::max();

inline constexpr std::string_view LengthNames[] = {"short", "medium", "long"};
inline constexpr std::string_view ColorModeWords[] = {"one", "gradient", "rainbow", "palette", "desktop"};

inline constexpr std::array<SettingDefault, 17> SettingsKeys{{
    // Not checked: a text that is not a colour leaves the rain black until a colour is chosen.
    {SettingKey::Color, &SettingsValues::Color, "#00A000", SettingKind::Text},
    {SettingKey::Length, &SettingsValues::Length, "1", SettingKind::Whole, 0, 2, LengthNames},
    {SettingKey::Zoom, &SettingsValues::Zoom, "1", SettingKind::Number, -AnyNumber, AnyNumber},  // kept, never used
    {SettingKey::Distance, &SettingsValues::Distance, "70", SettingKind::Number, -MaxRainDistance, MaxRainDistance},
    {SettingKey::Fly, &SettingsValues::Fly, "1", SettingKind::Switch},
    {SettingKey::Count, &SettingsValues::Count, "150", SettingKind::Whole, 0, MaxGroupCount},
    {SettingKey::FlySpeed, &SettingsValues::FlySpeed, "1", SettingKind::Number, 0, 5},
    {SettingKey::FallSpeed, &SettingsValues::FallSpeed, "0.5", SettingKind::Number, 0, 10},  // 0 stays: the speed keys start from there
    {SettingKey::RandomColors, &SettingsValues::RandomColors, "0", SettingKind::Switch},
    {SettingKey::RandomMove, &SettingsValues::RandomMove, "0", SettingKind::Switch},
    {SettingKey::BouncePos, &SettingsValues::BouncePos, "60", SettingKind::Number, 0, 1000},
    {SettingKey::BounceRot, &SettingsValues::BounceRot, "30", SettingKind::Number, 0, 1000},
    {SettingKey::ShowAds, &SettingsValues::ShowAds, "1", SettingKind::Switch},
    {SettingKey::StayBack, &SettingsValues::StayBack, "0", SettingKind::Switch},
    {SettingKey::ScreenSaver, &SettingsValues::ScreenSaver, "0", SettingKind::Switch},
    {SettingKey::Leaders, &SettingsValues::Leaders, "35", SettingKind::Number, 0, 100},
    {SettingKey::Horizontal, &SettingsValues::Horizontal, "50", SettingKind::Number, 0, 100},
}};

// A new key is its field in SettingsValues and its row in LaterSettingsKeys (with its words
// when a switch names its values); a switch for it is a row in app::Switches, and its menu
// marks a row in frmMain's SwitchMarks or ChoiceMarks.
// Keys that came after the first 17. They get no default in the file, so that the file of
// someone who never chooses them stays byte for byte as it was; a missing value reads as 0.
inline constexpr std::array<SettingDefault, 9> LaterSettingsKeys{{
    // the glyph sets: classic, katakana, digits, binary, custom
    {SettingKey::Glyphs, &SettingsValues::Glyphs, "0", SettingKind::Whole, 0, 4},
    {SettingKey::KeepShape, &SettingsValues::KeepShape, "0", SettingKind::Switch},
    // The custom set's characters (UTF-8) and its font (a fontconfig pattern or a file's path).
    // Checked where they are drawn: whether a text can be drawn depends on the fonts installed.
    {SettingKey::CustomGlyphs, &SettingsValues::CustomGlyphs, "", SettingKind::Text},
    {SettingKey::GlyphFont, &SettingsValues::GlyphFont, "", SettingKind::Text},
    {SettingKey::Smooth, &SettingsValues::Smooth, "0", SettingKind::Switch},
    // Smooth motion's frames a second. No menu item stores it: --fps gives it for one run,
    // and without it the display's rate is used.
    {SettingKey::FrameRate, &SettingsValues::FrameRate, "60", SettingKind::Whole, 20, 240},
    // The colour modes: one colour, gradient, rainbow, palette, desktop colours. The palette
    // ("#00FF41, #008F11") and the gradient's head colour are checked where they are read.
    {SettingKey::ColorMode, &SettingsValues::ColorMode, "0", SettingKind::Whole, 0, 4, ColorModeWords},
    {SettingKey::Palette, &SettingsValues::Palette, "", SettingKind::Text},
    {SettingKey::HeadColor, &SettingsValues::HeadColor, "", SettingKind::Text},
}};

// Adds every key that the store lacks, with its default; stored values stay.
void DeclareSettingDefaults(cValues& settings);

// A stored value that start-up could not use, and the default that replaced it.
struct ReplacedSetting {
    std::string_view Key;
    std::string Stored;
    std::string_view Default;
};

// Replaces every value that does not fit its key's kind and range by the key's default, so
// that the run uses the default and the file is written back corrected at the end.
std::vector<ReplacedSetting> ReplaceUnusableSettings(cValues& settings);

// The key's entry in either table; nullptr for a key the program does not have.
const SettingDefault* FindSettingKey(std::string_view key);
// The entry of the key read into that field (every field has one).
const SettingDefault& SettingOf(SettingField field);

// A value given for one run only (a command-line switch). The store holds it while the
// program runs, so everything reads it as usual; before the store is written, the value it
// replaced goes back, so the file never learns of it.
struct SettingOverride {
    std::string Key;
    std::string Value;
};
struct OverriddenSetting {
    SettingOverride Given;
    std::optional<std::string> Stored;  // the record's text before the override; nothing when absent
};

std::vector<OverriddenSetting> ApplyOverrides(cValues& settings, const std::vector<SettingOverride>& overrides);
// Puts back what each override replaced. A key whose value no longer is the override's was
// changed during the run (from the menu or the keys): that choice is the user's and stays.
void RestoreOverridden(cValues& settings, const std::vector<OverriddenSetting>& overridden);

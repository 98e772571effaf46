#pragma once
// Every settings key of the program with its default, in the order the window declares
// them (which is also their order in a new settings file).
#include <array>
#include <string_view>

struct SettingDefault {
    std::string_view Key;
    std::string_view Default;
};

inline constexpr std::array<SettingDefault, 17> SettingsKeys{{
    {"Color", "#00A000"},
    {"Length", "1"},
    {"Zoom", "1"},
    {"Distance", "70"},
    {"Fly", "1"},
    {"Count", "150"},
    {"FlySpeed", "1"},
    {"FallSpeed", "0.5"},
    {"RandomColors", "0"},
    {"RandomMove", "0"},
    {"BouncePos", "60"},
    {"BounceRot", "30"},
    {"ShowAds", "1"},
    {"StayBack", "0"},
    {"ScreenSaver", "0"},
    {"Leaders", "35"},
    {"Horizontal", "50"},
}};

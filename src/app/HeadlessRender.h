#pragma once
// Renders the rain without a window: an EGL surfaceless context stands in for the window's
// surface, and every presented frame is written as a PNG file. Serves people who make
// wallpapers or clips, the tests and the benchmarks. No Qt and no display involved.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsKeys.h"

namespace app {

struct HeadlessOptions {
    std::string Folder;        // where frame-0001.png ... go
    int32_t Frames = 100;
    int32_t Width = 1024, Height = 768;
    std::optional<uint64_t> Seed;  // the same seed renders the same frames
    bool WriteFiles = true;        // false: render only (benchmarks)
    std::vector<SettingOverride> Settings;  // the settings switches (--count 300 ...)
};

// Reads "--render DIR [--frames N] [--size WxH] [--seed S]" and any settings switches (--fps N among them)
// (arguments after the program name). Nothing, with the reason in oError, when they do not make a valid request.
std::optional<HeadlessOptions> ParseHeadlessArguments(const std::vector<std::string>& arguments, std::string& oError);

inline constexpr const char* HeadlessUsage =
    "usage: glyphfall --render DIR [--frames N] [--size WxH] [--seed S] [--fps N] [SETTINGS SWITCH]...";

// Runs the program's own frame sequence for the requested frames; returns the exit code.
// The settings file beside the program is read (so the frames show the user's colours and
// counts) but never written.
int RenderHeadless(const HeadlessOptions& options);

}  // namespace app

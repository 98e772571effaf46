#pragma once
// Renders the rain without a window: an EGL surfaceless context stands in for the window's
// surface, and every presented frame is written as a PNG file. Serves people who make
// wallpapers or clips, the tests and the benchmarks. No Qt and no display involved.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "settings/SettingsKeys.h"

namespace app {

struct HeadlessOptions {
    RenderOptions Render;           // the folder, the frames, their size and seed (--render ...)
    bool WriteFiles = true;         // false: render only (benchmarks)
    std::vector<SettingOverride> Settings;  // the settings switches (--count 300 ...)
};

// Runs the program's own frame sequence for the requested frames; returns the exit code.
// The settings file beside the program is read (so the frames show the user's colours and
// counts) but never written.
int RenderHeadless(const HeadlessOptions& options);

}  // namespace app

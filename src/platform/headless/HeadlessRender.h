#pragma once
// Renders the rain without a window: an EGL surfaceless context stands in for the window's
// surface, and every presented frame is written as a PNG file. Serves people who make
// wallpapers or clips, the tests and the benchmarks. No Qt and no display involved.
#include "app/CommandLine.h"
#include "app/PlatformRun.h"

namespace platform::headless {

struct HeadlessOptions {
    app::RenderOptions Render;  // the folder, the frames, their size and seed (--render ...)
    bool WriteFiles = true;     // false: render only (benchmarks)
};

// Runs the controller on the headless context for the requested frames; the run's exit status
// is 0 only when every frame asked for was written. The controller is given a copy of the
// settings file's values (so the frames show the user's colours and counts), never written,
// a clock that moves only as the frames are paced, and the seed asked for.
class HeadlessRun final : public app::iPlatformRun {
public:
    explicit HeadlessRun(const HeadlessOptions& options) : Options_(options) {}
    mCore::RunEnd Run(const app::ControllerRun& controller) override;

private:
    const HeadlessOptions& Options_;
};

}  // namespace platform::headless

#include "platform/headless/HeadlessRender.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/Locations.h"
#include "core/EndSignals.h"
#include "core/Platform.h"
#include "app/Startup.h"
#include "core/mCore.h"
#include "core/mFileSystem.h"
#include "device/AtlasFile.h"
#include "device/cImage.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "settings/cValues.h"

namespace platform::headless {

namespace {

// Frames follow each other at exactly the paced times (50 ms, or 1/N s with --fps N):
// sleeping only moves this clock on, so rendering runs as fast as the machine allows and the
// same seed gives the same frames.
class FrameClock final : public mCore::iClock {
public:
    int64_t Micros = 1000000000;
    int32_t TickCount() override { return static_cast<int32_t>(Micros / 1000); }
    void Sleep(int32_t milliseconds) override { Micros += static_cast<int64_t>(milliseconds) * 1000; }
    int64_t Microseconds() override { return Micros; }
    void SleepMicroseconds(int64_t microseconds) override { Micros += microseconds; }
};

// The window the controller sees: the headless context's framebuffer, which ends after the
// frames asked for. It has neither a shell nor services: nothing to show and nobody to ask.
class HeadlessWindow final : public app::iWindow, public iDrawingSurface {
public:
    HeadlessWindow(cEGLContext& context, const HeadlessOptions& options) : Context_(context), Options_(options) {}

    int32_t Written = 0;
    std::string WriteError;

    void SetListener(app::iWindowEvents*) override {}
    // A signal to end stops the frames after the one in hand (a second one ends at once).
    // Nobody can close this window: pumps that bring no frame mean the rain stopped on a
    // failure it reported, and the window closes itself.
    bool PumpEvents() override {
        if (mCore::EndSignalReceived() != 0) {
            mCore::AcknowledgeEndSignal();
            return false;
        }
        if (++PumpsSinceFrame_ > 2) Open_ = false;
        return Open_ && Presented_ < Options_.Render.Frames && WriteError.empty();
    }
    void Close() override { Open_ = false; }
    bool IsOpen() const override { return Open_; }
    iDrawingSurface& Surface() override { return *this; }

    int Width() const override { return Context_.Width(); }
    int Height() const override { return Context_.Height(); }
    intptr_t NativeHandle() const override { return Context_.NativeHandle(); }
    bool MakeCurrent() override { return Context_.MakeCurrent(); }
    void SwapBuffers() override {
        ++Presented_;
        PumpsSinceFrame_ = 0;
        if (!Options_.WriteFiles || !WriteError.empty()) return;
        char name[32];
        std::snprintf(name, sizeof name, "frame-%04d.png", Presented_);
        if (mImage::WritePng((std::filesystem::path(Options_.Render.Folder) / name).string(), Context_.ReadPixels(),
                             WriteError, false))
            ++Written;
    }
    std::string LastGLError() const override { return Context_.LastGLError(); }
    uint32_t DefaultFramebuffer() const override { return Context_.DefaultFramebuffer(); }
    int32_t Presented() const { return Presented_; }

private:
    cEGLContext& Context_;
    const HeadlessOptions& Options_;
    int32_t Presented_ = 0;
    int32_t PumpsSinceFrame_ = 0;
    bool Open_ = true;
};

// Says how the frames came out; the exit status is 0 only when every frame asked for was written.
int ReportFrames(const HeadlessWindow& window, const HeadlessOptions& options) {
    const int32_t done = options.WriteFiles ? window.Written : window.Presented();
    const char* folder = options.Render.Folder.c_str();
    if (!window.WriteError.empty())
        std::fprintf(stderr, "glyphfall: cannot write a frame: %s\n", window.WriteError.c_str());
    else if (const int signal = mCore::EndSignalReceived())
        std::fprintf(stderr, "glyphfall: stopped by signal %d\n", signal);
    else if (done < options.Render.Frames)
        std::fprintf(stderr, "glyphfall: the rain could not start (see above)\n");
    const char* frames = options.Render.Frames == 1 ? "frame" : "frames";
    if (done == options.Render.Frames) {
        if (options.WriteFiles) std::printf("glyphfall: wrote %d %s to %s\n", done, frames, folder);
        return 0;
    }
    if (options.WriteFiles)
        std::fprintf(stderr, "glyphfall: wrote %d of %d %s to %s\n", done, options.Render.Frames, frames, folder);
    return 1;
}

// The frames need an atlas the device can use, found as the window finds it; without one
// the run ends before any frame, saying where it looked and why each place was passed over.
bool UsableAtlasFound() {
    D3DCAPS8 caps;
    if (Failed(mDXGraphics::Direct3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, caps))) return false;
    const mAtlas::Search atlas = mAtlas::FindAtlas(mLocations::AtlasSearchPath(mCore::AppPath), caps);
    if (!atlas.File.empty()) return true;
    std::fprintf(stderr, "glyphfall: no usable glyph atlas was found; looked for:\n");
    for (const mAtlas::PassedPlace& place : atlas.PassedOver)
        std::fprintf(stderr, "  %s: %s\n", place.File.c_str(), place.Outcome.Why.c_str());
    return false;
}

// The frames on a context that is there: the controller's run on them, with everything it
// needs made before and released after.
int RunOnContext(cEGLContext& context, const HeadlessOptions& options, const app::ControllerRun& controller) {
    FrameClock clock;
    mCore::SetClock(&clock);
    mCore::cRandom rnd(options.Render.Seed ? *options.Render.Seed : mCore::StartupSeed(clock.TickCount()));
    cValues settings;  // a copy of the user's settings; never written back
    mCore::LoadSettings(settings);

    HeadlessWindow window(context, options);
    mDXGraphics::SetDirect3DFactory([] { return std::make_shared<cGLDirect3D>(); });
    int exitCode = 1;
    if (mDXGraphics::Initialize() && UsableAtlasFound()) {
        mCore::CatchEndSignals();
        controller(window, {settings, clock, rnd});
        exitCode = ReportFrames(window, options);
        mCore::ReleaseEndSignals();
    }
    mDXGraphics::Release();
    mDXGraphics::SetDirect3DFactory(nullptr);
    mCore::SetClock(nullptr);
    return exitCode;
}

}  // namespace

mCore::RunEnd HeadlessRun::Run(const app::ControllerRun& controller) {
    const HeadlessOptions& options = Options_;
    mFileSystem::GetAppPath();
    std::error_code error;
    if (options.WriteFiles) std::filesystem::create_directories(options.Render.Folder, error);
    if (error) {
        std::fprintf(stderr, "glyphfall: cannot make the folder %s: %s\n", options.Render.Folder.c_str(), error.message().c_str());
        return {1, false};
    }
    cEGLContext context;
    std::string reason;
    if (!context.Create(options.Render.Width, options.Render.Height, reason)) {
        std::fprintf(stderr, "glyphfall: no headless OpenGL 3.3 context: %s\n", reason.c_str());
        return {1, false};
    }
    // The frames are the run's whole work: it never ends in order (nothing is saved).
    return {RunOnContext(context, options, controller), false};
}

}  // namespace platform::headless

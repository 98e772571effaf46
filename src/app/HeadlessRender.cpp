#include "app/HeadlessRender.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "app/CommandLine.h"
#include "app/frmMain.h"
#include "core/Locations.h"
#include "core/EndSignals.h"
#include "core/Platform.h"
#include "app/Startup.h"
#include "core/mCore.h"
#include "core/mFileSystem.h"
#include "device/cImage.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "settings/cValues.h"

namespace app {

namespace {

constexpr int32_t MaxSide = 16384;

template <class Number>
bool ReadWhole(std::string_view text, Number& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

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

// The window the controller sees: an offscreen framebuffer that ends after the frames asked for.
class HeadlessWindow final : public iWindowPlatform {
public:
    HeadlessWindow(cEGLContext& context, const HeadlessOptions& options) : Context_(context), Options_(options) {}

    int32_t Written = 0;
    std::string WriteError;

    void SetListener(iWindowEvents*) override {}
    void ShowFullScreen() override {}
    int Width() const override { return Context_.Width(); }
    int Height() const override { return Context_.Height(); }
    intptr_t NativeHandle() const override { return 1; }
    bool MakeCurrent() override { return Context_.MakeCurrent(); }
    void SwapBuffers() override {
        ++Presented_;
        if (!Options_.WriteFiles || !WriteError.empty()) return;
        char name[32];
        std::snprintf(name, sizeof name, "frame-%04d.png", Presented_);
        if (mImage::WritePng((std::filesystem::path(Options_.Folder) / name).string(), Context_.ReadPixels(),
                             WriteError, false))
            ++Written;
    }
    std::string LastGLError() const override { return "no headless OpenGL 3.3 context"; }
    uint32_t DefaultFramebuffer() const override { return Context_.Framebuffer(); }
    // A signal to end stops the frames after the one in hand (a second one ends at once).
    bool PumpEvents() override {
        if (mCore::EndSignalReceived() == 0) return Open_ && Presented_ < Options_.Frames && WriteError.empty();
        mCore::AcknowledgeEndSignal();
        return false;
    }
    int32_t Presented() const { return Presented_; }
    void Close() override { Open_ = false; }
    bool IsOpen() const override { return Open_; }
    std::optional<MenuCommand> PopupMenu(const MenuModel&) override { return std::nullopt; }
    void SetPointer(PointerKind) override {}
    bool AttachToDesktop(bool) override { return false; }
    bool AttachedToDesktop() const override { return false; }
    void OpenWebPage(std::string_view) override {}

private:
    cEGLContext& Context_;
    const HeadlessOptions& Options_;
    int32_t Presented_ = 0;
    bool Open_ = true;
};

// Says how the frames came out; the exit status is 0 only when every frame asked for was written.
int ReportFrames(const HeadlessWindow& window, const HeadlessOptions& options) {
    const int32_t done = options.WriteFiles ? window.Written : window.Presented();
    const char* folder = options.Folder.c_str();
    if (!window.WriteError.empty())
        std::fprintf(stderr, "glyphfall: cannot write a frame: %s\n", window.WriteError.c_str());
    else if (const int signal = mCore::EndSignalReceived())
        std::fprintf(stderr, "glyphfall: stopped by signal %d\n", signal);
    else if (done < options.Frames)
        std::fprintf(stderr, "glyphfall: the rain could not start (see above)\n");
    if (done == options.Frames) {
        if (options.WriteFiles) std::printf("glyphfall: wrote %d frames to %s\n", done, folder);
        return 0;
    }
    if (options.WriteFiles) std::fprintf(stderr, "glyphfall: wrote %d of %d frames to %s\n", done, options.Frames, folder);
    return 1;
}

}  // namespace

std::optional<HeadlessOptions> ParseHeadlessArguments(const std::vector<std::string>& arguments, std::string& oError) {
    HeadlessOptions options;
    if (arguments.size() < 2 || arguments[0] != "--render" || arguments[1].empty() || arguments[1].starts_with("--")) {
        oError = "--render needs the folder to write the frames to";
        return std::nullopt;
    }
    options.Folder = arguments[1];
    for (size_t i = 2; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const SwitchInfo* setting = FindSwitch(name);
        const bool isSetting = setting && setting->Role == SwitchRole::Setting;
        const bool takesValue = !isSetting || TakesValue(*setting, i + 1 < arguments.size() ? &arguments[i + 1] : nullptr);
        if (isSetting && setting->ValueIfNumber && !takesValue) continue;
        if (takesValue && i + 1 >= arguments.size()) {
            oError = name + " needs a value";
            return std::nullopt;
        }
        const std::string_view value = takesValue ? std::string_view(arguments[++i]) : std::string_view();
        if (isSetting) {
            auto given = ReadSettingSwitch(*setting, value, oError);
            if (!given) return std::nullopt;
            options.Settings.push_back(std::move(*given));
        } else if (name == "--frames") {
            if (!ReadWhole(value, options.Frames) || options.Frames < 1) {
                oError = "--frames needs a whole number of at least 1";
                return std::nullopt;
            }
        } else if (name == "--size") {
            const auto x = value.find('x');
            if (x == std::string_view::npos || !ReadWhole(value.substr(0, x), options.Width) ||
                !ReadWhole(value.substr(x + 1), options.Height) || options.Width < 1 || options.Height < 1 ||
                options.Width > MaxSide || options.Height > MaxSide) {
                oError = "--size needs WIDTHxHEIGHT, each from 1 to 16384";
                return std::nullopt;
            }
        } else if (name == "--seed") {
            uint64_t seed = 0;
            if (!ReadWhole(value, seed)) {
                oError = "--seed needs a whole number";
                return std::nullopt;
            }
            options.Seed = seed;
        } else {
            oError = "unknown option " + name;
            return std::nullopt;
        }
    }
    return options;
}

int RenderHeadless(const HeadlessOptions& options) {
    mFileSystem::GetAppPath();
    const std::vector<std::string> searched = mLocations::AtlasSearchPath(mCore::AppPath);
    if (mLocations::FirstReadable(searched).empty()) {
        std::fprintf(stderr, "glyphfall: the glyph atlas was not found; looked for:\n");
        for (const std::string& place : searched) std::fprintf(stderr, "  %s\n", place.c_str());
        return 1;
    }
    std::error_code error;
    if (options.WriteFiles) std::filesystem::create_directories(options.Folder, error);
    if (error) {
        std::fprintf(stderr, "glyphfall: cannot make the folder %s: %s\n", options.Folder.c_str(), error.message().c_str());
        return 1;
    }

    cEGLContext context;
    std::string reason;
    if (!context.Create(options.Width, options.Height, reason)) {
        std::fprintf(stderr, "glyphfall: no headless OpenGL 3.3 context: %s\n", reason.c_str());
        return 1;
    }
    FrameClock clock;
    mCore::SetClock(&clock);
    mCore::cRandom rnd(options.Seed ? *options.Seed : mCore::StartupSeed(clock.TickCount()));
    cValues settings;  // a copy of the user's settings; never written back
    settings.LoadData(mLocations::FirstReadable(mLocations::SettingsLocations(mCore::AppPath).ReadOrder));

    HeadlessWindow window(context, options);
    mDXGraphics::SetDirect3DFactory([&window] {
        cGLOptions gl;
        gl.Present = [&window] { window.SwapBuffers(); };
        gl.Framebuffer = [&window] { return window.DefaultFramebuffer(); };
        return std::make_shared<cGLDirect3D>(gl);
    });
    int exitCode = 1;
    if (mDXGraphics::Initialize()) {
        mCore::CatchEndSignals();
        frmMain form(window, settings, clock, rnd);
        form.Overrides = options.Settings;
        form.Load();
        exitCode = ReportFrames(window, options);
        if (form.MainDevice) form.MainDevice->Release();
        mCore::ReleaseEndSignals();
    }
    mDXGraphics::Release();
    mDXGraphics::SetDirect3DFactory(nullptr);
    mCore::SetClock(nullptr);
    return exitCode;
}

}  // namespace app

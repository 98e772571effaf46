// Soak run: the program's own start-up and main loop (frmMain) for many frames on a headless
// device, with logo texts, random colours and random movement on, paced on a clock that
// moves 50 ms per frame. Watches the process's resident memory and every error report.
//
//   glyphfall_soak [--frames N] [--count C] [--device gl|capture|gl-no-raster] [--settle F]
//
// gl-no-raster: the GL device with the rasteriser switched off, for counts whose triangles
// would take the software rasteriser seconds a frame; everything up to it still runs.
// Prints the figures; ends with 1 when memory grew by 1 MB or more after frame F (default
// N / 2, at most 10,000), when anything was reported, or when the rain broke its invariants.
#include <epoxy/gl.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "app/frmMain.h"
#include "core/mFileSystem.h"
#include "core/mCore.h"
#include "device/cCaptureDirect3D.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"

namespace {

struct Options {
    long Frames = 20000;
    int Count = 150;
    bool Gl = false, Raster = true;
    long Settle = -1;
};

// What the program holds from the C heap (small blocks and mapped large ones): unlike resident
// memory it does not count what the allocator keeps for reuse, so it tells a leak from an
// allocator that holds on to freed pages.
long HeapBytes() {
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

long ResidentBytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

class CountingDialogs final : public mCore::iDialogs {
public:
    int Reports = 0;
    void MessageBox(std::string_view text, std::string_view, mCore::MessageIcon) override {
        if (++Reports <= 5) std::fprintf(stderr, "soak: reported: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    std::optional<std::string> InputBox(std::string_view, std::string_view, std::string_view) override { return {}; }
};

// The window the controller sees: it ends after the frames asked for and samples memory.
class SoakWindow final : public app::iWindow, public iDrawingSurface {
public:
    SoakWindow(const Options& options, std::shared_ptr<cCaptureDirect3D> capture)
        : Options_(options), Capture_(std::move(capture)) {}

    long Frame = 0;
    long SettledBytes = 0, PeakBytes = 0, LateBytes = 0, SettledHeap = 0;

    bool PumpEvents() override {
        if (Capture_ && Capture_->LastDevice) Capture_->LastDevice->ClearRecords();  // keeps its room
        const long resident = ResidentBytes();
        if (Frame == Options_.Settle) SettledBytes = resident;
        if (Frame >= Options_.Settle) PeakBytes = std::max(PeakBytes, resident);
        // A leak keeps what it took until the end; a passing peak (the driver's buffers
        // growing with the longest column, then given back) does not.
        if (Frame >= Options_.Frames - (Options_.Frames - Options_.Settle) / 5) LateBytes = std::max(LateBytes, resident);
        if (Frame == Options_.Settle) SettledHeap = HeapBytes();
        if (Frame % std::max(Options_.Frames / 20, 1000L) == 0 && Frame > 0)
            std::fprintf(stderr, "soak: frame %ld, resident %.1f MB, heap in use %.1f MB\n", Frame,
                         resident / 1048576.0, HeapBytes() / 1048576.0);
        return Frame++ < Options_.Frames;
    }
    void SetListener(app::iWindowEvents*) override {}
    void Close() override {}
    bool IsOpen() const override { return true; }
    iDrawingSurface& Surface() override { return *this; }
    int Width() const override { return 320; }
    int Height() const override { return 240; }
    intptr_t NativeHandle() const override { return 1; }
    bool MakeCurrent() override { return true; }
    void SwapBuffers() override {}
    std::string LastGLError() const override { return {}; }
    uint32_t DefaultFramebuffer() const override { return Framebuffer; }

    uint32_t Framebuffer = 0;

private:
    const Options& Options_;
    std::shared_ptr<cCaptureDirect3D> Capture_;
};

bool ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--frames") options.Frames = std::atol(value.c_str());
        else if (name == "--count") options.Count = std::atoi(value.c_str());
        else if (name == "--settle") options.Settle = std::atol(value.c_str());
        else if (name == "--device" && (value == "gl" || value == "capture" || value == "gl-no-raster")) {
            options.Gl = value != "capture";
            options.Raster = value != "gl-no-raster";
        }
        else return false;
    }
    if (argc % 2 == 0 || options.Frames < 2 || options.Count < 0) return false;
    if (options.Settle < 0) options.Settle = std::min(options.Frames / 2, 10000L);
    return options.Settle < options.Frames;
}

bool RainIsWhole(const frmMain& form, int count) {
    int ordinary = 0;
    for (const mRain::Group& g : form.Rain.Groups) {
        ordinary += !g.IsWord;
        if (!std::isfinite(g.X) || !std::isfinite(g.Y) || !std::isfinite(g.Z) || !std::isfinite(g.Alpha)) return false;
        if (g.Letters.size() != static_cast<size_t>(g.LetterMax) + 1) return false;
    }
    return ordinary == count + 1;
}

}  // namespace

void PrintReport(const SoakWindow& window, const Options& options, double seconds, int reports, bool whole) {
    const long growth = window.LateBytes - window.SettledBytes;
    std::printf("soak: %ld frames, %d columns, %s device, %.0f s (%.2f ms a frame)\n", window.Frame - 1, options.Count + 1,
                !options.Gl ? "capture" : options.Raster ? "GL" : "GL (no rasteriser)", seconds,
                1000 * seconds / (window.Frame - 1));
    std::printf("soak: resident memory %.1f MB at frame %ld, at most %.1f MB after it, %.1f MB over the last fifth: growth %ld kB\n",
                window.SettledBytes / 1048576.0, options.Settle, window.PeakBytes / 1048576.0,
                window.LateBytes / 1048576.0, growth / 1024);
    std::printf("soak: heap in use %.1f MB at frame %ld, %.1f MB at the end\n", window.SettledHeap / 1048576.0,
                options.Settle, HeapBytes() / 1048576.0);
    std::printf("soak: %d error reports; the rain %s\n", reports, whole ? "is whole" : "broke its invariants");
}

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: glyphfall_soak [--frames N] [--count C] [--device gl|capture|gl-no-raster] [--settle F]\n");
        return 2;
    }
    mFileSystem::GetAppPath();  // the atlas lies beside the program
    testing_support::FakeClock clock;  // paced: it moves only when the pacer sleeps
    clock.Ticks = 1000000;
    CountingDialogs dialogs;
    mCore::SetClock(&clock);
    mCore::SetDialogs(&dialogs);
    mCore::cRandom rnd(7);
    cValues settings;
    settings.Value("Count", options.Count);
    for (const char* on : {"RandomColors", "RandomMove", "ShowAds", "Fly"}) settings.Value(on, 1);
    DeclareSettingDefaults(settings);

    cEGLContext context;
    std::shared_ptr<cCaptureDirect3D> capture;
    if (options.Gl) {
        std::string error;
        if (!context.Create(320, 240, error)) {
            std::fprintf(stderr, "soak: no headless OpenGL context: %s\n", error.c_str());
            return 1;
        }
        if (!options.Raster) glEnable(GL_RASTERIZER_DISCARD);  // the device never touches it
        mDXGraphics::SetDirect3DFactory([] { return std::make_shared<cGLDirect3D>(); });
    } else {
        capture = std::make_shared<cCaptureDirect3D>();
        mDXGraphics::SetDirect3DFactory([capture] { return capture; });
    }
    if (!mDXGraphics::Initialize()) return 1;
    SoakWindow window(options, capture);
    window.Framebuffer = context.DefaultFramebuffer();
    const auto start = std::chrono::steady_clock::now();
    bool whole = false;
    {
        frmMain form(window, settings, clock, rnd);
        form.Load();
        whole = RainIsWhole(form, options.Count);
        if (form.MainDevice) form.MainDevice->Release();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mDXGraphics::Release();

    PrintReport(window, options, seconds, dialogs.Reports, whole);
    const long growth = window.LateBytes - window.SettledBytes;
    const bool passed = growth < 1048576 && dialogs.Reports == 0 && whole && window.Frame > options.Frames;
    std::printf("soak: %s\n", passed ? "passed" : "FAILED");
    mCore::SetDialogs(nullptr);
    mCore::SetClock(nullptr);
    return passed ? 0 : 1;
}

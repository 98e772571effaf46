// Per-frame costs at 151 to 100,001 columns with the default length and leaders, after a
// warm-up of a few hundred frames:
//   BM_Simulation            Animate + SortGroups
//   BM_Submission            RenderLetters + RenderLeaders into the GL device (CPU side, up to the upload)
//   BM_SimulationSubmission  both, one thread: the figure the frame budget is about
//   BM_SubmissionBetween     the submission of a frame between two steps (smooth motion)
//   BM_GLFrame               a whole frame on the headless context at 1920 x 1080, rasterisation included
//   BM_GLFrameReference      the same frame with one GL draw per letter, for comparison
//   BM_GLFrameBetween        a whole frame of smooth motion a third of the way between two steps
//   BM_GLFrame*Counted       fixed frame counts for callgrind's instruction counts
// Counters: ns per letter, GL draw calls and primitives per frame, model bytes per letter,
// C++ allocations per frame. The GL work of a frame runs on the driver's own threads and
// overlaps the next frame's CPU work, so the CPU-side benchmarks wait for it untimed and
// time themselves by this thread's CPU clock (manual time); the whole frame is wall-clock
// time, with the CPU time of all the process's threads (the driver's included) beside it.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <ctime>
#include <memory>

#include "core/Numeric.h"
#include "device/cDevice.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "rain/cRain.h"
#include "render/LetterRenderer.h"
#include "render/cCamera.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"
#include "support/AllocationCounter.h"
#include "support/FakePlatform.h"
#include "support/HeadlessDevice.h"
#include "support/RunningRain.h"

namespace {

constexpr int WarmUpFrames = 300;
// The CPU time of this thread: the figure for single-thread work, and one that other
// programs on a shared machine do not inflate the way they inflate the wall clock.
struct ThreadClock {
    using time_point = double;
    static double now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }
};
using Clock = ThreadClock;

double Seconds(double from, double to) { return to - from; }

// The rain at a given count, stepped as the main loop steps it (fly mode on, logos off so the
// column count stays put).
struct RainAtCount {
    testing_support::FakeClock Clock;
    cValues Settings;
    cCamera Camera;
    mCore::cRandom Rnd{12345};
    cRain Rain{Camera, Clock, Rnd};

    explicit RainAtCount(int64_t columns, mRain::ColorScheme scheme = {}) {
        testing_support::AtTheStart(Settings, Camera);
        Settings.Value("Count", static_cast<int>(columns - 1));
        Clock.Ticks = 1000000;
        testing_support::StartRain(Rain, Settings);
        Rain.SetColorScheme(std::move(scheme));
        for (int i = 0; i < WarmUpFrames; ++i) Step();
    }
    void Step() { testing_support::StepRain(Rain, Camera, Clock); }
    int64_t Letters() const {
        int64_t n = 0;
        for (const mRain::Group& g : Rain.Groups) n += g.Active ? g.LetterMax + 1 : 0;
        return n;
    }
    int64_t ModelBytes() const {
        int64_t bytes = static_cast<int64_t>(Rain.Groups.capacity() * sizeof(mRain::Group));
        for (const mRain::Group& g : Rain.Groups) bytes += static_cast<int64_t>(g.Letters.capacity() * sizeof(mRain::Letter));
        return bytes;
    }
};

// A GL device on a headless context with the glyph atlas loaded.
struct HeadlessDevice {
    cEGLContext Context;
    cDevice Device;
    cLetterRenderer Renderer;
    bool Ready = false;

    HeadlessDevice(int width, int height) {
        if (!testing_support::OpenHeadlessDevice(Context, Device, width, height).empty()) return;
        Device.Device->SetRenderState(D3DRS_CLIPPING, 1);
        Renderer.CreateBuffer(Device);
        Ready = Device.LoadTexture(GLYPHFALL_ATLAS, -1) == 0;
    }
    ~HeadlessDevice() { testing_support::CloseHeadlessDevice(Device); }
    void Submit(RainAtCount& rain, float between = 0) {
        Renderer.RenderLetters(Device, rain.Rain, rain.Camera, {}, between);
        Renderer.RenderLeaders(Device, rain.Rain, {}, between);
    }
    // A whole frame, rasterised (between > 0: a frame that far toward the next step).
    void Frame(RainAtCount& rain, float between = 0) {
        Device.BeginScene(rain.Camera);
        Device.SetTexture(0, 0);
        Submit(rain, between);
        Device.EndScene();
        Context.Finish();
    }
    iGLDevice& GL() { return static_cast<iGLDevice&>(*Device.Device); }
};

void Columns(benchmark::internal::Benchmark* b) {
    for (int64_t n : {151, 1001, 10001, 100001}) b->Arg(n);
    b->Unit(benchmark::kMicrosecond);
}

void BM_Simulation(benchmark::State& state) {
    RainAtCount rain(state.range(0));
    int64_t letters = 0;
    for (auto _ : state) {
        rain.Step();
        letters += rain.Letters();
    }
    state.counters["ns/letter"] = benchmark::Counter(static_cast<double>(letters), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["letters"] = static_cast<double>(rain.Letters());
    state.counters["model B/letter"] = static_cast<double>(rain.ModelBytes()) / rain.Letters();
}
BENCHMARK(BM_Simulation)->Apply(Columns);

// Frames on the GL device, with the CPU part (the simulation step if asked, and the
// submission) timed by the clock and the driver's work waited for outside the timing.
void TimeSubmission(benchmark::State& state, bool withSimulation, float between = 0, mRain::ColorScheme scheme = {}) {
    RainAtCount rain(state.range(0), std::move(scheme));
    HeadlessDevice device(1920, 1080);
    if (!device.Ready) return state.SkipWithError("no headless GL context");
    for (int i = 0; i < 3; ++i) {  // the device's arrays reach their size
        rain.Step();
        device.Device.BeginScene(rain.Camera);
        device.Device.SetTexture(0, 0);
        device.Submit(rain);
        device.Device.EndScene();
        device.Context.Finish();
    }
    int64_t letters = 0, frames = 0;
    double seconds = 0;
    const int64_t allocationsBefore = testing_support::AllocationCount();
    for (auto _ : state) {
        if (!withSimulation) rain.Step();
        device.Device.BeginScene(rain.Camera);
        device.Device.SetTexture(0, 0);
        const auto start = Clock::now();
        if (withSimulation) rain.Step();
        device.Submit(rain, between);
        const auto end = Clock::now();
        device.Device.EndScene();
        device.Context.Finish();
        state.SetIterationTime(Seconds(start, end));
        seconds += Seconds(start, end);
        letters += rain.Letters();
        ++frames;
    }
    state.counters["ns/letter"] = seconds * 1e9 / static_cast<double>(letters);
    state.counters["letters"] = static_cast<double>(rain.Letters());
    state.counters["allocs/frame"] = static_cast<double>(testing_support::AllocationCount() - allocationsBefore) / frames;
    state.counters["draw calls"] = device.GL().LastFrameStats().DrawCalls;
    state.counters["primitives"] = device.GL().LastFrameStats().Primitives;
}

void BM_Submission(benchmark::State& state) { TimeSubmission(state, false); }
BENCHMARK(BM_Submission)->Apply(Columns)->UseManualTime();

void BM_SimulationSubmission(benchmark::State& state) { TimeSubmission(state, true); }
BENCHMARK(BM_SimulationSubmission)->Apply(Columns)->UseManualTime();

// The colour modes: one colour (the classic frame, for comparison in the same run), gradient,
// rainbow and a palette of three.
mRain::ColorScheme SchemeOf(int64_t mode) {
    mRain::ColorScheme scheme;
    scheme.Mode = static_cast<mRain::ColorMode>(mode);
    if (scheme.Mode == mRain::ColorMode::Palette) scheme.Palette = mRain::ParsePalette(mRain::PalettePresets[0].Colors).Colors;
    return scheme;
}
void BM_SimulationSubmissionByColorMode(benchmark::State& state) {
    TimeSubmission(state, true, 0, SchemeOf(state.range(1)));
}
BENCHMARK(BM_SimulationSubmissionByColorMode)
    ->ArgNames({"columns", "mode"})
    ->ArgsProduct({{151, 10001}, {0, 1, 2, 3}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_SubmissionBetween(benchmark::State& state) { TimeSubmission(state, false, 1.0f / 3); }
BENCHMARK(BM_SubmissionBetween)->Apply(Columns)->UseManualTime();

void TimeGLFrame(benchmark::State& state, bool oneDrawPerLetter, bool between = false) {
    RainAtCount rain(state.range(0));
    HeadlessDevice device(1920, 1080);
    if (!device.Ready) return state.SkipWithError("no headless GL context");
    device.GL().SetFlushEveryDraw(oneDrawPerLetter);
    // What the rasteriser is fed: fragment-shader invocations as the driver counts them
    // (llvmpipe counts every 4 x 4 block it shades as 16), where it can.
    const bool counted = epoxy_has_gl_extension("GL_ARB_pipeline_statistics_query");
    GLuint query = 0;
    if (counted) {
        glGenQueries(1, &query);
        glBeginQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, query);
    }
    int64_t frames = 0;
    for (auto _ : state) {
        if (!between) rain.Step();
        // Smooth motion at 60 frames a second: no step, the rain drawn a third of the way on.
        device.Frame(rain, between ? 1.0f / 3 : 0.0f);
        ++frames;
    }
    if (counted) {
        glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
        GLuint64 invocations = 0;
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &invocations);
        glDeleteQueries(1, &query);
        state.counters["fragments"] = static_cast<double>(invocations) / static_cast<double>(frames);
    }
    state.counters["letters"] = static_cast<double>(rain.Letters());
    state.counters["draw calls"] = device.GL().LastFrameStats().DrawCalls;
    state.counters["primitives"] = device.GL().LastFrameStats().Primitives;
}

void BM_GLFrame(benchmark::State& state) { TimeGLFrame(state, false); }
BENCHMARK(BM_GLFrame)->Apply(Columns)->UseRealTime()->MeasureProcessCPUTime();

// Fixed frame counts, for instruction counts that other work on the machine does not move:
// under `valgrind --tool=callgrind` with LP_NUM_THREADS=0 (the driver rasterises on this
// thread), the difference between the two runs over 30 is one steady frame, driver included.
BENCHMARK(BM_GLFrame)->Name("BM_GLFrameCounted")->Arg(151)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GLFrame)->Name("BM_GLFrameCounted")->Arg(151)->Iterations(40)->Unit(benchmark::kMillisecond);
void BM_GLFrameBetween(benchmark::State& state) { TimeGLFrame(state, false, true); }
BENCHMARK(BM_GLFrameBetween)->Arg(151)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GLFrameBetween)->Name("BM_GLFrameBetweenCounted")->Arg(151)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GLFrameBetween)->Name("BM_GLFrameBetweenCounted")->Arg(151)->Iterations(40)->Unit(benchmark::kMillisecond);

void BM_GLFrameReference(benchmark::State& state) { TimeGLFrame(state, true); }
BENCHMARK(BM_GLFrameReference)->Arg(151)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

#include "app/frmMain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CustomGlyphs.h"
#include "app/DesktopParent.h"
#include "app/FrameLog.h"
#include "core/ErrorReport.h"
#include "core/Locations.h"
#include "core/NumberText.h"
#include "app/Startup.h"
#include "core/mCore.h"
#include "device/AtlasFile.h"
#include "device/mDXGraphics.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"

using namespace app::MenuNames;

namespace {

// The scene's turn and offset Between of the way through their next step.
SceneTransform SceneAt(const cSceneMotion& motion, float between) {
    const ScenePose pose = motion.Pose(between);
    return {pose.Angle, {pose.Offset.x, pose.Offset.y, pose.Offset.z}};
}

// The check items that show an on/off setting, and the choices that show a whole-number one
// (the item whose index is the value is checked).
struct SwitchMark {
    std::string_view Control;
    bool SettingsValues::*Setting;
};
constexpr SwitchMark SwitchMarks[] = {
    {mnuFly, &SettingsValues::Fly},         {mnuRandomMove, &SettingsValues::RandomMove},
    {mnuRandomColors, &SettingsValues::RandomColors}, {mnuShowAds, &SettingsValues::ShowAds},
    {mnuStayBack, &SettingsValues::StayBack}, {mnuScreenSaver, &SettingsValues::ScreenSaver},
    {mnuKeepShape, &SettingsValues::KeepShape}, {mnuSmooth, &SettingsValues::Smooth},
};
struct ChoiceMark {
    std::string_view Control;
    int32_t SettingsValues::*Setting;
};
constexpr ChoiceMark ChoiceMarks[] = {{mnuLength, &SettingsValues::Length}};

// "Select leaders": the percentage for each item.
constexpr int32_t LeaderPercents[] = {0, 10, 30, 50, 70, 90, 100};

// Appends the UTF-8 form of a character of the 8-bit code page (Latin-1 here).
void AppendCodePageChar(std::string& text, int code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else {
        text.push_back(static_cast<char>(0xC0 | (code >> 6)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}


std::string Crlf(std::string_view first, std::string_view second) {
    return std::string(first) + "\r\n\r\n" + std::string(second);
}

// Says on standard error which stored values start-up could not use. The stored text may be
// anything a damaged file holds: it is shortened, and bytes that are not printable are shown
// as "?" so they cannot drive the terminal.
void ReportReplacedSettings(const std::vector<ReplacedSetting>& replaced) {
    for (const ReplacedSetting& setting : replaced) {
        std::string shown = setting.Stored.substr(0, 40);
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
        std::fprintf(stderr, "glyphfall: \"%.*s\" = \"%s\" in %.*s cannot be used; %.*s is used instead\n",
                     static_cast<int>(setting.Key.size()), setting.Key.data(), shown.c_str(),
                     static_cast<int>(mLocations::SettingsFileName.size()), mLocations::SettingsFileName.data(),
                     static_cast<int>(setting.Default.size()), setting.Default.data());
    }
}

// A file in one of the atlas's places that cannot be used, while a later place's atlas is:
// said, so that a user's own atlas is never left out without a word.
void ReportPassedOverAtlases(const mAtlas::Search& atlas) {
    for (const mAtlas::PassedPlace& place : atlas.PassedOver)
        if (place.Outcome.What != mFileSystem::ReadOutcome::Kind::Missing)
            std::fprintf(stderr, "glyphfall: the glyph atlas %s is passed over: %s\n", place.File.c_str(),
                         place.Outcome.Why.c_str());
}

}  // namespace

frmMain::frmMain(app::iWindow& window, cValues& settings, mCore::iClock& clock, mCore::cRandom& rnd)
    : Pacer(clock), Main(window, Pacer, rnd), Window_(window), Clock_(clock), Settings_(settings), Rnd_(rnd),
      CustomGlyphs_(std::make_unique<app::cCustomGlyphs>()), ColorModes_(window.AccentColors()) {
    BindMenu();
    Window_.SetListener(this);
}

frmMain::~frmMain() { Window_.SetListener(nullptr); }

// The marks show the settings: set at the start and after every command, never read back.
void frmMain::ShowSettingsInMenu() {
    for (const SwitchMark& mark : SwitchMarks) Menu.SetChecked(mark.Control, Values().*mark.Setting);
    for (const ChoiceMark& mark : ChoiceMarks) Menu.CheckOnly(mark.Control, Values().*mark.Setting);
    Menu.SetChecked(mnuHorizontal, Values().Horizontal > 0);
    // Start-up has put right any value the menu could not store; a missing one reads as 0.
    static_assert(mRain::CustomGlyphSet == LaterSettingsKeys[0].Max);
    Menu.CheckOnly(mnuGlyphs, CustomGlyphs_->ShownSet(Values()));
    ShowColorMode();
}

// The rain's own settings; a further monitor's rain then takes the running values of the
// main one's that are stored only at the end.
void frmMain::PrepareRain(cRain& rain) {
    if (Values().Color.Rgb) rain.SetColor(*Values().Color.Rgb);
    rain.LetterColor = rain.TargetColor;  // the saved colour from the first frame, no fade
    rain.ReadSettings(Values());
    rain.SetColorScheme(ColorModes_.Scheme());
    SelectGlyphSet(rain, CustomGlyphs_->ShownSet(Values()));
    if (&rain == &Rain) return;
    rain.LeaderPercent = Rain.LeaderPercent;
    rain.FlyStep = Rain.FlyStep;
}

app::PointerKind frmMain::Pointer() const {
    return Values().ScreenSaver ? app::PointerKind::Invisible : app::PointerKind::Default;
}

void frmMain::SetPointers() {
    if (app::iWindowShell* shell = Window_.Shell()) shell->SetPointer(Pointer());
    for (Screen& screen : Screens)
        if (app::iWindowShell* shell = screen.Window->Shell()) shell->SetPointer(Pointer());
}

// A device for the window, made on the window's own surface, with the shape setting.
std::unique_ptr<cDevice> frmMain::StartDevice(app::iWindow& window, bool& oCreated) {
    auto device = std::make_unique<cDevice>();
    device->SetKeepShape(Values().KeepShape);
    iDrawingSurface& surface = window.Surface();
    oCreated = surface.MakeCurrent() && device->Initialize(surface, D3DFMT_D16, D3DMULTISAMPLE_NONE);
    return device;
}

bool frmMain::CreateDevice() {
    bool created = false;
    MainDevice = StartDevice(Window_, created);
    if (!created) {
        Unloading_ = true;  // nothing is saved, not even when a signal arrives while the box is up
        ExitCode = 1;
        if (mDXGraphics::LastError.empty()) mDXGraphics::LastError = Window_.Surface().LastGLError();
        mCore::Dialogs().MessageBox("DirectX error: " + mDXGraphics::LastError, mCore::ProgramTitle,
                                    mCore::MessageIcon::Critical);
        Window_.Close();  // the run ends with status 1, without the unload: nothing is saved
    }
    return created;
}

void frmMain::Load() {
    bool started = mCore::Guarded("frmMain.Load", [&] {
        Rain.SampleNow();
        if (app::iWindowShell* shell = Window_.Shell()) shell->ShowFullScreen();
        ReportReplacedSettings(Model_.Load(app::WithCustomSetShown(Overrides)));
        CustomGlyphs_->Start(Values());
        StartColorMode();
        PrepareRain(Rain);
        Zoom = Values().Zoom;
        ShowSettingsInMenu();
        SetPointers();
        app::SetDesktopParent(Window_, OnDesktop());
        for (const app::ColorPreset& preset : app::ColorPresets) Menu.AddColorItem(preset.Label, preset.Color);
        Motion.FlySpeed = Values().FlySpeed;
        Rain.FlyStep = Values().Fly ? Motion.FlySpeed : 0;  // flying starts at full speed
        if (!CreateDevice()) return;
        SetupScene(Main);
        // A file that cannot be the atlas counts as not there: the search goes on past it.
        const mAtlas::Search atlas = mAtlas::FindAtlas(mLocations::AtlasSearchPath(mCore::AppPath), MainDevice->Caps());
        if (atlas.File.empty()) {
            ExitCode = 1;  // the settings are still written, but the start failed
            std::string message = "Texture file not found! Make sure all files were extracted to the same directory.";
            message += "\r\n\r\nLooked for:";
            for (const mAtlas::PassedPlace& place : atlas.PassedOver)
                message += "\r\n" + place.File + ": " + place.Outcome.Why;
            mCore::Dialogs().MessageBox(message, "Error loading textures", mCore::MessageIcon::Critical);
            Unload();
            return;
        }
        ReportPassedOverAtlases(atlas);
        AtlasFile_ = atlas.File;
        TextureIndex = MainDevice->LoadTexture(atlas.File, atlas.Image);
        CustomGlyphs_->PutIntoAtlas(*MainDevice, TextureIndex, AtlasFile_);
    });
    if (!started) ExitCode = 1;  // the window stays, without rain, until it is closed
    if (started && !Unloading_) {
        FollowScreens();
        MainLoop();
    }
}

void frmMain::SetupScene(cRainView& view) {
    if (const HRESULT hr = view.Device->Device->SetRenderState(D3DRS_CLIPPING, 1); Failed(hr))
        throw mCore::Failure(mDXGraphics::ErrorText(hr));
    view.Device->SetupRenderer(cDevice::AlphaFromFactor, cDevice::BlendAdditive, false);
    view.Camera.SetPosition(0, 0, 0);
    view.Camera.Angle(cCamera::StartAngle());
    view.Camera.Flatten(0);
    view.Renderer.CreateBuffer(*view.Device);
    view.Rain.SetupChars();
    view.Rain.SetupBackground(Values().Count);
    view.Rain.SetupLogo(Values().ShowAds);
}

// In screen-saver mode and as the desktop background the rain covers every monitor; as an
// ordinary window, only the main window's.
void frmMain::FollowScreens() {
    mCore::Guarded("frmMain.FollowScreens", [&] {
        const bool everyMonitor = Values().ScreenSaver || Values().StayBack;
        app::iWindowShell* shell = Window_.Shell();
        const std::vector<std::string> wanted = everyMonitor && shell ? shell->OtherScreens() : std::vector<std::string>();
        const auto isWanted = [&](const Screen& screen) {
            return std::find(wanted.begin(), wanted.end(), screen.Name) != wanted.end();
        };
        const size_t before = Screens.size();
        for (size_t i = Screens.size(); i-- > 0;)
            if (!isWanted(Screens[i])) CloseScreen(i);
        if (Screens.size() < before) Window_.Surface().MakeCurrent();  // the frames go to the main window alone again
        for (const std::string& name : wanted)
            if (std::none_of(Screens.begin(), Screens.end(), [&](const Screen& s) { return s.Name == name; }))
                OpenScreen(name);
    });
}

void frmMain::ScreensChanged() {
    if (!Unloading_) FollowScreens();
}

void frmMain::OpenScreen(const std::string& name) {
    Screen screen{name, Window_.Shell()->OpenOnScreen(name), nullptr};
    if (!screen.Window || !screen.Window->Shell()) return;
    app::iWindow& window = *screen.Window;
    app::iWindowShell& shell = *window.Shell();
    screen.View = std::make_unique<cRainView>(window, Pacer, Rnd_);
    window.SetListener(this);
    shell.ShowFullScreen();
    shell.SetPointer(Pointer());
    if (OnDesktop()) shell.AttachToDesktop(true);
    cRainView& view = *screen.View;
    PrepareRain(view.Rain);
    bool created = false;
    view.Device = StartDevice(window, created);
    if (!created) {
        // The other monitors still rain.
        std::fprintf(stderr, "glyphfall: no rain on monitor %s: %s\n", name.c_str(), mDXGraphics::LastError.c_str());
        window.Close();
        return;
    }
    SetupScene(view);
    view.TextureIndex = view.Device->LoadTexture(AtlasFile_, -1);
    CustomGlyphs_->PutIntoAtlas(*view.Device, view.TextureIndex, AtlasFile_);
    Screens.push_back(std::move(screen));
}

void frmMain::CloseScreen(size_t index) {
    Screen& screen = Screens[index];
    // The device's objects belong to its window's context.
    screen.Window->Surface().MakeCurrent();
    screen.View->Device->Release();
    screen.View.reset();
    screen.Window->Close();
    Screens.erase(Screens.begin() + static_cast<std::ptrdiff_t>(index));
}

void frmMain::MainLoop() {
    const bool ended = mCore::Guarded("frmMain.MainLoop", [&] {
        FrameLog_ = app::cFrameLog::FromEnvironment();
        Pacer.Start();
        FollowDisplayRate();
        FollowMotionSetting();
        Rain.StartColorTimer();
        Motion.Start(Pacer.TickCount());
        Looping_ = true;
        for (;;) {
            if (!Window_.PumpEvents() || Unloading_) return;
            if (FrameLog_) FrameLog_->Tick(Clock_.Microseconds(), Pacer.SwapWaits());
            if (!AnyWindowWantsFrame()) {
                // Nobody can see the rain: nothing is computed or drawn, and it goes on where it
                // was when a window shows again (the pacer takes one step after a pause).
                Pacer.Sleep(app::cFramePacer::StepMilliseconds);
                continue;
            }
            Frame();
            Pace();
        }
    });
    Looping_ = false;
    if (!ended) ExitCode = 1;  // the rain stopped on a reported failure
}

void frmMain::FollowDisplayRate() {
    const app::iWindowShell* shell = Window_.Shell();
    const int32_t reported = shell ? shell->RefreshRate() : 0;
    DisplayRate = reported > 0 ? reported : 60;
}

void frmMain::DisplayRateChanged() {
    FollowDisplayRate();
    if (!Unloading_ && MainDevice) FollowMotionSetting();  // else the main loop follows it when it starts
}

// Classic motion steps at every frame; smooth motion shows frames at its rate (--fps N's, or
// the display's) and draws the rain between its steps. At the display's own rate the main
// window's swap waits for the monitor's refresh where the driver can, and the pacer leaves the
// waiting to it; the further monitors' swaps never wait (one wait a frame is enough).
void frmMain::FollowMotionSetting() {
    const std::optional<int32_t> rate = Values().FrameRate;
    const int32_t smooth = rate ? *rate : std::clamp(DisplayRate, app::cFramePacer::MinRate, app::cFramePacer::MaxRate);
    const bool smoothOn = Values().Smooth;
    Pacer.SetRate(smoothOn ? smooth : app::cFramePacer::ClassicRate);
    Pacer.SetSwapWaits(MainDevice && MainDevice->WaitForRefresh(smoothOn && smooth == DisplayRate));
}

void frmMain::Frame() {
    const bool step = Pacer.BeginFrame();
    const float between = Pacer.Between();
    const bool flying = Values().Fly;
    if (step) StepScene(flying);
    const SceneTransform scene = SceneAt(Motion, between);
    bool drawn = false;
    ForEachView([&](cRainView& view) {
        if (step) StepView(view, flying);
        const bool shown = DrawView(view, between, scene, step);
        if (&view == &Main) MainPresented_ = shown;
        drawn = drawn || shown;
    });
    if (FrameLog_) FrameLog_->Count(drawn, step);
}

void frmMain::StepScene(bool flying) {
    Rain.SampleNow();
    if (Values().RandomColors) {
        Rain.RandomColorStep();
        for (Screen& screen : Screens) screen.View->Rain.TargetColor = Rain.TargetColor;  // one colour everywhere
    }
    FollowDesktopColors();
    Motion.Ease();
    Motion.Bounce(flying, Values().RandomMove, Rain.Now, Values(), Rnd_);
}

void frmMain::StepView(cRainView& view, bool flying) {
    if (&view != &Main) view.Rain.SampleNow();
    view.Rain.FadeLetterColor();
    view.Travel = Motion.RampFlyStep(view.Rain.FlyStep, flying);
    view.StepCameraY = view.Camera.GetY();
    view.Rain.SetupLogo(Values().ShowAds);
    view.Rain.Animate();
}

// The camera moves on by the step's travel once the step's frame is drawn. True when the frame
// was drawn and presented.
bool frmMain::DrawView(cRainView& view, float between, const SceneTransform& scene, bool stepped) {
    cDevice& device = *view.Device;
    iDrawingSurface& surface = view.Window.Surface();
    if (!Screens.empty()) surface.MakeCurrent();  // each window has its own context
    // The window changed size (a monitor's new mode, a host's window resized): the back
    // buffer and the projection follow before the frame is drawn.
    const int width = surface.Width(), height = surface.Height();
    if (width > 0 && height > 0 && (width != device.ResX || height != device.ResY)) device.Resize(width, height);
    // Between two steps the camera stands that part of the way it flies at the step.
    cCamera shown = view.Camera;
    if (between != 0)
        shown.SetPosition(shown.GetX(), mCore::ToSingle(view.StepCameraY - static_cast<double>(between) * view.Travel),
                          shown.GetZ());
    // A frame that could not begin (the device was just reset onto a new surface) draws
    // nothing: drawing outside a scene would only fail and report it. The camera still moves.
    const bool begun = view.Window.WantsFrame() && device.BeginScene(shown);
    if (begun) {
        device.SetTexture(0, view.TextureIndex);
        view.Renderer.RenderLetters(device, view.Rain, shown, scene, between);
        view.Renderer.RenderLeaders(device, view.Rain, scene, between);
    }
    if (stepped) view.Camera.AddPosition(0, -view.Travel, 0);
    if (begun) device.EndScene();
    return begun;
}

// The last frame once more, nothing stepped: an X server without a compositor keeps no picture
// of what a closed menu covered, and a dialog its command opens holds the loop that would draw
// over the menu's image.
void frmMain::DrawAgain() {
    const float between = Pacer.Between();
    const SceneTransform scene = SceneAt(Motion, between);
    ForEachView([&](cRainView& view) { DrawView(view, between, scene, false); });
}

bool frmMain::AnyWindowWantsFrame() const {
    return Window_.WantsFrame() ||
           std::any_of(Screens.begin(), Screens.end(), [](const Screen& s) { return s.Window->WantsFrame(); });
}

void frmMain::Pace() { Pacer.WaitForNextFrame(MainPresented_); }

void frmMain::KeyDown(int keyCode, int /*shift*/) {
    if (Unloading_) return;
    // The desktop's background takes no keys, as on Wayland: a window manager that focuses the
    // wallpaper when it is clicked would otherwise hand it an Escape meant for nothing.
    if (OnDesktop()) return;
    if (Values().ScreenSaver) return Unload();  // any key ends the screen saver
    switch (keyCode) {
        case app::KeyCode::Escape:
            return Unload();
        case app::KeyCode::KeypadPlus:
            Motion.FlySpeed = mCore::ToSingle(Motion.FlySpeed + 0.1);
            if (Motion.FlySpeed > 5) Motion.FlySpeed = 5;
            return;
        case app::KeyCode::KeypadMinus:
            Motion.FlySpeed = mCore::ToSingle(Motion.FlySpeed - 0.1);
            if (Motion.FlySpeed < 0) Motion.FlySpeed = 0;
            return;
        case app::KeyCode::F1:
            ForEachView([](cRainView& v) { v.Rain.ChangeSpeed(mCore::ToSingle(v.Rain.MaxSpeed + 0.1)); });
            return Model_.Set(&SettingsValues::FallSpeed, Rain.MaxSpeed);
        case app::KeyCode::F2:
            ForEachView([](cRainView& v) { v.Rain.ChangeSpeed(mCore::ToSingle(v.Rain.MaxSpeed - 0.1)); });
            return Model_.Set(&SettingsValues::FallSpeed, Rain.MaxSpeed);
        case app::KeyCode::F3:
            return ForEachView([](cRainView& v) { v.Rain.NextLogoTime = v.Rain.Now + 3000; });
        case app::KeyCode::F5:
            // The test block: 41 lines of seven groups of eight zeros.
            TypedText.clear();
            for (int line = 0; line < 41; ++line) {
                for (int group = 0; group < 7; ++group) TypedText += "00000000 ";
                TypedText += "<br>";
            }
            return ForEachView([&](cRainView& v) { v.Rain.SetupWord(TypedText); });
        case app::KeyCode::Enter:
            ForEachView([&](cRainView& v) { v.Rain.SetupWord(TypedText); });
            TypedText.clear();
            return;
        default:
            AppendTypedKey(keyCode);
    }
}

void frmMain::SpellText(std::string_view text) {
    ForEachView([&](cRainView& v) { v.Rain.SetupWord(text); });
}

void frmMain::EndWith(int status) {
    ExitCode = status;
    Unload();
}

void frmMain::AppendTypedKey(int keyCode) {
    // Modifier and other keys arrive as control characters, as their codes say.
    if (keyCode > 0 && keyCode < 256) AppendCodePageChar(TypedText, keyCode);
}

void frmMain::MouseDown(int button, int /*shift*/, float, float) {
    if (Unloading_ || button != app::MouseButton::Right) return;
    app::iUserServices* services = Window_.Services();
    if (!services) return;  // no menu where nobody can use it (inside another program's window)
    const auto command = services->PopupMenu(Menu);
    if (!command) return;
    if (Looping_) DrawAgain();
    RunMenuCommand(*command);
}

void frmMain::MouseMove(int buttons, int shift, float x, float y) {
    if (Unloading_) return;
    if (MouseStartKnown) {
        const double dx = static_cast<double>(x) - MouseStartX, dy = static_cast<double>(y) - MouseStartY;
        if (Values().ScreenSaver && std::sqrt(dx * dx + dy * dy) > 5) return Unload();
    } else {
        // The first position seen, kept for the window's life: the screen saver measures from it.
        MouseStartKnown = true;
        MouseStartX = x;
        MouseStartY = y;
    }
    if (buttons == app::MouseButton::Left && shift > 0) {
        ForEachView([&](cRainView& v) {
            v.Camera.Angle(mCore::ToSingle(v.Camera.Angle() - (static_cast<double>(x) - LastMouseX) / 200));
            v.Camera.Flatten(mCore::ToSingle(v.Camera.Flatten() - (static_cast<double>(y) - LastMouseY) / 200));
        });
    }
    LastMouseX = x;
    LastMouseY = y;
}

void frmMain::StoreLastSettings() {
    Model_.Set(&SettingsValues::FlySpeed, Motion.FlySpeed);
    Model_.Set(&SettingsValues::Leaders, Rain.LeaderPercent);
    Model_.TakeBackOverrides();
}

void frmMain::Unload() {
    if (Unloading_) return;
    Unloading_ = true;
    const bool released = mCore::Guarded("frmMain.Unload", [&] {
        if (!Screens.empty()) {
            while (!Screens.empty()) CloseScreen(Screens.size() - 1);
            Window_.Surface().MakeCurrent();
        }
        if (MainDevice) MainDevice->Release();
        StoreLastSettings();
        MainDevice.reset();
        Window_.PumpEvents();  // the handlers ignore what arrives now
    });
    Window_.Close();
    EndAsked_ = released;  // after a release that failed (and said so) the run ends with status 1, unsaved
}

bool frmMain::SaveSettingsWithoutWindow() {
    // The unload writes them, or has already failed and said so; inside another program's
    // window the file is never written.
    if (Unloading_ || mCore::Hosted()) return false;
    Unloading_ = true;
    StoreLastSettings();
    return Settings_.SaveData();
}

void frmMain::BindMenu() {
    const auto bind = [&](std::string_view control, void (frmMain::*run)(const app::MenuCommand&)) {
        Menu.Bind(control, [this, run](const app::MenuCommand& command) { (this->*run)(command); });
    };
    const auto flip = [&](std::string_view control, bool SettingsValues::*setting) {
        Menu.Bind(control, [this, setting](const app::MenuCommand&) { FlipSwitch(setting); });
    };
    bind(mnuMakerSite, &frmMain::OpenMakerSite);
    flip(mnuFly, &SettingsValues::Fly);
    flip(mnuRandomMove, &SettingsValues::RandomMove);
    bind(mnuSetupBounce, &frmMain::SetupBouncing);
    flip(mnuRandomColors, &SettingsValues::RandomColors);
    bind(mnuHorizontal, &frmMain::ToggleHorizontal);
    bind(mnuChangeCount, &frmMain::ChangeCount);
    bind(mnuLength, &frmMain::SelectLength);
    bind(mnuGlyphs, &frmMain::SelectGlyphs);
    bind(mnuGlyphFont, &frmMain::AskGlyphFont);
    bind(mnuLeaders, &frmMain::SelectLeaders);
    bind(mnuColor, &frmMain::SelectColor);
    bind(mnuUserColor, &frmMain::AskUserColor);
    bind(mnuColorModes, &frmMain::SelectColorMode);
    bind(mnuPalette, &frmMain::SelectPalette);
    bind(mnuUserPalette, &frmMain::AskUserPalette);
    bind(mnuHeadColor, &frmMain::AskHeadColor);
    bind(mnuStayBack, &frmMain::ToggleStayBack);
    flip(mnuShowAds, &SettingsValues::ShowAds);
    bind(mnuScreenSaver, &frmMain::ToggleScreenSaver);
    bind(mnuKeepShape, &frmMain::ToggleKeepShape);
    bind(mnuSmooth, &frmMain::ToggleSmooth);
    bind(mnuKeys, &frmMain::ShowKeyHelp);
    bind(mnuExit, &frmMain::Exit);
}

void frmMain::RunMenuCommand(const app::MenuCommand& command) {
    const app::MenuItem* item = command.Item ? command.Item : Menu.Find(command.Name, command.Index);
    if (!item || !item->Run) {
        // A command without a handler is a fault in the menu's table: say so rather than doing
        // nothing without a word.
        std::fprintf(stderr, "glyphfall: the menu command %s(%d) has no handler\n", command.Name.c_str(), command.Index);
        return;
    }
    item->Run(command);
    if (!Unloading_) ShowSettingsInMenu();
}

void frmMain::SelectLength(const app::MenuCommand& command) {
    Menu.Item(mnuLength, command.Index);  // a failure for an index without an item, before anything changes
    ForEachView([&](cRainView& v) { v.Rain.LengthMode = command.Index; });
    Model_.Set(&SettingsValues::Length, command.Index);
}

void frmMain::SelectGlyphs(const app::MenuCommand& command) {
    if (command.Index == mRain::CustomGlyphSet) {
        if (CustomGlyphs_->AskForGlyphs(Model_)) ShowCustomGlyphs();
        return;
    }
    ForEachView([&](cRainView& v) { v.Rain.SelectGlyphs(command.Index); });
    Model_.Set(&SettingsValues::Glyphs, command.Index);
}

void frmMain::AskGlyphFont(const app::MenuCommand&) {
    if (CustomGlyphs_->AskForFont(Model_) && CustomGlyphs_->ShownSet(Values()) == mRain::CustomGlyphSet)
        ShowCustomGlyphs();
}

void frmMain::SelectGlyphSet(cRain& rain, int32_t set) {
    if (set == mRain::CustomGlyphSet) rain.SelectCustomGlyphs(CustomGlyphs_->Count());
    else rain.SelectGlyphs(set);
}

// The custom set was drawn anew: into every monitor's atlas, and the rain deals from it.
void frmMain::ShowCustomGlyphs() {
    Model_.Set(&SettingsValues::Glyphs, mRain::CustomGlyphSet);
    ForEachView([&](cRainView& v) {
        if (!Screens.empty()) v.Window.Surface().MakeCurrent();  // the texture belongs to the view's context
        CustomGlyphs_->PutIntoAtlas(*v.Device, v.TextureIndex, AtlasFile_);
        SelectGlyphSet(v.Rain, mRain::CustomGlyphSet);
    });
}

void frmMain::SelectLeaders(const app::MenuCommand& command) {
    if (command.Index >= 0 && command.Index < static_cast<int>(std::size(LeaderPercents)))
        ForEachView([&](cRainView& v) { v.Rain.LeaderPercent = LeaderPercents[command.Index]; });
}

void frmMain::SelectColor(const app::MenuCommand& command) {
    if (Model_.SetColor(Menu.Item(mnuColor, command.Index).Tag)) ShowColor();
}

void frmMain::OpenMakerSite(const app::MenuCommand&) { app::OpenWebPage(Window_, app::MakerSiteAddress); }

void frmMain::Exit(const app::MenuCommand&) { Unload(); }

bool frmMain::FlipSwitch(bool SettingsValues::*setting) {
    const bool on = !(Values().*setting);
    Model_.Set(setting, on);
    return on;
}

// "Horizontal" is a percentage that the menu switches between 50 and 0.
void frmMain::ToggleHorizontal(const app::MenuCommand&) {
    Model_.Set(&SettingsValues::Horizontal, Values().Horizontal > 0 ? 0.0 : 50.0);
    ForEachView([&](cRainView& v) { v.Rain.HorizontalPercent = Values().Horizontal; });
}

void frmMain::ShowColor() {
    ForEachView([&](cRainView& v) { v.Rain.SetColor(*Values().Color.Rgb); });
}

// "Stay in background" puts the rain on the desktop, but never a screen saver's: idle daemons
// start "/s" whatever the user chose for an ordinary start, and a saver behind the windows
// would be neither seen nor ended by the mouse. The mark and the stored choice stay as they are.
bool frmMain::OnDesktop() const { return Values().StayBack && !Values().ScreenSaver; }

void frmMain::FollowDesktopPlace() {
    const bool on = OnDesktop();
    app::SetDesktopParent(Window_, on);
    for (Screen& screen : Screens)
        if (app::iWindowShell* shell = screen.Window->Shell()) shell->AttachToDesktop(on);
}

void frmMain::ToggleStayBack(const app::MenuCommand&) {
    FlipSwitch(&SettingsValues::StayBack);
    FollowDesktopPlace();
    FollowScreens();
}

void frmMain::ToggleScreenSaver(const app::MenuCommand&) {
    FlipSwitch(&SettingsValues::ScreenSaver);
    SetPointers();
    FollowDesktopPlace();
    FollowScreens();
}

void frmMain::ToggleSmooth(const app::MenuCommand&) {
    FlipSwitch(&SettingsValues::Smooth);
    FollowMotionSetting();
}

void frmMain::ToggleKeepShape(const app::MenuCommand&) {
    const bool on = FlipSwitch(&SettingsValues::KeepShape);
    ForEachView([&](cRainView& v) {
        if (v.Device) v.Device->SetKeepShape(on);
    });
}

void frmMain::ChangeCount(const app::MenuCommand&) {
    const auto answer = mCore::Dialogs().InputBox("Enter new number of glyphfalls: (Default = 150)", "Change count",
                                                  mCore::FormatNumber(static_cast<long long>(Rain.BaseGroupMax)));
    const CountAnswer count = ReadCountAnswer(answer ? *answer : std::string_view());
    switch (count.What) {
        case CountAnswer::Kind::Ignored:
            return;
        case CountAnswer::Kind::TooLarge:
            Model_.Set(&SettingsValues::Count, count.Count);  // what an answer beyond the whole-number range has always done
            return;
        case CountAnswer::Kind::OutOfRange:
            // A negative count would break the group table and a huge one exhaust memory.
            mCore::Dialogs().MessageBox("The number of glyphfalls must lie between 0 and " +
                                            mCore::FormatNumber(static_cast<long long>(MaxGroupCount)) + ".",
                                        "Change count", mCore::MessageIcon::Exclamation);
            return;
        case CountAnswer::Kind::Store:
            Model_.Set(&SettingsValues::Count, count.Count);
            Window_.PumpEvents();
            ForEachView([&](cRainView& v) { v.Rain.SetupBackground(Values().Count); });
    }
}

void frmMain::SetupBouncing(const app::MenuCommand&) {
    struct Box {
        std::string_view Title;
        int32_t SettingsValues::*Setting;
        std::string_view Kind;
    };
    constexpr Box boxes[] = {{"Setup rotation", &SettingsValues::BounceRot, "rotations"},
                             {"Setup bounces", &SettingsValues::BouncePos, "bounces"}};
    for (const Box& box : boxes) {
        const std::string prompt =
            Crlf("Chose a number between 0 and 1000 for random " + std::string(box.Kind) + ".",
                 "The higher the number the more often random " + std::string(box.Kind) + " will happen.");
        const auto answer = mCore::Dialogs().InputBox(prompt, box.Title, Model_.StoredText(box.Setting));
        const auto number = mCore::ParseNumber(answer.value_or(""));
        if (!number) return;  // empty, cancelled or not a number: no further box
        if (mCore::FitsLong(*number)) Model_.Set(box.Setting, mCore::ToLong(*number));
    }
}

void frmMain::ShowKeyHelp(const app::MenuCommand&) {
    mCore::Dialogs().MessageBox(
        "F1\tSpeed up glyphfall\r\nF2\tSlow down glyphfall\r\n\r\n+\tSpeed up (fly mode)\r\n-\tSlow down (fly mode)\r\n",
        mCore::ProgramTitle, mCore::MessageIcon::None);
}

void frmMain::AskUserColor(const app::MenuCommand&) {
    const auto answer =
        mCore::Dialogs().InputBox(UserColorPrompt, UserColorTitle, Rain.UserColorDefault());
    const ColorAnswer parsed = ReadColorAnswer(answer.value_or(""));
    switch (parsed.What) {
        case ColorAnswer::Kind::Nothing:
            return;
        case ColorAnswer::Kind::Color:
            if (Model_.SetColor(parsed.Text)) ShowColor();
            return;
        case ColorAnswer::Kind::Invalid:
            mCore::Dialogs().MessageBox(UserColorInvalidText, UserColorInvalidTitle,
                                        mCore::MessageIcon::Critical);
    }
}

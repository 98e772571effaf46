// The controller on a scripted window, a capture device, a fake clock and dialogs, with the
// program's folder in a temporary directory holding a small glyph texture.
#include <gtest/gtest.h>

#include <fstream>
#include <cmath>
#include <map>
#include <memory>

#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/mFileSystem.h"
#include "device/cCaptureDirect3D.h"
#include "device/cImage.h"
#include "device/mDXGraphics.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"
#include "support/FakeWindowPlatform.h"
#include "support/ProgramState.h"
#include "support/TempDir.h"

namespace Key = app::KeyCode;

namespace {

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = std::make_shared<cCaptureDirect3D>();
        mDXGraphics::SetDirect3DFactory([this] { return Root; });
        ASSERT_TRUE(mDXGraphics::Initialize());
        mCore::AppPath = Folder.Path + "/";
        mCore::Settings.LoadData(SettingsFile());
        std::string error;
        ASSERT_TRUE(mImage::WritePng(Folder.File("tex.png"), cImage(256, 256, 0xFFFFFFFF), error)) << error;
        Platform.Clock.Ticks = 1000000;
    }
    void TearDown() override {
        mDXGraphics::Release();
        mDXGraphics::SetDirect3DFactory(nullptr);
    }
    std::string SettingsFile() const { return Folder.File("glyphfall.ini"); }

    // Runs the load handler; with an empty script the window closes at the loop's first
    // pump, leaving a started controller whose handlers the test calls directly.
    void Start() { Form.Load(); }
    // Runs code that should end the program and carries out the end as the entry does once
    // the controller asked for it (ShutDown writes the settings); returns the exit status, -1
    // when the controller asked for no end.
    template <class Action>
    int ExitCodeOf(Action action) {
        action();
        if (!Form.EndAsked()) return -1;
        return testing_support::ScopedProgramState::ExitCodeOf([&] { mCore::ShutDown(Form.ExitCode); });
    }
    cCaptureDevice& Dev() { return *Root->LastDevice; }

    testing_support::ScopedProgramState Program{{{}, [] { mDXGraphics::Release(); }, {}}};
    testing_support::TempDir Folder;
    testing_support::ScopedFakePlatform Platform;
    std::shared_ptr<cCaptureDirect3D> Root;
    app::testing::FakeWindowPlatform Window;
    mCore::cRandom Rnd{99};
    frmMain Form{Window, mCore::Settings, Platform.Clock, Rnd};
};

// How many times as wide as tall a glyph cell shows on a 1920 x 1080 screen.
double CellShapeAt1080p(const D3DMATRIX& projection) { return projection.m[0][0] * 1920 / (projection.m[1][1] * 1080); }
}  // namespace

TEST_F(ControllerTest, StartAppliesTheStoredSettingsAndTheDefaultsForTheRestWithTheirMarks) {
    for (const auto& [key, text] : {std::pair{"ScreenSaver", "1"}, {"StayBack", "1"}, {"Fly", "0"}, {"Color", "#A00000"},
                                    {"Glyphs", "2"}, {"KeepShape", "1"}})
        mCore::Settings.Value(key, text);
    Window.ScreenWidth = 1920, Window.ScreenHeight = 1080;
    Start();
    EXPECT_TRUE(Window.ShownFullScreen);
    EXPECT_EQ(mCore::Settings.LastIndex(), 18);
    EXPECT_EQ(Window.Pointer, app::PointerKind::Invisible);
    EXPECT_TRUE(Window.AttachRequests.empty()) << "a screen saver stays in front";
    EXPECT_EQ(Form.Rain.FlyStep, 0);
    EXPECT_FLOAT_EQ(Form.Rain.LetterColor.r, 160.0f / 255);
    EXPECT_EQ(Form.Rain.BaseGroupMax, 150);
    EXPECT_EQ(Form.Rain.AtlasFirstRow, 11);
    EXPECT_NEAR(CellShapeAt1080p(Dev().State.Projection), 1.78, 0.01);
    for (const char* on : {"mnuScreenSaver", "mnuStayBack", "mnuHorizontal", "mnuShowAds", "mnuKeepShape"})
        EXPECT_TRUE(Form.Menu.Checked(on)) << on;
    for (const char* off : {"mnuFly", "mnuRandomColors", "mnuRandomMove"}) EXPECT_FALSE(Form.Menu.Checked(off)) << off;
    EXPECT_TRUE(Form.Menu.Checked("mnuLength", 1) && Form.Menu.Checked("mnuGlyphs", 2));
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
    EXPECT_EQ(ExitCodeOf([&] { Form.KeyDown('A', 0); }), 0) << "any key ends the screen saver";
}

TEST_F(ControllerTest, SlashSStaysInFrontWhateverTheStoredBackgroundChoiceWhichStaysForTheNextStart) {
    mCore::Settings.Value("StayBack", "1");
    Form.Overrides = {{"ScreenSaver", "1"}};  // as "/s" gives it
    Start();
    EXPECT_TRUE(Window.AttachRequests.empty());
    EXPECT_TRUE(Form.Menu.Checked("mnuStayBack")) << "the mark shows the stored choice";
    Form.RunMenuCommand({"mnuStayBack", -1});
    Form.RunMenuCommand({"mnuStayBack", -1});
    EXPECT_TRUE(Window.AttachRequests.empty()) << "chosen again from the menu, the saver is still in front";
    Form.RunMenuCommand({"mnuScreenSaver", -1});
    EXPECT_EQ(Window.AttachRequests, std::vector<bool>{true}) << "no longer a screen saver, the rain is the background";
    Form.RunMenuCommand({"mnuScreenSaver", -1});
    EXPECT_EQ(Window.AttachRequests, (std::vector<bool>{true, false}));
    Form.MouseMove(0, 0, 10, 10);
    EXPECT_EQ(ExitCodeOf([&] { Form.MouseMove(0, 0, 30, 10); }), 0);
    cValues written;
    ASSERT_TRUE(written.LoadData(SettingsFile()));
    EXPECT_EQ(written.Value("StayBack").Text() + written.Value("ScreenSaver").Text(), "10");
}

TEST_F(ControllerTest, TheBackgroundTakesNoKeysButItsMenuStillWorks) {
    mCore::Settings.Value("StayBack", "1");
    Start();
    for (int key : {int(Key::Escape), int('A'), int(Key::Enter)}) Form.KeyDown(key, 0);
    EXPECT_EQ(Form.TypedText, "");
    Form.RunMenuCommand({"mnuStayBack", -1});
    EXPECT_EQ(ExitCodeOf([&] { Form.KeyDown(Key::Escape, 0); }), 0) << "an ordinary window again";
}

TEST_F(ControllerTest, AnAtlasThatCannotBeUsedCountsAsMissingAndTheMessageSaysWhyForEachPlace) {
    std::ofstream(Folder.File("tex.png"), std::ios::trunc) << "\xFF\xD8\xFF\xE0 a JPEG";
    EXPECT_EQ(ExitCodeOf([&] { Start(); }), 1);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    const std::string& text = Platform.Dialogs.Messages[0].Text;
    EXPECT_EQ(text.rfind("Texture file not found! Make sure all files were extracted to the same directory.", 0), 0u);
    EXPECT_NE(text.find("\r\n" + Folder.File("tex.png") + ": not a PNG image\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(": missing"), std::string::npos) << "the places after it: " << text;
    EXPECT_EQ(Platform.Dialogs.Messages[0].Title, "Error loading textures");
    EXPECT_EQ(Platform.Dialogs.Messages[0].Icon, mCore::MessageIcon::Critical);
}

TEST_F(ControllerTest, DeviceFailureReportsAndEndsWithoutSaving) {
    Window.GLWorks = false;
    Start();
    EXPECT_TRUE(!Form.EndAsked() && !Window.IsOpen() && Form.ExitCode == 1) << "the run ends, failed, without the unload";
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text.rfind("DirectX error: ", 0), 0u);
    EXPECT_FALSE(mFileSystem::FileExists(SettingsFile()));
}

TEST_F(ControllerTest, GlyphSetAndKeepShapeTheMenuCouldNeverStoreReadAsTheDefaultAndMenuMarksFollowTheChoice) {
    mCore::Settings.Value("Glyphs", "1.5");
    mCore::Settings.Value("KeepShape", "2");
    Window.ScreenWidth = 1920, Window.ScreenHeight = 1080;
    Start();
    EXPECT_TRUE(Form.Menu.Checked("mnuGlyphs", 0) && !Form.Menu.Checked("mnuKeepShape"));
    EXPECT_EQ(Form.Rain.AtlasRows, 8);
    EXPECT_EQ(mCore::Settings.Value("Glyphs").Text() + mCore::Settings.Value("KeepShape").Text(), "00");  // put right
    EXPECT_NEAR(CellShapeAt1080p(Dev().State.Projection), 3.16, 0.01);
    Form.RunMenuCommand({"mnuGlyphs", 1});
    Form.RunMenuCommand({"mnuKeepShape", -1});
    EXPECT_TRUE(Form.Menu.Checked("mnuGlyphs", 1) && !Form.Menu.Checked("mnuGlyphs", 0));
    EXPECT_EQ(Form.Rain.AtlasFirstRow, 8);
    EXPECT_NEAR(CellShapeAt1080p(Dev().State.Projection), 1.78, 0.01);
    Form.RunMenuCommand({"mnuLeaders", 5});  // "Select leaders" sets the share but never shows a mark
    for (int i : Form.Menu.Indices("mnuLeaders")) EXPECT_FALSE(Form.Menu.Checked("mnuLeaders", i));
    EXPECT_EQ(ExitCodeOf([&] { Form.KeyDown(Key::Escape, 0); }), 0);
    cValues written;
    ASSERT_TRUE(written.LoadData(SettingsFile()));
    EXPECT_EQ(written.Value("Glyphs").Text() + written.Value("KeepShape").Text(), "11");
}

TEST_F(ControllerTest, AFileWhoseOwnerNeverChoseTheNewItemsIsWrittenBackByteForByte) {
    cValues before;
    DeclareSettingDefaults(before);
    before.Value("Color", "#402080");
    ASSERT_TRUE(before.SaveData(SettingsFile()));
    mCore::Settings.LoadData(SettingsFile());
    Start();
    EXPECT_EQ(ExitCodeOf([&] { Form.KeyDown(Key::Escape, 0); }), 0);
    std::string written;
    ASSERT_TRUE(mFileSystem::ReadWholeFile(SettingsFile(), written));
    EXPECT_EQ(written, before.WriteData());
}

TEST_F(ControllerTest, SelectCountTakesWholeNumbersAndRefusesWhatCannotWork) {
    Start();
    auto answer = [&](std::optional<std::string> typed) {
        Platform.Dialogs.Answers.push_back(typed);
        Form.RunMenuCommand({"mnuChangeCount", -1});
    };
    answer("2.5");
    EXPECT_EQ(Form.Rain.BaseGroupMax, 2);
    for (auto ignored : {std::optional<std::string>("1.2.3"), std::optional<std::string>("lots"), std::optional<std::string>()})
        answer(ignored);
    EXPECT_EQ(Form.Rain.BaseGroupMax, 2);
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
    answer("-5");
    answer("50000000");
    EXPECT_EQ(Platform.Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Form.Rain.BaseGroupMax, 2);
    EXPECT_EQ(static_cast<int>(Form.Rain.Groups.size()), 3);
    answer("99999999999");
    EXPECT_EQ(mCore::Settings.Value("Count").Long(), 150);
    EXPECT_EQ(Form.Rain.BaseGroupMax, 2);  // stored, but the groups stay as they are
}

TEST_F(ControllerTest, TypedKeysSpellOnEnterAndModifiersBecomeControlCharacters) {
    Start();
    auto words = [&] {
        int n = 0;
        for (const auto& group : Form.Rain.Groups) n += group.IsWord;
        return n;
    };
    for (int key : {int('H'), int('E'), Key::Shift, int('Y')}) Form.KeyDown(key, 0);
    EXPECT_EQ(Form.TypedText, "HE\x10Y");
    Form.KeyDown(Key::Enter, 0);
    EXPECT_EQ(Form.TypedText, "");
    EXPECT_EQ(words(), 3);
    Form.KeyDown(Key::F5, 0);
    EXPECT_EQ(Form.TypedText.size(), 41u * (7 * 9 + 4));
    EXPECT_EQ(words(), 41 * 56);
}

TEST_F(ControllerTest, ScreenSaverEndsOnAnyKeyOrAMoveOfMoreThanFivePixelsFromTheFirstPosition) {
    Start();
    Form.MouseMove(0, 0, 100, 100);  // the first position is kept even with the saver off
    Form.RunMenuCommand({"mnuScreenSaver", -1});
    EXPECT_EQ(ExitCodeOf([&] {
                  for (float x = 101; x <= 105; ++x) Form.MouseMove(0, 0, x, 100);  // slowly, up to 5 pixels
              }),
              -1);
    EXPECT_EQ(ExitCodeOf([&] { Form.MouseMove(0, 0, 104, 104); }), 0);  // 5.66 pixels away
}

TEST_F(ControllerTest, CameraTurnsOnlyWithTheLeftButtonAndAModifier) {
    Start();
    const float angle = Form.Camera.Angle();
    Form.MouseMove(0, 0, 0, 0);
    Form.MouseMove(app::MouseButton::Left, 0, 200, 0);
    Form.MouseMove(app::MouseButton::Right, app::ShiftMask::Ctrl, 400, 0);
    EXPECT_EQ(Form.Camera.Angle(), angle);
    Form.MouseMove(app::MouseButton::Left, app::ShiftMask::Ctrl, 600, 100);
    EXPECT_FLOAT_EQ(Form.Camera.Angle(), angle - 1);
    EXPECT_FLOAT_EQ(Form.Camera.Flatten(), -0.5f);
}

TEST_F(ControllerTest, FramesDrawTheRainMoveTheCameraByThePreviousFlyStepAndArePacedToFiftyMilliseconds) {
    Start();
    const float y = Form.Camera.GetY();
    Dev().ClearRecords();
    Form.Frame();
    EXPECT_GT(Dev().Draws.size(), 100u);
    EXPECT_FLOAT_EQ(Form.Camera.GetY(), y - 1);  // flying starts at full speed
    Form.RunMenuCommand({"mnuFly", -1});
    Form.Frame();
    EXPECT_FLOAT_EQ(Form.Rain.FlyStep, 0.98f);
    // The fake clock does not move while a frame is computed: the whole 50 ms is slept.
    Window.Closed = false;
    Window.OpenPumps = 2;
    const int32_t before = Platform.Clock.Ticks;
    const int presents = Dev().Presents;
    Form.MainLoop();
    EXPECT_EQ(Platform.Clock.Ticks - before, 100);
    EXPECT_EQ(Dev().Presents, presents + 2);
}

TEST_F(ControllerTest, WhileNoWindowCanBeSeenNothingIsDrawnAndTheRainGoesOnWhereItWas) {
    Start();
    Window.Closed = false;
    Window.OpenPumps = 3;
    Window.Seen = false;
    const int presents = Dev().Presents;
    const int32_t now = Form.Rain.Now, logo = Form.Rain.NextLogoTime;
    Form.MainLoop();
    EXPECT_EQ(Dev().Presents, presents);
    EXPECT_EQ(Form.Rain.Now, now);
    Platform.Clock.Ticks += 600000;  // ten minutes hidden
    Window.Closed = false;
    Window.OpenPumps = 2;
    Window.Seen = true;
    Form.MainLoop();
    EXPECT_EQ(Dev().Presents, presents + 2);
    EXPECT_EQ(Form.Rain.Now - now, 50) << "the second frame, 50 ms of rain after the first";
    EXPECT_EQ(Form.Rain.NextLogoTime, logo);
}

// Smooth motion runs at the rate of the main window's monitor (60 where none is reported) and
// follows it; at the display's own rate the presents wait for its refresh where the window
// allows it, and the pacer then waits no more itself. Classic motion presents as before.
TEST_F(ControllerTest, SmoothMotionFollowsTheDisplaysRateAndLeavesThePacingToASwapThatWaitsForTheRefresh) {
    Window.Rate = 144;
    Window.SwapWaits = true;
    Start();
    Form.RunMenuCommand({"mnuSmooth", -1});
    EXPECT_EQ(Form.Pacer.Rate(), 144);
    EXPECT_EQ(Dev().Params.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_ONE);
    Window.Closed = false;
    Window.OpenPumps = 3;
    const int32_t before = Platform.Clock.Ticks;
    const int presents = Dev().Presents;
    Form.MainLoop();
    EXPECT_EQ(Dev().Presents, presents + 3);
    EXPECT_EQ(Platform.Clock.Ticks, before) << "the swaps did the waiting";
    Window.Rate = 0;
    Form.DisplayRateChanged();
    EXPECT_EQ(Form.Pacer.Rate(), 60);
    EXPECT_TRUE(Form.Pacer.SwapWaits());
    Form.RunMenuCommand({"mnuSmooth", -1});
    EXPECT_EQ(Form.Pacer.Rate(), 20);
    EXPECT_EQ(Dev().Params.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
    EXPECT_FALSE(Form.Pacer.SwapWaits());
}

TEST_F(ControllerTest, EveryCommandOfTheMenuHasAHandler) {
    std::vector<const app::MenuItem*> pending{&Form.Menu.Root()};
    while (!pending.empty()) {
        const app::MenuItem& item = *pending.back();
        pending.pop_back();
        for (const app::MenuItem& child : item.Items) pending.push_back(&child);
        if (item.Submenu || item.IsSeparator()) continue;
        EXPECT_TRUE(item.Run) << item.Name << "(" << item.Index << ")";
    }
}

namespace {
// Where the frame's leader glows stand, by their group's depth (a glow cut into parts is one).
std::map<float, D3DVECTOR> GlowPlaces(const cCaptureDevice& device) {
    std::map<float, D3DVECTOR> glows;
    for (const cCapturedDraw& draw : device.Draws)
        if (draw.ZBias == 1) glows[draw.World.m[3][1]] = {draw.World.m[3][0], draw.World.m[3][1], draw.World.m[3][2]};
    return glows;
}
bool LettersInWholeCells(const cCaptureDevice& device) {
    for (const cCapturedDraw& draw : device.Draws)
        if (draw.ZBias == 0 && (draw.World.m[3][0] != std::floor(draw.World.m[3][0]) ||
                                draw.World.m[3][2] != std::floor(draw.World.m[3][2])))
            return false;
    return true;
}
}  // namespace

// At 60 frames a second the frames between two steps show each leader's glow the part of
// its next step's way that the frame stands at, moving on only; a column that restarts jumps
// to its new place at the step. The glyphs keep their cells.
TEST_F(ControllerTest, SmoothMotionMovesTheGlowsPartOfTheWayBetweenStepsAndARestartJumpsOnce) {
    mCore::Settings.Value("ShowAds", 0);  // no spelled letters: every glow's depth is its own
    Start();
    Form.RunMenuCommand({"mnuSmooth", -1});
    EXPECT_EQ(Form.Pacer.Rate(), 60);
    EXPECT_EQ(mCore::Settings.Value("Smooth").Text(), "1");
    std::map<float, D3DVECTOR> atStep;
    std::vector<std::pair<float, std::map<float, D3DVECTOR>>> between;
    float restarted = 0;
    int glowsMoved = 0, glowsCompared = 0;
    for (int frame = 0; frame < 60; ++frame) {
        Dev().ClearRecords();
        Form.Frame();
        ASSERT_TRUE(LettersInWholeCells(Dev())) << frame;
        std::map<float, D3DVECTOR> glows = GlowPlaces(Dev());
        if (Form.Pacer.Between() != 0) {
            between.emplace_back(Form.Pacer.Between(), std::move(glows));
        } else {
            for (const auto& [depth, from] : atStep) {
                const auto to = glows.find(depth);
                for (const auto& [part, shown] : between) {
                    const auto at = shown.find(depth);
                    if (at == shown.end()) continue;  // hidden whole behind nearer letters
                    // Forward only; the group that restarted moves on until the step.
                    EXPECT_TRUE(at->second.x >= from.x && at->second.z >= from.z);
                    if (to == glows.end()) continue;
                    EXPECT_NEAR(at->second.x, from.x + part * (to->second.x - from.x), 1e-4);
                    EXPECT_NEAR(at->second.z, from.z + part * (to->second.z - from.z), 1e-4);
                    ++glowsCompared;
                    glowsMoved += to->second.x != from.x || to->second.z != from.z;
                }
                if (depth == restarted) {
                    EXPECT_EQ(to, glows.end()) << "a restarted column keeps no glow where it was";
                }
            }
            between.clear();
            atStep = std::move(glows);
            if (frame == 30) {  // the nearest leader fades out now and restarts at the next step
                for (auto g = Form.Rain.Groups.rbegin(); g != Form.Rain.Groups.rend() && restarted == 0; ++g)
                    if (g->Active && g->Leader && atStep.count(g->Y)) restarted = g->Y, g->Fading = true, g->Alpha = 0.05f;
            }
        }
        Form.Pacer.WaitForNextFrame();
    }
    EXPECT_NE(restarted, 0);
    EXPECT_GT(glowsMoved, 50);
    EXPECT_GT(glowsCompared, 500);
}

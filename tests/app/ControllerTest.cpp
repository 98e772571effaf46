#include <gtest/gtest.h>

#include "ControllerFixture.h"
#include "core/mFileSystem.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"

using namespace controller_test;
using app::MenuCommand;
namespace Key = app::KeyCode;

TEST_F(ControllerTest, FirstStartUsesTheDefaultsAndSetsTheirMarks) {
    Start();
    EXPECT_TRUE(Window.ShownFullScreen);
    EXPECT_EQ(mCore::Settings.LastIndex(), 16);
    EXPECT_TRUE(Form.Menu.Checked("mnuFly"));
    EXPECT_TRUE(Form.Menu.Checked("mnuShowAds"));
    EXPECT_TRUE(Form.Menu.Checked("mnuHorizontal"));
    EXPECT_TRUE(Form.Menu.Checked("mnuLength", 1));
    for (const char* off : {"mnuRandomColors", "mnuRandomMove", "mnuStayBack", "mnuScreenSaver"})
        EXPECT_FALSE(Form.Menu.Checked(off)) << off;
    EXPECT_FALSE(Form.Menu.Checked("mnuLength", 0));
    EXPECT_FLOAT_EQ(Form.Rain.LetterColor.g, 160.0f / 255);
    EXPECT_EQ(Form.Rain.LetterColor.r, 0);
    EXPECT_EQ(Form.Rain.FlyStep, 1);  // flying starts at full speed
    EXPECT_EQ(Form.Rain.BaseGroupMax, 150);
    EXPECT_EQ(Form.Menu.Item("mnuColor", 9).Caption, "Syndicate");
    EXPECT_EQ(Window.Pointer, app::PointerKind::Default);
    EXPECT_TRUE(Platform.Dialogs.Messages.empty());
}

TEST_F(ControllerTest, StoredSettingsOverrideTheDefaults) {
    mCore::Settings.Value("ScreenSaver", 1);
    mCore::Settings.Value("StayBack", 1);
    mCore::Settings.Value("Fly", 0);
    mCore::Settings.Value("Color", "#A00000");
    Start();
    EXPECT_EQ(Window.Pointer, app::PointerKind::Invisible);
    EXPECT_EQ(Window.AttachRequests, std::vector<bool>{true});
    EXPECT_EQ(Form.Rain.FlyStep, 0);
    EXPECT_FLOAT_EQ(Form.Rain.LetterColor.r, 160.0f / 255);
}

TEST_F(ControllerTest, MissingTextureShowsTheMessageStillWritesTheSettingsAndEndsAsAFailure) {
    std::filesystem::remove(Folder.File("tex.png"));
    EXPECT_EQ(ExitCodeOf([&] { Start(); }), 1);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Title, "Error loading textures");
    EXPECT_EQ(Platform.Dialogs.Messages[0].Icon, mCore::MessageIcon::Critical);
    cValues written;
    ASSERT_TRUE(written.LoadData(SettingsFile()));
    EXPECT_EQ(written.LastIndex(), 16);
}

TEST_F(ControllerTest, DeviceFailureReportsAndEndsWithoutSaving) {
    Window.GLWorks = false;
    EXPECT_EQ(ExitCodeOf([&] { Start(); }), 1);
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text.rfind("DirectX error: ", 0), 0u);
    EXPECT_FALSE(mFileSystem::FileExists(SettingsFile()));
}

TEST_F(ControllerTest, EscapeEndsTheProgramStoringFlySpeedAndLeaders) {
    Start();
    Form.KeyDown(Key::KeypadMinus, 0);
    Form.RunMenuCommand({"mnuLeaders", 5});
    EXPECT_EQ(ExitCodeOf([&] { Form.KeyDown(Key::Escape, 0); }), 0);
    cValues written;
    ASSERT_TRUE(written.LoadData(SettingsFile()));
    EXPECT_EQ(written.Value("FlySpeed").Text(), "0.9");
    EXPECT_EQ(written.Value("Leaders").Long(), 90);
    EXPECT_TRUE(Window.Closed);
}

TEST_F(ControllerTest, CheckItemsToggleAndStoreTheirValues) {
    Start();
    Form.RunMenuCommand({"mnuHorizontal", -1});
    EXPECT_FALSE(Form.Menu.Checked("mnuHorizontal"));
    EXPECT_EQ(mCore::Settings.Value("Horizontal").Text(), "0");
    Form.RunMenuCommand({"mnuHorizontal", -1});
    EXPECT_EQ(mCore::Settings.Value("Horizontal").Text(), "50");
    Form.RunMenuCommand({"mnuFly", -1});
    EXPECT_EQ(mCore::Settings.Value("Fly").Text(), "0");
    Form.RunMenuCommand({"mnuScreenSaver", -1});
    EXPECT_EQ(Window.Pointer, app::PointerKind::Invisible);
    Form.RunMenuCommand({"mnuStayBack", -1});
    Form.RunMenuCommand({"mnuStayBack", -1});
    EXPECT_EQ(Window.AttachRequests, (std::vector<bool>{true, false}));
    EXPECT_EQ(mCore::Settings.Value("StayBack").Text(), "0");
}

TEST_F(ControllerTest, LengthMovesTheSingleMarkAndLeadersChangeNoMark) {
    Start();
    Form.RunMenuCommand({"mnuLength", 2});
    EXPECT_TRUE(Form.Menu.Checked("mnuLength", 2));
    EXPECT_FALSE(Form.Menu.Checked("mnuLength", 1));
    EXPECT_EQ(Form.Rain.LengthMode, 2);
    EXPECT_EQ(mCore::Settings.Value("Length").Long(), 2);
    Form.RunMenuCommand({"mnuLeaders", 5});
    EXPECT_EQ(Form.Rain.LeaderPercent, 90);
    for (int i : Form.Menu.Indices("mnuLeaders")) EXPECT_FALSE(Form.Menu.Checked("mnuLeaders", i));
}

namespace {
// How many times as wide as tall a glyph cell shows on a 1920 x 1080 screen.
double CellShapeAt1080p(const D3DMATRIX& projection) { return projection.m[0][0] * 1920 / (projection.m[1][1] * 1080); }
}  // namespace

TEST_F(ControllerTest, GlyphSetAndKeepShapeTheMenuCouldNeverStoreReadAsTheDefaultAndAreChosenFromTheMenu) {
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
    EXPECT_EQ(ExitCodeOf([&] { Form.KeyDown(Key::Escape, 0); }), 0);
    cValues written;
    ASSERT_TRUE(written.LoadData(SettingsFile()));
    EXPECT_EQ(written.Value("Glyphs").Text() + written.Value("KeepShape").Text(), "11");
}

TEST_F(ControllerTest, StoredGlyphSetAndKeepShapeApplyFromTheFirstFrame) {
    mCore::Settings.Value("Glyphs", 2);
    mCore::Settings.Value("KeepShape", 1);
    Window.ScreenWidth = 1920, Window.ScreenHeight = 1080;
    Start();
    EXPECT_TRUE(Form.Menu.Checked("mnuGlyphs", 2) && Form.Menu.Checked("mnuKeepShape"));
    EXPECT_EQ(Form.Rain.AtlasFirstRow, 11);
    EXPECT_NEAR(CellShapeAt1080p(Dev().State.Projection), 1.78, 0.01);
}

TEST_F(ControllerTest, AFileWhoseOwnerNeverChoseTheNewItemsIsWrittenBackByteForByte) {
    cValues before;
    for (const SettingDefault& key : SettingsKeys) before.SetDefault(key.Key, key.Default);
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
    answer("  300 ");
    EXPECT_EQ(Platform.Dialogs.Inputs.back().Default, "150");
    EXPECT_EQ(Platform.Dialogs.Inputs.back().Title, "Change count");
    EXPECT_EQ(Form.Rain.BaseGroupMax, 300);
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

TEST_F(ControllerTest, SetupBouncingStopsAtTheFirstCancel) {
    Start();
    Platform.Dialogs.Answers = {std::nullopt};
    Form.RunMenuCommand({"mnuSetupBounce", -1});
    EXPECT_EQ(Platform.Dialogs.Inputs.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Inputs[0].Default, "30");
    Platform.Dialogs.Answers = {"1500", "7"};
    Form.RunMenuCommand({"mnuSetupBounce", -1});
    EXPECT_EQ(mCore::Settings.Value("BounceRot").Long(), 1500);
    EXPECT_EQ(mCore::Settings.Value("BouncePos").Long(), 7);
    EXPECT_EQ(Platform.Dialogs.Inputs[2].Title, "Setup bounces");
}

TEST_F(ControllerTest, KeyHelpAndMakerSite) {
    Start();
    Form.RunMenuCommand({"mnuKeys", -1});
    ASSERT_EQ(Platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Platform.Dialogs.Messages[0].Text,
              "F1\tSpeed up glyphfall\r\nF2\tSlow down glyphfall\r\n\r\n+\tSpeed up (fly mode)\r\n-\tSlow down (fly mode)\r\n");
    Form.RunMenuCommand({"mnuMakerSite", -1});
    EXPECT_EQ(Window.OpenedPages.size(), 1u);
}

TEST_F(ControllerTest, RightButtonOpensTheMenuAndRunsTheChoice) {
    Start();
    Window.MenuAnswers.push_back(MenuCommand{"mnuRandomColors", -1});
    Form.MouseDown(app::MouseButton::Left, 0, 5, 5);
    EXPECT_TRUE(Window.MenusShown.empty());
    Form.MouseDown(app::MouseButton::Right, 0, 5, 5);
    ASSERT_EQ(Window.MenusShown.size(), 1u);
    EXPECT_TRUE(Form.Menu.Checked("mnuRandomColors"));
    EXPECT_EQ(ExitCodeOf([&] {
                  Window.MenuAnswers.push_back(MenuCommand{"mnuExit", -1});
                  Form.MouseDown(app::MouseButton::Right, 0, 5, 5);
              }),
              0);
}

TEST_F(ControllerTest, SpeedKeysClampAndTheRainSpeedKeysStoreTheFallSpeed) {
    Start();
    Form.Motion.FlySpeed = 4.95f;
    Form.KeyDown(Key::KeypadPlus, 0);
    EXPECT_EQ(Form.Motion.FlySpeed, 5);
    Form.KeyDown(Key::KeypadPlus, 0);
    EXPECT_EQ(Form.Motion.FlySpeed, 5);
    Form.Motion.FlySpeed = 0.05f;
    Form.KeyDown(Key::KeypadMinus, 0);
    EXPECT_EQ(Form.Motion.FlySpeed, 0);
    Form.KeyDown(Key::F1, 0);
    EXPECT_FLOAT_EQ(Form.Rain.MaxSpeed, 0.6f);
    EXPECT_EQ(mCore::Settings.Value("FallSpeed").Text(), "0.6");
    Form.KeyDown(Key::F2, 0);
    Form.KeyDown(Key::F2, 0);
    EXPECT_FLOAT_EQ(Form.Rain.MaxSpeed, 0.4f);
    Form.KeyDown(Key::F3, 0);
    EXPECT_EQ(Form.Rain.NextLogoTime, Form.Rain.Now + 3000);
}

TEST_F(ControllerTest, TypedKeysSpellOnEnterAndModifiersBecomeControlCharacters) {
    Start();
    for (int key : {int('H'), int('E'), Key::Shift, int('Y')}) Form.KeyDown(key, 0);
    EXPECT_EQ(Form.TypedText, "HE\x10Y");
    Form.KeyDown(Key::Enter, 0);
    EXPECT_EQ(Form.TypedText, "");
    int words = 0;
    for (const auto& group : Form.Rain.Groups) words += group.IsWord;
    EXPECT_EQ(words, 3);
    Form.KeyDown(Key::F5, 0);
    EXPECT_EQ(Form.TypedText.size(), 41u * (7 * 9 + 4));
    words = 0;
    for (const auto& group : Form.Rain.Groups) words += group.IsWord;
    EXPECT_EQ(words, 41 * 56);
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

TEST_F(ControllerTest, AnyKeyEndsTheScreenSaver) {
    mCore::Settings.Value("ScreenSaver", 1);
    Start();
    EXPECT_EQ(ExitCodeOf([&] { Form.KeyDown('A', 0); }), 0);
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

TEST_F(ControllerTest, FramesArePacedToFiftyMillisecondsFromTheLogoSample) {
    Start();
    Platform.Clock.Slept = 0;
    Form.Frame();
    EXPECT_EQ(Dev().Presents, 1);
    // The fake clock does not move while a frame is computed: the whole 50 ms is slept.
    Window.Closed = false;
    Window.Queue({});
    Window.Queue({});
    Window.CloseWhenScriptEnds = true;
    const int32_t before = Platform.Clock.Ticks;
    Form.MainLoop();
    EXPECT_EQ(Platform.Clock.Ticks - before, 100);
    EXPECT_EQ(Dev().Presents, 3);
}

TEST_F(ControllerTest, AFrameDrawsTheRainAndMovesTheCameraByThePreviousFlyStep) {
    Start();
    const float y = Form.Camera.GetY();
    Dev().ClearRecords();
    Form.Frame();
    EXPECT_GT(Dev().Draws.size(), 100u);
    EXPECT_FLOAT_EQ(Form.Camera.GetY(), y - 1);
    Form.RunMenuCommand({"mnuFly", -1});
    Form.Frame();
    EXPECT_FLOAT_EQ(Form.Rain.FlyStep, 0.98f);
}

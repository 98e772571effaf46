#pragma once
// The main window's controller: it owns the rain, the camera, the device and the menu's
// marks, runs the start-up (Load), the frame loop (MainLoop) and the input, menu and
// unload handlers. It reaches the window only through app::iWindow (its surface, and the
// shell and services where the window has them), so it builds and tests without any window
// system, and the headless renderer (a platform too) runs it the same way the window does.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ColorModeChoice.h"
#include "app/FramePacer.h"
#include "app/MenuModel.h"
#include "app/SceneMotion.h"
#include "app/WindowPlatform.h"
#include "core/Platform.h"
#include "device/cDevice.h"
#include "rain/cRain.h"
#include "settings/SettingsModel.h"
#include "render/LetterRenderer.h"
#include "render/cCamera.h"

class cValues;
namespace app {
class cCustomGlyphs;
class cFrameLog;
}

// The rain on one window: its own model, camera, renderer and device. The main window has
// one; in screen-saver mode and as the desktop background every further monitor has its own.
struct cRainView {
    cRainView(app::iWindow& window, mCore::iClock& clock, mCore::cRandom& rnd)
        : Window(window), Rain(Camera, clock, rnd) {}
    app::iWindow& Window;
    cCamera Camera;
    cRain Rain;
    cLetterRenderer Renderer;
    std::unique_ptr<cDevice> Device;
    int32_t TextureIndex = 0;
    // The camera's place at the last step and how far it flies on at that step: a frame
    // between two steps shows it part of that way.
    float StepCameraY = 0;
    float Travel = 0;
};

// The user-colour dialog (the head colour's too).
inline constexpr std::string_view UserColorPrompt =
    "Enter either a HTML color value like #00A0FF or comma-seperated RGB values like 0,128,255";
inline constexpr std::string_view UserColorTitle = "User defined color";
inline constexpr std::string_view UserColorInvalidText = "Your input was invalid!";
inline constexpr std::string_view UserColorInvalidTitle = "Error";

class frmMain final : public app::iWindowEvents {
public:
    frmMain(app::iWindow& window, cValues& settings, mCore::iClock& clock, mCore::cRandom& rnd);
    ~frmMain() override;

    // Settings given for this run only (command-line switches); set before Load. They never
    // reach the settings file.
    std::vector<SettingOverride> Overrides;

    // The load handler: the window's start-up, then the main loop. Returns when the loop
    // ends (a reported failure, or the window is gone) or when start-up could not finish.
    void Load();
    void MainLoop();
    // One frame: a step of the rain when one is due (at every frame in classic motion), then
    // the presented pictures (no messages, no pacing).
    void Frame();

    // Input (the windows call these inside PumpEvents). Keys, the menu and the camera drag
    // act on the rain of every monitor.
    void KeyDown(int keyCode, int shift) override;
    void MouseDown(int button, int shift, float x, float y) override;
    void MouseMove(int buttons, int shift, float x, float y) override;
    void CloseRequested() override { Unload(); }
    void ScreensChanged() override;
    void DisplayRateChanged() override;

    // Spells a text into the rain of every monitor, replacing the last one (the lock screen's
    // masked password and its words).
    void SpellText(std::string_view text) override;
    // Ends the run with that status, as the unload does (the lock screen once unlocked).
    void EndWith(int status) override;

    // Runs one popup-menu command: the handler its item is bound to (a command named without
    // its item is looked up by its name first).
    void RunMenuCommand(const app::MenuCommand& command);
    // The unload handler: releases the devices, stores the last settings, closes the window and
    // asks for the program's end (with ExitCode), which the platform's run carries out once it
    // returns; it never ends the process itself.
    void Unload();
    // Whether the unload asked for the end: it released what it held and stored the settings.
    bool EndAsked() const { return EndAsked_; }
    // For an end without the unload (the display connection broke and the window and the
    // device are gone): stores what the unload stores and writes the settings file. Touches
    // neither the window nor the device. False when nothing was written.
    bool SaveSettingsWithoutWindow();

    // When frames come and the rain steps; the rain's clock. Before the views: their rain reads it.
    app::cFramePacer Pacer;
    // Smooth motion's frames a second where no --fps gives them: the refresh rate of the main
    // window's monitor as the window reports it; 60 where it reports none.
    int32_t DisplayRate = 60;

    // State, read by tests and the soak run. Camera, Rain, Renderer, MainDevice and
    // TextureIndex are the main window's.
    cRainView Main;
    cCamera& Camera = Main.Camera;
    cRain& Rain = Main.Rain;
    cLetterRenderer& Renderer = Main.Renderer;
    std::unique_ptr<cDevice>& MainDevice = Main.Device;
    int32_t& TextureIndex = Main.TextureIndex;
    // The further monitors while the rain covers every one, each with its own window.
    struct Screen {
        std::string Name;
        std::unique_ptr<app::iWindow> Window;
        std::unique_ptr<cRainView> View;
    };
    std::vector<Screen> Screens;
    cSceneMotion Motion;  // one scene movement for every monitor
    app::MenuModel Menu;  // every command bound to its handler; the marks show the settings
    float Zoom = 1;  // kept from the settings file; nothing uses it
    std::string TypedText;
    bool MouseStartKnown = false;
    float MouseStartX = 0, MouseStartY = 0;
    float LastMouseX = 0, LastMouseY = 0;
    // The status the program ends with: 1 once the start or the main loop failed.
    int ExitCode = 0;

    // The settings as the run uses them: read and checked at Load.
    const SettingsValues& Values() const { return Model_.Values(); }

private:
    template <class Action>
    void ForEachView(Action action) {
        action(Main);
        for (Screen& screen : Screens) action(*screen.View);
    }
    void BindMenu();
    void ShowSettingsInMenu();
    void PrepareRain(cRain& rain);
    void StoreLastSettings();
    std::unique_ptr<cDevice> StartDevice(app::iWindow& window, bool& oCreated);
    bool CreateDevice();
    void SetupScene(cRainView& view);
    void StepScene(bool flying);
    void StepView(cRainView& view, bool flying);
    bool DrawView(cRainView& view, float between, const SceneTransform& scene, bool stepped);
    void DrawAgain();
    void FollowDisplayRate();
    void FollowMotionSetting();
    void FollowScreens();
    bool OnDesktop() const;
    void FollowDesktopPlace();
    void OpenScreen(const std::string& name);
    void CloseScreen(size_t index);
    app::PointerKind Pointer() const;
    void SetPointers();
    void Pace();
    bool AnyWindowWantsFrame() const;
    // The menu's handlers.
    void SelectLength(const app::MenuCommand& command);
    void SelectGlyphs(const app::MenuCommand& command);
    void AskGlyphFont(const app::MenuCommand& command);
    void SelectLeaders(const app::MenuCommand& command);
    void SelectColor(const app::MenuCommand& command);
    void ShowColor();  // the chosen colour, on every monitor
    bool FlipSwitch(bool SettingsValues::*setting);  // the new value, stored
    void ToggleHorizontal(const app::MenuCommand& command);
    void ToggleStayBack(const app::MenuCommand& command);
    void ToggleScreenSaver(const app::MenuCommand& command);
    void ToggleKeepShape(const app::MenuCommand& command);
    void ToggleSmooth(const app::MenuCommand& command);
    void ChangeCount(const app::MenuCommand& command);
    void SetupBouncing(const app::MenuCommand& command);
    void ShowKeyHelp(const app::MenuCommand& command);
    void AskUserColor(const app::MenuCommand& command);
    // The colour modes' handlers and what they share (frmMainColors.cpp).
    void SelectColorMode(const app::MenuCommand& command);
    void SelectPalette(const app::MenuCommand& command);
    void AskUserPalette(const app::MenuCommand& command);
    void AskHeadColor(const app::MenuCommand& command);
    void StoreColorMode(mRain::ColorMode mode);
    void StartColorMode();
    void FollowDesktopColors();
    void ShowColorMode();
    void OpenMakerSite(const app::MenuCommand& command);
    void Exit(const app::MenuCommand& command);
    void AppendTypedKey(int keyCode);
    void SelectGlyphSet(cRain& rain, int32_t set);
    void ShowCustomGlyphs();

    app::iWindow& Window_;
    mCore::iClock& Clock_;
    cValues& Settings_;
    SettingsModel Model_{Settings_};
    mCore::cRandom& Rnd_;
    std::string AtlasFile_;
    std::unique_ptr<app::cCustomGlyphs> CustomGlyphs_;  // the "Custom" set's characters, font and cells
    std::unique_ptr<app::cFrameLog> FrameLog_;
    app::cColorModeChoice ColorModes_;
    bool MainPresented_ = false;  // the last frame was drawn on the main window
    bool Looping_ = false;        // the main loop draws (not after a reported failure)
    bool Unloading_ = false;
    bool EndAsked_ = false;
};

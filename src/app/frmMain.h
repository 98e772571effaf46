#pragma once
// The main window's controller: it owns the rain, the camera, the device and the menu's
// marks, runs the start-up (Load), the frame loop (MainLoop) and the input, menu and
// unload handlers. It reaches the window only through iWindowPlatform, so it builds and
// tests without Qt, and the headless renderer drives it the same way the window does.
#include <cstdint>
#include <memory>
#include <string>

#include "app/MenuModel.h"
#include "app/SceneMotion.h"
#include "app/WindowPlatform.h"
#include "core/Platform.h"
#include "device/cDevice.h"
#include "rain/cRain.h"
#include "render/LetterRenderer.h"
#include "render/cCamera.h"

class cValues;

class frmMain final : public app::iWindowEvents {
public:
    // Counts above this would need more memory than any desktop has; "Select count" refuses them.
    static constexpr int32_t MaxCount = 200000;

    frmMain(app::iWindowPlatform& window, cValues& settings, mCore::iClock& clock, mCore::cRandom& rnd);
    ~frmMain() override;

    // The load handler: the window's start-up, then the main loop. Returns when the loop
    // ends (a reported failure, or the window is gone) or when start-up could not finish.
    void Load();
    void MainLoop();
    // One frame from the clock sample to the presented picture (no messages, no pacing).
    void Frame();

    // Input (the window calls these inside PumpEvents).
    void KeyDown(int keyCode, int shift) override;
    void MouseDown(int button, int shift, float x, float y) override;
    void MouseMove(int buttons, int shift, float x, float y) override;
    void CloseRequested() override { Unload(); }

    // Runs one popup-menu command.
    void RunMenuCommand(const app::MenuCommand& command);
    // The unload handler: stores the last settings and ends the program.
    void Unload();

    // State, read by tests and the headless renderer.
    cCamera Camera;
    cRain Rain;
    cSceneMotion Motion;
    app::MenuModel Menu;
    cLetterRenderer Renderer;
    std::unique_ptr<cDevice> MainDevice;
    int32_t TextureIndex = 0;
    float Zoom = 1;  // kept from the settings file; nothing uses it
    std::string TypedText;
    bool MouseStartKnown = false;
    float MouseStartX = 0, MouseStartY = 0;
    float LastMouseX = 0, LastMouseY = 0;

private:
    bool Checked(std::string_view name) const { return Menu.Checked(name); }
    void ApplySettingsToMenu();
    bool CreateDevice();
    void Pace();
    void ToggleSwitch(const app::MenuCommand& command);
    void ChangeCount();
    void SetupBouncing();
    void ShowKeyHelp();
    void AskUserColor();
    void AppendTypedKey(int keyCode);

    app::iWindowPlatform& Window_;
    cValues& Settings_;
    mCore::iClock& Clock_;
    mCore::cRandom& Rnd_;
    bool Unloading_ = false;
};

#pragma once
// The rain started and stepped as the main loop does it: flying, no logos (so the column
// count stays put), 50 ms per frame on a fake clock.
#include "rain/cRain.h"
#include "render/cCamera.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsModel.h"
#include "settings/cValues.h"
#include "support/FakePlatform.h"

namespace testing_support {

// The settings at their defaults and the camera at the heading every scene starts with.
inline void AtTheStart(cValues& settings, cCamera& camera) {
    DeclareSettingDefaults(settings);
    camera.Angle(cCamera::StartAngle());
}

inline void StartRain(cRain& rain, const cValues& settings) {
    const SettingsValues values = ReadSettingsValues(settings);
    rain.ReadSettings(values);
    if (values.Color.Rgb) rain.SetColor(*values.Color.Rgb);
    rain.LetterColor = rain.TargetColor;
    rain.FlyStep = 1;
    rain.SetupChars();
    rain.SampleNow();
    rain.SetupBackground(values.Count);
    rain.StartColorTimer();
}

inline void StepRain(cRain& rain, cCamera& camera, FakeClock& clock) {
    clock.Ticks += 50;
    rain.SampleNow();
    rain.FadeLetterColor();
    rain.SetupLogo(false);
    rain.Animate();
    camera.AddPosition(0, -rain.FlyStep, 0);
}

}  // namespace testing_support

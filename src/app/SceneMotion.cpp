#include "app/SceneMotion.h"

#include "core/Numeric.h"
#include "settings/SettingsValues.h"

namespace {
constexpr double Pi = 3.141593;  // the single-precision constant the quarter turns are built from

void EaseToward(float& value, float target) {
    if (value != target) value = mCore::ToSingle((static_cast<double>(target) - value) / 8 + value);
}

// The value iBetween of the way through its next easing step.
float PartWay(float value, float target, float iBetween) {
    float next = value;
    EaseToward(next, target);
    return mCore::ToSingle(value + iBetween * (static_cast<double>(next) - value));
}
}  // namespace

float cSceneMotion::RampFlyStep(float& flyStep, bool flying) const {
    float step = flyStep;
    if (flying) {
        if (flyStep < FlySpeed) flyStep = mCore::ToSingle(flyStep + 0.02);
        if (flyStep < 0) step = 0;
    } else if (flyStep > 0) {
        flyStep = mCore::ToSingle(flyStep - 0.02);
    }
    if (flyStep > FlySpeed) flyStep = FlySpeed;
    if (flyStep < 0) flyStep = 0;
    return step;
}

void cSceneMotion::Ease() {
    EaseToward(SceneAngle, TargetSceneAngle);
    EaseToward(SceneOffset.x, TargetSceneOffset.x);
    EaseToward(SceneOffset.y, TargetSceneOffset.y);
    EaseToward(SceneOffset.z, TargetSceneOffset.z);
}

ScenePose cSceneMotion::Pose(float iBetween) const {
    if (iBetween == 0) return {SceneAngle, SceneOffset};
    return {PartWay(SceneAngle, TargetSceneAngle, iBetween),
            {PartWay(SceneOffset.x, TargetSceneOffset.x, iBetween), PartWay(SceneOffset.y, TargetSceneOffset.y, iBetween),
             PartWay(SceneOffset.z, TargetSceneOffset.z, iBetween)}};
}

void cSceneMotion::Bounce(bool flying, bool randomMoves, int32_t now, const SettingsValues& settings, mCore::cRandom& rnd) {
    if (!(flying && randomMoves)) {
        TargetSceneAngle = 0;
        TargetSceneOffset = {};
        return;
    }
    // The draw and the setting's read happen every frame, whether or not a bounce is due.
    if (rnd() * 1000.0 < settings.BounceRot && NextRotBounce < now) {
        NextRotBounce = now + 500;
        const double side = mCore::Sgn(rnd() - 0.5);
        TargetSceneAngle = mCore::ToSingle(side * Pi * 0.5 + TargetSceneAngle);
    }
    if (rnd() * 1000.0 < settings.BouncePos && NextPosBounce < now) {
        NextPosBounce = now + 500;
        float& moved = mCore::ToSingle(rnd() * 100.0) < 50 ? TargetSceneOffset.x : TargetSceneOffset.z;
        const float a = rnd();
        const float b = rnd();
        moved = mCore::ToSingle(moved + (b / 2.0 + 0.5) * mCore::Sgn(a - 0.5) * 10);
        TargetSceneOffset.x = mCore::Clamp(TargetSceneOffset.x, -20, 20);
        TargetSceneOffset.y = mCore::Clamp(TargetSceneOffset.y, -20, 20);
        TargetSceneOffset.z = mCore::Clamp(TargetSceneOffset.z, -20, 20);
    }
}

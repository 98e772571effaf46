#pragma once
// The whole-scene movement the main loop eases every frame: the fly speed ramp, the
// rotation and offset of the scene, and the random "bounces" that set their targets.
#include <cstdint>

#include "core/Platform.h"

struct SettingsValues;

struct SceneVector {
    float x = 0, y = 0, z = 0;
};

// The scene's rotation and offset as a frame shows them.
struct ScenePose {
    float Angle = 0;
    SceneVector Offset;
};

class cSceneMotion {
public:
    float SceneAngle = 0;            // radians about the depth axis; read by the renderers
    SceneVector SceneOffset;         // read by the renderers
    float TargetSceneAngle = 0;
    SceneVector TargetSceneOffset;   // each component kept within [-20, 20]
    int32_t NextRotBounce = 0;       // no rotation bounce until the tick passes this
    int32_t NextPosBounce = 0;
    float FlySpeed = 0;              // the speed FlyStep ramps toward, 0..5

    // No bounce in the first five seconds of the loop.
    void Start(int32_t tickCount) {
        NextRotBounce = tickCount + 5000;
        NextPosBounce = tickCount + 5000;
    }

    // Ramps flyStep by 0.02 toward FlySpeed (flying) or toward 0 (not flying), and returns
    // the step the camera moves by this frame: the value from before the ramp.
    float RampFlyStep(float& flyStep, bool flying) const;

    // Moves the rotation and offset one eighth of the way to their targets.
    void Ease();
    // The rotation and offset of a frame between two steps: iBetween (0 to 1) of the way from
    // this step's toward the next step's Ease (the targets it eases to are set by now).
    ScenePose Pose(float iBetween) const;

    // With both switches on, maybe sets new targets (chances per frame in thousandths from
    // "BounceRot" and "BouncePos", at most one of each kind per 500 ms); otherwise the
    // targets return to rest.
    void Bounce(bool flying, bool randomMoves, int32_t now, const SettingsValues& settings, mCore::cRandom& rnd);
};

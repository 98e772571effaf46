#include "app/SceneMotion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "settings/SettingsValues.h"

namespace {
SettingsValues Bouncy(int rot, int pos) {
    SettingsValues settings;
    settings.BounceRot = rot;
    settings.BouncePos = pos;
    return settings;
}
}  // namespace

TEST(Bounces, NoneInTheFirstFiveSecondsThenAtMostOneOfEachKindPerHalfSecond) {
    cSceneMotion motion;
    motion.Start(0);
    const SettingsValues settings = Bouncy(1000, 1000);
    mCore::cRandom rnd(7);
    motion.Bounce(true, true, 5000, settings, rnd);
    EXPECT_EQ(motion.TargetSceneAngle, 0);
    motion.Bounce(true, true, 5001, settings, rnd);
    const float afterFirst = motion.TargetSceneAngle;
    EXPECT_NEAR(std::abs(afterFirst), 1.5707965f, 1e-6);
    EXPECT_EQ(motion.NextRotBounce, 5501);
    motion.Bounce(true, true, 5501, settings, rnd);
    EXPECT_EQ(motion.TargetSceneAngle, afterFirst);
    motion.Bounce(true, true, 5502, settings, rnd);
    EXPECT_NE(motion.TargetSceneAngle, afterFirst);
}

TEST(Bounces, PositionMovesFiveToTenUnitsAndStaysWithinTwenty) {
    cSceneMotion motion;
    motion.Start(-10000);
    const SettingsValues settings = Bouncy(0, 1000);
    mCore::cRandom rnd(3);
    for (int t = 0; t < 100000; t += 501) {
        const SceneVector before = motion.TargetSceneOffset;
        motion.Bounce(true, true, t, settings, rnd);
        const float dx = motion.TargetSceneOffset.x - before.x, dz = motion.TargetSceneOffset.z - before.z;
        EXPECT_TRUE(dx == 0 || dz == 0);
        EXPECT_EQ(motion.TargetSceneOffset.y, 0);
        for (float v : {motion.TargetSceneOffset.x, motion.TargetSceneOffset.z}) {
            EXPECT_LE(std::abs(v), 20);
        }
        const float moved = std::abs(dx + dz);
        if (std::abs(before.x) < 10 && std::abs(before.z) < 10) {
            EXPECT_TRUE(moved >= 5 && moved <= 10) << moved;
        }
    }
    EXPECT_EQ(motion.TargetSceneAngle, 0);  // "BounceRot" 0 disables rotations
}


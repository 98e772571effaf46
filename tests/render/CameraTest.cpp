#include <gtest/gtest.h>

#include <cmath>

#include "render/cCamera.h"

namespace {

constexpr double HalfPi = 1.5707963267948966;

// p * M in the row-vector convention.
mRender::Vector Apply(const mRender::Transform& t, const mRender::Vector& p) {
    return {p.x * t.m[0][0] + p.y * t.m[1][0] + p.z * t.m[2][0] + t.m[3][0],
            p.x * t.m[0][1] + p.y * t.m[1][1] + p.z * t.m[2][1] + t.m[3][1],
            p.x * t.m[0][2] + p.y * t.m[1][2] + p.z * t.m[2][2] + t.m[3][2]};
}

cCamera StartCamera() {
    cCamera camera;
    camera.SetPosition(0, 0, 0);
    camera.Angle(static_cast<float>(6.283185 / 360 * 270));
    camera.Flatten(0);
    return camera;
}

void ExpectOrthonormal(const mRender::Transform& t) {
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += static_cast<double>(t.m[k][a]) * t.m[k][b];
            EXPECT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-5) << "axes " << a << ", " << b;
        }
    }
}

}  // namespace

TEST(CameraView, HeadingZeroLooksAlongPlusXFromOneUnitBehind) {
    cCamera camera;  // Angle 0, Flatten 0, target at the origin
    const mRender::Transform view = camera.GetProjection();
    const mRender::Vector eye = Apply(view, {-1, 0, 0});
    EXPECT_NEAR(eye.x, 0, 1e-6);
    EXPECT_NEAR(eye.y, 0, 1e-6);
    EXPECT_NEAR(eye.z, 0, 1e-6);
    const mRender::Vector ahead = Apply(view, {5, 0, 0});
    EXPECT_NEAR(ahead.z, 6, 1e-5);  // six units in front of the eye
    ExpectOrthonormal(view);
}

TEST(CameraView, StartPoseLooksDownMinusYWithPlusXLeftAndPlusZDown) {
    const mRender::Transform view = StartCamera().GetProjection();
    const mRender::Vector far = Apply(view, {0, -10, 0});
    EXPECT_NEAR(far.z, 11, 1e-4);
    EXPECT_NEAR(far.x, 0, 1e-4);
    const mRender::Vector left = Apply(view, {1, -10, 0});
    EXPECT_LT(left.x, far.x - 0.9f);  // world +X is on the screen's left
    const mRender::Vector down = Apply(view, {0, -10, 1});
    EXPECT_LT(down.y, far.y - 0.9f);  // world +Z is down on screen
}

TEST(CameraView, ViewStaysExactFarAlongTheFlight) {
    cCamera camera = StartCamera();
    camera.AddPosition(0, -100000, 0);
    const mRender::Transform view = camera.GetProjection();
    ExpectOrthonormal(view);
    const mRender::Vector target = Apply(view, {0, -100000, 0});
    EXPECT_NEAR(target.z, 1, 0.02);
}

TEST(CameraMoves, MoveZoomAndStrafeFollowTheStartHeading) {
    cCamera camera = StartCamera();
    camera.Move(1);
    EXPECT_NEAR(camera.GetY(), -1, 1e-5);
    camera.SetPosition(0, 0, 0);
    camera.Zoom(1);
    EXPECT_NEAR(camera.GetY(), 1, 1e-5);
    EXPECT_NEAR(camera.GetZ(), 0, 1e-5);
    camera.SetPosition(0, 0, 0);
    camera.Strafe(1);
    EXPECT_NEAR(camera.GetDistance({-1, 0, 0}), 0, 1e-5);
}

TEST(CameraMoves, ZoomBacksAwayAlongAPitchedLineOfSight) {
    cCamera camera = StartCamera();
    camera.Flatten(0.5f);
    camera.Zoom(2);
    // Pitched up (toward -Z), backing away goes down and back.
    EXPECT_NEAR(camera.GetZ(), 2 * std::sin(0.5), 1e-5);
    EXPECT_NEAR(camera.GetY(), 2 * std::cos(0.5), 1e-5);
    EXPECT_NEAR(camera.GetDistance({0, 0, 0}), 2, 1e-5);
}

TEST(CameraMoves, PositionIsSetAndAddedComponentwise) {
    cCamera camera;
    camera.SetPosition(1, 2, 3);
    camera.AddPosition(0.5f, -4, 1);
    EXPECT_EQ(camera.GetY(), -2);
    EXPECT_EQ(camera.GetZ(), 4);
    EXPECT_EQ(camera.GetDistance({1.5f, -2, 4}), 0);
    EXPECT_FLOAT_EQ(camera.GetDistance({1.5f, 1, 0}), 5);
}

TEST(CameraPitch, IsHeldShortOfAQuarterTurnSoTheViewNeverDegenerates) {
    for (double pitch : {HalfPi, -HalfPi, 10.0, -3.0, HalfPi - 1e-7}) {
        cCamera camera = StartCamera();
        camera.Flatten(static_cast<float>(pitch));
        EXPECT_LT(std::fabs(camera.Flatten()), HalfPi) << pitch;
        const mRender::Transform view = camera.GetProjection();
        for (const auto& row : view.m)
            for (float v : row) ASSERT_TRUE(std::isfinite(v)) << pitch;
        ExpectOrthonormal(view);
    }
}

TEST(CameraPitch, OrdinaryPitchesAndNonNumbers) {
    cCamera camera = StartCamera();
    camera.Flatten(1.2f);
    EXPECT_EQ(camera.Flatten(), 1.2f);
    camera.Flatten(std::nanf(""));
    EXPECT_EQ(camera.Flatten(), 1.2f);
}

TEST(CameraView, HandsItsTransformToAMatrixRecordOfTheSameLayout) {
    struct OtherMatrix {
        float m[4][4];
    };
    const mRender::Transform view = StartCamera().GetProjection();
    const OtherMatrix copy = view;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(copy.m[r][c], view.m[r][c]);
}

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
    camera.Angle(static_cast<float>(6.283185 / 360 * 270));
    return camera;
}

void ExpectProperView(const mRender::Transform& t) {
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += static_cast<double>(t.m[k][a]) * t.m[k][b];
            ASSERT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-5) << "axes " << a << ", " << b;
        }
}

}  // namespace

TEST(CameraView, StartPoseLooksDownMinusYWithPlusXLeftAndPlusZDown) {
    cCamera camera = StartCamera();
    const mRender::Vector far = Apply(camera.GetProjection(), {0, -10, 0});
    EXPECT_NEAR(far.z, 11, 1e-4);
    EXPECT_LT(Apply(camera.GetProjection(), {1, -10, 0}).x, far.x - 0.9f);  // +X is screen left
    EXPECT_LT(Apply(camera.GetProjection(), {0, -10, 1}).y, far.y - 0.9f);  // +Z is screen down
    camera.AddPosition(0, -100000, 0);  // far along a long flight the view is still exact
    ExpectProperView(camera.GetProjection());
    EXPECT_NEAR(Apply(camera.GetProjection(), {0, -100000, 0}).z, 1, 0.02);
}

TEST(CameraPitch, IsHeldShortOfAQuarterTurnSoNoFrameDegenerates) {
    for (double pitch : {HalfPi, -HalfPi, 10.0, HalfPi - 1e-7}) {
        cCamera camera = StartCamera();
        camera.Flatten(static_cast<float>(pitch));
        EXPECT_LT(std::fabs(camera.Flatten()), HalfPi) << pitch;
        ExpectProperView(camera.GetProjection());
    }
    cCamera camera;
    camera.Flatten(1.2f);
    camera.Flatten(std::nanf(""));
    EXPECT_EQ(camera.Flatten(), 1.2f);
}


#include <gtest/gtest.h>

#include <cmath>

#include "render/cCamera.h"

namespace {

constexpr double HalfPi = 1.5707963267948966;

void ExpectProperView(const mRender::Transform& t) {
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += static_cast<double>(t.m[k][a]) * t.m[k][b];
            ASSERT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-5) << "axes " << a << ", " << b;
        }
}

}  // namespace

TEST(CameraPitch, IsHeldShortOfAQuarterTurnSoNoFrameDegenerates) {
    for (double pitch : {HalfPi, -HalfPi, 10.0, HalfPi - 1e-7}) {
        cCamera camera;
        camera.Angle(4.712389f);  // the start-up view
        camera.Flatten(static_cast<float>(pitch));
        EXPECT_LT(std::fabs(camera.Flatten()), HalfPi) << pitch;
        ExpectProperView(camera.GetProjection());
    }
    cCamera camera;
    camera.Flatten(1.2f);
    camera.Flatten(std::nanf(""));
    EXPECT_EQ(camera.Flatten(), 1.2f);
}


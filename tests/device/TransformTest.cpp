#include <gtest/gtest.h>

#include <cmath>

#include "device/mDXGraphics.h"

using namespace mDXGraphics;

namespace {

// p · M for a point with w = 1, divided by the resulting w.
D3DVECTOR Apply(const D3DMATRIX& m, D3DVECTOR p, float* w = nullptr) {
    float out[4];
    for (int c = 0; c < 4; ++c) out[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
    if (w) *w = out[3];
    return {out[0], out[1], out[2]};
}

void ExpectNear(const D3DVECTOR& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

}  // namespace

TEST(Transforms, RotationYTurnsXTowardMinusZForPositiveAngles) {
    D3DMATRIX r;
    TransformRotationY(r, static_cast<float>(M_PI / 2));
    // x' = x cos t + z sin t, z' = -x sin t + z cos t
    ExpectNear(Apply(r, {1, 0, 0}), 0, 0, -1);
    ExpectNear(Apply(r, {0, 0, 1}), 1, 0, 0);
    ExpectNear(Apply(r, {0, 5, 0}), 0, 5, 0);
}

TEST(Transforms, MultiplyAppliesTheLeftOperandFirstEvenIntoItself) {
    D3DMATRIX t, r, tr, rt;
    TransformTranslation(t, 1, 0, 0);
    TransformRotationY(r, static_cast<float>(M_PI / 2));
    TransformMultiply(tr, t, r);
    TransformMultiply(rt, r, t);
    ExpectNear(Apply(tr, {0, 0, 0}), 0, 0, -1);  // moved, then turned
    ExpectNear(Apply(rt, {0, 0, 0}), 1, 0, 0);   // turned, then moved
    TransformMultiply(t, t, r);  // the result may be its own first operand
    EXPECT_EQ(t, tr);
}

TEST(Transforms, LookAtOfTheStartUpCameraPutsPlusXLeftAndPlusZDown) {
    D3DMATRIX view;
    TransformLookAtLH(view, MakeVector(0, 1, 0), MakeVector(0, 0, 0), MakeVector(0, 0, -1));
    // World +X lands on the view's left (negative x), world +Z below (negative y).
    EXPECT_LT(Apply(view, {1, 0, 0}).x, 0.0f);
    EXPECT_LT(Apply(view, {0, 0, 1}).y, 0.0f);
    // The target is one unit in front of the eye.
    ExpectNear(Apply(view, {0, 0, 0}), 0, 0, 1);
}

TEST(Transforms, PerspectiveDepthRunsFromZeroAtTheNearPlaneToOneAtTheFar) {
    D3DMATRIX p;
    TransformPerspectiveFovLH(p, 0.7853982f, 0.75f, 0.1f, 800.0f);
    float w;
    EXPECT_NEAR(Apply(p, {0, 0, 0.1f}, &w).z / w, 0.0f, 1e-6f);
    EXPECT_NEAR(Apply(p, {0, 0, 800.0f}, &w).z / w, 1.0f, 1e-6f);
}

TEST(Colors, ColorFromFloatsPacksArgbScaledBy255AndClamps) {
    EXPECT_EQ(ColorFromFloats(0, 1, 0, 0), 0x0000FF00u);
    EXPECT_EQ(ColorFromFloats(0, 0, 1, 0.5f), 0x800000FFu);
    EXPECT_EQ(ColorFromFloats(0.2f, 0.4f, 0.6f, 1), 0xFF336699u);
    EXPECT_EQ(ColorFromFloats(2, -1, NAN, 1.5f), 0xFFFF0000u);
}

TEST(VertexUpload, SetDataCopiesIntoRangeAndRefusesOverruns) {
    cVertexBuffer buffer(192, D3DFVF_QUADVERTEX);
    const uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(VertexBufferSetData(buffer, 188, 4, 0, bytes), D3D_OK);
    EXPECT_EQ(buffer.Bytes[191], 4);
    EXPECT_EQ(VertexBufferSetData(buffer, 189, 4, 0, bytes), D3DERR_INVALIDCALL);
}

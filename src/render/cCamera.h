#pragma once
// The scene camera: a target point, a heading (Angle, about the vertical Z axis), a pitch
// (Flatten) and an up vector, turned into a left-handed look-at view transform in the
// row-vector convention (a point p maps to p * M).
//
// World axes: X across the screen, Y is depth, Z grows downward on screen; the up vector is
// (0, 0, -1). With Angle = 270 degrees and Flatten = 0 the camera looks toward -Y and world +X
// runs to the screen's left, which is the view the rain is laid out for.
//
// Trigonometry is done in double precision on the single-precision fields; every stored
// result is rounded back to single precision.
#include <cstring>

#include "rain/CameraDepth.h"

namespace mRender {

struct Vector {
    float x = 0, y = 0, z = 0;
};

// A 4 x 4 transform, m[row][column], rows as in Direct3D's matrix layout.
struct Transform {
    float m[4][4] = {};

    // Hands the transform to any matrix record of the same layout (the device layer's), so
    // that the camera needs nothing from the device layer and the device nothing from it.
    template <class Matrix>
        requires requires(Matrix out) { out.m[3][3] = 0.0f; } && (sizeof(Matrix::m) == sizeof(float[4][4]))
    operator Matrix() const {
        Matrix out{};
        std::memcpy(&out.m[0][0], &m[0][0], sizeof m);
        return out;
    }
};

}  // namespace mRender

// The rain reads its depth (GetY) through mRain::iCameraDepth.
class cCamera final : public mRain::iCameraDepth {
public:
    // How close the pitch may come to a quarter turn. At exactly +-pi/2 the line of sight is
    // parallel to the up vector and the look-at transform has no defined sideways axis, so
    // the pitch is held just short of it instead.
    static constexpr double FlattenLimit = 1.5707963267948966 - 0.001;
    // The heading every scene starts with: 270 degrees, the view the rain is laid out for.
    static float StartAngle();

    cCamera() = default;

    float Angle() const { return Angle_; }
    void Angle(float iAngle) { Angle_ = iAngle; }
    float Flatten() const { return Flatten_; }
    // Clamped to +-FlattenLimit, so that no frame gets a degenerate view. A value that is
    // not a number is ignored.
    void Flatten(float iFlatten);

    // Distance from the target point to iPoint.
    float GetDistance(const mRender::Vector& iPoint) const;
    float GetX() const { return X_; }
    float GetZ() const { return Z_; }
    float GetY() const override { return Y_; }

    // Walks iDistance along the horizontal part of the heading; Z stays.
    void Move(float iDistance);
    // Moves iDistance back along the line of sight, pitch included.
    void Zoom(float iDistance);
    // The view transform: the eye sits one unit behind the target point and looks at it.
    mRender::Transform GetProjection() const;
    void SetPosition(float x, float Y, float Z);
    void AddPosition(float x, float Y, float Z);
    // Steps iDistance sideways, at right angles to the heading in the horizontal plane.
    void Strafe(float iDistance);

    mRender::Vector Up() const { return Up_; }

private:
    float Angle_ = 0;
    float Flatten_ = 0;
    float X_ = 0;
    float Y_ = 0;
    float Z_ = 0;
    mRender::Vector Up_{0, 0, -1};
};

#include "render/cCamera.h"

#include <cmath>

#include "core/Numeric.h"

namespace {

float ToSingle(double v) { return static_cast<float>(v); }

// The single-precision pi the camera's formulas are written with.
constexpr double Pi = 3.141593;

mRender::Vector Normalize(const mRender::Vector& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0) return v;
    return {v.x / length, v.y / length, v.z / length};
}

mRender::Vector Cross(const mRender::Vector& a, const mRender::Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const mRender::Vector& a, const mRender::Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

void cCamera::Flatten(float iFlatten) {
    if (std::isnan(iFlatten)) return;
    if (iFlatten > FlattenLimit) iFlatten = ToSingle(FlattenLimit);
    if (iFlatten < -FlattenLimit) iFlatten = ToSingle(-FlattenLimit);
    Flatten_ = iFlatten;
}

float cCamera::GetDistance(const mRender::Vector& iPoint) const {
    const float dx = ToSingle(static_cast<double>(X_) - iPoint.x);
    const float dy = ToSingle(static_cast<double>(Y_) - iPoint.y);
    const float dz = ToSingle(static_cast<double>(Z_) - iPoint.z);
    return ToSingle(std::pow(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy + static_cast<double>(dz) * dz, 0.5));
}

void cCamera::Move(float iDistance) {
    const double a = Angle_;
    X_ = ToSingle(X_ + iDistance * std::cos(-a));
    Y_ = ToSingle(Y_ + (-static_cast<double>(iDistance)) * std::sin(-a));
}

void cCamera::Zoom(float iDistance) {
    const double p = Pi / 2;
    const double a = Angle_;
    const float vz = ToSingle(std::cos(-(p - Flatten_)));
    const float t = ToSingle(-std::sin(-(p - Flatten_)));
    const float vx = ToSingle(-static_cast<double>(t) * std::cos(-a));
    const float vy = ToSingle(static_cast<double>(t) * std::sin(-a));
    X_ = ToSingle(X_ + static_cast<double>(vx) * iDistance);
    Y_ = ToSingle(Y_ + static_cast<double>(vy) * iDistance);
    Z_ = ToSingle(Z_ + static_cast<double>(vz) * iDistance);
}

void cCamera::Strafe(float iDistance) {
    const double a = Angle_;
    X_ = ToSingle(X_ - iDistance * std::sin(-a));
    Y_ = ToSingle(Y_ - iDistance * std::cos(-a));
}

void cCamera::SetPosition(float x, float Y, float Z) {
    X_ = x;
    Y_ = Y;
    Z_ = Z;
}

void cCamera::AddPosition(float x, float Y, float Z) {
    X_ = ToSingle(static_cast<double>(X_) + x);
    Y_ = ToSingle(static_cast<double>(Y_) + Y);
    Z_ = ToSingle(static_cast<double>(Z_) + Z);
}

mRender::Transform cCamera::GetProjection() const {
    const double a = Angle_;
    const double f = Flatten_;
    // The eye is one unit behind the target along the viewing direction.
    const double dx = std::cos(a) * std::cos(f), dy = std::sin(a) * std::cos(f), dz = -std::sin(f);
    const mRender::Vector eye{ToSingle(X_ - dx), ToSingle(Y_ - dy), ToSingle(Z_ - dz)};

    // The line of sight is the target minus the eye, which is the viewing direction itself.
    // Taken straight from the angles it stays exact far from the origin, where subtracting
    // two nearby large coordinates would lose most of its digits after a long flight.
    const mRender::Vector zaxis = Normalize({ToSingle(dx), ToSingle(dy), ToSingle(dz)});
    const mRender::Vector xaxis = Normalize(Cross(Up_, zaxis));
    const mRender::Vector yaxis = Cross(zaxis, xaxis);

    mRender::Transform view;
    view.m[0][0] = xaxis.x;
    view.m[0][1] = yaxis.x;
    view.m[0][2] = zaxis.x;
    view.m[1][0] = xaxis.y;
    view.m[1][1] = yaxis.y;
    view.m[1][2] = zaxis.y;
    view.m[2][0] = xaxis.z;
    view.m[2][1] = yaxis.z;
    view.m[2][2] = zaxis.z;
    view.m[3][0] = -Dot(xaxis, eye);
    view.m[3][1] = -Dot(yaxis, eye);
    view.m[3][2] = -Dot(zaxis, eye);
    view.m[3][3] = 1;
    return view;
}

float cCamera::StartAngle() { return mCore::ToSingle(6.283185 / 360 * 270); }

#pragma once
// What the rain needs to know of the camera: how far it has flown along the depth axis.
// New groups start that far ahead of it, and a group it has passed leaves the field. The
// camera provides it; the rain asks for nothing else of it, so it builds without the camera.
namespace mRain {

class iCameraDepth {
public:
    // The camera's place along Y, the depth axis (it flies toward -Y).
    virtual float GetY() const = 0;

protected:
    ~iCameraDepth() = default;
};

}  // namespace mRain

#pragma once
// The graphics root objects, the shared identity transform, and the helper library the
// program uses beside the device: transforms, colours, vertex upload, texture loading
// from image files and error texts.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "device/D3D8Types.h"
#include "device/iDirect3D.h"

namespace mDXGraphics {

// The root object (adapter queries, device creation); present from Initialize to Release.
extern std::shared_ptr<iDirect3D> Direct3D;
// The start value of every world transform.
inline constexpr D3DMATRIX IdentityTransform{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

// Which backend Initialize creates its root object from. The program installs the GL
// backend's factory, tests the capture backend's. A factory may return nullptr.
using Direct3DFactory = std::function<std::shared_ptr<iDirect3D>()>;
void SetDirect3DFactory(Direct3DFactory iFactory);

// Creates the root objects; false when no root object results (no factory installed,
// or the factory gave none).
bool Initialize();
void Release();

D3DVECTOR MakeVector(float x, float y, float z);
D3DCOLORVALUE MakeColorValue(float r, float g, float b, float a);

// 4 x 4 single-precision transforms, row vectors (a point p maps to p · M).
void TransformIdentity(D3DMATRIX& oOut);
// oOut = a · b; oOut may be a or b.
void TransformMultiply(D3DMATRIX& oOut, const D3DMATRIX& a, const D3DMATRIX& b);
// ioRow = ioRow · b: one row of TransformMultiply, with the same arithmetic.
void TransformRow(float (&ioRow)[4], const D3DMATRIX& b);
void TransformTranslation(D3DMATRIX& oOut, float x, float y, float z);
// About the Y axis by t radians: x' = x cos t + z sin t, z' = -x sin t + z cos t.
void TransformRotationY(D3DMATRIX& oOut, float t);
void TransformLookAtLH(D3DMATRIX& oOut, const D3DVECTOR& iEye, const D3DVECTOR& iAt, const D3DVECTOR& iUp);
// Note the program passes height / width as the aspect; the x scale is cot(fovy/2) / aspect.
void TransformPerspectiveFovLH(D3DMATRIX& oOut, float iFovY, float iAspect, float iNear, float iFar);

// A channel 0..1 scaled by 255 to the nearest whole value, clamped; NaN gives 0.
inline uint32_t ColorChannel(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint32_t>(v * 255.0f + 0.5f);
}
// Channels 0..1 into A8R8G8B8 (inline: the renderer makes one per letter).
inline D3DCOLOR ColorFromFloats(float r, float g, float b, float a) {
    return (ColorChannel(a) << 24) | (ColorChannel(r) << 16) | (ColorChannel(g) << 8) | ColorChannel(b);
}
D3DCOLOR ColorFromBytes(uint32_t r, uint32_t g, uint32_t b, uint32_t a);
D3DCOLORVALUE ColorToValue(D3DCOLOR iColor);

// Copies iSize bytes into the buffer at iOffset (lock, copy, unlock). Fails with
// D3DERR_INVALIDCALL when the range does not fit the buffer.
HRESULT VertexBufferSetData(cVertexBuffer& iBuffer, uint32_t iOffset, uint32_t iSize, uint32_t iFlags,
                            const void* iData);

// Texture loading from an image file (PNG) with the library's default settings: the
// size and format from the file, one level, no colour key.
HRESULT LoadTextureFromFile(iDirect3DDevice& iDevice, std::string_view iFileName,
                            std::shared_ptr<cTexture>& oTexture);
// The extended loader. iWidth/iHeight 0 take the file's size (other sizes are not
// supported), iColorKey: texels of exactly that ARGB become transparent black (0 means
// no key, as in the original library).
HRESULT LoadTextureFromFileEx(iDirect3DDevice& iDevice, std::string_view iFileName, uint32_t iWidth,
                              uint32_t iHeight, uint32_t iMipLevels, uint32_t iUsage, D3DFORMAT iFormat,
                              D3DPOOL iPool, uint32_t iFilter, uint32_t iMipFilter, D3DCOLOR iColorKey,
                              std::shared_ptr<cTexture>& oTexture);

// A printable text for an error number, with the root object's detail when it has one.
std::string ErrorText(HRESULT iError);
// The error number of the last failing device-layer call (what ErrorText describes when
// device creation fails).
extern HRESULT LastErrorNumber;
// The device layer's last error text: why the last device could not be made.
extern std::string LastError;
// A failing device call fails the procedure that made it, as the error report expects: it
// is kept as LastErrorNumber and thrown as an mCore::Failure with its text.
[[noreturn]] void Fail(HRESULT iError);
inline void Check(HRESULT iResult) {
    if (Failed(iResult)) [[unlikely]]
        Fail(iResult);
}

}  // namespace mDXGraphics

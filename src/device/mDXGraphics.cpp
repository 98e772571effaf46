#include "device/mDXGraphics.h"

#include <cmath>
#include <cstring>

#include "core/ErrorReport.h"
#include "device/cImage.h"

namespace mDXGraphics {

std::shared_ptr<iDirect3D> Direct3D;
HRESULT LastErrorNumber = D3D_OK;
std::string LastError;

namespace {
Direct3DFactory Factory;
}  // namespace

void SetDirect3DFactory(Direct3DFactory iFactory) { Factory = std::move(iFactory); }

bool Initialize() {
    bool result = false;
    mCore::Guarded("mDXGraphics.Initialize", [&] {
        Direct3D = Factory ? Factory() : nullptr;
        result = Direct3D != nullptr;
    });
    return result;
}

void Release() {
    mCore::Guarded("mDXGraphics.Release", [&] { Direct3D.reset(); });
}

D3DVECTOR MakeVector(float x, float y, float z) { return {x, y, z}; }

D3DCOLORVALUE MakeColorValue(float r, float g, float b, float a) { return {r, g, b, a}; }

void TransformIdentity(D3DMATRIX& oOut) { oOut = IdentityTransform; }

void TransformRow(float (&ioRow)[4], const D3DMATRIX& b) {
    float r[4];
    for (int j = 0; j < 4; ++j)
        r[j] = ioRow[0] * b.m[0][j] + ioRow[1] * b.m[1][j] + ioRow[2] * b.m[2][j] + ioRow[3] * b.m[3][j];
    for (int j = 0; j < 4; ++j) ioRow[j] = r[j];
}

void TransformMultiply(D3DMATRIX& oOut, const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r = a;
    for (int i = 0; i < 4; ++i) TransformRow(r.m[i], b);
    oOut = r;
}

void TransformTranslation(D3DMATRIX& oOut, float x, float y, float z) {
    TransformIdentity(oOut);
    oOut.m[3][0] = x;
    oOut.m[3][1] = y;
    oOut.m[3][2] = z;
}

void TransformRotationY(D3DMATRIX& oOut, float t) {
    const float c = std::cos(t), s = std::sin(t);
    TransformIdentity(oOut);
    oOut.m[0][0] = c;
    oOut.m[0][2] = -s;
    oOut.m[2][0] = s;
    oOut.m[2][2] = c;
}

namespace {
D3DVECTOR Sub(const D3DVECTOR& a, const D3DVECTOR& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
D3DVECTOR Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3DVECTOR Normalize(const D3DVECTOR& v) {
    const float length = std::sqrt(Dot(v, v));
    if (length == 0.0f) return v;  // degenerate input stays degenerate rather than NaN
    return {v.x / length, v.y / length, v.z / length};
}
}  // namespace

void TransformLookAtLH(D3DMATRIX& oOut, const D3DVECTOR& iEye, const D3DVECTOR& iAt, const D3DVECTOR& iUp) {
    const D3DVECTOR z = Normalize(Sub(iAt, iEye));
    const D3DVECTOR x = Normalize(Cross(iUp, z));
    const D3DVECTOR y = Cross(z, x);
    oOut = D3DMATRIX{{{x.x, y.x, z.x, 0},
                      {x.y, y.y, z.y, 0},
                      {x.z, y.z, z.z, 0},
                      {-Dot(x, iEye), -Dot(y, iEye), -Dot(z, iEye), 1}}};
}

void TransformPerspectiveFovLH(D3DMATRIX& oOut, float iFovY, float iAspect, float iNear, float iFar) {
    const float s = static_cast<float>(1.0 / std::tan(iFovY / 2.0));
    const float q = iFar / (iFar - iNear);
    oOut = D3DMATRIX{{{s / iAspect, 0, 0, 0}, {0, s, 0, 0}, {0, 0, q, 1}, {0, 0, -iNear * q, 0}}};
}

D3DCOLOR ColorFromBytes(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

D3DCOLORVALUE ColorToValue(D3DCOLOR iColor) {
    constexpr float k = 1.0f / 255.0f;
    return {ChannelR(iColor) * k, ChannelG(iColor) * k, ChannelB(iColor) * k, ChannelA(iColor) * k};
}

HRESULT VertexBufferSetData(cVertexBuffer& iBuffer, uint32_t iOffset, uint32_t iSize, uint32_t, const void* iData) {
    if (static_cast<uint64_t>(iOffset) + iSize > iBuffer.Bytes.size() || (iSize && !iData))
        return D3DERR_INVALIDCALL;
    if (iSize) std::memcpy(iBuffer.Bytes.data() + iOffset, iData, iSize);
    return D3D_OK;
}

HRESULT LoadTextureFromFileEx(iDirect3DDevice& iDevice, std::string_view iFileName, uint32_t iWidth,
                              uint32_t iHeight, uint32_t, uint32_t, D3DFORMAT, D3DPOOL, uint32_t, uint32_t,
                              D3DCOLOR iColorKey, std::shared_ptr<cTexture>& oTexture) {
    oTexture.reset();
    cImage image;
    std::string failure;  // the decoder's reason; the error number is what callers read
    if (!mImage::ReadPng(iFileName, image, failure)) return LastErrorNumber = D3DXERR_INVALIDDATA;
    // Resizing on load is not supported.
    if ((iWidth && iWidth != static_cast<uint32_t>(image.Width)) ||
        (iHeight && iHeight != static_cast<uint32_t>(image.Height)))
        return LastErrorNumber = D3DERR_INVALIDCALL;
    if (iColorKey != 0)
        for (uint32_t& texel : image.Pixels)
            if (texel == iColorKey) texel = 0;
    const HRESULT hr = iDevice.CreateTexture(image, oTexture);
    if (Failed(hr)) LastErrorNumber = hr;
    return hr;
}

HRESULT LoadTextureFromFile(iDirect3DDevice& iDevice, std::string_view iFileName,
                            std::shared_ptr<cTexture>& oTexture) {
    return LoadTextureFromFileEx(iDevice, iFileName, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0, 0, 0,
                                 oTexture);
}

void Fail(HRESULT iError) {
    LastErrorNumber = iError;
    throw mCore::Failure(ErrorText(iError));
}

std::string ErrorText(HRESULT iError) {
    std::string text;
    switch (iError) {
        case D3D_OK: text = "No error"; break;
        case D3DERR_DEVICELOST: text = "D3DERR_DEVICELOST: the device is lost"; break;
        case D3DERR_DEVICENOTRESET: text = "D3DERR_DEVICENOTRESET: the device can be reset"; break;
        case D3DERR_NOTAVAILABLE: text = "D3DERR_NOTAVAILABLE: the requested device or format is not available"; break;
        case D3DERR_INVALIDCALL: text = "D3DERR_INVALIDCALL: invalid call"; break;
        case D3DERR_OUTOFVIDEOMEMORY: text = "D3DERR_OUTOFVIDEOMEMORY: out of video memory"; break;
        case D3DERR_WRONGTEXTUREFORMAT: text = "D3DERR_WRONGTEXTUREFORMAT: unsupported texture format"; break;
        case D3DXERR_INVALIDDATA: text = "D3DXERR_INVALIDDATA: the image data is invalid"; break;
        case E_OUTOFMEMORY: text = "E_OUTOFMEMORY: out of memory"; break;
        default: text = "Unknown error"; break;
    }
    if (Direct3D) {
        const std::string detail = Direct3D->LastFailureDetail();
        if (!detail.empty()) text += " (" + detail + ")";
    }
    return text;
}

}  // namespace mDXGraphics

// The meaning of a column draw, as the plain sequence of per-letter device calls. Backends
// that record or draw one call at a time use it as it is.
#include "device/iDirect3D.h"
#include "device/mDXGraphics.h"

namespace {
constexpr uint32_t QuadFloats = 8;  // x y z, nx ny nz, tu tv
constexpr uint32_t QuadBytes = 6 * QuadFloats * sizeof(float);
}  // namespace

HRESULT iDirect3DDevice::DrawLetterColumn(const cLetterColumn& iColumn) {
    if (iColumn.Count && (!iColumn.Buffer || !iColumn.Vertices || !iColumn.Letters)) return D3DERR_INVALIDCALL;
    // The rotation is the same for every letter of the column; the product is still built
    // step by step per letter, so each world transform is the one the letter would get alone.
    D3DMATRIX rotation, offset;
    mDXGraphics::TransformRotationY(rotation, iColumn.SceneAngle);
    mDXGraphics::TransformTranslation(offset, iColumn.SceneOffset.x, iColumn.SceneOffset.y, iColumn.SceneOffset.z);
    for (uint32_t i = 0; i < iColumn.Count; ++i) {
        const cColumnLetter& letter = iColumn.Letters[i];
        WriteLetterCell(iColumn.Vertices, letter.U, letter.V, iColumn.CellSize);
        HRESULT hr = mDXGraphics::VertexBufferSetData(*iColumn.Buffer, 0, QuadBytes, 0, iColumn.Vertices);
        if (Failed(hr)) return hr;
        if (Failed(hr = SetRenderState(D3DRS_AMBIENT, letter.Ambient))) return hr;
        if (!letter.Drawn) continue;
        D3DMATRIX world = mDXGraphics::IdentityTransform, step;
        mDXGraphics::TransformTranslation(step, letter.X, letter.Y, letter.Z);
        mDXGraphics::TransformMultiply(world, world, step);
        mDXGraphics::TransformMultiply(world, world, rotation);
        mDXGraphics::TransformMultiply(world, world, offset);
        if (Failed(hr = SetTransform(D3DTS_WORLD, world))) return hr;
        if (Failed(hr = SetStreamSource(0, iColumn.Buffer, QuadBytes / 6))) return hr;
        if (Failed(hr = DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2))) return hr;
    }
    return D3D_OK;
}

void WriteLetterCell(float* ioVertices, float iU, float iV, float iSize) {
    // x grows with u and z with v: the cell's top edge lies at z = -0.5.
    for (uint32_t v = 0; v < 6; ++v) {
        float* vertex = ioVertices + v * QuadFloats;
        vertex[6] = vertex[0] > 0 ? iU + iSize : iU;
        vertex[7] = vertex[2] > 0 ? iV + iSize : iV;
    }
}

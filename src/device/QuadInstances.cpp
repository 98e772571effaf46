// The meaning of an instanced quad draw, as the plain sequence of per-cell device calls.
// Backends that record or draw one call at a time use it as it is.
#include "device/iDirect3D.h"
#include "device/mDXGraphics.h"

HRESULT iDirect3DDevice::DrawCheckedQuadInstances(const cQuadInstances& iQuads) {
    // The rotation is the same for every cell; the product is still built step by step per
    // cell, so each world transform is the one the cell would get alone.
    D3DMATRIX rotation, offset;
    mDXGraphics::TransformRotationY(rotation, iQuads.Angle);
    mDXGraphics::TransformTranslation(offset, iQuads.Offset.x, iQuads.Offset.y, iQuads.Offset.z);
    float cut[QuadVertexCount * QuadVertexFloats];
    for (uint32_t s = 0; s < iQuads.StripCount; ++s) {
        const cQuadStrip& strip = iQuads.Strips[s];
        for (uint32_t k = 0; k < strip.Count; ++k) {
            const cQuadCell& cell = iQuads.Cells[strip.First + k];
            WriteQuadCell(iQuads.Vertices, cell.U, cell.V, iQuads.CellSize);
            const float* vertices = iQuads.Vertices;
            if (!strip.Part.Whole()) {
                CutQuadToPart(iQuads.Vertices, strip.Part, cut);
                vertices = cut;
            }
            HRESULT hr = mDXGraphics::VertexBufferSetData(*iQuads.Buffer, 0, QuadVertexBytes, 0, vertices);
            if (Failed(hr)) return hr;
            if (Failed(hr = SetRenderState(D3DRS_AMBIENT, cell.Ambient))) return hr;
            if (!cell.Drawn) continue;
            const float step = static_cast<float>(k);
            D3DMATRIX world = mDXGraphics::IdentityTransform, translation;
            mDXGraphics::TransformTranslation(translation, strip.Position.x + step * strip.Step.x,
                                              strip.Position.y + step * strip.Step.y,
                                              strip.Position.z + step * strip.Step.z);
            mDXGraphics::TransformMultiply(world, world, translation);
            mDXGraphics::TransformMultiply(world, world, rotation);
            mDXGraphics::TransformMultiply(world, world, offset);
            if (Failed(hr = SetTransform(D3DTS_WORLD, world))) return hr;
            if (Failed(hr = SetStreamSource(0, iQuads.Buffer, QuadVertexStride))) return hr;
            if (Failed(hr = DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2))) return hr;
        }
    }
    return D3D_OK;
}

void WriteQuadCell(float* ioVertices, float iU, float iV, float iSize) {
    // x grows with u and z with v: the cell's top edge lies at z = -0.5.
    for (uint32_t v = 0; v < QuadVertexCount; ++v) {
        float* vertex = ioVertices + v * QuadVertexFloats;
        vertex[6] = vertex[0] > 0 ? iU + iSize : iU;
        vertex[7] = vertex[2] > 0 ? iV + iSize : iV;
    }
}

void CutQuadToPart(const float* iVertices, const cCellPart& iPart, float* oCut) {
    // The quad's edges, and the texture coordinate at each (as WriteQuadCell lays them out).
    float low[2] = {iVertices[0], iVertices[2]}, high[2] = {iVertices[0], iVertices[2]};
    float texLow[2] = {iVertices[6], iVertices[7]}, texHigh[2] = {iVertices[6], iVertices[7]};
    for (uint32_t v = 0; v < QuadVertexCount; ++v) {
        const float* vertex = iVertices + v * QuadVertexFloats;
        for (int axis = 0; axis < 2; ++axis) {
            const float at = vertex[axis * 2];
            if (at < low[axis]) low[axis] = at, texLow[axis] = vertex[6 + axis];
            if (at > high[axis]) high[axis] = at, texHigh[axis] = vertex[6 + axis];
        }
    }
    const float from[2] = {iPart.X0, iPart.Z0}, to[2] = {iPart.X1, iPart.Z1};
    for (uint32_t v = 0; v < QuadVertexCount; ++v) {
        const float* vertex = iVertices + v * QuadVertexFloats;
        float* out = oCut + v * QuadVertexFloats;
        for (uint32_t f = 0; f < QuadVertexFloats; ++f) out[f] = vertex[f];
        for (int axis = 0; axis < 2; ++axis) {
            const float f = vertex[axis * 2] > low[axis] ? to[axis] : from[axis];
            out[axis * 2] = low[axis] + (high[axis] - low[axis]) * f;
            out[6 + axis] = texLow[axis] + (texHigh[axis] - texLow[axis]) * f;
        }
    }
}

// The device calls' argument checks, made here once for every backend: a backend's own
// work sees only calls that Direct3D 8 would accept.
#include "device/iDirect3D.h"

HRESULT iDirect3DDevice::BeginScene() {
    if (InScene_) return D3DERR_INVALIDCALL;
    const HRESULT hr = BeginCheckedScene();
    if (!Failed(hr)) InScene_ = true;
    return hr;
}

HRESULT iDirect3DDevice::EndScene() {
    if (!InScene_) return D3DERR_INVALIDCALL;
    const HRESULT hr = EndCheckedScene();
    InScene_ = false;
    return hr;
}

HRESULT iDirect3DDevice::SetRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) {
    if (static_cast<uint32_t>(iState) >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    return SetCheckedRenderState(iState, iValue);
}

HRESULT iDirect3DDevice::SetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) {
    if (iStage >= D3D_STAGE_COUNT || static_cast<uint32_t>(iType) >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    return SetCheckedTextureStageState(iStage, iType, iValue);
}

HRESULT iDirect3DDevice::SetTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) {
    if (iState != D3DTS_WORLD && iState != D3DTS_VIEW && iState != D3DTS_PROJECTION) return D3DERR_INVALIDCALL;
    return SetCheckedTransform(iState, iMatrix);
}

HRESULT iDirect3DDevice::SetTexture(uint32_t iStage, cTexture* iTexture) {
    if (iStage >= D3D_STAGE_COUNT) return D3DERR_INVALIDCALL;
    return SetCheckedTexture(iStage, iTexture);
}

HRESULT iDirect3DDevice::SetStreamSource(uint32_t iStream, cVertexBuffer* iBuffer, uint32_t iStride) {
    if (iStream != 0) return D3DERR_INVALIDCALL;
    return SetCheckedStreamSource(iBuffer, iStride);
}

HRESULT iDirect3DDevice::DrawPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) {
    if (!InScene_) return D3DERR_INVALIDCALL;
    return DrawCheckedPrimitive(iType, iStartVertex, iPrimitiveCount);
}

HRESULT iDirect3DDevice::DrawQuadInstances(const cQuadInstances& iQuads) {
    if (iQuads.StripCount && !iQuads.Strips) return D3DERR_INVALIDCALL;
    for (uint32_t s = 0; s < iQuads.StripCount; ++s) {
        const cQuadStrip& strip = iQuads.Strips[s];
        if (strip.First > iQuads.CellCount || strip.Count > iQuads.CellCount - strip.First) return D3DERR_INVALIDCALL;
        const cCellPart& p = strip.Part;
        if (!(0 <= p.X0 && p.X0 <= p.X1 && p.X1 <= 1 && 0 <= p.Z0 && p.Z0 <= p.Z1 && p.Z1 <= 1)) return D3DERR_INVALIDCALL;
    }
    if (iQuads.CellCount && (!iQuads.Cells || !iQuads.Buffer || !iQuads.Vertices)) return D3DERR_INVALIDCALL;
    if (iQuads.Buffer && iQuads.Buffer->Bytes.size() < QuadVertexBytes) return D3DERR_INVALIDCALL;
    return DrawCheckedQuadInstances(iQuads);
}

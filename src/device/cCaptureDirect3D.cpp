#include "device/cCaptureDirect3D.h"

#include <algorithm>

cCaptureDevice::cCaptureDevice(iDrawingSurface* iSurface, const D3DPRESENT_PARAMETERS& iParams)
    : Surface(iSurface), Params(iParams) {
    State.ResetDefaults(iParams.EnableAutoDepthStencil);
}

size_t cCaptureDevice::CountOf(const std::string& iOp) const {
    return static_cast<size_t>(
        std::count_if(Calls.begin(), Calls.end(), [&](const cCapturedCall& c) { return c.Op == iOp; }));
}

std::vector<uint32_t> cCaptureDevice::RenderStateValues(D3DRENDERSTATETYPE iState) const {
    std::vector<uint32_t> values;
    for (const auto& c : Calls)
        if (c.Op == "SetRenderState" && c.A == iState) values.push_back(c.B);
    return values;
}

HRESULT cCaptureDevice::TestCooperativeLevel() {
    Record("TestCooperativeLevel");
    return CooperativeLevel;
}

HRESULT cCaptureDevice::Reset(D3DPRESENT_PARAMETERS& iParams) {
    Record("Reset", iParams.BackBufferWidth, iParams.BackBufferHeight);
    Params = iParams;
    ++Resets;
    if (CooperativeLevel == D3DERR_DEVICENOTRESET) CooperativeLevel = D3D_OK;
    return D3D_OK;
}

HRESULT cCaptureDevice::Clear(uint32_t iCount, const D3DRECT*, uint32_t iFlags, D3DCOLOR iColor, float,
                              uint32_t) {
    Record("Clear", iCount, iFlags, iColor);
    ++Clears;
    return D3D_OK;
}

HRESULT cCaptureDevice::BeginCheckedScene() {
    Record("BeginScene");
    ++Scenes;
    return D3D_OK;
}

HRESULT cCaptureDevice::EndCheckedScene() {
    Record("EndScene");
    return D3D_OK;
}

HRESULT cCaptureDevice::Present(const void*, const void*, intptr_t, const void*) {
    Record("Present");
    ++Presents;
    return D3D_OK;
}

HRESULT cCaptureDevice::SetCheckedRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) {
    Record("SetRenderState", iState, iValue);
    State.RenderState[iState] = iValue;
    return D3D_OK;
}

uint32_t cCaptureDevice::GetRenderState(D3DRENDERSTATETYPE iState) const {
    return State.GetRenderState(iState);
}

HRESULT cCaptureDevice::SetCheckedTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) {
    Record("SetTextureStageState", iStage, iType, iValue);
    State.StageState[iStage][iType] = iValue;
    return D3D_OK;
}

uint32_t cCaptureDevice::GetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType) const {
    return State.GetStageState(iStage, iType);
}

HRESULT cCaptureDevice::SetCheckedTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) {
    Record("SetTransform", iState);
    (iState == D3DTS_WORLD ? State.World : iState == D3DTS_VIEW ? State.View : State.Projection) = iMatrix;
    return D3D_OK;
}

HRESULT cCaptureDevice::SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) {
    Record("SetLight", iIndex, iLight.Type);
    return State.SetLight(iIndex, iLight);
}

HRESULT cCaptureDevice::LightEnable(uint32_t iIndex, bool iEnable) {
    Record("LightEnable", iIndex, iEnable ? 1u : 0u);
    return State.LightEnable(iIndex, iEnable);
}

HRESULT cCaptureDevice::SetCheckedTexture(uint32_t iStage, cTexture* iTexture) {
    const auto* texture = dynamic_cast<cCaptureTexture*>(iTexture);
    Record("SetTexture", iStage, iTexture ? 1u : 0u, texture ? static_cast<uint32_t>(texture->Serial) : 0u);
    State.Textures[iStage] = iTexture;
    return D3D_OK;
}

HRESULT cCaptureDevice::SetMaterial(const D3DMATERIAL8& iMaterial) {
    Record("SetMaterial");
    State.Material = iMaterial;
    return D3D_OK;
}

HRESULT cCaptureDevice::SetVertexShader(uint32_t iFVF) {
    Record("SetVertexShader", iFVF);
    State.FVF = iFVF;
    return D3D_OK;
}

HRESULT cCaptureDevice::SetCheckedStreamSource(cVertexBuffer* iBuffer, uint32_t iStride) {
    Record("SetStreamSource", 0, iStride);
    State.Stream = iBuffer;
    State.Stride = iStride;
    return D3D_OK;
}

HRESULT cCaptureDevice::DrawCheckedPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) {
    Record("DrawPrimitive", iType, iStartVertex, iPrimitiveCount);
    Scratch_.Clear();
    const HRESULT hr = State.ExpandDraw(iType, iStartVertex, iPrimitiveCount, Scratch_);
    if (Failed(hr)) return hr;
    cCapturedDraw draw;
    draw.Vertices.assign(Scratch_.Data(), Scratch_.Data() + Scratch_.Size());
    if (!draw.Vertices.empty()) {
        const cBatchVertex& v = draw.Vertices.front();
        draw.Color = {v.R, v.G, v.B, v.A};
    }
    const auto& rs = State.RenderState;
    draw.World = State.World;
    draw.ZBias = rs[D3DRS_ZBIAS];
    draw.Lighting = rs[D3DRS_LIGHTING] != 0;
    draw.Ambient = rs[D3DRS_AMBIENT];
    draw.SrcBlend = rs[D3DRS_SRCBLEND];
    draw.DestBlend = rs[D3DRS_DESTBLEND];
    draw.AlphaBlend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    draw.AlphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
    draw.Texture = dynamic_cast<const cCaptureTexture*>(State.Textures[0]);
    draw.FVF = State.FVF;
    draw.Type = iType;
    draw.PrimitiveCount = iPrimitiveCount;
    Draws.push_back(std::move(draw));
    return D3D_OK;
}

HRESULT cCaptureDevice::CreateVertexBuffer(uint32_t iLength, uint32_t iUsage, uint32_t iFVF, D3DPOOL iPool,
                                           std::shared_ptr<cVertexBuffer>& oBuffer) {
    Record("CreateVertexBuffer", iLength, iUsage, iFVF);
    return iDirect3DDevice::CreateVertexBuffer(iLength, iUsage, iFVF, iPool, oBuffer);
}

HRESULT cCaptureDevice::CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) {
    Record("CreateTexture", static_cast<uint32_t>(iImage.Width), static_cast<uint32_t>(iImage.Height));
    auto texture = std::make_shared<cCaptureTexture>();
    texture->Width = iImage.Width;
    texture->Height = iImage.Height;
    texture->Image = iImage;
    texture->Serial = TexturesCreated++;
    oTexture = texture;
    return D3D_OK;
}

cCaptureDirect3D::cCaptureDirect3D() {
    DisplayMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    Caps.DeviceType = D3DDEVTYPE_HAL;
    Caps.AlphaCmpCaps = 0xFF;
    Caps.ZCmpCaps = 0xFF;
    Caps.MaxTextureWidth = Caps.MaxTextureHeight = 4096;
    Caps.MaxActiveLights = 8;
    Caps.MaxSimultaneousTextures = 8;
    SupportedDepthFormats = {D3DFMT_D16, D3DFMT_D24X8};
}

HRESULT cCaptureDirect3D::GetAdapterDisplayMode(uint32_t iAdapter, D3DDISPLAYMODE& oMode) {
    Calls.push_back({"GetAdapterDisplayMode", iAdapter});
    oMode = DisplayMode;
    return D3D_OK;
}

HRESULT cCaptureDirect3D::GetDeviceCaps(uint32_t iAdapter, D3DDEVTYPE iType, D3DCAPS8& oCaps) {
    Calls.push_back({"GetDeviceCaps", iAdapter, iType});
    oCaps = Caps;
    return D3D_OK;
}

HRESULT cCaptureDirect3D::CheckDeviceMultiSampleType(uint32_t iAdapter, D3DDEVTYPE iType, D3DFORMAT iSurfaceFormat,
                                                     bool, D3DMULTISAMPLE_TYPE iSamples) {
    Calls.push_back({"CheckDeviceMultiSampleType", iAdapter, iSurfaceFormat, iSamples});
    (void)iType;
    return SupportedMultiSamples.count(iSamples) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT cCaptureDirect3D::CheckDeviceFormat(uint32_t iAdapter, D3DDEVTYPE, D3DFORMAT iAdapterFormat,
                                            uint32_t iUsage, D3DRESOURCETYPE, D3DFORMAT iCheckFormat) {
    Calls.push_back({"CheckDeviceFormat", iAdapterFormat, iUsage, iCheckFormat});
    (void)iAdapter;
    return SupportedDepthFormats.count(iCheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT cCaptureDirect3D::CreateDevice(uint32_t iAdapter, D3DDEVTYPE iType, iDrawingSurface* iSurface, uint32_t iFlags,
                                       D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<iDirect3DDevice>& oDevice) {
    Calls.push_back({"CreateDevice", iAdapter, iType, iFlags});
    oDevice.reset();
    if (Failed(CreateResult)) return CreateResult;
    LastDevice = std::make_shared<cCaptureDevice>(iSurface, iParams);
    oDevice = LastDevice;
    return D3D_OK;
}

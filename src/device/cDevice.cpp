#include "device/cDevice.h"

#include <algorithm>

#include "core/ErrorReport.h"
#include "core/Platform.h"
#include "core/Text.h"
#include "core/mCore.h"
#include "core/mFileSystem.h"
#include "device/cImage.h"
#include "device/mDXGraphics.h"

namespace {

using mDXGraphics::Check;

// The projection: a vertical field of view of a quarter turn's half (pi / 4, as single
// precision), and the depth range that holds the whole field of columns.
constexpr float FieldOfView = 0.7853982f;
constexpr float NearPlane = 0.1f;
constexpr float FarPlane = 800.0f;

iDirect3D& Root() {
    if (!mDXGraphics::Direct3D) throw mCore::Failure("The graphics root objects are not created");
    return *mDXGraphics::Direct3D;
}

iDirect3DDevice& Dev(const std::shared_ptr<iDirect3DDevice>& device) {
    if (!device) throw mCore::Failure("There is no device");
    return *device;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i)
        if (mCore::EqualIgnoringCase(text.substr(i, part.size()), part)) return true;
    return false;
}

}  // namespace

cDevice::cDevice() {
    TextureCount_ = -1;
    StageTexture_.fill(0);
}

cDevice::~cDevice() {
    // Drop the textures before the device, as Release does, without reporting.
    for (auto& entry : Textures_) entry.Texture.reset();
    Device.reset();
}

void cDevice::RefreshAdapter() {
    Check(Root().GetAdapterDisplayMode(0, DisplayMode_));
    Check(Root().GetDeviceCaps(0, D3DDEVTYPE_HAL, Caps_));
}

bool cDevice::Initialize(iDrawingSurface& iSurface, D3DFORMAT iDepthBufferFormat, D3DMULTISAMPLE_TYPE iMultiSampleType) {
    bool ready = false;
    mDXGraphics::LastErrorNumber = D3D_OK;
    const bool completed = mCore::Guarded("cDevice.Initialize", [&] {
        RefreshAdapter();
        ResX = iSurface.Width();
        ResY = iSurface.Height();
        if (iDepthBufferFormat == 0) return;

        SetPresentParameters(iSurface.NativeHandle(), iDepthBufferFormat, iMultiSampleType);
        std::shared_ptr<iDirect3DDevice> created;
        const HRESULT hr = Root().CreateDevice(0, D3DDEVTYPE_HAL, &iSurface, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                               PresentParams_, created);
        if (Failed(hr)) mDXGraphics::LastErrorNumber = hr;
        if (!created) return;
        Device = created;
        Surface_ = &iSurface;
        iDirect3DDevice& d = *Device;
        SetStartStates(d, iMultiSampleType);
        ApplyProjection(d);
        UnsetTextures();

        // The letters reach the screen through lighting, and the letters of the very first
        // frame are drawn before anything else switches it on; the leaders switch it on
        // again every frame, so setting it here changes nothing later on.
        Check(d.SetRenderState(D3DRS_LIGHTING, D3DTRUE));
        ready = true;
    });
    if (ready) return true;
    if (completed) mCore::ReportError("");  // an explicit check failed: the report has no description
    mDXGraphics::LastError = mDXGraphics::ErrorText(mDXGraphics::LastErrorNumber);
    Release();
    return false;
}

// A windowed back buffer of the device's size in the desktop's format, with a depth buffer.
void cDevice::SetPresentParameters(intptr_t iHandle, D3DFORMAT iDepthBufferFormat,
                                   D3DMULTISAMPLE_TYPE iMultiSampleType) {
    PresentParams_ = D3DPRESENT_PARAMETERS{};
    PresentParams_.BackBufferWidth = static_cast<uint32_t>(ResX);
    PresentParams_.BackBufferHeight = static_cast<uint32_t>(ResY);
    PresentParams_.BackBufferFormat = DisplayMode_.Format;
    PresentParams_.BackBufferCount = 1;
    PresentParams_.MultiSampleType = iMultiSampleType;
    PresentParams_.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
    PresentParams_.hDeviceWindow = iHandle;
    PresentParams_.Windowed = true;
    PresentParams_.EnableAutoDepthStencil = true;
    PresentParams_.AutoDepthStencilFormat = iDepthBufferFormat;
}

namespace {

struct StageValue {
    uint32_t Stage;
    D3DTEXTURESTAGESTATETYPE State;
    uint32_t Value;
};

// Linear filtering on the two stages, as the device starts.
constexpr StageValue StartStageStates[] = {
    {0, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
    {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
    {1, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
    {1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
};

}  // namespace

// The states every frame starts from, set in this order; the alpha test's reference only
// where the device can compare with it.
void cDevice::SetStartStates(iDirect3DDevice& d, D3DMULTISAMPLE_TYPE iMultiSampleType) {
    const struct {
        D3DRENDERSTATETYPE State;
        uint32_t Value;
    } renderStates[] = {
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_LIGHTING, D3DFALSE},
        {D3DRS_SPECULARENABLE, D3DFALSE},
        {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_CLIPPING, D3DTRUE},
        {D3DRS_MULTISAMPLEANTIALIAS, iMultiSampleType != D3DMULTISAMPLE_NONE ? D3DTRUE : D3DFALSE},
        {D3DRS_ALPHABLENDENABLE, D3DFALSE},
        {D3DRS_ALPHATESTENABLE, D3DFALSE},
    };
    for (const auto& entry : renderStates) Check(d.SetRenderState(entry.State, entry.Value));
    if (Caps_.AlphaCmpCaps & D3DPCMPCAPS_GREATEREQUAL) {
        Check(d.SetRenderState(D3DRS_ALPHAREF, 8));
        Check(d.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL));
    }
    for (const StageValue& entry : StartStageStates) Check(d.SetTextureStageState(entry.Stage, entry.State, entry.Value));
}

void cDevice::ApplyProjection(iDirect3DDevice& d) {
    // Not a bug: height over width (divided in double precision, rounded to single) makes a
    // glyph cell (width / height)^2 times as wide as tall on screen: 1.78 on the 4:3 screens
    // the look was made on, 3.16 on 16:9. Keeping the shape gives every screen the 1.78.
    const double width = ResX, height = ResY;
    const float aspect = static_cast<float>(KeepShape_ ? width / height * 0.5625 : height / width);
    mDXGraphics::TransformPerspectiveFovLH(Projection_, FieldOfView, aspect, NearPlane, FarPlane);
    Check(d.SetTransform(D3DTS_PROJECTION, Projection_));
}

void cDevice::Resize(int32_t iW, int32_t iH) {
    mCore::Guarded("cDevice.Resize", [&] {
        ResX = iW;
        ResY = iH;
        PresentParams_.BackBufferWidth = static_cast<uint32_t>(iW);
        PresentParams_.BackBufferHeight = static_cast<uint32_t>(iH);
        if (!Device) return;
        Check(Device->Reset(PresentParams_));
        ApplyProjection(*Device);
    });
}

bool cDevice::WaitForRefresh(bool iWait) {
    if (!Device) return false;
    const uint32_t wanted =
        iWait && Surface_->SwapMayWaitForRefresh() ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_DEFAULT;
    if (wanted != PresentParams_.FullScreen_PresentationInterval) {
        D3DPRESENT_PARAMETERS params = PresentParams_;
        params.FullScreen_PresentationInterval = wanted;
        // A driver that cannot wait refuses; the presents stay as they were, not waiting.
        if (Failed(Device->Reset(params))) return false;
        PresentParams_ = params;
    }
    return wanted == D3DPRESENT_INTERVAL_ONE;
}

void cDevice::SetKeepShape(bool iKeep) {
    KeepShape_ = iKeep;
    if (Device) mCore::Guarded("cDevice.SetKeepShape", [&] { ApplyProjection(*Device); });
}

void cDevice::SetupRenderer(int32_t iAlphaMode, int32_t iBlendMode, bool iColorVertex) {
    mCore::Guarded("cDevice.SetupRenderer", [&] {
        if (iAlphaMode != LastAlphaMode_) {
            LastAlphaMode_ = iAlphaMode;
            iDirect3DDevice& d = Dev(Device);
            switch (iAlphaMode) {
                case AlphaOff:
                    Check(d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE));
                    Check(d.SetRenderState(D3DRS_ALPHABLENDENABLE, D3DFALSE));
                    Check(d.SetRenderState(D3DRS_ALPHATESTENABLE, D3DFALSE));
                    break;
                case AlphaFromTexture:
                case AlphaFromFactor:
                    Check(d.SetTextureStageState(0, D3DTSS_ALPHAARG1,
                                                 iAlphaMode == AlphaFromTexture ? D3DTA_TEXTURE : D3DTA_TFACTOR));
                    Check(d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1));
                    Check(d.SetRenderState(D3DRS_ALPHABLENDENABLE, D3DTRUE));
                    Check(d.SetRenderState(D3DRS_ALPHATESTENABLE, D3DTRUE));
                    break;
                default: break;
            }
        }
        if (iBlendMode != LastBlendMode_) {
            LastBlendMode_ = iBlendMode;
            iDirect3DDevice& d = Dev(Device);
            // Source and destination factors, by blend mode.
            static constexpr uint32_t Rows[3][2] = {
                {D3DBLEND_ONE, D3DBLEND_ZERO}, {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_ONE, D3DBLEND_ONE}};
            if (iBlendMode >= BlendOpaque && iBlendMode <= BlendAdditive) {
                Check(d.SetRenderState(D3DRS_SRCBLEND, Rows[iBlendMode][0]));
                Check(d.SetRenderState(D3DRS_DESTBLEND, Rows[iBlendMode][1]));
            }
        }
        if (iColorVertex != LastColorVertex_) {
            LastColorVertex_ = iColorVertex;
            Check(Dev(Device).SetRenderState(D3DRS_COLORVERTEX, iColorVertex ? 1u : 0u));
        }
    });
}

void cDevice::Release() {
    mCore::Guarded("cDevice.Release", [&] {
        for (auto& entry : Textures_) entry.Texture.reset();
        Device.reset();
    });
}

bool cDevice::CheckMultiSampleType(D3DMULTISAMPLE_TYPE iType) {
    return Root().CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, DisplayMode_.Format, true, iType) == D3D_OK;
}

bool cDevice::CheckDepthBufferFormat(D3DFORMAT iFormat) {
    return Root().CheckDeviceFormat(0, D3DDEVTYPE_HAL, DisplayMode_.Format, D3DUSAGE_DEPTHSTENCIL,
                                    D3DRTYPE_SURFACE, iFormat) == D3D_OK;
}

D3DMULTISAMPLE_TYPE cDevice::FindBest_MultiSampleType() {
    RefreshAdapter();
    for (uint32_t samples = 8; samples >= 2; --samples)
        if (CheckMultiSampleType(static_cast<D3DMULTISAMPLE_TYPE>(samples)))
            return static_cast<D3DMULTISAMPLE_TYPE>(samples);
    return D3DMULTISAMPLE_NONE;
}

D3DFORMAT cDevice::FindBest_DepthBufferFormat() {
    RefreshAdapter();
    for (D3DFORMAT format : {D3DFMT_D32, D3DFMT_D24X4S4, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D15S1, D3DFMT_D16})
        if (CheckDepthBufferFormat(format)) return format;
    return D3DFMT_UNKNOWN;
}

int32_t cDevice::LoadTexture(std::string_view iFileName, int32_t iColorKey) {
    int32_t result = 0;
    const bool completed = mCore::Guarded("cDevice.LoadTexture", [&] {
        if (!mFileSystem::FileExists(iFileName)) return;
        for (int32_t i = 0; i <= TextureCount_; ++i)
            if (mCore::EqualIgnoringCase(Textures_[i].SourceFile, iFileName)) {
                result = i;
                return;
            }
        ++TextureCount_;
        Textures_.resize(static_cast<size_t>(TextureCount_) + 1);
        TextureEntry& entry = Textures_.back();
        entry.SourceFile = std::string(iFileName);
        iDirect3DDevice& d = Dev(Device);
        std::shared_ptr<cTexture> texture;
        if (iColorKey >= 0) {
            entry.HasColorKey = true;
            entry.ColorKey = static_cast<D3DCOLOR>(iColorKey);
            Check(mDXGraphics::LoadTextureFromFileEx(d, iFileName, 0, 0, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                                     D3DTEXF_LINEAR, D3DTEXF_LINEAR, entry.ColorKey, texture));
        } else {
            entry.HasColorKey = ContainsIgnoringCase(iFileName, ".png");
            Check(mDXGraphics::LoadTextureFromFile(d, iFileName, texture));
        }
        // The table may not have moved, but take the entry afresh to be safe.
        Textures_[TextureCount_].Texture = std::move(texture);
        result = TextureCount_;
    });
    return completed ? result : -1;
}

int32_t cDevice::LoadTexture(std::string_view iFileName, const cImage& iImage) {
    int32_t result = 0;
    const bool completed = mCore::Guarded("cDevice.LoadTexture", [&] {
        std::shared_ptr<cTexture> texture;
        Check(Dev(Device).CreateTexture(iImage, texture));
        ++TextureCount_;
        Textures_.push_back({std::string(iFileName), std::move(texture), ContainsIgnoringCase(iFileName, ".png"), 0});
        result = TextureCount_;
    });
    return completed ? result : -1;
}

bool cDevice::ReplaceTexture(int32_t iTexture, const cImage& iImage) {
    return mCore::Guarded("cDevice.ReplaceTexture", [&] {
        if (iTexture < 0 || iTexture > TextureCount_) throw mCore::Failure("no texture " + std::to_string(iTexture));
        iDirect3DDevice& d = Dev(Device);
        std::shared_ptr<cTexture> texture;
        Check(d.CreateTexture(iImage, texture));
        // The stages let go of the old texture before it goes.
        for (uint32_t stage = 0; stage < StageTexture_.size(); ++stage)
            if (StageTexture_[stage] == iTexture) Check(d.SetTexture(stage, texture.get()));
        Textures_[iTexture].Texture = std::move(texture);
    });
}

bool cDevice::TextureColorKey(int32_t Index) const {
    if (Index < 0 || Index > TextureCount_) return false;
    return Textures_[Index].HasColorKey;
}

void cDevice::SetTexture(int32_t iStage, int32_t iTexture) {
    mCore::Guarded("cDevice.SetTexture", [&] {
        if (StageTexture_.at(iStage) == iTexture) return;
        if (iTexture < 0) return;
        if (iTexture > TextureCount_) return;
        Check(Dev(Device).SetTexture(static_cast<uint32_t>(iStage), Textures_[iTexture].Texture.get()));
        StageTexture_[iStage] = iTexture;
    });
}

void cDevice::UnsetTextures() {
    iDirect3DDevice& d = Dev(Device);
    for (uint32_t stage = 0; stage <= 1; ++stage) {
        Check(d.SetTexture(stage, nullptr));
        StageTexture_[stage] = -1;
    }
}

void cDevice::AddLight(const D3DLIGHT8& iLight) {
    iDirect3DDevice& d = Dev(Device);
    ++LightCount_;
    Check(d.SetLight(static_cast<uint32_t>(LightCount_), iLight));
    Check(d.LightEnable(static_cast<uint32_t>(LightCount_), true));
}

bool cDevice::BeginSceneWith(const std::function<D3DMATRIX()>& iView) {
    bool begun = false;
    mCore::Guarded("cDevice.BeginScene", [&] {
        iDirect3DDevice& d = Dev(Device);
        if (d.TestCooperativeLevel() == D3DERR_DEVICENOTRESET) {
            Check(d.Reset(PresentParams_));
            return;
        }
        for (int32_t i = 0; i <= LightCount_; ++i) Check(d.LightEnable(static_cast<uint32_t>(i), false));
        LightCount_ = -1;
        const D3DCOLOR black = mDXGraphics::ColorFromBytes(0, 0, 0, 0);
        Check(d.Clear(0, nullptr, D3DCLEAR_TARGET, black, 1.0f, 0));
        Check(d.Clear(0, nullptr, D3DCLEAR_ZBUFFER, black, 1.0f, 0));
        Check(d.SetTransform(D3DTS_VIEW, iView()));
        Check(d.BeginScene());
        begun = true;
    });
    return begun;
}

bool cDevice::BeginScene(const D3DMATRIX& iView) {
    return BeginSceneWith([&iView] { return iView; });
}

void cDevice::EndScene() {
    mCore::Guarded("cDevice.EndScene", [&] {
        iDirect3DDevice& d = Dev(Device);
        Check(d.EndScene());
        UnsetTextures();
        Check(d.Present(nullptr, nullptr, 0, nullptr));
        ++FrameCount_;
    });
}

float cDevice::GetFPS() {
    const int32_t now = mCore::Clock().TickCount();
    // The 32-bit difference stays right across the wrap of the tick counter.
    const int32_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(LastTick_));
    // With no whole millisecond elapsed the rate is undefined; report 0 rather than infinity.
    const float result = elapsed == 0 ? 0.0f : static_cast<float>(FrameCount_) / (static_cast<float>(elapsed) / 1000.0f);
    LastTick_ = mCore::Clock().TickCount();
    FrameCount_ = 0;
    return result;
}

#pragma once
// The device wrapper: creates the one device with the program's fixed states, keeps the
// texture table and a cache of what each texture stage holds, switches the alpha, blend
// and colour-vertex modes, and runs the frame cycle. Drawing code issues its own render
// states and draws on Device.
#include <array>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/D3D8Types.h"
#include "device/iDirect3D.h"

class cImage;

class cDevice {
public:
    struct TextureEntry {
        std::string SourceFile;
        std::shared_ptr<cTexture> Texture;  // absent after Release or a failed load
        bool HasColorKey = false;
        D3DCOLOR ColorKey = 0;
    };

    cDevice();
    ~cDevice();
    cDevice(const cDevice&) = delete;
    cDevice& operator=(const cDevice&) = delete;

    std::shared_ptr<iDirect3DDevice> Device;
    int32_t ResX = 0, ResY = 0;

    // Creates the device on the root object of mDXGraphics, drawing on iSurface at its size
    // (the surface's context current). False (with mDXGraphics::LastError set and the instance
    // released) when no device results.
    bool Initialize(iDrawingSurface& iSurface, D3DFORMAT iDepthBufferFormat, D3DMULTISAMPLE_TYPE iMultiSampleType);
    // SetupRenderer's alpha modes: none; the texture's alpha, or the texture factor's,
    // blended and tested.
    static constexpr int32_t AlphaOff = 0, AlphaFromTexture = 1, AlphaFromFactor = 2;
    // Its blend modes: opaque, translucent over the frame, or added to it.
    static constexpr int32_t BlendOpaque = 0, BlendTranslucent = 1, BlendAdditive = 2;
    // Switches the alpha and blend modes and the colour-vertex state; each only when it
    // differs from the last call's. Unknown modes leave their states as they are.
    void SetupRenderer(int32_t iAlphaMode, int32_t iBlendMode, bool iColorVertex);
    void Release();
    // The window is now iW x iH pixels: the back buffer takes that size through the device's
    // Reset, and the projection the new aspect. Call between frames.
    void Resize(int32_t iW, int32_t iH);

    // Whether each present waits for the display's refresh (the swap synchronised to it), where
    // the surface allows it and the driver can; off, presents do not wait, as the device
    // starts. Returns whether presents now wait. Call between frames.
    bool WaitForRefresh(bool iWait);

    // "Keep 4:3 proportions": the projection's aspect becomes (width / height) x 0.5625
    // instead of height / width, so a glyph cell keeps on every screen the shape it has on a
    // 4:3 one (where nothing changes). Applies at once to a device, or at its Initialize.
    void SetKeepShape(bool iKeep);
    bool KeepShape() const { return KeepShape_; }

    D3DFORMAT FindBest_DepthBufferFormat();
    D3DMULTISAMPLE_TYPE FindBest_MultiSampleType();

    // iColorKey < 0: no colour key (the program passes -1).
    int32_t LoadTexture(std::string_view iFileName, int32_t iColorKey = -1);
    // The same without a colour key, for a picture already read from the file and checked
    // (the glyph atlas): what was checked is what is drawn, and it is decoded once.
    int32_t LoadTexture(std::string_view iFileName, const cImage& iImage);
    // The texture's texels change (glyph cells drawn at run time): a new texture made from
    // iImage takes its place, with a map of its blank texels of its own, and the stages that
    // held the old one hold the new. False (the old one kept) when the device made none.
    bool ReplaceTexture(int32_t iTexture, const cImage& iImage);
    bool TextureColorKey(int32_t Index) const;
    void SetTexture(int32_t iStage, int32_t iTexture);
    void UnsetTextures();
    void AddLight(const D3DLIGHT8& iLight);

    // Begins a frame with iView as the view transform; false when no scene was begun
    // (the device was being reset, or a step failed).
    bool BeginScene(const D3DMATRIX& iView);
    // The same, asking the camera for its view transform after the clears.
    template <class Camera>
        requires requires(Camera&& c) {
            { c.GetProjection() } -> std::convertible_to<D3DMATRIX>;
        }
    bool BeginScene(Camera&& iCamera) {
        return BeginSceneWith([&iCamera]() -> D3DMATRIX { return iCamera.GetProjection(); });
    }
    void EndScene();
    float GetFPS();

    // Read access for callers and tests.
    const D3DCAPS8& Caps() const { return Caps_; }
    const D3DPRESENT_PARAMETERS& PresentParams() const { return PresentParams_; }
    const D3DDISPLAYMODE& DisplayMode() const { return DisplayMode_; }
    const D3DMATRIX& Projection() const { return Projection_; }
    const std::array<int32_t, D3D_STAGE_COUNT>& StageTexture() const { return StageTexture_; }
    int32_t LightCount() const { return LightCount_; }
    int32_t TextureCount() const { return TextureCount_; }
    const std::vector<TextureEntry>& Textures() const { return Textures_; }
    int32_t FrameCount() const { return FrameCount_; }
    int32_t LastAlphaMode() const { return LastAlphaMode_; }
    int32_t LastBlendMode() const { return LastBlendMode_; }
    bool LastColorVertex() const { return LastColorVertex_; }

private:
    bool BeginSceneWith(const std::function<D3DMATRIX()>& iView);
    bool CheckMultiSampleType(D3DMULTISAMPLE_TYPE iType);
    bool CheckDepthBufferFormat(D3DFORMAT iFormat);
    void RefreshAdapter();
    void ApplyProjection(iDirect3DDevice& d);
    void SetPresentParameters(intptr_t iHandle, D3DFORMAT iDepthBufferFormat, D3DMULTISAMPLE_TYPE iMultiSampleType);
    void SetStartStates(iDirect3DDevice& d, D3DMULTISAMPLE_TYPE iMultiSampleType);

    D3DCAPS8 Caps_;
    D3DPRESENT_PARAMETERS PresentParams_;
    D3DDISPLAYMODE DisplayMode_;
    D3DMATRIX Projection_;
    std::array<int32_t, D3D_STAGE_COUNT> StageTexture_{};
    int32_t LightCount_ = 0;
    int32_t TextureCount_ = -1;
    std::vector<TextureEntry> Textures_;
    int32_t FrameCount_ = 0;
    int32_t LastTick_ = 0;
    int32_t LastAlphaMode_ = 0;
    int32_t LastBlendMode_ = 0;
    bool LastColorVertex_ = false;
    bool KeepShape_ = false;
    iDrawingSurface* Surface_ = nullptr;  // what the device draws on, once Initialize has made it
};

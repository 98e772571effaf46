#pragma once
// The OpenGL backend's device and its state: private to the backend (cGLDirect3D.cpp,
// GLQuadDraws.cpp). Runs of quad cells take a path of their own (GLQuadDraws.cpp); the rest
// is in cGLDirect3D.cpp, the shaders in GLShaders.cpp.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/DrawingSurface.h"
#include "device/TextureInk.h"
#include "device/cFixedFunction.h"
#include "device/gl/GLShaders.h"
#include "device/gl/GLShared.h"
#include "device/gl/cGLDirect3D.h"

class cGLDevice final : public iGLDevice {
public:
    ~cGLDevice() override;

    void SetFlushEveryDraw(bool iOn) override { FlushEveryDraw_ = iOn; }
    void SetSpecialisedShaders(bool iOn) override { Specialised_ = iOn; }
    const cGLFrameStats& LastFrameStats() const override { return LastFrame_; }
    const cGLFrameStats& CurrentFrameStats() const override { return Frame_; }
    const cFixedFunction& State() const { return State_; }

    // Lost while the surface is: not yet reset (Reset binds the new one), or lost for good
    // after a Reset that could not bind it, until the surface changes again.
    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS& iParams) override;
    HRESULT Clear(uint32_t iCount, const D3DRECT* iRects, uint32_t iFlags, D3DCOLOR iColor, float iZ,
                  uint32_t iStencil) override;
    HRESULT Present(const void*, const void*, intptr_t, const void*) override;
    uint32_t GetRenderState(D3DRENDERSTATETYPE iState) const override;
    uint32_t GetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType) const override;
    HRESULT SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) override;
    HRESULT LightEnable(uint32_t iIndex, bool iEnable) override;
    HRESULT SetMaterial(const D3DMATERIAL8& iMaterial) override;
    HRESULT SetVertexShader(uint32_t iFVF) override;
    HRESULT CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) override;

    // Sends the gathered draws to GL now.
    void Flush();

protected:
    HRESULT EndCheckedScene() override;
    HRESULT SetCheckedRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) override;
    HRESULT SetCheckedTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) override;
    HRESULT SetCheckedTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) override;
    HRESULT SetCheckedTexture(uint32_t iStage, cTexture* iTexture) override;
    HRESULT SetCheckedStreamSource(cVertexBuffer* iBuffer, uint32_t iStride) override;
    HRESULT DrawCheckedPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) override;
    // A strip's run of drawn cells one step apart along an edge of the quad is one quad (two
    // triangles) whose fragments find their cell in a buffer of cells: the CPU writes 8
    // bytes per drawn cell and 32 per run instead of six transformed vertices per cell.
    // Cells whose corners are not whole 16-bit fractions of the texture go the plain way.
    HRESULT DrawCheckedQuadInstances(const cQuadInstances& iQuads) override;

private:
    friend class cGLDirect3D;
    cGLDevice(iDrawingSurface& iSurface, const D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<cGLShared> iShared);
    bool Build(std::string& oError);  // shaders and buffers
    struct Uniforms {
        int ViewProjection, HasTexture, Texture, ColorOp, ColorArg1, ColorArg2, AlphaOp, AlphaArg1, AlphaArg2,
            TextureFactor, AlphaTest, AlphaFunc, AlphaRef;
    };
    struct QuadUniforms {
        int Corner, Local, FarEdge, AxisX, AxisZ, CellSize, Alpha, Cells;
    };
    // One uniform lookup for the general programs and their specialised variants.
    static Uniforms UniformsOf(uint32_t iProgram);
    static QuadUniforms QuadUniformsOf(uint32_t iProgram);
    void BuildQuadArrays();
    void BuildVertexArray();
    // The state a gathered draw is rasterised with, kept from when the draw was closed.
    struct DrawState {
        std::array<uint32_t, D3DRS_COUNT> RenderState;
        std::array<uint32_t, D3DTSS_COUNT> Stage0;
        D3DMATRIX View, Projection;
        cTexture* Texture;
    };
    using RenderStates = std::array<uint32_t, D3DRS_COUNT>;
    void ApplyState(const DrawState& iState, uint32_t iProgram, const Uniforms& iUniforms);
    void ApplyDepth(const RenderStates& iRenderState);
    void ClearWaitingDepth();
    void ApplyRasterisation(const RenderStates& iRenderState);
    void ApplyStage(const DrawState& iState, const Uniforms& iUniforms);
    void ApplyTexture(const DrawState& iState, const Uniforms& iUniforms);
    void BindTarget();
    // Frames that test or write depth on a target without a depth buffer are drawn into a
    // framebuffer of the device's own (colour and depth at the back buffer's size), from the
    // first such draw to Present, which copies the picture back to the target.
    bool TargetHasDepth();
    void DrawOffscreen(bool iCopyIn);
    void EndOffscreen();
    void DestroyOffscreen();
    void CloseBatch();
    bool QuadPathApplies() const;
    bool BlankTexelsAddNothing() const;
    bool CellsAreLarge(const cQuadInstances& iQuads, const cQuadStrip& iStrip) const;
    static cTextureInk* InkOf(cTexture* iTexture);  // the GL texture's map of its black texels
    void PrepareQuadShape(const cQuadInstances& iQuads);
    void PrepareCellColors();
    void ReserveQuadArrays(size_t iRuns, size_t iCells);
    struct LastDrawnCell {
        const cQuadStrip* Strip = nullptr;
        uint32_t Cell = 0;
    };
    // The draw's glyph boxes, where its blank texels may be left out (else no boxes).
    struct GlyphBoxes {
        const cTextureInk::Box* Boxes = nullptr;
        uint32_t Columns = 0;
    };
    bool AppendRuns(const cQuadInstances& iQuads, bool iLit, const GlyphBoxes& iGlyphs, LastDrawnCell& oLast);
    D3DVECTOR ScenePlace(const D3DVECTOR& iPlace, const D3DVECTOR& iOffset) const;
    void LeaveQuadState(const cQuadInstances& iQuads, const cQuadStrip& iLastStrip, const cQuadStrip* iLastDrawnStrip,
                        uint32_t iLastDrawnCell);

    // One run of drawn cells as the quad shader reads it: the world translation of its first
    // cell, the step from cell to cell before the rotation (a unit step along the quad's x or
    // z edge, or none for a run of one cell), and its first and last cell in the cell buffer.
    struct RunInstance {
        float X, Y, Z;
        float StepX, StepZ;
        int32_t First, Last;
        // The part of the run's rectangle drawn, in 1/255 of a cell: x from Trim[0] to
        // Trim[1], z from Trim[2] to Trim[3] (0, 255, 0, 255: all of it).
        uint8_t Trim[4];
    };
    static_assert(sizeof(RunInstance) == 32);
    // One drawn cell, a texel of the cell buffer: its lit colour (8-bit red, green and blue
    // from bit 16 down) and the top-left corner of its texture cell in 16-bit fractions of
    // the texture (u low, v high). One 8-byte texel: the software rasteriser fetches it for
    // every pixel, and a wider one costs it far more.
    struct CellTexel {
        uint32_t Color;
        uint32_t Corner;
    };
    static_assert(sizeof(CellTexel) == 8);
    uint32_t CellColor(D3DCOLOR iAmbient, bool iLit) const;
    bool AppendSingleCells(const cQuadInstances& iQuads, const cQuadStrip& iStrip, bool iLit, const GlyphBoxes& iGlyphs,
                           RunInstance*& ioRun, CellTexel*& ioTexel, uint32_t& ioBlank, LastDrawnCell& oLast);
    // What every run of the pending instances shares: the quad's corners after the world
    // transform's rotation part and before it, which corners take the far edge of the cell,
    // the triangles' corner order, the rotated x and z axes, the cell size and the alpha.
    struct QuadShape {
        float Corner[QuadVertexCount][3];
        float Local[QuadVertexCount][2];
        float FarEdge[QuadVertexCount][2];
        float AxisX[3], AxisZ[3];
        uint16_t Index[QuadVertexCount];
        float CellSize;
        float Alpha;
    };

    // The surface the frames go to: its framebuffer is the target, Present swaps it, and
    // when the window system replaces it, Reset binds the context to the new one.
    iDrawingSurface& Surface_;
    D3DPRESENT_PARAMETERS Params_;
    cFixedFunction State_;
    cVertexArray Batch_;
    bool FlushEveryDraw_ = false;
    bool RestoreFailed_ = false;  // the last Reset could not bind the new surface
    bool SwapWaits_ = false;      // the swap interval was set to 1: presents wait for the refresh
    enum class Depth : uint8_t { Unknown, Has, Lacks };
    Depth TargetDepth_ = Depth::Unknown;
    bool Offscreen_ = false;  // this frame's draws go to the device's own framebuffer
    bool LastFrameOffscreen_ = false;
    uint32_t Target_ = 0;     // the target's framebuffer, while they do
    uint32_t OwnFramebuffer_ = 0, OwnColor_ = 0, OwnDepth_ = 0;  // the colour is a texture
    uint32_t CopyProgram_ = 0, CopyArray_ = 0;  // draw the own picture onto the target
    // A whole depth clear not yet done, and its value (see Clear).
    bool DepthClearPending_ = false;
    float PendingDepth_ = 1.0f;
    cGLFrameStats Frame_, LastFrame_;

    // The context's programs and textures, which its other devices share.
    std::shared_ptr<cGLShared> Shared_;
    uint32_t Program_ = 0, VertexArray_ = 0, VertexBuffer_ = 0, Sampler_ = 0;
    size_t BufferBytes_ = 0;
    Uniforms U_{}, QuadU_{};
    QuadUniforms QuadQ_{};

    // A program whose fragment shader has the texture stage's operations and the alpha test
    // built in as constants: the software rasteriser then runs only the arithmetic the
    // stage needs per pixel instead of every branch of the general blender.
    struct ProgramVariant {
        mGLShaders::StageKey Key;
        bool Quads;
        uint32_t Program;
        Uniforms U;
        QuadUniforms Q;
    };
    const ProgramVariant* ProgramFor(const DrawState& iState, bool iQuads);
    std::vector<ProgramVariant> Variants_;
    static constexpr size_t MaxProgramVariants = 32;
    bool Specialised_ = true;

    // Closed batches wait here until the frame's end (or a clear), so that the GL work of
    // the frame starts after the whole frame has been submitted.
    struct PendingDraw {
        bool Quads;
        size_t Begin, End;  // into Batch_ or Runs_
        DrawState State;
        QuadShape Shape;
    };
    std::vector<PendingDraw> Pending_;
    void DrawPendingQuads(const PendingDraw& iDraw);
    size_t BatchBegin_ = 0, RunBegin_ = 0;  // where the open batch starts

    uint32_t QuadProgram_ = 0, QuadArray_ = 0, RunBuffer_ = 0, QuadIndices_ = 0, CellBuffer_ = 0, CellTexture_ = 0;
    size_t RunBufferBytes_ = 0, CellBufferBytes_ = 0;
    // The element list of the runs' triangles: run r's corners are r * 6 + the shape's index,
    // made again when the shape's corner order changes or more runs come.
    size_t QuadIndexRuns_ = 0;
    uint16_t QuadIndexOrder_[QuadVertexCount] = {};
    void PrepareQuadIndices(const uint16_t (&iOrder)[QuadVertexCount], size_t iRuns);
    // Both grow by doubling and never shrink.
    std::unique_ptr<RunInstance[]> Runs_;
    std::unique_ptr<CellTexel[]> Cells_;
    size_t RunCount_ = 0, RunCapacity_ = 0, CellCount_ = 0, CellCapacity_ = 0;
    QuadShape Shape_{};
    // The inputs of the last instances' shape, and what was worked out from them.
    struct ShapeKey {
        float Angle;
        D3DVECTOR Offset;
        float CellSize;
        float Vertex[QuadVertexCount][6];  // position and normal of each corner
    };
    ShapeKey ShapeKey_{};
    bool ShapeReady_ = false;
    bool ShapeTiles_ = false;  // the quad is the unit square in x and z, so cells a unit step apart tile
    QuadShape ReadyShape_{};
    D3DMATRIX Rotation_, OffsetTransform_, RotationWorld_;
    // The lit colour of each ambient channel value for the current material (lighting on,
    // no light enabled: emissive + ambient state x material ambient, clamped), as an 8-bit
    // value in its place in a cell's colour.
    uint32_t ChannelColor_[3][256] = {};
    D3DMATERIAL8 ChannelMaterial_{};
    bool ChannelColorReady_ = false;
};

// Sets the swap interval of the current context's window (GLX's or EGL's) and returns the
// interval its swaps now keep as the driver reads it back: 0 where the driver cannot wait for
// the display's refresh.
int SetSwapInterval(int iInterval);

#include "device/gl/GLDevice.h"

#include <dlfcn.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

#include "device/TextureInk.h"
#include "device/cImage.h"
#include "device/gl/GLShaders.h"
#include "device/gl/GLShared.h"
#include "device/mDXGraphics.h"

namespace {

class cGLTexture final : public cTexture {
public:
    ~cGLTexture() override {
        // Once the context is gone, so is the texture; GL must not be called without one.
        if (Name && GLContextIsCurrent()) glDeleteTextures(1, &Name);
    }
    GLuint Name = 0;
    cTextureInk Ink;
    explicit cGLTexture(const cImage& iImage) : Ink(iImage) {}
};

}  // namespace

cTextureInk* cGLDevice::InkOf(cTexture* iTexture) { return iTexture ? &static_cast<cGLTexture*>(iTexture)->Ink : nullptr; }

namespace {

GLenum Compare(uint32_t func) {
    switch (func) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(uint32_t blend) {
    switch (blend) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        default: return GL_ONE;
    }
}

GLint Address(uint32_t mode) {
    switch (mode) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The root object: adapter queries and device creation

void* CurrentGLContext() {
    if (epoxy_has_egl())
        if (EGLContext context = eglGetCurrentContext(); context != EGL_NO_CONTEXT) return context;
    // A GLX context can only be current when a GLX library is already loaded; look without
    // loading one. Applications (Qt among them) reach GLX through libGL or through libGLX.
    for (const char* library : {"libGL.so.1", "libGLX.so.0"}) {
        void* gl = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
        if (!gl) continue;
        using GetCurrent = void* (*)();
        auto get = reinterpret_cast<GetCurrent>(dlsym(gl, "glXGetCurrentContext"));
        void* current = get ? get() : nullptr;
        dlclose(gl);
        if (current) return current;
    }
    return nullptr;
}

bool GLContextIsCurrent() { return CurrentGLContext() != nullptr; }

HRESULT cGLDirect3D::GetAdapterDisplayMode(uint32_t iAdapter, D3DDISPLAYMODE& oMode) {
    if (iAdapter != 0) return D3DERR_INVALIDCALL;
    // The desktop's size does not matter to the program; its format is what the back
    // buffer and the support checks use.
    oMode = {0, 0, 60, D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HRESULT cGLDirect3D::GetDeviceCaps(uint32_t iAdapter, D3DDEVTYPE, D3DCAPS8& oCaps) {
    if (iAdapter != 0) return D3DERR_INVALIDCALL;
    oCaps = D3DCAPS8{};
    oCaps.DeviceType = D3DDEVTYPE_HAL;
    oCaps.ZCmpCaps = oCaps.AlphaCmpCaps = 0xFF;  // every comparison
    oCaps.MaxTextureWidth = oCaps.MaxTextureHeight = 4096;
    oCaps.MaxActiveLights = 8;
    oCaps.MaxSimultaneousTextures = 1;
    return D3D_OK;
}

HRESULT cGLDirect3D::CheckDeviceMultiSampleType(uint32_t, D3DDEVTYPE, D3DFORMAT, bool,
                                                D3DMULTISAMPLE_TYPE iSamples) {
    // The window's context decides its own sampling; the device offers none of its own.
    return iSamples == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT cGLDirect3D::CheckDeviceFormat(uint32_t, D3DDEVTYPE, D3DFORMAT, uint32_t iUsage, D3DRESOURCETYPE,
                                       D3DFORMAT iCheckFormat) {
    if (iUsage & D3DUSAGE_DEPTHSTENCIL)
        return (iCheckFormat == D3DFMT_D16 || iCheckFormat == D3DFMT_D24X8 || iCheckFormat == D3DFMT_D24S8)
                   ? D3D_OK
                   : D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT cGLDirect3D::CreateDevice(uint32_t iAdapter, D3DDEVTYPE, iDrawingSurface* iSurface, uint32_t,
                                  D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<iDirect3DDevice>& oDevice) {
    oDevice.reset();
    Detail_.clear();
    if (iAdapter != 0 || !iSurface) return D3DERR_INVALIDCALL;
    if (!GLContextIsCurrent()) {
        Detail_ = "no OpenGL context is current";
        return D3DERR_NOTAVAILABLE;
    }
    if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 33) {
        const int version = epoxy_gl_version();
        Detail_ = "OpenGL 3.3 is needed, the context offers " + std::string(epoxy_is_desktop_gl() ? "" : "OpenGL ES ") +
                  std::to_string(version / 10) + "." + std::to_string(version % 10);
        return D3DERR_NOTAVAILABLE;
    }
    std::shared_ptr<cGLDevice> device(new cGLDevice(*iSurface, iParams, cGLShared::OfCurrentContext()));
    if (!device->Build(Detail_)) return D3DERR_NOTAVAILABLE;
    oDevice = device;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// The device: programs, buffers and the GL state of a draw

cGLDevice::cGLDevice(iDrawingSurface& iSurface, const D3DPRESENT_PARAMETERS& iParams,
                     std::shared_ptr<cGLShared> iShared)
    : Surface_(iSurface), Params_(iParams), Shared_(std::move(iShared)) {
    State_.ResetDefaults(iParams.EnableAutoDepthStencil);
}

cGLDevice::~cGLDevice() {
    // The programs are the context's (Shared_), kept for its other devices.
    if (!GLContextIsCurrent()) return;  // the context took its objects with it
    if (Sampler_) glDeleteSamplers(1, &Sampler_);
    if (VertexBuffer_) glDeleteBuffers(1, &VertexBuffer_);
    if (VertexArray_) glDeleteVertexArrays(1, &VertexArray_);
    if (RunBuffer_) glDeleteBuffers(1, &RunBuffer_);
    if (QuadIndices_) glDeleteBuffers(1, &QuadIndices_);
    if (CellTexture_) glDeleteTextures(1, &CellTexture_);
    if (CellBuffer_) glDeleteBuffers(1, &CellBuffer_);
    if (QuadArray_) glDeleteVertexArrays(1, &QuadArray_);
    DestroyOffscreen();
    if (CopyArray_) glDeleteVertexArrays(1, &CopyArray_);
}

cGLDevice::Uniforms cGLDevice::UniformsOf(uint32_t iProgram) {
    auto at = [iProgram](const char* name) { return glGetUniformLocation(iProgram, name); };
    return Uniforms{at("uViewProjection"), at("uHasTexture"),    at("uTexture"),   at("uColorOp"),
                    at("uColorArg1"),      at("uColorArg2"),     at("uAlphaOp"),   at("uAlphaArg1"),
                    at("uAlphaArg2"),      at("uTextureFactor"), at("uAlphaTest"), at("uAlphaFunc"),
                    at("uAlphaRef")};
}

cGLDevice::QuadUniforms cGLDevice::QuadUniformsOf(uint32_t iProgram) {
    auto at = [iProgram](const char* name) { return glGetUniformLocation(iProgram, name); };
    return QuadUniforms{at("uCorner"), at("uLocal"),    at("uFarEdge"), at("uAxisX"),
                        at("uAxisZ"),  at("uCellSize"), at("uAlpha"),   at("uCells")};
}

bool cGLDevice::Build(std::string& oError) {
    using namespace mGLShaders;
    Program_ = Shared_->Program(VertexShader, FragmentShader(), oError);
    if (!Program_) return false;
    QuadProgram_ = Shared_->Program(QuadVertexShader, QuadFragmentSource(FragmentShader(), false), oError);
    if (!QuadProgram_) return false;
    CopyProgram_ = Shared_->Program(CopyVertexShader, CopyFragmentShader, oError);
    if (!CopyProgram_) return false;
    glGenVertexArrays(1, &CopyArray_);
    U_ = UniformsOf(Program_);
    QuadU_ = UniformsOf(QuadProgram_);
    QuadQ_ = QuadUniformsOf(QuadProgram_);
    BuildQuadArrays();
    BuildVertexArray();
    glGenSamplers(1, &Sampler_);
    const GLenum status = glGetError();
    if (status != GL_NO_ERROR) {
        oError = "OpenGL error " + std::to_string(status) + " while setting up the device";
        return false;
    }
    return true;
}

// The runs: each run's record six times, once for each corner of the quad, and an element
// list that shares the corners the two triangles have in common. The cells: a buffer texture.
void cGLDevice::BuildQuadArrays() {
    glGenVertexArrays(1, &QuadArray_);
    glGenBuffers(1, &RunBuffer_);
    glGenBuffers(1, &QuadIndices_);
    glBindVertexArray(QuadArray_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, QuadIndices_);
    glBindBuffer(GL_ARRAY_BUFFER, RunBuffer_);
    for (GLuint attribute = 0; attribute < 4; ++attribute) glEnableVertexAttribArray(attribute);
    glBindVertexArray(0);
    glGenBuffers(1, &CellBuffer_);
    glBindBuffer(GL_TEXTURE_BUFFER, CellBuffer_);
    glBufferData(GL_TEXTURE_BUFFER, sizeof(CellTexel), nullptr, GL_STREAM_DRAW);
    glGenTextures(1, &CellTexture_);
    glBindTexture(GL_TEXTURE_BUFFER, CellTexture_);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_RG32UI, CellBuffer_);
    glBindTexture(GL_TEXTURE_BUFFER, 0);
    glBindBuffer(GL_TEXTURE_BUFFER, 0);
}

// The plain triangles: position, colour and texture coordinate of the gathered vertices.
void cGLDevice::BuildVertexArray() {
    glGenVertexArrays(1, &VertexArray_);
    glGenBuffers(1, &VertexBuffer_);
    glBindVertexArray(VertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer_);
    const GLsizei stride = sizeof(cBatchVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(cBatchVertex, X)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(cBatchVertex, R)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(cBatchVertex, U)));
    glBindVertexArray(0);
}

void cGLDevice::BindTarget() {
    if (Offscreen_) glBindFramebuffer(GL_FRAMEBUFFER, OwnFramebuffer_);
    else glBindFramebuffer(GL_FRAMEBUFFER, Surface_.DefaultFramebuffer());
    glViewport(0, 0, static_cast<GLsizei>(Params_.BackBufferWidth), static_cast<GLsizei>(Params_.BackBufferHeight));
}

bool cGLDevice::TargetHasDepth() {
    if (TargetDepth_ == Depth::Unknown) {
        BindTarget();
        GLint bound = 0, type = GL_NONE;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
        glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, bound ? GL_DEPTH_ATTACHMENT : GL_DEPTH,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        TargetDepth_ = type == GL_NONE ? Depth::Lacks : Depth::Has;
    }
    return TargetDepth_ == Depth::Has;
}

// Goes on with the frame in the device's own framebuffer, the picture so far copied in when
// iCopyIn. A copy of the frame costs the software rasteriser about 6 ms at 1920 x 1080.
void cGLDevice::DrawOffscreen(bool iCopyIn) {
    BindTarget();
    GLint target = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &target);
    Target_ = static_cast<uint32_t>(target);
    const auto w = static_cast<GLsizei>(Params_.BackBufferWidth), h = static_cast<GLsizei>(Params_.BackBufferHeight);
    if (!OwnFramebuffer_) {
        // Blue, green, red, alpha in memory, as a window's picture is: the copy onto the
        // target is then a plain copy of rows.
        glGenTextures(1, &OwnColor_);
        glBindTexture(GL_TEXTURE_2D, OwnColor_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
        // Depth alone: a stencil beside it costs the depth test a masked write (a sixth more).
        glGenRenderbuffers(1, &OwnDepth_);
        glBindRenderbuffer(GL_RENDERBUFFER, OwnDepth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glGenFramebuffers(1, &OwnFramebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, OwnFramebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, OwnColor_, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, OwnDepth_);
        // Its depth is as yet undefined: the next draw that uses depth clears it.
        if (!DepthClearPending_) DepthClearPending_ = true, PendingDepth_ = 1.0f;
    }
    if (iCopyIn) {
        glDisable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, Target_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, OwnFramebuffer_);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    Offscreen_ = true;
    BindTarget();
}

// Draws the own picture onto the target: the software rasteriser copies a drawn rectangle
// about three times faster than it blits between framebuffers.
void cGLDevice::EndOffscreen() {
    if (!Offscreen_) return;
    Offscreen_ = false;
    glBindFramebuffer(GL_FRAMEBUFFER, Target_);
    glViewport(0, 0, static_cast<GLsizei>(Params_.BackBufferWidth), static_cast<GLsizei>(Params_.BackBufferHeight));
    for (GLenum test : {GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE, GL_POLYGON_OFFSET_FILL})
        glDisable(test);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgram(CopyProgram_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, OwnColor_);
    glBindSampler(0, 0);
    glBindVertexArray(CopyArray_);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}

void cGLDevice::DestroyOffscreen() {
    EndOffscreen();
    if (OwnFramebuffer_) glDeleteFramebuffers(1, &OwnFramebuffer_);
    if (OwnColor_) glDeleteTextures(1, &OwnColor_);
    if (OwnDepth_) glDeleteRenderbuffers(1, &OwnDepth_);
    OwnFramebuffer_ = OwnColor_ = OwnDepth_ = 0;
}

// Every GL state the frame depends on is set before each GL draw: there are only a few
// per frame, and the window's toolkit may have changed GL state in between.
void cGLDevice::ApplyState(const DrawState& iState, uint32_t iProgram, const Uniforms& iU) {
    BindTarget();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_MULTISAMPLE);
    ApplyDepth(iState.RenderState);
    ApplyRasterisation(iState.RenderState);
    glUseProgram(iProgram);
    ApplyStage(iState, iU);
    ApplyTexture(iState, iU);
}

void cGLDevice::ApplyDepth(const RenderStates& rs) {
    if (rs[D3DRS_ZENABLE]) {
        ClearWaitingDepth();  // the first draw of the frame that uses depth
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(Compare(rs[D3DRS_ZFUNC]));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (rs[D3DRS_ZBIAS]) {
        // A coplanar polygon with a higher bias is pulled toward the viewer by that many
        // steps of the depth buffer, so that it wins the depth test against the other.
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(0.0f, -static_cast<float>(rs[D3DRS_ZBIAS]));
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
}

// Culling, fill mode, blending and the colour mask.
void cGLDevice::ApplyRasterisation(const RenderStates& rs) {
    // Direct3D culls by the winding seen on screen; GL's window coordinates keep that
    // winding (no flip), so counter-clockwise culling is GL's back face with clockwise front.
    if (rs[D3DRS_CULLMODE] == D3DCULL_NONE) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glFrontFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_CCW : GL_CW);
        glCullFace(GL_BACK);
    }
    glPolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                     : rs[D3DRS_FILLMODE] == D3DFILL_POINT   ? GL_POINT
                                                                             : GL_FILL);
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        glBlendEquation(GL_FUNC_ADD);
        glBlendFunc(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]));
    } else {
        glDisable(GL_BLEND);
    }
    const uint32_t mask = rs[D3DRS_COLORWRITEENABLE];
    glColorMask(mask & 1, (mask >> 1) & 1, (mask >> 2) & 1, (mask >> 3) & 1);
}

// The transforms, texture stage 0 and the alpha test, as the general shader's uniforms (a
// specialised shader has most of them built in, and ignores them).
void cGLDevice::ApplyStage(const DrawState& iState, const Uniforms& iU) {
    const auto& rs = iState.RenderState;
    D3DMATRIX viewProjection;
    mDXGraphics::TransformMultiply(viewProjection, iState.View, iState.Projection);
    // Row-vector matrices given as they lie in memory are the transposed column-major
    // matrix GLSL sees, so M * v in the shader is p · M.
    glUniformMatrix4fv(iU.ViewProjection, 1, GL_FALSE, &viewProjection.m[0][0]);

    const auto& ts = iState.Stage0;
    glUniform1i(iU.ColorOp, static_cast<GLint>(ts[D3DTSS_COLOROP]));
    glUniform1i(iU.ColorArg1, static_cast<GLint>(ts[D3DTSS_COLORARG1]));
    glUniform1i(iU.ColorArg2, static_cast<GLint>(ts[D3DTSS_COLORARG2]));
    glUniform1i(iU.AlphaOp, static_cast<GLint>(ts[D3DTSS_ALPHAOP]));
    glUniform1i(iU.AlphaArg1, static_cast<GLint>(ts[D3DTSS_ALPHAARG1]));
    glUniform1i(iU.AlphaArg2, static_cast<GLint>(ts[D3DTSS_ALPHAARG2]));
    const D3DCOLORVALUE factor = mDXGraphics::ColorToValue(rs[D3DRS_TEXTUREFACTOR]);
    glUniform4f(iU.TextureFactor, factor.r, factor.g, factor.b, factor.a);
    glUniform1i(iU.AlphaTest, rs[D3DRS_ALPHATESTENABLE] ? 1 : 0);
    glUniform1i(iU.AlphaFunc, static_cast<GLint>(rs[D3DRS_ALPHAFUNC]));
    glUniform1i(iU.AlphaRef, static_cast<GLint>(rs[D3DRS_ALPHAREF] & 0xFF));
}

void cGLDevice::ApplyTexture(const DrawState& iState, const Uniforms& iU) {
    const auto& ts = iState.Stage0;
    auto* texture = static_cast<cGLTexture*>(iState.Texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->Name : 0);
    glUniform1i(iU.Texture, 0);
    glUniform1i(iU.HasTexture, texture ? 1 : 0);
    glBindSampler(0, Sampler_);
    glSamplerParameteri(Sampler_, GL_TEXTURE_MAG_FILTER, ts[D3DTSS_MAGFILTER] == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
    glSamplerParameteri(Sampler_, GL_TEXTURE_MIN_FILTER, ts[D3DTSS_MINFILTER] == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
    glSamplerParameteri(Sampler_, GL_TEXTURE_WRAP_S, Address(ts[D3DTSS_ADDRESSU]));
    glSamplerParameteri(Sampler_, GL_TEXTURE_WRAP_T, Address(ts[D3DTSS_ADDRESSV]));
}

const cGLDevice::ProgramVariant* cGLDevice::ProgramFor(const DrawState& iState, bool iQuads) {
    if (!Specialised_) return nullptr;
    const auto& ts = iState.Stage0;
    const auto& rs = iState.RenderState;
    const bool alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
    const bool sameFilters = ts[D3DTSS_MINFILTER] == ts[D3DTSS_MAGFILTER];
    const mGLShaders::StageKey key{ts[D3DTSS_COLOROP],
                                   ts[D3DTSS_COLORARG1],
                                   ts[D3DTSS_COLORARG2],
                                   ts[D3DTSS_ALPHAOP],
                                   ts[D3DTSS_ALPHAARG1],
                                   ts[D3DTSS_ALPHAARG2],
                                   alphaTest ? 1u : 0u,
                                   alphaTest ? rs[D3DRS_ALPHAFUNC] : 0u,
                                   iState.Texture ? 1u : 0u,
                                   iQuads && sameFilters ? 1u : 0u,
                                   alphaTest ? rs[D3DRS_ALPHAREF] & 0xFF : 0u,
                                   rs[D3DRS_TEXTUREFACTOR]};
    for (const ProgramVariant& variant : Variants_)
        if (variant.Quads == iQuads && variant.Key == key) return &variant;
    // A program that keeps changing these states gets the general program past a few variants.
    if (Variants_.size() >= MaxProgramVariants) return nullptr;

    // With the alpha reference and the texture factor built in, an alpha test whose outcome
    // they decide (as the renderer's does) drops out of the shader, and the rasteriser can
    // test depth before shading.
    std::string source = mGLShaders::SpecialisedFragmentSource(key);
    if (iQuads) source = mGLShaders::QuadFragmentSource(source, key.SameFilters != 0);
    std::string error;
    const GLuint program =
        Shared_->Program(iQuads ? mGLShaders::QuadVertexShader : mGLShaders::VertexShader, source, error);
    if (!program) return nullptr;  // the general program still draws it
    Variants_.push_back(ProgramVariant{key, iQuads, program, UniformsOf(program), QuadUniformsOf(program)});
    return &Variants_.back();
}

// ---------------------------------------------------------------------------------------------
// Gathered draws: closing a batch, and the flush that sends the frame to GL

void cGLDevice::CloseBatch() {
    const bool quads = RunCount_ > RunBegin_;
    const bool vertices = Batch_.Size() > BatchBegin_;
    if (!quads && !vertices) return;
    PendingDraw& draw = Pending_.emplace_back();
    draw.Quads = quads;
    draw.Begin = quads ? RunBegin_ : BatchBegin_;
    draw.End = quads ? RunCount_ : Batch_.Size();
    draw.State.RenderState = State_.RenderState;
    draw.State.Stage0 = State_.StageState[0];
    draw.State.View = State_.View;
    draw.State.Projection = State_.Projection;
    draw.State.Texture = State_.Textures[0];
    draw.Shape = Shape_;
    // Counted when the batch is closed: each closed batch is one GL draw at the flush.
    ++Frame_.DrawCalls;
    Frame_.Primitives += static_cast<uint32_t>(quads ? (draw.End - draw.Begin) * 2 : (draw.End - draw.Begin) / 3);
    RunBegin_ = RunCount_;
    BatchBegin_ = Batch_.Size();
}

namespace {

// A stream buffer's storage is made anew only when it grows: Mesa's software driver zeroes
// a new store (over a megabyte a frame for the runs), and by the next frame's upload the
// last frame has been rasterised, so writing over the store waits for nothing.
bool Grow(GLenum iTarget, uint32_t iBuffer, size_t& ioCapacity, size_t iBytes) {
    glBindBuffer(iTarget, iBuffer);
    if (iBytes <= ioCapacity) return false;
    ioCapacity = iBytes * 2;
    glBufferData(iTarget, static_cast<GLsizeiptr>(ioCapacity), nullptr, GL_STREAM_DRAW);
    return true;
}

void Upload(GLenum iTarget, uint32_t iBuffer, size_t& ioCapacity, const void* iData, size_t iBytes) {
    Grow(iTarget, iBuffer, ioCapacity, iBytes);
    glBufferSubData(iTarget, 0, static_cast<GLsizeiptr>(iBytes), iData);
}

// The runs, each written six times straight into the run buffer's store.
template <typename Run>
void UploadSixTimes(uint32_t iBuffer, size_t& ioCapacity, const Run* iRuns, size_t iCount) {
    const size_t bytes = iCount * 6 * sizeof(Run);
    Grow(GL_ARRAY_BUFFER, iBuffer, ioCapacity, bytes);
    auto* out = static_cast<Run*>(glMapBufferRange(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes),
                                                   GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT));
    if (!out) return;
    for (size_t i = 0; i < iCount; ++i, out += 6) std::fill_n(out, 6, iRuns[i]);
    glUnmapBuffer(GL_ARRAY_BUFFER);
}

}  // namespace

void cGLDevice::Flush() {
    CloseBatch();
    if (Pending_.empty()) return;
    const bool usesDepth = std::any_of(Pending_.begin(), Pending_.end(),
                                       [](const PendingDraw& d) { return d.State.RenderState[D3DRS_ZENABLE] != 0; });
    if (usesDepth && !Offscreen_ && !TargetHasDepth()) DrawOffscreen(true);
    if (Batch_.Size()) Upload(GL_ARRAY_BUFFER, VertexBuffer_, BufferBytes_, Batch_.Data(), Batch_.Size() * sizeof(cBatchVertex));
    if (RunCount_) {
        UploadSixTimes(RunBuffer_, RunBufferBytes_, Runs_.get(), RunCount_);
        Upload(GL_TEXTURE_BUFFER, CellBuffer_, CellBufferBytes_, Cells_.get(), CellCount_ * sizeof(CellTexel));
        glBindBuffer(GL_TEXTURE_BUFFER, 0);
    }
    for (const PendingDraw& draw : Pending_) {
        if (draw.Quads) {
            DrawPendingQuads(draw);
            continue;
        }
        const ProgramVariant* variant = ProgramFor(draw.State, false);
        ApplyState(draw.State, variant ? variant->Program : Program_, variant ? variant->U : U_);
        glBindVertexArray(VertexArray_);
        glDrawArrays(GL_TRIANGLES, static_cast<GLint>(draw.Begin), static_cast<GLsizei>(draw.End - draw.Begin));
    }
    Pending_.clear();
    Batch_.Clear();
    RunCount_ = CellCount_ = 0;
    BatchBegin_ = RunBegin_ = 0;
}

// One closed batch of quad runs: the shared shape as uniforms, the runs as instances.
void cGLDevice::DrawPendingQuads(const PendingDraw& draw) {
    const ProgramVariant* variant = ProgramFor(draw.State, true);
    ApplyState(draw.State, variant ? variant->Program : QuadProgram_, variant ? variant->U : QuadU_);
    const QuadUniforms& q = variant ? variant->Q : QuadQ_;
    const QuadShape& shape = draw.Shape;
    glUniform3fv(q.Corner, QuadVertexCount, &shape.Corner[0][0]);
    glUniform2fv(q.Local, QuadVertexCount, &shape.Local[0][0]);
    glUniform2fv(q.FarEdge, QuadVertexCount, &shape.FarEdge[0][0]);
    glUniform3fv(q.AxisX, 1, shape.AxisX);
    glUniform3fv(q.AxisZ, 1, shape.AxisZ);
    glUniform1f(q.CellSize, shape.CellSize);
    glUniform1f(q.Alpha, shape.Alpha);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_BUFFER, CellTexture_);
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(q.Cells, 1);
    glBindVertexArray(QuadArray_);
    PrepareQuadIndices(shape.Index, draw.End);
    glBindBuffer(GL_ARRAY_BUFFER, RunBuffer_);
    const GLsizei stride = sizeof(RunInstance);
    auto at = [](size_t offset) { return reinterpret_cast<void*>(offset); };
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(RunInstance, X)));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(RunInstance, StepX)));
    glVertexAttribIPointer(2, 2, GL_INT, stride, at(offsetof(RunInstance, First)));
    glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(offsetof(RunInstance, Trim)));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>((draw.End - draw.Begin) * QuadVertexCount), GL_UNSIGNED_INT,
                   reinterpret_cast<void*>(draw.Begin * QuadVertexCount * sizeof(uint32_t)));
}

// With the quad array bound.
void cGLDevice::PrepareQuadIndices(const uint16_t (&iOrder)[QuadVertexCount], size_t iRuns) {
    if (iRuns <= QuadIndexRuns_ && std::equal(std::begin(iOrder), std::end(iOrder), QuadIndexOrder_)) return;
    QuadIndexRuns_ = std::max(iRuns, QuadIndexRuns_ * 2);
    std::copy(std::begin(iOrder), std::end(iOrder), QuadIndexOrder_);
    std::vector<uint32_t> indices(QuadIndexRuns_ * QuadVertexCount);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<uint32_t>(i - i % QuadVertexCount + iOrder[i % QuadVertexCount]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(uint32_t)), indices.data(),
                 GL_STATIC_DRAW);
}

// ---------------------------------------------------------------------------------------------
// The frame: loss, reset, clear, scene and present

HRESULT cGLDevice::TestCooperativeLevel() {
    if (!Surface_.SurfaceLost()) {
        RestoreFailed_ = false;
        return D3D_OK;
    }
    // Asked once per frame: after one failed attempt the device stays quietly lost instead of
    // failing (and being reported) again every frame.
    return RestoreFailed_ ? D3DERR_DEVICELOST : D3DERR_DEVICENOTRESET;
}

HRESULT cGLDevice::Reset(D3DPRESENT_PARAMETERS& iParams) {
    // A presentation interval of one (asked only for a surface that allows it): each present
    // waits for the display's refresh where the driver can; where it cannot, nothing changes
    // and the caller hears so.
    const bool wait = iParams.FullScreen_PresentationInterval == D3DPRESENT_INTERVAL_ONE;
    if (wait != SwapWaits_ && !Surface_.SurfaceLost()) {
        const bool bound = Surface_.MakeCurrent();  // the interval is the current window's
        if (wait && !(bound && SetSwapInterval(1) >= 1)) return D3DERR_INVALIDCALL;
        if (!wait && bound) SetSwapInterval(0);
        SwapWaits_ = wait;
    }
    Flush();
    // The own framebuffer is made again at the new size when a frame needs it; the target
    // may be another surface.
    DestroyOffscreen();
    TargetDepth_ = Depth::Unknown;
    Params_ = iParams;
    if (!Surface_.SurfaceLost()) return D3D_OK;
    // Textures, buffers and programs belong to the context and stay; only the surface it
    // draws on is new. It starts black, as the first frame on it is drawn without a clear.
    RestoreFailed_ = !Surface_.MakeCurrent();
    if (RestoreFailed_) return D3DERR_DEVICELOST;
    // The new window's swap starts as the toolkit sets it up (not waiting).
    if (SwapWaits_) SwapWaits_ = SetSwapInterval(1) >= 1;
    return Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
}

// With the scissor test off.
void cGLDevice::ClearWaitingDepth() {
    if (!DepthClearPending_) return;
    glDepthMask(GL_TRUE);
    glClearDepth(PendingDepth_);
    glClear(GL_DEPTH_BUFFER_BIT);
    DepthClearPending_ = false;
}

HRESULT cGLDevice::Clear(uint32_t iCount, const D3DRECT* iRects, uint32_t iFlags, D3DCOLOR iColor, float iZ,
                         uint32_t iStencil) {
    Flush();
    // After a frame that used depth the next one likely does too (a turned camera stays
    // turned): it starts in the own framebuffer, and a whole clear needs nothing copied in.
    const bool whole = iCount == 0 || !iRects;
    if ((iFlags & D3DCLEAR_TARGET) && whole && LastFrameOffscreen_ && !Offscreen_ && !TargetHasDepth())
        DrawOffscreen(false);
    BindTarget();
    glDisable(GL_SCISSOR_TEST);
    GLbitfield mask = 0;
    if (iFlags & D3DCLEAR_TARGET) {
        const D3DCOLORVALUE c = mDXGraphics::ColorToValue(iColor);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(c.r, c.g, c.b, c.a);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((iFlags & D3DCLEAR_ZBUFFER) && whole) {
        // Clearing 4 bytes a pixel costs a software rasteriser about a sixth of a light frame,
        // and a frame whose draws all leave depth alone never reads it: the clear waits for
        // the first draw that tests or writes depth (ApplyDepth), and goes if none comes.
        DepthClearPending_ = true;
        PendingDepth_ = iZ;
    } else if (iFlags & D3DCLEAR_ZBUFFER) {
        ClearWaitingDepth();  // the rectangles clear over what it cleared
        glDepthMask(GL_TRUE);  // Direct3D clears depth whatever the write state
        glClearDepth(iZ);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (iFlags & D3DCLEAR_STENCIL) {
        glStencilMask(0xFFFFFFFFu);
        glClearStencil(static_cast<GLint>(iStencil));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (!mask) return D3D_OK;
    if (whole) {
        glClear(mask);
    } else {
        // Rectangles are in Direct3D's top-down pixel coordinates.
        glEnable(GL_SCISSOR_TEST);
        const auto height = static_cast<int32_t>(Params_.BackBufferHeight);
        for (uint32_t i = 0; i < iCount; ++i) {
            const D3DRECT& r = iRects[i];
            glScissor(r.x1, height - r.y2, r.x2 - r.x1, r.y2 - r.y1);
            glClear(mask);
        }
        glDisable(GL_SCISSOR_TEST);
    }
    return D3D_OK;
}

HRESULT cGLDevice::EndCheckedScene() {
    Flush();
    return D3D_OK;
}

HRESULT cGLDevice::Present(const void*, const void*, intptr_t, const void*) {
    Flush();
    LastFrameOffscreen_ = Offscreen_;
    EndOffscreen();
    LastFrame_ = Frame_;
    Frame_ = {};
    Surface_.SwapBuffers();
    const GLenum error = glGetError();
    return error == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY : D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Device state and plain draws

HRESULT cGLDevice::SetCheckedRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) {
    uint32_t& current = State_.RenderState[iState];
    if (current == iValue) return D3D_OK;
    if (cFixedFunction::AffectsRasterisation(iState)) CloseBatch();
    current = iValue;
    return D3D_OK;
}

uint32_t cGLDevice::GetRenderState(D3DRENDERSTATETYPE iState) const {
    return State_.GetRenderState(iState);
}

HRESULT cGLDevice::SetCheckedTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) {
    uint32_t& current = State_.StageState[iStage][iType];
    if (current == iValue) return D3D_OK;
    CloseBatch();
    current = iValue;
    return D3D_OK;
}

uint32_t cGLDevice::GetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType) const {
    return State_.GetStageState(iStage, iType);
}

HRESULT cGLDevice::SetCheckedTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) {
    if (iState == D3DTS_WORLD) {
        State_.World = iMatrix;  // applied on the CPU per draw
        return D3D_OK;
    }
    D3DMATRIX& current = iState == D3DTS_VIEW ? State_.View : State_.Projection;
    if (!(current == iMatrix)) CloseBatch();
    current = iMatrix;
    return D3D_OK;
}

HRESULT cGLDevice::SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) { return State_.SetLight(iIndex, iLight); }

HRESULT cGLDevice::LightEnable(uint32_t iIndex, bool iEnable) { return State_.LightEnable(iIndex, iEnable); }

HRESULT cGLDevice::SetCheckedTexture(uint32_t iStage, cTexture* iTexture) {
    if (iTexture && !dynamic_cast<cGLTexture*>(iTexture)) return D3DERR_INVALIDCALL;
    if (State_.Textures[iStage] == iTexture) return D3D_OK;
    if (iStage == 0) CloseBatch();  // only stage 0 takes part in drawing
    State_.Textures[iStage] = iTexture;
    return D3D_OK;
}

HRESULT cGLDevice::SetMaterial(const D3DMATERIAL8& iMaterial) {
    State_.Material = iMaterial;
    return D3D_OK;
}

HRESULT cGLDevice::SetVertexShader(uint32_t iFVF) {
    State_.FVF = iFVF;
    return D3D_OK;
}

HRESULT cGLDevice::SetCheckedStreamSource(cVertexBuffer* iBuffer, uint32_t iStride) {
    State_.Stream = iBuffer;
    State_.Stride = iStride;
    return D3D_OK;
}

HRESULT cGLDevice::DrawCheckedPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) {
    if (RunCount_ > RunBegin_) CloseBatch();  // drawing order is submission order
    const HRESULT hr = State_.ExpandDraw(iType, iStartVertex, iPrimitiveCount, Batch_);
    if (Failed(hr)) return hr;
    ++Frame_.DeviceDraws;
    if (FlushEveryDraw_) Flush();
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Textures

HRESULT cGLDevice::CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) {
    oTexture.reset();
    if (iImage.Width <= 0 || iImage.Height <= 0 || iImage.Width > 4096 || iImage.Height > 4096)
        return D3DERR_INVALIDCALL;
    // Another window's device on this context made it already (the atlas, for every output).
    if ((oTexture = Shared_->TextureOf(iImage))) return D3D_OK;
    // A grey, opaque image (the glyph atlas) is kept as one channel read as grey and opaque:
    // the same texels in a quarter of the memory. The software rasteriser spends most of a
    // letter's time waiting for texels from memory, so the smaller texture draws faster.
    const bool grey = std::all_of(iImage.Pixels.begin(), iImage.Pixels.end(), [](uint32_t p) {
        return ChannelA(p) == 255 && ChannelR(p) == ChannelG(p) && ChannelG(p) == ChannelB(p);
    });
    const size_t channels = grey ? 1 : 4;
    std::vector<uint8_t> texels(iImage.Pixels.size() * channels);
    for (size_t i = 0; i < iImage.Pixels.size(); ++i) {
        const uint32_t p = iImage.Pixels[i];
        uint8_t* texel = &texels[i * channels];
        texel[0] = static_cast<uint8_t>(ChannelR(p));
        if (grey) continue;
        texel[1] = static_cast<uint8_t>(ChannelG(p));
        texel[2] = static_cast<uint8_t>(ChannelB(p));
        texel[3] = static_cast<uint8_t>(ChannelA(p));
    }
    auto texture = std::make_shared<cGLTexture>(iImage);
    texture->Width = iImage.Width;
    texture->Height = iImage.Height;
    glGenTextures(1, &texture->Name);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture->Name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // The image's top row goes first, so texture coordinate v = 0 is the top of the image.
    if (grey) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, iImage.Width, iImage.Height, 0, GL_RED, GL_UNSIGNED_BYTE, texels.data());
        const GLint greyOpaque[4] = {GL_RED, GL_RED, GL_RED, GL_ONE};
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, greyOpaque);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, iImage.Width, iImage.Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);  // one level, as loaded
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) return error == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY : D3DERR_INVALIDCALL;
    oTexture = texture;
    Shared_->Remember(iImage, oTexture);
    return D3D_OK;
}

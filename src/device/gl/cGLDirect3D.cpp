#include "device/gl/cGLDirect3D.h"

#include <dlfcn.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <vector>

#include "device/cImage.h"
#include "device/mDXGraphics.h"

namespace {

const char* const VertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTexCoord;
uniform mat4 uViewProjection;
out vec4 vColor;
out vec2 vTexCoord;
void main() {
    vec4 p = uViewProjection * vec4(aPosition, 1.0);
    // Direct3D clips depth to 0..w, GL to -w..w: map one onto the other so that the
    // depth values (and what the near and far planes cut) stay the same.
    p.z = 2.0 * p.z - p.w;
    gl_Position = p;
    vColor = aColor;
    vTexCoord = aTexCoord;
}
)";

// Texture stage 0 of the fixed-function blender, with its arguments and operations as
// numbered in Direct3D 8, and the alpha test.
const char* const FragmentShader = R"(#version 330 core
in vec4 vColor;
in vec2 vTexCoord;
uniform sampler2D uTexture;
uniform bool uHasTexture;
uniform int uColorOp, uColorArg1, uColorArg2, uAlphaOp, uAlphaArg1, uAlphaArg2;
uniform vec4 uTextureFactor;
uniform bool uAlphaTest;
uniform int uAlphaFunc, uAlphaRef;
out vec4 fragColor;

vec4 Arg(int a, vec4 texel) {
    int s = a & 15;
    vec4 v = s == 2 ? texel : (s == 3 ? uTextureFactor : vColor);
    if ((a & 32) != 0) v = vec4(v.a);
    if ((a & 16) != 0) v = vec4(1.0) - v;
    return v;
}

vec4 Op(int op, vec4 a1, vec4 a2) {
    if (op == 2) return a1;
    if (op == 3) return a2;
    if (op == 4) return a1 * a2;
    if (op == 5) return clamp(2.0 * a1 * a2, 0.0, 1.0);
    if (op == 6) return clamp(4.0 * a1 * a2, 0.0, 1.0);
    if (op == 7) return clamp(a1 + a2, 0.0, 1.0);
    if (op == 8) return clamp(a1 + a2 - 0.5, 0.0, 1.0);
    if (op == 10) return clamp(a1 - a2, 0.0, 1.0);
    return vColor;  // disabled: the stage passes the vertex colour on
}

bool Passes(int func, int value, int reference) {
    if (func == 1) return false;
    if (func == 2) return value < reference;
    if (func == 3) return value == reference;
    if (func == 4) return value <= reference;
    if (func == 5) return value > reference;
    if (func == 6) return value != reference;
    if (func == 7) return value >= reference;
    return true;
}

void main() {
    vec4 texel = uHasTexture ? texture(uTexture, vTexCoord) : vec4(1.0);
    vec3 color = Op(uColorOp, Arg(uColorArg1, texel), Arg(uColorArg2, texel)).rgb;
    float alpha = Op(uAlphaOp, Arg(uAlphaArg1, texel), Arg(uAlphaArg2, texel)).a;
    // The reference is an 8-bit value; compare at that precision.
    if (uAlphaTest && !Passes(uAlphaFunc, int(floor(alpha * 255.0 + 0.5)), uAlphaRef)) discard;
    fragColor = vec4(color, alpha);
}
)";

class cGLTexture final : public cTexture {
public:
    ~cGLTexture() override {
        // Once the context is gone, so is the texture; GL must not be called without one.
        if (Name && GLContextIsCurrent()) glDeleteTextures(1, &Name);
    }
    GLuint Name = 0;
};

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

GLuint CompileShader(GLenum type, const char* source, std::string& error) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        error = std::string("shader compilation failed: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

bool GLContextIsCurrent() {
    if (epoxy_has_egl() && eglGetCurrentContext() != EGL_NO_CONTEXT) return true;
    // A GLX context can only be current when libGL is already loaded; look without loading it.
    if (void* gl = dlopen("libGL.so.1", RTLD_LAZY | RTLD_NOLOAD)) {
        using GetCurrent = void* (*)();
        auto get = reinterpret_cast<GetCurrent>(dlsym(gl, "glXGetCurrentContext"));
        const bool current = get && get() != nullptr;
        dlclose(gl);
        if (current) return true;
    }
    return false;
}

cGLDirect3D::cGLDirect3D(cGLOptions iOptions) : Options_(std::move(iOptions)) {}

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

HRESULT cGLDirect3D::CreateDevice(uint32_t iAdapter, D3DDEVTYPE, intptr_t, uint32_t,
                                  D3DPRESENT_PARAMETERS& iParams, std::shared_ptr<iDirect3DDevice>& oDevice) {
    oDevice.reset();
    Detail_.clear();
    if (iAdapter != 0) return D3DERR_INVALIDCALL;
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
    std::shared_ptr<cGLDevice> device(new cGLDevice(Options_, iParams));
    if (!device->Build(Detail_)) return D3DERR_NOTAVAILABLE;
    oDevice = device;
    return D3D_OK;
}

cGLDevice::cGLDevice(const cGLOptions& iOptions, const D3DPRESENT_PARAMETERS& iParams)
    : Options_(iOptions), Params_(iParams) {
    State_.ResetDefaults(iParams.EnableAutoDepthStencil);
}

cGLDevice::~cGLDevice() {
    if (!GLContextIsCurrent()) return;  // the context took its objects with it
    if (Sampler_) glDeleteSamplers(1, &Sampler_);
    if (VertexBuffer_) glDeleteBuffers(1, &VertexBuffer_);
    if (VertexArray_) glDeleteVertexArrays(1, &VertexArray_);
    if (Program_) glDeleteProgram(Program_);
}

bool cGLDevice::Build(std::string& oError) {
    GLuint vs = CompileShader(GL_VERTEX_SHADER, VertexShader, oError);
    if (!vs) return false;
    GLuint fs = CompileShader(GL_FRAGMENT_SHADER, FragmentShader, oError);
    if (!fs) {
        glDeleteShader(vs);
        return false;
    }
    Program_ = glCreateProgram();
    glAttachShader(Program_, vs);
    glAttachShader(Program_, fs);
    glLinkProgram(Program_);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(Program_, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(Program_, sizeof log, nullptr, log);
        oError = std::string("shader linking failed: ") + log;
        return false;
    }
    auto at = [&](const char* name) { return glGetUniformLocation(Program_, name); };
    U_ = {at("uViewProjection"), at("uHasTexture"), at("uTexture"),   at("uColorOp"),      at("uColorArg1"),
          at("uColorArg2"),      at("uAlphaOp"),    at("uAlphaArg1"), at("uAlphaArg2"),    at("uTextureFactor"),
          at("uAlphaTest"),      at("uAlphaFunc"),  at("uAlphaRef")};

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
    glGenSamplers(1, &Sampler_);
    const GLenum status = glGetError();
    if (status != GL_NO_ERROR) {
        oError = "OpenGL error " + std::to_string(status) + " while setting up the device";
        return false;
    }
    return true;
}

void cGLDevice::BindTarget() {
    if (Options_.Framebuffer) glBindFramebuffer(GL_FRAMEBUFFER, Options_.Framebuffer());
    glViewport(0, 0, static_cast<GLsizei>(Params_.BackBufferWidth), static_cast<GLsizei>(Params_.BackBufferHeight));
}

// Every GL state the frame depends on is set before each GL draw: there are only a few
// per frame, and the window's toolkit may have changed GL state in between.
void cGLDevice::ApplyState() {
    const auto& rs = State_.RenderState;
    BindTarget();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_MULTISAMPLE);

    if (rs[D3DRS_ZENABLE]) {
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
    // Direct3D culls by the winding seen on screen; GL's window coordinates keep that
    // winding (no flip), so counter-clockwise culling is GL's back face with clockwise front.
    switch (rs[D3DRS_CULLMODE]) {
        case D3DCULL_NONE: glDisable(GL_CULL_FACE); break;
        case D3DCULL_CW:
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CCW);
            glCullFace(GL_BACK);
            break;
        default:
            glEnable(GL_CULL_FACE);
            glFrontFace(GL_CW);
            glCullFace(GL_BACK);
            break;
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

    glUseProgram(Program_);
    glBindVertexArray(VertexArray_);
    D3DMATRIX viewProjection;
    mDXGraphics::TransformMultiply(viewProjection, State_.View, State_.Projection);
    // Row-vector matrices given as they lie in memory are the transposed column-major
    // matrix GLSL sees, so M * v in the shader is p · M.
    glUniformMatrix4fv(U_.ViewProjection, 1, GL_FALSE, &viewProjection.m[0][0]);

    const auto& ts = State_.StageState[0];
    glUniform1i(U_.ColorOp, static_cast<GLint>(ts[D3DTSS_COLOROP]));
    glUniform1i(U_.ColorArg1, static_cast<GLint>(ts[D3DTSS_COLORARG1]));
    glUniform1i(U_.ColorArg2, static_cast<GLint>(ts[D3DTSS_COLORARG2]));
    glUniform1i(U_.AlphaOp, static_cast<GLint>(ts[D3DTSS_ALPHAOP]));
    glUniform1i(U_.AlphaArg1, static_cast<GLint>(ts[D3DTSS_ALPHAARG1]));
    glUniform1i(U_.AlphaArg2, static_cast<GLint>(ts[D3DTSS_ALPHAARG2]));
    const D3DCOLORVALUE factor = mDXGraphics::ColorToValue(rs[D3DRS_TEXTUREFACTOR]);
    glUniform4f(U_.TextureFactor, factor.r, factor.g, factor.b, factor.a);
    glUniform1i(U_.AlphaTest, rs[D3DRS_ALPHATESTENABLE] ? 1 : 0);
    glUniform1i(U_.AlphaFunc, static_cast<GLint>(rs[D3DRS_ALPHAFUNC]));
    glUniform1i(U_.AlphaRef, static_cast<GLint>(rs[D3DRS_ALPHAREF] & 0xFF));

    auto* texture = static_cast<cGLTexture*>(State_.Textures[0]);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->Name : 0);
    glUniform1i(U_.Texture, 0);
    glUniform1i(U_.HasTexture, texture ? 1 : 0);
    glBindSampler(0, Sampler_);
    glSamplerParameteri(Sampler_, GL_TEXTURE_MAG_FILTER, ts[D3DTSS_MAGFILTER] == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
    glSamplerParameteri(Sampler_, GL_TEXTURE_MIN_FILTER, ts[D3DTSS_MINFILTER] == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
    glSamplerParameteri(Sampler_, GL_TEXTURE_WRAP_S, Address(ts[D3DTSS_ADDRESSU]));
    glSamplerParameteri(Sampler_, GL_TEXTURE_WRAP_T, Address(ts[D3DTSS_ADDRESSV]));
}

void cGLDevice::Flush() {
    const size_t count = Batch_.Size();
    if (count == 0) return;
    ApplyState();
    glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer_);
    const size_t bytes = count * sizeof(cBatchVertex);
    if (bytes > BufferBytes_) BufferBytes_ = bytes * 2;
    // Fresh storage each time, so the upload never waits for the previous draw to finish.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(BufferBytes_), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), Batch_.Data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
    ++Frame_.DrawCalls;
    Frame_.Primitives += static_cast<uint32_t>(count / 3);
    Batch_.Clear();
}

HRESULT cGLDevice::Reset(D3DPRESENT_PARAMETERS& iParams) {
    Flush();
    Params_ = iParams;
    return D3D_OK;
}

HRESULT cGLDevice::Clear(uint32_t iCount, const D3DRECT* iRects, uint32_t iFlags, D3DCOLOR iColor, float iZ,
                         uint32_t iStencil) {
    Flush();
    BindTarget();
    glDisable(GL_SCISSOR_TEST);
    GLbitfield mask = 0;
    if (iFlags & D3DCLEAR_TARGET) {
        const D3DCOLORVALUE c = mDXGraphics::ColorToValue(iColor);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(c.r, c.g, c.b, c.a);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (iFlags & D3DCLEAR_ZBUFFER) {
        glDepthMask(GL_TRUE);  // Direct3D clears depth whatever the write state
        glClearDepth(iZ);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (iFlags & D3DCLEAR_STENCIL) {
        glStencilMask(0xFFFFFFFFu);
        glClearStencil(static_cast<GLint>(iStencil));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (iCount == 0 || !iRects) {
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

HRESULT cGLDevice::BeginScene() {
    if (InScene_) return D3DERR_INVALIDCALL;
    InScene_ = true;
    return D3D_OK;
}

HRESULT cGLDevice::EndScene() {
    if (!InScene_) return D3DERR_INVALIDCALL;
    Flush();
    InScene_ = false;
    return D3D_OK;
}

HRESULT cGLDevice::Present(const void*, const void*, intptr_t, const void*) {
    Flush();
    LastFrame_ = Frame_;
    Frame_ = {};
    if (Options_.Present) Options_.Present();
    const GLenum error = glGetError();
    return error == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY : D3D_OK;
}

HRESULT cGLDevice::SetRenderState(D3DRENDERSTATETYPE iState, uint32_t iValue) {
    if (iState >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    uint32_t& current = State_.RenderState[iState];
    if (current == iValue) return D3D_OK;
    if (cFixedFunction::AffectsRasterisation(iState)) Flush();
    current = iValue;
    return D3D_OK;
}

uint32_t cGLDevice::GetRenderState(D3DRENDERSTATETYPE iState) const {
    return iState < D3DRS_COUNT ? State_.RenderState[iState] : 0;
}

HRESULT cGLDevice::SetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType, uint32_t iValue) {
    if (iStage >= D3D_STAGE_COUNT || iType >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    uint32_t& current = State_.StageState[iStage][iType];
    if (current == iValue) return D3D_OK;
    Flush();
    current = iValue;
    return D3D_OK;
}

uint32_t cGLDevice::GetTextureStageState(uint32_t iStage, D3DTEXTURESTAGESTATETYPE iType) const {
    return iStage < D3D_STAGE_COUNT && iType < D3DTSS_COUNT ? State_.StageState[iStage][iType] : 0;
}

HRESULT cGLDevice::SetTransform(D3DTRANSFORMSTATETYPE iState, const D3DMATRIX& iMatrix) {
    switch (iState) {
        case D3DTS_WORLD: State_.World = iMatrix; return D3D_OK;  // applied on the CPU per draw
        case D3DTS_VIEW:
            if (!(State_.View == iMatrix)) Flush();
            State_.View = iMatrix;
            return D3D_OK;
        case D3DTS_PROJECTION:
            if (!(State_.Projection == iMatrix)) Flush();
            State_.Projection = iMatrix;
            return D3D_OK;
        default: return D3DERR_INVALIDCALL;
    }
}

HRESULT cGLDevice::SetLight(uint32_t iIndex, const D3DLIGHT8& iLight) { return State_.SetLight(iIndex, iLight); }

HRESULT cGLDevice::LightEnable(uint32_t iIndex, bool iEnable) { return State_.LightEnable(iIndex, iEnable); }

HRESULT cGLDevice::SetTexture(uint32_t iStage, cTexture* iTexture) {
    if (iStage >= D3D_STAGE_COUNT) return D3DERR_INVALIDCALL;
    if (iTexture && !dynamic_cast<cGLTexture*>(iTexture)) return D3DERR_INVALIDCALL;
    if (State_.Textures[iStage] == iTexture) return D3D_OK;
    if (iStage == 0) Flush();  // only stage 0 takes part in drawing
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

HRESULT cGLDevice::SetStreamSource(uint32_t iStream, cVertexBuffer* iBuffer, uint32_t iStride) {
    if (iStream != 0) return D3DERR_INVALIDCALL;
    State_.Stream = iBuffer;
    State_.Stride = iStride;
    return D3D_OK;
}

HRESULT cGLDevice::DrawPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) {
    if (!InScene_) return D3DERR_INVALIDCALL;
    const HRESULT hr = State_.ExpandDraw(iType, iStartVertex, iPrimitiveCount, Batch_);
    if (Failed(hr)) return hr;
    ++Frame_.DeviceDraws;
    if (FlushEveryDraw_) Flush();
    return D3D_OK;
}

HRESULT cGLDevice::CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) {
    oTexture.reset();
    if (iImage.Width <= 0 || iImage.Height <= 0 || iImage.Width > 4096 || iImage.Height > 4096)
        return D3DERR_INVALIDCALL;
    std::vector<uint8_t> rgba(iImage.Pixels.size() * 4);
    for (size_t i = 0; i < iImage.Pixels.size(); ++i) {
        const uint32_t p = iImage.Pixels[i];
        rgba[i * 4 + 0] = static_cast<uint8_t>(ChannelR(p));
        rgba[i * 4 + 1] = static_cast<uint8_t>(ChannelG(p));
        rgba[i * 4 + 2] = static_cast<uint8_t>(ChannelB(p));
        rgba[i * 4 + 3] = static_cast<uint8_t>(ChannelA(p));
    }
    auto texture = std::make_shared<cGLTexture>();
    texture->Width = iImage.Width;
    texture->Height = iImage.Height;
    glGenTextures(1, &texture->Name);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture->Name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // The image's top row goes first, so texture coordinate v = 0 is the top of the image.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, iImage.Width, iImage.Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);  // one level, as loaded
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) return error == GL_OUT_OF_MEMORY ? D3DERR_OUTOFVIDEOMEMORY : D3DERR_INVALIDCALL;
    oTexture = texture;
    return D3D_OK;
}

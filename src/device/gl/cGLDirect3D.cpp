#include "device/gl/cGLDirect3D.h"

#include <dlfcn.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
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

// One run of cells drawn as one quad. The corners on the near side of the run are the
// quad's own, rotated, plus the translation row of the run's first cell (the single
// addition the CPU makes when it transforms a cell's vertex); the corners on the far side
// reach over the run's other cells along the rotated step. vQ is the corner's place in
// cells: its whole part counts cells along the step, its fraction is the place in the cell
// as the texture coordinates lay it out.
const char* const QuadVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aTranslation;
layout(location = 1) in vec2 aStep;
layout(location = 2) in ivec2 aCells;
uniform mat4 uViewProjection;
uniform vec3 uCorner[6];
uniform vec2 uLocal[6];
uniform vec2 uFarEdge[6];
uniform vec3 uAxisX, uAxisZ;
out vec2 vQ;
flat out ivec2 vCells;
flat out vec2 vStep;
void main() {
    int v = gl_VertexID;
    vec2 reach = dot(uLocal[v], aStep) > 0.0 ? aStep * float(aCells.y - aCells.x) : vec2(0.0);
    vec3 aPosition = uCorner[v] + aTranslation + reach.x * uAxisX + reach.y * uAxisZ;
    vec4 p = uViewProjection * vec4(aPosition, 1.0);
    p.z = 2.0 * p.z - p.w;
    gl_Position = p;
    vQ = uFarEdge[v] + reach;
    vCells = aCells;
    vStep = aStep;
}
)";

// What the quad's fragments read instead of an interpolated colour and texture coordinate:
// the cell they lie in (clamped to the run, against rounding at its ends), its texture
// cell and its lit colour.
const char* const QuadCellSource = R"(in vec2 vQ;
flat in ivec2 vCells;
flat in vec2 vStep;
uniform usamplerBuffer uCells;
uniform float uCellSize;
uniform float uAlpha;
vec4 vColor;
vec2 vTexCoord;
void FetchCell() {
    vec2 whole = floor(vQ);
    int cell = clamp(vCells.x + int(dot(whole, vStep)), vCells.x, vCells.y);
    uvec2 texel = texelFetch(uCells, cell).xy;
    vec2 corner = vec2(texel.yy >> uvec2(0u, 16u) & uvec2(65535u)) * (1.0 / 65536.0);
    vTexCoord = corner + (vQ - whole * abs(vStep)) * uCellSize;
    vColor = vec4(vec3(uvec3(texel.x) >> uvec3(16u, 8u, 0u) & uvec3(255u)) * (1.0 / 255.0), uAlpha);
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

void ReplaceFirst(std::string& ioSource, const std::string& iFrom, const std::string& iTo) {
    const size_t at = ioSource.find(iFrom);
    if (at != std::string::npos) ioSource.replace(at, iFrom.size(), iTo);
}

// A fragment shader for the quads: the given one, with its colour and texture coordinate
// read from the cell buffer. Where both filters are the same the texture is read at its
// level 0 (the only level): the coordinate jumps at each cell boundary, so its slope,
// which would otherwise decide between the filters, means nothing there. Otherwise the
// slope of the place within the cell stands in for it.
std::string QuadFragmentSource(std::string iSource, bool iSameFilters) {
    ReplaceFirst(iSource, "in vec4 vColor;\nin vec2 vTexCoord;\n", QuadCellSource);
    ReplaceFirst(iSource, "void main() {\n", "void main() {\n    FetchCell();\n");
    ReplaceFirst(iSource, "texture(uTexture, vTexCoord)",
                 iSameFilters ? "textureLod(uTexture, vTexCoord, 0.0)"
                              : "textureGrad(uTexture, vTexCoord, dFdx(vQ) * uCellSize, dFdy(vQ) * uCellSize)");
    return iSource;
}

}  // namespace

bool GLContextIsCurrent() {
    if (epoxy_has_egl() && eglGetCurrentContext() != EGL_NO_CONTEXT) return true;
    // A GLX context can only be current when a GLX library is already loaded; look without
    // loading one. Applications (Qt among them) reach GLX through libGL or through libGLX.
    for (const char* library : {"libGL.so.1", "libGLX.so.0"}) {
        void* gl = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
        if (!gl) continue;
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
    if (RunBuffer_) glDeleteBuffers(1, &RunBuffer_);
    if (QuadIndices_) glDeleteBuffers(1, &QuadIndices_);
    if (CellTexture_) glDeleteTextures(1, &CellTexture_);
    if (CellBuffer_) glDeleteBuffers(1, &CellBuffer_);
    if (QuadArray_) glDeleteVertexArrays(1, &QuadArray_);
    if (QuadProgram_) glDeleteProgram(QuadProgram_);
    for (const ProgramVariant& variant : Variants_) glDeleteProgram(variant.Program);
}

namespace {

GLuint LinkProgram(const char* vertexSource, const char* fragmentSource, std::string& oError) {
    GLuint vs = CompileShader(GL_VERTEX_SHADER, vertexSource, oError);
    if (!vs) return 0;
    GLuint fs = CompileShader(GL_FRAGMENT_SHADER, fragmentSource, oError);
    if (!fs) {
        glDeleteShader(vs);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        oError = std::string("shader linking failed: ") + log;
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace

cGLDevice::QuadUniforms cGLDevice::QuadUniformsOf(uint32_t iProgram) {
    auto at = [iProgram](const char* name) { return glGetUniformLocation(iProgram, name); };
    return QuadUniforms{at("uCorner"), at("uLocal"),    at("uFarEdge"), at("uAxisX"),
                        at("uAxisZ"),  at("uCellSize"), at("uAlpha"),   at("uCells")};
}

bool cGLDevice::Build(std::string& oError) {
    Program_ = LinkProgram(VertexShader, FragmentShader, oError);
    if (!Program_) return false;
    QuadProgram_ = LinkProgram(QuadVertexShader, QuadFragmentSource(FragmentShader, false).c_str(), oError);
    if (!QuadProgram_) return false;
    auto uniforms = [](GLuint program) {
        auto at = [&](const char* name) { return glGetUniformLocation(program, name); };
        return Uniforms{at("uViewProjection"), at("uHasTexture"), at("uTexture"),   at("uColorOp"),
                        at("uColorArg1"),      at("uColorArg2"),  at("uAlphaOp"),   at("uAlphaArg1"),
                        at("uAlphaArg2"),      at("uTextureFactor"), at("uAlphaTest"), at("uAlphaFunc"),
                        at("uAlphaRef")};
    };
    U_ = uniforms(Program_);
    QuadU_ = uniforms(QuadProgram_);
    QuadQ_ = QuadUniformsOf(QuadProgram_);

    // The runs: one record per run, read once per instance; the corner order of the two
    // triangles comes from a six-index element list. The cells: a buffer texture.
    glGenVertexArrays(1, &QuadArray_);
    glGenBuffers(1, &RunBuffer_);
    glGenBuffers(1, &QuadIndices_);
    glBindVertexArray(QuadArray_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, QuadIndices_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof Shape_.Index, nullptr, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, RunBuffer_);
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
        glEnableVertexAttribArray(attribute);
        glVertexAttribDivisor(attribute, 1);
    }
    glBindVertexArray(0);
    glGenBuffers(1, &CellBuffer_);
    glBindBuffer(GL_TEXTURE_BUFFER, CellBuffer_);
    glBufferData(GL_TEXTURE_BUFFER, sizeof(CellTexel), nullptr, GL_STREAM_DRAW);
    glGenTextures(1, &CellTexture_);
    glBindTexture(GL_TEXTURE_BUFFER, CellTexture_);
    glTexBuffer(GL_TEXTURE_BUFFER, GL_RG32UI, CellBuffer_);
    glBindTexture(GL_TEXTURE_BUFFER, 0);
    glBindBuffer(GL_TEXTURE_BUFFER, 0);

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
void cGLDevice::ApplyState(const DrawState& iState, uint32_t iProgram, const Uniforms& iU) {
    const auto& rs = iState.RenderState;
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

    glUseProgram(iProgram);
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
    const bool alphaTest = iState.RenderState[D3DRS_ALPHATESTENABLE] != 0;
    const bool sameFilters = ts[D3DTSS_MINFILTER] == ts[D3DTSS_MAGFILTER];
    const std::array<uint32_t, 12> key{ts[D3DTSS_COLOROP],   ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2],
                                       ts[D3DTSS_ALPHAOP],   ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2],
                                       alphaTest ? 1u : 0u, alphaTest ? iState.RenderState[D3DRS_ALPHAFUNC] : 0u,
                                       iState.Texture ? 1u : 0u, iQuads && sameFilters ? 1u : 0u,
                                       alphaTest ? iState.RenderState[D3DRS_ALPHAREF] & 0xFF : 0u,
                                       iState.RenderState[D3DRS_TEXTUREFACTOR]};
    for (const ProgramVariant& variant : Variants_)
        if (variant.Quads == iQuads && variant.Key == key) return &variant;
    // A program that keeps changing these states gets the general program past a few variants.
    if (Variants_.size() >= 32) return nullptr;

    // The general shader's source with its stage uniforms turned into constants. With the
    // alpha reference and the texture factor among them, an alpha test whose outcome they
    // decide (as the renderer's does) drops out of the shader, and the rasteriser can test
    // depth before shading.
    std::string source = FragmentShader;
    auto number = [](uint32_t v) { return std::to_string(static_cast<int32_t>(v)); };
    ReplaceFirst(source, "uniform bool uHasTexture;", std::string("const bool uHasTexture = ") + (key[8] ? "true;" : "false;"));
    ReplaceFirst(source, "uniform int uColorOp, uColorArg1, uColorArg2, uAlphaOp, uAlphaArg1, uAlphaArg2;",
                 "const int uColorOp = " + number(key[0]) + ", uColorArg1 = " + number(key[1]) + ", uColorArg2 = " +
                     number(key[2]) + ", uAlphaOp = " + number(key[3]) + ", uAlphaArg1 = " + number(key[4]) +
                     ", uAlphaArg2 = " + number(key[5]) + ";");
    ReplaceFirst(source, "uniform bool uAlphaTest;", std::string("const bool uAlphaTest = ") + (key[6] ? "true;" : "false;"));
    ReplaceFirst(source, "uniform int uAlphaFunc, uAlphaRef;",
                 "const int uAlphaFunc = " + number(key[7]) + ", uAlphaRef = " + number(key[10]) + ";");
    const D3DCOLORVALUE factor = mDXGraphics::ColorToValue(key[11]);
    char factorSource[160];
    std::snprintf(factorSource, sizeof factorSource, "const vec4 uTextureFactor = vec4(%.9g, %.9g, %.9g, %.9g);",
                  factor.r, factor.g, factor.b, factor.a);
    ReplaceFirst(source, "uniform vec4 uTextureFactor;", factorSource);
    if (iQuads) source = QuadFragmentSource(source, key[9] != 0);
    std::string error;
    const GLuint program = LinkProgram(iQuads ? QuadVertexShader : VertexShader, source.c_str(), error);
    if (!program) return nullptr;  // the general program still draws it
    auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
    ProgramVariant variant{key,
                           iQuads,
                           program,
                           Uniforms{at("uViewProjection"), at("uHasTexture"), at("uTexture"), at("uColorOp"),
                                    at("uColorArg1"), at("uColorArg2"), at("uAlphaOp"), at("uAlphaArg1"),
                                    at("uAlphaArg2"), at("uTextureFactor"), at("uAlphaTest"), at("uAlphaFunc"),
                                    at("uAlphaRef")},
                           QuadUniformsOf(program)};
    Variants_.push_back(variant);
    return &Variants_.back();
}

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

// Replaces a stream buffer's storage (so the upload never waits for the previous frame's
// draws) and fills its start; the storage only grows.
void Upload(GLenum iTarget, uint32_t iBuffer, size_t& ioCapacity, const void* iData, size_t iBytes) {
    glBindBuffer(iTarget, iBuffer);
    if (iBytes > ioCapacity) ioCapacity = iBytes * 2;
    glBufferData(iTarget, static_cast<GLsizeiptr>(ioCapacity), nullptr, GL_STREAM_DRAW);
    glBufferSubData(iTarget, 0, static_cast<GLsizeiptr>(iBytes), iData);
}

}  // namespace

void cGLDevice::Flush() {
    CloseBatch();
    if (Pending_.empty()) return;
    if (Batch_.Size()) Upload(GL_ARRAY_BUFFER, VertexBuffer_, BufferBytes_, Batch_.Data(), Batch_.Size() * sizeof(cBatchVertex));
    if (RunCount_) {
        Upload(GL_ARRAY_BUFFER, RunBuffer_, RunBufferBytes_, Runs_.get(), RunCount_ * sizeof(RunInstance));
        Upload(GL_TEXTURE_BUFFER, CellBuffer_, CellBufferBytes_, Cells_.get(), CellCount_ * sizeof(CellTexel));
        glBindBuffer(GL_TEXTURE_BUFFER, 0);
    }
    for (const PendingDraw& draw : Pending_) {
        const size_t count = draw.End - draw.Begin;
        if (!draw.Quads) {
            const ProgramVariant* variant = ProgramFor(draw.State, false);
            ApplyState(draw.State, variant ? variant->Program : Program_, variant ? variant->U : U_);
            glBindVertexArray(VertexArray_);
            glDrawArrays(GL_TRIANGLES, static_cast<GLint>(draw.Begin), static_cast<GLsizei>(count));
            continue;
        }
        const ProgramVariant* variant = ProgramFor(draw.State, true);
        ApplyState(draw.State, variant ? variant->Program : QuadProgram_, variant ? variant->U : QuadU_);
        const QuadUniforms& q = variant ? variant->Q : QuadQ_;
        const QuadShape& shape = draw.Shape;
        glUniform3fv(q.Corner, 6, &shape.Corner[0][0]);
        glUniform2fv(q.Local, 6, &shape.Local[0][0]);
        glUniform2fv(q.FarEdge, 6, &shape.FarEdge[0][0]);
        glUniform3fv(q.AxisX, 1, shape.AxisX);
        glUniform3fv(q.AxisZ, 1, shape.AxisZ);
        glUniform1f(q.CellSize, shape.CellSize);
        glUniform1f(q.Alpha, shape.Alpha);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_BUFFER, CellTexture_);
        glActiveTexture(GL_TEXTURE0);
        glUniform1i(q.Cells, 1);
        glBindVertexArray(QuadArray_);
        glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, sizeof shape.Index, shape.Index);
        // GL 3.3 has no base instance: the instance attributes start at this draw's first run.
        glBindBuffer(GL_ARRAY_BUFFER, RunBuffer_);
        const size_t base = draw.Begin * sizeof(RunInstance);
        const GLsizei stride = sizeof(RunInstance);
        auto at = [base](size_t offset) { return reinterpret_cast<void*>(base + offset); };
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(RunInstance, X)));
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(RunInstance, StepX)));
        glVertexAttribIPointer(2, 2, GL_INT, stride, at(offsetof(RunInstance, First)));
        glDrawElementsInstanced(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, nullptr, static_cast<GLsizei>(count));
    }
    Pending_.clear();
    Batch_.Clear();
    RunCount_ = CellCount_ = 0;
    BatchBegin_ = RunBegin_ = 0;
}

HRESULT cGLDevice::TestCooperativeLevel() {
    if (!Options_.SurfaceLost || !Options_.SurfaceLost()) {
        RestoreFailed_ = false;
        return D3D_OK;
    }
    // Asked once per frame: after one failed attempt the device stays quietly lost instead of
    // failing (and being reported) again every frame.
    return RestoreFailed_ ? D3DERR_DEVICELOST : D3DERR_DEVICENOTRESET;
}

HRESULT cGLDevice::Reset(D3DPRESENT_PARAMETERS& iParams) {
    Flush();
    Params_ = iParams;
    if (!Options_.SurfaceLost || !Options_.SurfaceLost()) return D3D_OK;
    // Textures, buffers and programs belong to the context and stay; only the surface it
    // draws on is new. It starts black, as the first frame on it is drawn without a clear.
    RestoreFailed_ = !Options_.RestoreSurface || !Options_.RestoreSurface();
    if (RestoreFailed_) return D3DERR_DEVICELOST;
    return Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
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
    if (cFixedFunction::AffectsRasterisation(iState)) CloseBatch();
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
    CloseBatch();
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
            if (!(State_.View == iMatrix)) CloseBatch();
            State_.View = iMatrix;
            return D3D_OK;
        case D3DTS_PROJECTION:
            if (!(State_.Projection == iMatrix)) CloseBatch();
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

HRESULT cGLDevice::SetStreamSource(uint32_t iStream, cVertexBuffer* iBuffer, uint32_t iStride) {
    if (iStream != 0) return D3DERR_INVALIDCALL;
    State_.Stream = iBuffer;
    State_.Stride = iStride;
    return D3D_OK;
}

HRESULT cGLDevice::DrawPrimitive(D3DPRIMITIVETYPE iType, uint32_t iStartVertex, uint32_t iPrimitiveCount) {
    if (!InScene_) return D3DERR_INVALIDCALL;
    if (RunCount_ > RunBegin_) CloseBatch();  // drawing order is submission order
    const HRESULT hr = State_.ExpandDraw(iType, iStartVertex, iPrimitiveCount, Batch_);
    if (Failed(hr)) return hr;
    ++Frame_.DeviceDraws;
    if (FlushEveryDraw_) Flush();
    return D3D_OK;
}

// The quads reproduce the fixed-function vertex work only where every vertex of the draw
// gets the same colour from the ambient state (no lights, no vertex colour), and only for
// the quad vertex format; otherwise the instances go the plain way.
bool cGLDevice::QuadPathApplies() const {
    if (FlushEveryDraw_ || !InScene_ || State_.FVF != D3DFVF_QUADVERTEX) return false;
    return !State_.RenderState[D3DRS_LIGHTING] || State_.EnabledLights.empty();
}

// The rotation and offset of the world transform and the quad's corners after the rotation
// part: worked out again only when the inputs differ from the last call's, which in a
// frame they never do.
void cGLDevice::PrepareQuadShape(const cQuadInstances& iQuads) {
    ShapeKey key;
    key.Angle = iQuads.Angle;
    key.Offset = iQuads.Offset;
    key.CellSize = iQuads.CellSize;
    for (int v = 0; v < 6; ++v) std::memcpy(key.Vertex[v], iQuads.Vertices + v * 8, sizeof key.Vertex[v]);
    if (ShapeReady_ && std::memcmp(&key, &ShapeKey_, sizeof key) == 0) return;
    ShapeKey_ = key;
    ShapeReady_ = true;

    // The world transforms differ only in their translation row: the rotation part (rows 0
    // to 2) comes from the same step-by-step product.
    D3DMATRIX step;
    RotationWorld_ = mDXGraphics::IdentityTransform;
    mDXGraphics::TransformRotationY(Rotation_, iQuads.Angle);
    mDXGraphics::TransformTranslation(OffsetTransform_, iQuads.Offset.x, iQuads.Offset.y, iQuads.Offset.z);
    mDXGraphics::TransformTranslation(step, 0, 0, 0);
    mDXGraphics::TransformMultiply(RotationWorld_, RotationWorld_, step);
    mDXGraphics::TransformMultiply(RotationWorld_, RotationWorld_, Rotation_);
    mDXGraphics::TransformMultiply(RotationWorld_, RotationWorld_, OffsetTransform_);
    const auto& m = RotationWorld_.m;

    QuadShape& shape = ReadyShape_;
    shape = {};
    ShapeTiles_ = true;
    const float* vertices = iQuads.Vertices;
    for (int v = 0; v < 6; ++v) {
        const float* p = vertices + v * 8;
        // As the vertex transform adds them: the corner's three products first, the
        // translation row last (that last addition is the shader's).
        for (int c = 0; c < 3; ++c) shape.Corner[v][c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c];
        shape.Local[v][0] = p[0];
        shape.Local[v][1] = p[2];
        shape.FarEdge[v][0] = p[0] > 0 ? 1.0f : 0.0f;
        shape.FarEdge[v][1] = p[2] > 0 ? 1.0f : 0.0f;
        ShapeTiles_ = ShapeTiles_ && std::fabs(p[0]) == 0.5f && std::fabs(p[2]) == 0.5f && p[1] == 0;
        // A corner equal to an earlier one is shared, so GL transforms it once.
        shape.Index[v] = static_cast<uint16_t>(v);
        for (int w = 0; w < v; ++w) {
            if (std::memcmp(vertices + w * 8, p, 6 * sizeof(float)) == 0) {
                shape.Index[v] = shape.Index[w];
                break;
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        shape.AxisX[c] = m[0][c];
        shape.AxisZ[c] = m[2][c];
    }
    shape.CellSize = iQuads.CellSize;
}

void cGLDevice::PrepareCellColors() {
    if (ChannelColorReady_ && std::memcmp(&ChannelMaterial_, &State_.Material, sizeof ChannelMaterial_) == 0) return;
    const D3DCOLORVALUE& e = State_.Material.Emissive;
    const D3DCOLORVALUE& a = State_.Material.Ambient;
    auto byte = [](float x) {
        const float clamped = x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x);
        return static_cast<uint32_t>(clamped * 255.0f + 0.5f);
    };
    for (uint32_t value = 0; value < 256; ++value) {
        const D3DCOLORVALUE ambient = mDXGraphics::ColorToValue(value * 0x010101u);
        ChannelColor_[0][value] = byte(e.r + ambient.r * a.r) << 16;
        ChannelColor_[1][value] = byte(e.g + ambient.g * a.g) << 8;
        ChannelColor_[2][value] = byte(e.b + ambient.b * a.b);
    }
    ChannelMaterial_ = State_.Material;
    ChannelColorReady_ = true;
}

void cGLDevice::ReserveQuadArrays(size_t iRuns, size_t iCells) {
    auto reserve = [](auto& array, size_t count, size_t& capacity, size_t more) {
        if (count + more <= capacity) return;
        using Element = std::remove_reference_t<decltype(array[0])>;
        const size_t grown = std::max<size_t>({capacity * 2, count + more, 4096});
        auto bigger = std::make_unique_for_overwrite<Element[]>(grown);
        if (count) std::memcpy(bigger.get(), array.get(), count * sizeof(Element));
        array = std::move(bigger);
        capacity = grown;
    };
    reserve(Runs_, RunCount_, RunCapacity_, iRuns);
    reserve(Cells_, CellCount_, CellCapacity_, iCells);
}

namespace {

// A step of one unit along the quad's x or z edge, as the shader's (x, z) step.
bool UnitEdgeStep(const D3DVECTOR& iStep, float& oX, float& oZ) {
    const bool alongX = std::fabs(iStep.x) == 1.0f && iStep.y == 0 && iStep.z == 0;
    const bool alongZ = std::fabs(iStep.z) == 1.0f && iStep.y == 0 && iStep.x == 0;
    oX = alongX ? iStep.x : 0.0f;
    oZ = alongZ ? iStep.z : 0.0f;
    return alongX || alongZ;
}

// A texture cell's corner in 16-bit fractions of the texture (u low, v high), when it is one.
bool PackCorner(float iU, float iV, uint32_t& oCorner) {
    const float u = iU * 65536.0f, v = iV * 65536.0f;  // exact: a power of two
    if (!(u >= 0.0f && u < 65536.0f && v >= 0.0f && v < 65536.0f)) return false;
    const auto wholeU = static_cast<uint32_t>(u), wholeV = static_cast<uint32_t>(v);
    oCorner = wholeU | wholeV << 16;
    return static_cast<float>(wholeU) == u && static_cast<float>(wholeV) == v;
}

D3DVECTOR CellPlace(const cQuadStrip& iStrip, uint32_t iCell) {
    const float k = static_cast<float>(iCell);
    return {iStrip.Position.x + k * iStrip.Step.x, iStrip.Position.y + k * iStrip.Step.y,
            iStrip.Position.z + k * iStrip.Step.z};
}

}  // namespace

HRESULT cGLDevice::DrawCheckedQuadInstances(const cQuadInstances& iQuads) {
    if (!QuadPathApplies()) return iDirect3DDevice::DrawCheckedQuadInstances(iQuads);
    size_t cellCount = 0;
    const cQuadStrip* lastStrip = nullptr;  // the last strip with cells
    for (uint32_t s = 0; s < iQuads.StripCount; ++s) {
        cellCount += iQuads.Strips[s].Count;
        if (iQuads.Strips[s].Count) lastStrip = &iQuads.Strips[s];
    }
    if (cellCount == 0) return D3D_OK;

    PrepareQuadShape(iQuads);
    QuadShape shape = ReadyShape_;
    const bool lit = State_.RenderState[D3DRS_LIGHTING] != 0;
    if (lit) PrepareCellColors();
    const float diffuseAlpha = State_.Material.Diffuse.a;
    shape.Alpha = !lit ? 1.0f : (diffuseAlpha < 0.0f ? 0.0f : (diffuseAlpha > 1.0f ? 1.0f : diffuseAlpha));
    if (Batch_.Size() > BatchBegin_) CloseBatch();
    if (RunCount_ > RunBegin_ && std::memcmp(&shape, &Shape_, sizeof shape) != 0) CloseBatch();
    Shape_ = shape;
    ReserveQuadArrays(cellCount, cellCount);

    const auto& r = Rotation_.m;
    const float r00 = r[0][0], r20 = r[2][0], r02 = r[0][2], r22 = r[2][2];
    const D3DVECTOR o = iQuads.Offset;
    const size_t firstRun = RunCount_, firstCell = CellCount_;
    RunInstance* run = Runs_.get() + RunCount_;
    CellTexel* const texels = Cells_.get();
    CellTexel* texel = texels + CellCount_;
    const cQuadStrip* lastDrawnStrip = nullptr;
    uint32_t lastDrawnCell = 0;
    for (uint32_t s = 0; s < iQuads.StripCount; ++s) {
        const cQuadStrip& strip = iQuads.Strips[s];
        float stepX, stepZ;
        const bool tiles = UnitEdgeStep(strip.Step, stepX, stepZ) && ShapeTiles_;
        const cQuadCell* cells = iQuads.Cells + strip.First;
        for (uint32_t k = 0; k < strip.Count;) {
            if (!cells[k].Drawn) {
                ++k;
                continue;
            }
            // The translation row of identity x translation x rotation x offset: the products
            // with the rotation's zeros and ones drop out without changing any value.
            const D3DVECTOR place = CellPlace(strip, k);
            run->X = (place.x * r00 + place.z * r20) + o.x;
            run->Y = place.y + o.y;
            run->Z = (place.x * r02 + place.z * r22) + o.z;
            run->StepX = tiles ? stepX : 0.0f;
            run->StepZ = tiles ? stepZ : 0.0f;
            run->First = static_cast<int32_t>(texel - texels);
            // A run goes on while the cells are drawn and tile.
            do {
                const cQuadCell& cell = cells[k];
                if (!PackCorner(cell.U, cell.V, texel->Corner)) [[unlikely]] {
                    RunCount_ = firstRun;
                    CellCount_ = firstCell;
                    return iDirect3DDevice::DrawCheckedQuadInstances(iQuads);
                }
                texel->Color = lit ? ChannelColor_[0][ChannelR(cell.Ambient)] | ChannelColor_[1][ChannelG(cell.Ambient)] |
                                         ChannelColor_[2][ChannelB(cell.Ambient)]
                                   : 0xFFFFFFu;
                ++texel;
                ++k;
            } while (tiles && k < strip.Count && cells[k].Drawn);
            run->Last = static_cast<int32_t>(texel - texels) - 1;
            ++run;
            lastDrawnStrip = &strip;
            lastDrawnCell = k - 1;
        }
    }
    const size_t drawn = static_cast<size_t>(texel - texels) - CellCount_;
    CellCount_ += drawn;
    RunCount_ = static_cast<size_t>(run - Runs_.get());
    Frame_.DeviceDraws += static_cast<uint32_t>(drawn);
    LeaveQuadState(iQuads, *lastStrip, lastDrawnStrip, lastDrawnCell);
    return D3D_OK;
}

// Leaves the state the call sequence leaves: the last cell's texture cell in the buffer and
// its colour, the last drawn cell's world transform and the stream.
void cGLDevice::LeaveQuadState(const cQuadInstances& iQuads, const cQuadStrip& iLastStrip,
                               const cQuadStrip* iLastDrawnStrip, uint32_t iLastDrawnCell) {
    const cQuadCell& last = iQuads.Cells[iLastStrip.First + iLastStrip.Count - 1];
    WriteQuadCell(iQuads.Vertices, last.U, last.V, iQuads.CellSize);
    std::memcpy(iQuads.Buffer->Bytes.data(), iQuads.Vertices, 6 * 8 * sizeof(float));
    State_.RenderState[D3DRS_AMBIENT] = last.Ambient;
    if (!iLastDrawnStrip) return;
    // identity x translation x rotation x offset: rows 0 to 2 are the shape's; the
    // translation row is the identity's last row carried through the same products.
    const D3DVECTOR place = CellPlace(*iLastDrawnStrip, iLastDrawnCell);
    D3DMATRIX step;
    mDXGraphics::TransformTranslation(step, place.x, place.y, place.z);
    State_.World = RotationWorld_;
    float(&row)[4] = State_.World.m[3];
    row[0] = row[1] = row[2] = 0;
    row[3] = 1;
    mDXGraphics::TransformRow(row, step);
    mDXGraphics::TransformRow(row, Rotation_);
    mDXGraphics::TransformRow(row, OffsetTransform_);
    State_.Stream = iQuads.Buffer;
    State_.Stride = 32;
}

HRESULT cGLDevice::CreateTexture(const cImage& iImage, std::shared_ptr<cTexture>& oTexture) {
    oTexture.reset();
    if (iImage.Width <= 0 || iImage.Height <= 0 || iImage.Width > 4096 || iImage.Height > 4096)
        return D3DERR_INVALIDCALL;
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
    return D3D_OK;
}

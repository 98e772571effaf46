#include "device/gl/GLShaders.h"

#include <epoxy/gl.h>

#include <cstdio>

#include "device/D3D8Types.h"
#include "device/mDXGraphics.h"

namespace mGLShaders {

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

// One run of cells drawn as one quad: two triangles over the run's six vertices, each of which
// carries the run's record (not instances: Mesa's software pipeline runs its whole vertex
// front end once per instance, which cost a fifth of a frame). The corners on the near side of the run are the
// quad's own, rotated, plus the translation row of the run's first cell (the single
// addition the CPU makes when it transforms a cell's vertex); the corners on the far side
// reach over the run's other cells along the rotated step. vQ is the corner's place in
// cells: its whole part counts cells along the step, its fraction is the place in the cell
// as the texture coordinates lay it out.
const char* const QuadVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aTranslation;
layout(location = 1) in vec2 aStep;
layout(location = 2) in ivec2 aCells;
layout(location = 3) in vec4 aTrim;
uniform mat4 uViewProjection;
uniform vec3 uCorner[6];
uniform vec2 uLocal[6];
uniform vec2 uFarEdge[6];
uniform vec3 uAxisX, uAxisZ;
// The run's cells and step are the same at every corner. They are not flat: with no flat
// input, Mesa's software rasteriser draws a quad that stays a screen-aligned rectangle (the
// default view) as one rectangle instead of two triangles, which shades the blocks along the
// diagonal once instead of twice. Without perspective they reach the fragments unchanged.
out vec2 vQ;
noperspective out vec2 vCells;
noperspective out vec2 vStep;
void main() {
    // Six vertices per run, each with the run's record; the element list picks the corners.
    int v = gl_VertexID % 6;
    // A trimmed run moves its corners in along the quad's edges (by nothing when untrimmed).
    vec2 edge = uFarEdge[v];
    vec2 trim = mix(aTrim.xz, aTrim.yw, edge) - edge;
    vec2 reach = (dot(uLocal[v], aStep) > 0.0 ? aStep * float(aCells.y - aCells.x) : vec2(0.0)) + trim;
    vec3 aPosition = uCorner[v] + aTranslation + reach.x * uAxisX + reach.y * uAxisZ;
    vec4 p = uViewProjection * vec4(aPosition, 1.0);
    p.z = 2.0 * p.z - p.w;
    gl_Position = p;
    vQ = uFarEdge[v] + reach;
    vCells = vec2(aCells);
    vStep = aStep;
}
)";

// The device's own framebuffer copied onto the target: one rectangle over the whole picture
// (two triangles of six vertices, which Mesa's software rasteriser draws as one rectangle, a
// plain row copy when nothing else is on), each pixel read where it lies.
const char* const CopyVertexShader = R"(#version 330 core
out vec2 vTexCoord;
void main() {
    const vec2 corner[6] = vec2[6](vec2(0, 0), vec2(1, 0), vec2(1, 1), vec2(0, 0), vec2(1, 1), vec2(0, 1));
    vTexCoord = corner[gl_VertexID];
    gl_Position = vec4(vTexCoord * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const CopyFragmentShader = R"(#version 330 core
in vec2 vTexCoord;
uniform sampler2D uPicture;
out vec4 fragColor;
void main() {
    fragColor = texture(uPicture, vTexCoord);
}
)";

// What the quad's fragments read instead of an interpolated colour and texture coordinate:
// the cell they lie in (clamped to the run, against rounding at its ends), its texture
// cell and its lit colour.
const char* const QuadCellSource = R"(in vec2 vQ;
noperspective in vec2 vCells;
noperspective in vec2 vStep;
uniform usamplerBuffer uCells;
uniform float uCellSize;
uniform float uAlpha;
vec4 vColor;
vec2 vTexCoord;
void FetchCell() {
    vec2 whole = floor(vQ);
    ivec2 cells = ivec2(vCells + 0.5);  // whole numbers below 2^24, exact in a float
    int cell = clamp(cells.x + int(dot(whole, vStep)), cells.x, cells.y);
    uvec2 texel = texelFetch(uCells, cell).xy;
    vec2 corner = vec2(texel.yy >> uvec2(0u, 16u) & uvec2(65535u)) * (1.0 / 65536.0);
    vTexCoord = corner + (vQ - whole * abs(vStep)) * uCellSize;
    vColor = vec4(vec3(uvec3(texel.x) >> uvec3(16u, 8u, 0u) & uvec3(255u)) * (1.0 / 255.0), uAlpha);
}
)";

// Texture stage 0 of the fixed-function blender, with its arguments and operations as
// numbered in Direct3D 8, and the alpha test.
const char* const FragmentBody = R"(
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
    int s = a & TA_SELECTMASK;
    vec4 v = s == TA_TEXTURE ? texel : (s == TA_TFACTOR ? uTextureFactor : vColor);
    if ((a & TA_ALPHAREPLICATE) != 0) v = vec4(v.a);
    if ((a & TA_COMPLEMENT) != 0) v = vec4(1.0) - v;
    return v;
}

vec4 Op(int op, vec4 a1, vec4 a2) {
    if (op == TOP_SELECTARG1) return a1;
    if (op == TOP_SELECTARG2) return a2;
    if (op == TOP_MODULATE) return a1 * a2;
    if (op == TOP_MODULATE2X) return clamp(2.0 * a1 * a2, 0.0, 1.0);
    if (op == TOP_MODULATE4X) return clamp(4.0 * a1 * a2, 0.0, 1.0);
    if (op == TOP_ADD) return clamp(a1 + a2, 0.0, 1.0);
    if (op == TOP_ADDSIGNED) return clamp(a1 + a2 - 0.5, 0.0, 1.0);
    if (op == TOP_SUBTRACT) return clamp(a1 - a2, 0.0, 1.0);
    return vColor;  // disabled: the stage passes the vertex colour on
}

bool Passes(int func, int value, int reference) {
    if (func == CMP_NEVER) return false;
    if (func == CMP_LESS) return value < reference;
    if (func == CMP_EQUAL) return value == reference;
    if (func == CMP_LESSEQUAL) return value <= reference;
    if (func == CMP_GREATER) return value > reference;
    if (func == CMP_NOTEQUAL) return value != reference;
    if (func == CMP_GREATEREQUAL) return value >= reference;
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

namespace {

// The texture stage's arguments, operations and the alpha test's comparisons, numbered as
// the device's constants number them, for the fragment shader to name.
std::string StageConstants() {
    std::string out;
    auto define = [&out](const char* name, uint32_t value) {
        out += "#define " + std::string(name) + " " + std::to_string(value) + "\n";
    };
    define("TA_SELECTMASK", D3DTA_SELECTMASK);
    define("TA_TEXTURE", D3DTA_TEXTURE);
    define("TA_TFACTOR", D3DTA_TFACTOR);
    define("TA_COMPLEMENT", D3DTA_COMPLEMENT);
    define("TA_ALPHAREPLICATE", D3DTA_ALPHAREPLICATE);
    define("TOP_SELECTARG1", D3DTOP_SELECTARG1);
    define("TOP_SELECTARG2", D3DTOP_SELECTARG2);
    define("TOP_MODULATE", D3DTOP_MODULATE);
    define("TOP_MODULATE2X", D3DTOP_MODULATE2X);
    define("TOP_MODULATE4X", D3DTOP_MODULATE4X);
    define("TOP_ADD", D3DTOP_ADD);
    define("TOP_ADDSIGNED", D3DTOP_ADDSIGNED);
    define("TOP_SUBTRACT", D3DTOP_SUBTRACT);
    define("CMP_NEVER", D3DCMP_NEVER);
    define("CMP_LESS", D3DCMP_LESS);
    define("CMP_EQUAL", D3DCMP_EQUAL);
    define("CMP_LESSEQUAL", D3DCMP_LESSEQUAL);
    define("CMP_GREATER", D3DCMP_GREATER);
    define("CMP_NOTEQUAL", D3DCMP_NOTEQUAL);
    define("CMP_GREATEREQUAL", D3DCMP_GREATEREQUAL);
    return out;
}

}  // namespace

const std::string& FragmentShader() {
    static const std::string source = "#version 330 core\n" + StageConstants() + FragmentBody;
    return source;
}

namespace {

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

std::string SpecialisedFragmentSource(const StageKey& iKey) {
    std::string source = FragmentShader();
    auto number = [](uint32_t v) { return std::to_string(static_cast<int32_t>(v)); };
    ReplaceFirst(source, "uniform bool uHasTexture;",
                 std::string("const bool uHasTexture = ") + (iKey.HasTexture ? "true;" : "false;"));
    ReplaceFirst(source, "uniform int uColorOp, uColorArg1, uColorArg2, uAlphaOp, uAlphaArg1, uAlphaArg2;",
                 "const int uColorOp = " + number(iKey.ColorOp) + ", uColorArg1 = " + number(iKey.ColorArg1) +
                     ", uColorArg2 = " + number(iKey.ColorArg2) + ", uAlphaOp = " + number(iKey.AlphaOp) +
                     ", uAlphaArg1 = " + number(iKey.AlphaArg1) + ", uAlphaArg2 = " + number(iKey.AlphaArg2) + ";");
    ReplaceFirst(source, "uniform bool uAlphaTest;",
                 std::string("const bool uAlphaTest = ") + (iKey.AlphaTest ? "true;" : "false;"));
    ReplaceFirst(source, "uniform int uAlphaFunc, uAlphaRef;",
                 "const int uAlphaFunc = " + number(iKey.AlphaFunc) + ", uAlphaRef = " + number(iKey.AlphaRef) + ";");
    const D3DCOLORVALUE factor = mDXGraphics::ColorToValue(iKey.TextureFactor);
    char factorSource[160];
    std::snprintf(factorSource, sizeof factorSource, "const vec4 uTextureFactor = vec4(%.9g, %.9g, %.9g, %.9g);",
                  factor.r, factor.g, factor.b, factor.a);
    ReplaceFirst(source, "uniform vec4 uTextureFactor;", factorSource);
    return source;
}

uint32_t LinkProgram(const char* vertexSource, const char* fragmentSource, std::string& oError) {
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

}  // namespace mGLShaders

#pragma once
// The GL backend's shaders: the general pair that reproduces texture stage 0 and the alpha
// test, the quad pair that draws runs of cells, and the fragment shaders specialised for
// one stage setting. Internal to the backend.
#include <cstdint>
#include <string>

namespace mGLShaders {

// The vertex shaders: plain triangles, and instanced runs of quad cells.
extern const char* const VertexShader;
extern const char* const QuadVertexShader;
// The general fragment shader: the stage's operations, arguments and alpha test as uniforms.
const std::string& FragmentShader();
// A picture copied onto the whole target, pixel for pixel (no vertex input).
extern const char* const CopyVertexShader;
extern const char* const CopyFragmentShader;

// What a specialised fragment shader has built in as constants.
struct StageKey {
    uint32_t ColorOp = 0, ColorArg1 = 0, ColorArg2 = 0, AlphaOp = 0, AlphaArg1 = 0, AlphaArg2 = 0;
    uint32_t AlphaTest = 0, AlphaFunc = 0;  // the function only while the test is on
    uint32_t HasTexture = 0;
    uint32_t SameFilters = 0;  // quads only: both filters alike, so the texture is read at level 0
    uint32_t AlphaRef = 0;     // only while the test is on
    uint32_t TextureFactor = 0;
    friend bool operator==(const StageKey&, const StageKey&) = default;
};
// The general fragment shader's source with the stage's uniforms turned into constants.
std::string SpecialisedFragmentSource(const StageKey& iKey);
// A fragment shader for the quads made from a plain one (see the definition).
std::string QuadFragmentSource(std::string iSource, bool iSameFilters);

void ReplaceFirst(std::string& ioSource, const std::string& iFrom, const std::string& iTo);
// Compiles and links a program; 0 with the reason in oError when that fails.
uint32_t LinkProgram(const char* iVertexSource, const char* iFragmentSource, std::string& oError);

}  // namespace mGLShaders

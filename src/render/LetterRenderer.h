#pragma once
// Turns the rain into geometry once per frame: every letter of every active group is one
// textured unit square in the X-Z plane, coloured through the ambient light, and every
// leader group gets the glow image over its head letter.
#include "device/D3D8Types.h"
#include "device/iDirect3D.h"
#include "render/GlowClipper.h"

#include <memory>
#include <vector>

class cCamera;
class cDevice;
class cRain;
namespace mRain {
struct Group;
struct Color;
}  // namespace mRain

// The letter quad's vertex: position, normal and texture coordinate (FVF 0x112).
struct QuadVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float tu = 0, tv = 0;
};
static_assert(sizeof(QuadVertex) == QuadVertexStride);

// The whole-scene rotation and offset the main loop eases; the renderers apply it last.
struct SceneTransform {
    float Angle = 0;
    D3DVECTOR Offset;
};

class cLetterRenderer {
public:
    // Creates the letter vertex buffer (six vertices) on the device.
    void CreateBuffer(cDevice& iDevice);

    // Both report failures through the error report, under the main window's names for them;
    // the rest of that pass is then skipped. iBetween is where the frame stands between two
    // steps of the rain (0 at a step, below 1; see cFramePacer): the glyphs keep their cells,
    // while each column's fade along it and its leader's glow move that part of the way the
    // head moves at the next step, and the colour eases that part of its next step. The
    // frames at a step draw as they always have.
    void RenderLetters(cDevice& iDevice, const cRain& iRain, const cCamera& iCamera, const SceneTransform& iScene,
                       float iBetween = 0);
    void RenderLeaders(cDevice& iDevice, const cRain& iRain, const SceneTransform& iScene, float iBetween = 0);

    // Where the view lets them, the letters are drawn farthest first and the glows cut to
    // what no nearer cell covers, all without the depth test (see cGlowClipper); set, every
    // letter and glow is depth-tested as on any other view. Tests set it to compare the two.
    bool DepthTestEveryLetter = false;

    std::shared_ptr<cVertexBuffer> QuadBuffer;
    QuadVertex QuadVertices[QuadVertexCount];

    // Where letter j of a column of n + 1 letters stands in the fade along the column, with
    // the quotient its formula divides out (the same double division the rule makes). Between
    // two steps a letter stands a part of a cell farther from the head: j is then not whole.
    struct FadeStep {
        enum : uint8_t { In, Full, Out } Kind;
        double Quotient;
    };
    static FadeStep Fade(double j, int32_t n);
    // The brightness rule from the fade step, the flicker and the group's clamped dimming.
    static float Brightness(const FadeStep& iFade, float f, bool leader, double dim, float alpha);

private:
    // Quad instances over the letter buffer with the cell size and the scene's rotation and offset.
    cQuadInstances NewQuads(float iCellSize, const SceneTransform& iScene);
    const FadeStep* FadeFor(int32_t n);
    const float* HeadSharesFor(int32_t n);  // the gradient's head share of each letter, by column length
    // Every active group's letters, farthest first; Between: a frame between two steps.
    template <bool Between>
    void DrawColumns(iDirect3DDevice& iDevice, const cRain& iRain, float iCameraY, const SceneTransform& iScene,
                     bool iFarToNear, float iBetween);
    // Letter j's place in the fade is iFadeOf(j).
    // Gradient: iHead is the gradient's head colour.
    template <bool Gradient, class FadeOf>
    void FillColumnCells(const mRain::Group& iGroup, const mRain::Color& iColor, const mRain::Color* iHead, double iDim,
                         FadeOf iFadeOf);
    // iHead: the glow's colour in a gradient (grey-white without one).
    void AddLeader(const mRain::Group& iGroup, const cCellPart& iPart, uint32_t iCell, float iBetween,
                   const mRain::Color* iHead);
    void WriteQuadCorners();
    void WriteCell(float iU, float iV, float iSize);
    void UploadQuad();

    // One group's letters, or the frame's leaders; grows to the longest run, never shrinks.
    std::vector<cQuadCell> Cells_;
    std::vector<cQuadStrip> Leaders_;  // one strip of one cell per leader
    std::vector<float> Flicker_;  // the flicker of each letter of the group being drawn
    std::vector<std::vector<FadeStep>> FadeByLength_;  // by letter count; filled once per count
    std::vector<std::vector<float>> HeadShareByLength_;  // likewise
    cGlowClipper Glows_;
    bool GlowsCut_ = false;  // this frame's letters were drawn far to near, their glows cut
};

// The letter's brightness factor before the rain colour, for a letter that is not the head
// of a leader group: depth dimming, flicker and the fade along the column. 0 or less means
// the letter is not drawn.
float LetterBrightness(int32_t j, int32_t n, float phase, bool leader, float alpha, float depthFromView);

// The flicker factor of a letter at phase p: (sin 2p sin p + 0.5) x 1.2 + 0.2 in double,
// as a float clamped to 0..1; the same float as with the C library's sine.
float LetterFlicker(float phase);

#include <gtest/gtest.h>

#include <algorithm>

#include "GLFixture.h"

namespace {

uint32_t Rgb(uint32_t p) { return p & 0x00FFFFFFu; }

}  // namespace

using GLGolden = GLDeviceTest;

TEST_F(GLGolden, TheFirstFramesLitQuadLandsWhereTheProjectionSaysInTheAmbientColour) {
    const cImage frame = Frame(White(), [&] { DrawLetter(2, -9, 1, 0, 0, 1, mDXGraphics::ColorFromFloats(0.5f, 0.25f, 1.0f, 1)); });
    float left, top, right, bottom;
    // +X is screen left, so the quad's +X edge is its left edge on screen; +Z is down.
    Project(2.5f, -9, 0.5f, left, top);
    Project(1.5f, -9, 1.5f, right, bottom);
    ASSERT_LT(left, right);
    ASSERT_LT(top, bottom);
    const int cx = static_cast<int>((left + right) / 2), cy = static_cast<int>((top + bottom) / 2);
    // Lighting is on from set-up: not the unlit white.
    EXPECT_EQ(Rgb(frame.At(cx, cy)), 0x8040FFu);
    EXPECT_EQ(Rgb(frame.At(static_cast<int>(left) + 1, static_cast<int>(top) + 1)), 0x8040FFu);
    EXPECT_EQ(Rgb(frame.At(static_cast<int>(right) - 1, static_cast<int>(bottom) - 1)), 0x8040FFu);
    EXPECT_EQ(Rgb(frame.At(static_cast<int>(left) - 2, cy)), 0u);
    EXPECT_EQ(Rgb(frame.At(static_cast<int>(right) + 2, cy)), 0u);
    EXPECT_EQ(Rgb(frame.At(cx, static_cast<int>(top) - 2)), 0u);
    EXPECT_EQ(Rgb(frame.At(cx, static_cast<int>(bottom) + 2)), 0u);
}

TEST_F(GLGolden, ASpelledAReadsTheRightWayRoundOnScreen) {
    std::string error;
    cImage atlas;
    ASSERT_TRUE(mImage::ReadPng(GLYPHFALL_ATLAS_FILE, atlas, error)) << error;
    const cImage frame = Frame(Wrapper.LoadTexture(GLYPHFALL_ATLAS_FILE, -1), [&] {
        DrawLetter(0, -1, 0, 6 / 16.0f, 0, 1 / 16.0f, 0xFFFFFFFFu);  // "a" is cell (6, 0)
    });
    WriteFrameForInspection(frame, "spelled-a.png");

    float left, top, right, bottom;
    Project(0.5f, -1, -0.5f, left, top);
    Project(-0.5f, -1, 0.5f, right, bottom);
    // Sample the quad on the screen at the atlas cell's resolution and compare it with the
    // cell as stored (mirrored) and as the font draws it (the cell mirrored back).
    long asStored = 0, asFont = 0;
    for (int cy = 0; cy < 64; ++cy)
        for (int cx = 0; cx < 64; ++cx) {
            const int px = static_cast<int>(left + (cx + 0.5f) / 64 * (right - left));
            const int py = static_cast<int>(top + (cy + 0.5f) / 64 * (bottom - top));
            const int shown = static_cast<int>(ChannelR(frame.At(px, py)));
            asStored += std::abs(shown - static_cast<int>(ChannelR(atlas.At(6 * 64 + cx, cy))));
            asFont += std::abs(shown - static_cast<int>(ChannelR(atlas.At(6 * 64 + 63 - cx, cy))));
        }
    EXPECT_LT(asFont * 3, asStored) << "the glyph should show un-mirrored";
}


// The device clears depth only once a draw of the frame uses it: a frame that draws without
// depth leaves the last frame's depths, and a depth-tested draw after it must still find the
// buffer cleared.
TEST_F(GLGolden, ADepthTestedDrawAfterDrawsWithoutDepthFindsTheDepthCleared) {
    const int32_t white = White();
    const D3DCOLOR red = mDXGraphics::ColorFromFloats(1, 0, 0, 1);
    float left, top, right, bottom;
    Project(0.5f, -4, -0.5f, left, top);
    Project(-0.5f, -4, 0.5f, right, bottom);
    const int cx = static_cast<int>((left + right) / 2), cy = static_cast<int>((top + bottom) / 2);
    // A near letter writes its depth over the middle of the picture.
    EXPECT_EQ(Rgb(Frame(white, [&] { DrawLetter(0, -4, 0, 0, 0, 1, 0xFFFFFFFFu); }).At(cx, cy)), 0xFFFFFFu);
    const cImage next = Frame(white, [&] {
        Wrapper.Device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        DrawLetter(3, -4, 0, 0, 0, 1, 0xFFFFFFFFu);
        Wrapper.Device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        DrawLetter(0, -8, 0, 0, 0, 1, red);  // behind where the near letter was
    });
    EXPECT_EQ(Rgb(next.At(cx, cy)), 0xFF0000u);
}

// Each output's window has a device of its own on one context, and they share its programs
// and the atlas: a device that goes leaves them to the others, which draw as before.
TEST_F(GLGolden, ADeviceOnTheSameContextDrawsTheSamePictureAfterTheFirstOneWent) {
    const auto spelledA = [&] { DrawLetter(0, -1, 0, 6 / 16.0f, 0, 1 / 16.0f, 0xFFFFFFFFu); };
    const cImage first = Frame(Wrapper.LoadTexture(GLYPHFALL_ATLAS_FILE, -1), spelledA);
    cDevice other;
    ASSERT_TRUE(other.Initialize(Context, D3DFMT_D16, D3DMULTISAMPLE_NONE)) << mDXGraphics::LastError;
    other.SetupRenderer(2, 2, false);
    const int32_t atlas = other.LoadTexture(GLYPHFALL_ATLAS_FILE, -1);
    Buffer.reset();
    Wrapper.Release();
    other.Device->CreateVertexBuffer(192, 0, D3DFVF_QUADVERTEX, D3DPOOL_DEFAULT, Buffer);
    Drawing = &other;
    const cImage again = Frame(atlas, spelledA);
    Buffer.reset();
    other.Release();
    EXPECT_GT(std::count(first.Pixels.begin(), first.Pixels.end(), 0xFFFFFFFFu), 10);
    EXPECT_EQ(again.Pixels, first.Pixels);
}

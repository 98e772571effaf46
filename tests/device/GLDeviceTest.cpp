#include <gtest/gtest.h>

#include <thread>

#include "GLFixture.h"
#include "core/mCore.h"

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

TEST_F(GLGolden, QuadsAddUpTheBiasedLeaderShowsOverItsHeadAndBackFacesAreCulled) {
    const int32_t white = White();
    auto centre = [&](const std::function<void()>& draws) { return Rgb(Frame(white, draws).At(W / 2, H / 2)); };
    auto quad = [&](float y, uint32_t bias, float r, float g, float b) {
        Wrapper.Device->SetRenderState(D3DRS_ZBIAS, bias);
        DrawLetter(0, y, 0, 0, 0, 1, mDXGraphics::ColorFromFloats(r, g, b, 1));
    };
    EXPECT_EQ(centre([&] { quad(-12, 0, 0.25f, 0.5f, 0), quad(-8, 0, 0.5f, 0.25f, 0.1f); }), 0xC0C01Au);
    // The program's less-or-equal depth test: the biased leader adds over its coplanar head.
    EXPECT_EQ(centre([&] { quad(-10, 0, 0.5f, 0.5f, 0.5f), quad(-10, 1, 0.25f, 0.25f, 0.25f); }), 0xC0C0C0u);
    EXPECT_EQ(centre([&] { DrawLetter(0, -10, 0, 0, 0, 1, 0xFFFFFFFFu, /*reversed=*/true); }), 0u);
    EXPECT_EQ(Frame(white, [] {}).At(W / 2, H / 2), 0xFF000000u) << "a frame begins black";
    // With a strict depth test a coplanar second quad loses; the bias lets it win.
    for (uint32_t bias : {0u, 1u}) {
        const uint32_t shown = centre([&] {
            Wrapper.Device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
            quad(-10, 0, 0.5f, 0, 0), quad(-10, bias, 0, 0.5f, 0);
        });
        EXPECT_EQ(shown, bias ? 0x808000u : 0x800000u) << "bias " << bias;
    }
}

TEST_F(GLGolden, TopRowOfTheImageIsVZeroAndCellsShowMirrored) {
    // Left half red, right half green on the top rows; blue on the bottom rows.
    cImage image(16, 16, 0xFF0000FFu);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) image.At(x, y) = x < 8 ? 0xFFFF0000u : 0xFF00FF00u;
    const cImage frame = Frame(LoadImage(image, "quarters.png"), [&] { DrawLetter(0, -3, 0, 0, 0, 1, 0xFFFFFFFFu); });
    float left, top, right, bottom;
    Project(0.5f, -3, -0.5f, left, top);
    Project(-0.5f, -3, 0.5f, right, bottom);
    const int x1 = static_cast<int>(left + (right - left) * 0.25f), x2 = static_cast<int>(left + (right - left) * 0.75f);
    const int y1 = static_cast<int>(top + (bottom - top) * 0.25f), y2 = static_cast<int>(top + (bottom - top) * 0.75f);
    EXPECT_EQ(Rgb(frame.At(x1, y1)), 0x00FF00u);  // the image's right half shows on the left
    EXPECT_EQ(Rgb(frame.At(x2, y1)), 0xFF0000u);
    EXPECT_EQ(Rgb(frame.At(x1, y2)), 0x0000FFu);
    EXPECT_EQ(Rgb(frame.At(x2, y2)), 0x0000FFu);
}

TEST_F(GLGolden, AlphaTestWithTheTextureFactorKeepsTransparentTexelsAdding) {
    // Mode 2 takes alpha from the (opaque white) texture factor, so even a texel with
    // alpha 0 passes the alpha test and adds its colour; with alpha from the texture
    // (mode 1), the same texels fail the test.
    const int32_t texture = LoadImage(cImage(16, 16, 0x00FFFFFFu), "clear.png");
    auto green = [&] { DrawLetter(0, -5, 0, 0, 0, 1, mDXGraphics::ColorFromFloats(0, 1, 0, 1)); };
    EXPECT_EQ(Rgb(Frame(texture, green).At(W / 2, H / 2)), 0x00FF00u);
    Wrapper.SetupRenderer(1, 2, false);
    EXPECT_EQ(Rgb(Frame(texture, green).At(W / 2, H / 2)), 0u);
}

TEST(GLSurface, AReplacedSurfaceIsBoundOnceAndTheFramesGoOnWithoutAReport) {
    testing_support::ScopedFakePlatform platform;
    bool lost = false, restores = true;
    int restored = 0;
    cGLOptions options;
    options.SurfaceLost = [&] { return lost; };
    options.RestoreSurface = [&] {
        ++restored;
        lost = !restores;
        return restores;
    };
    cEGLContext context;
    cDevice device;
    ASSERT_EQ(testing_support::OpenHeadlessDevice(context, device, 32, 32, 1, options), "");
    const D3DMATRIX view = mDXGraphics::IdentityTransform;
    auto frame = [&] {
        const bool begun = device.BeginScene(view);
        if (begun) device.EndScene();
        return begun;
    };
    EXPECT_TRUE(frame());
    lost = true;  // the window system re-created the window
    EXPECT_FALSE(frame()) << "the frame that resets draws nothing";
    EXPECT_EQ(restored, 1);
    EXPECT_TRUE(frame());
    EXPECT_TRUE(platform.Dialogs.Messages.empty());

    // A surface that cannot be bound is reported once, not on every frame.
    lost = true;
    restores = false;
    EXPECT_FALSE(frame());
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_EQ(restored, 2);
    EXPECT_EQ(platform.Dialogs.Messages.size(), 1u);
    testing_support::CloseHeadlessDevice(device);
}

TEST(GLCreation, WithoutACurrentContextTheDeviceFailsWithAReadableReason) {
    testing_support::ScopedFakePlatform platform;
    bool created = true;
    std::string lastError;
    // A fresh thread has no current context.
    std::thread([&] {
        mDXGraphics::SetDirect3DFactory([] { return std::make_shared<cGLDirect3D>(); });
        mDXGraphics::Initialize();
        cDevice device;
        created = device.Initialize(0, 64, 64, D3DFMT_D16, D3DMULTISAMPLE_NONE);
        lastError = mCore::LastError;
        mDXGraphics::Release();
        mDXGraphics::SetDirect3DFactory(nullptr);
    }).join();
    EXPECT_FALSE(created);
    EXPECT_NE(lastError.find("no OpenGL context is current"), std::string::npos) << lastError;
    ASSERT_EQ(platform.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(platform.Dialogs.Messages[0].Text, "Error in cDevice.Initialize\r\n\r\n");
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

class GLFromTheGraphicsDevice : public GLDeviceTest {
protected:
    GLFromTheGraphicsDevice() { Source = cEGLContext::Source::Device; }
};

TEST_F(GLFromTheGraphicsDevice, DrawsLikeTheSurfacelessContext) {
    const cImage frame = Frame(White(), [&] { DrawLetter(0, -9, 0, 0, 0, 1, mDXGraphics::ColorFromFloats(0.5f, 0.25f, 1, 1)); });
    EXPECT_EQ(frame.At(W / 2, H / 2), 0xFF8040FFu) << Context.Renderer();
    EXPECT_EQ(frame.At(1, 1), 0xFF000000u) << Context.Renderer();
}

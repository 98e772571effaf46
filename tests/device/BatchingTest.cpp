#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "GLFixture.h"

namespace {

struct Letter {
    float X, Y, Z;
    int Col, Row;
    D3DCOLOR Color;
};
struct Column {
    float X, Y, Z;
    bool Vertical, Leader;
    std::vector<Letter> Letters;
};

// A rain-like scene: columns of letters at many depths, sorted farthest first, some with
// leaders, overlapping on screen, with a whole-scene turn.
std::vector<Column> MakeScene(uint32_t seed, int columns) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<Column> scene(columns);
    for (auto& c : scene) {
        c.X = std::floor(unit(random) * 30 - 15);
        c.Y = -(unit(random) * 40 + 4);
        c.Z = std::floor(unit(random) * 24 - 12);
        c.Vertical = unit(random) < 0.8f;
        c.Leader = unit(random) < 0.5f;
        const int length = 3 + static_cast<int>(unit(random) * 20);
        for (int j = 0; j < length; ++j) {
            Letter l;
            l.X = c.Vertical ? c.X : c.X - j;
            l.Y = c.Y;
            l.Z = c.Vertical ? c.Z - j : c.Z;
            l.Col = static_cast<int>(unit(random) * 10);
            l.Row = static_cast<int>(unit(random) * 8);
            const float a = unit(random);
            l.Color = mDXGraphics::ColorFromFloats(a * 0.2f, a * 0.9f, a * 0.3f, 1);
            c.Letters.push_back(l);
        }
    }
    std::sort(scene.begin(), scene.end(), [](const Column& a, const Column& b) { return a.Y < b.Y; });
    return scene;
}

// A texture with a noisy pattern, so that filtering and every texel matter.
cImage NoiseAtlas() {
    cImage image(256, 256);
    std::mt19937 random(7);
    for (auto& p : image.Pixels) {
        const uint32_t v = random() & 0xFF;
        p = 0xFF000000u | (v << 16) | (v << 8) | v;
    }
    return image;
}

class Batching : public GLDeviceTest {
protected:
    // Draws the scene as the renderer does: letters with bias 0, then leaders with bias 1,
    // every quad its own draw with its own world transform and ambient colour.
    void DrawScene(const std::vector<Column>& scene, int32_t texture, float sceneAngle) {
        iDirect3DDevice& d = *Wrapper.Device;
        ASSERT_TRUE(Wrapper.BeginScene(View));
        Wrapper.SetTexture(0, texture);
        BeginLetters();
        D3DMATRIX turn;
        mDXGraphics::TransformRotationY(turn, sceneAngle);
        auto draw = [&](float x, float y, float z, float u, float v, float s, D3DCOLOR color) {
            DrawLetter(x, y, z, u, v, s, color, turn);
        };
        for (const auto& c : scene) {
            d.SetRenderState(D3DRS_ZBIAS, 0);
            for (const auto& l : c.Letters) draw(l.X, l.Y, l.Z, l.Col / 16.0f, l.Row / 16.0f, 1 / 16.0f, l.Color);
        }
        d.SetRenderState(D3DRS_LIGHTING, 1);
        d.SetRenderState(D3DRS_ZBIAS, 1);
        for (const auto& c : scene)
            if (c.Leader) draw(c.X, c.Y, c.Z, 0, 0.75f, 0.25f, mDXGraphics::ColorFromFloats(0.6f, 0.6f, 0.6f, 1));
        Wrapper.SetTexture(0, 0);
        Wrapper.EndScene();
    }
};

}  // namespace

TEST_F(Batching, GatheredFrameEqualsOneGLDrawPerLetterPixelForPixel) {
    // A noisy texture makes every texel count; the real atlas is what the program shows.
    const int32_t noise = LoadImage(NoiseAtlas(), "noise.png");
    const int32_t atlas = Wrapper.LoadTexture(GLYPHFALL_ATLAS_FILE, -1);
    for (uint32_t seed : {1u, 2u}) {
        const int32_t texture = seed == 1 ? noise : atlas;
        const auto scene = MakeScene(seed, 150);
        Gl->SetFlushEveryDraw(true);
        DrawScene(scene, texture, 0.3f * seed);
        const cImage separate = Context.ReadPixels();
        const cGLFrameStats separateStats = Gl->LastFrameStats();

        Gl->SetFlushEveryDraw(false);
        DrawScene(scene, texture, 0.3f * seed);
        const cImage gathered = Context.ReadPixels();
        const cGLFrameStats gatheredStats = Gl->LastFrameStats();

        EXPECT_EQ(separateStats.DrawCalls, separateStats.DeviceDraws);
        EXPECT_GT(gatheredStats.DeviceDraws, 1000u);
        EXPECT_LE(gatheredStats.DrawCalls, 3u);
        EXPECT_EQ(gatheredStats.Primitives, separateStats.Primitives);
        const auto lit = std::count_if(gathered.Pixels.begin(), gathered.Pixels.end(),
                                       [](uint32_t p) { return (p & 0xFFFFFF) != 0; });
        EXPECT_GT(lit, W * H / 4) << "the scene should cover much of the picture";
        size_t differing = 0;
        for (size_t i = 0; i < gathered.Pixels.size(); ++i) differing += gathered.Pixels[i] != separate.Pixels[i];
        EXPECT_EQ(differing, 0u) << "seed " << seed;
        WriteFrameForInspection(gathered, "rain-" + std::to_string(seed) + ".png");
    }
}

TEST_F(Batching, ColourAndTransformChangesKeepOneBatchRasterStatesViewsAndTexturesEndIt) {
    const int32_t texture = LoadImage(NoiseAtlas(), "noise.png"), white = White();
    ASSERT_TRUE(Wrapper.BeginScene(View));
    Wrapper.SetTexture(0, texture);
    BeginLetters();
    for (int i = 0; i < 50; ++i) DrawLetter(static_cast<float>(i % 7), -10.0f - i, 0, 0, 0, 0.0625f, 0xFF000000u + i);
    Wrapper.Device->SetRenderState(D3DRS_LIGHTING, 1);  // colour only
    Wrapper.Device->SetRenderState(D3DRS_ZBIAS, 0);     // unchanged value
    EXPECT_EQ(Gl->CurrentFrameStats().DrawCalls, 0u);
    Wrapper.Device->SetRenderState(D3DRS_ZBIAS, 1);
    EXPECT_EQ(Gl->CurrentFrameStats().DrawCalls, 1u);
    EXPECT_EQ(Gl->CurrentFrameStats().Primitives, 100u);
    DrawLetter(0, -5, 0, 0, 0, 0.0625f, 0xFFFFFFFFu);
    Wrapper.SetTexture(0, white);
    DrawLetter(0, -6, 0, 0, 0, 1, 0xFFFFFFFFu);
    D3DMATRIX other = View;
    other.m[3][0] += 1;
    Wrapper.Device->SetTransform(D3DTS_VIEW, other);
    DrawLetter(0, -7, 0, 0, 0, 1, 0xFFFFFFFFu);
    Wrapper.EndScene();
    EXPECT_EQ(Gl->LastFrameStats().DrawCalls, 4u);
    EXPECT_EQ(Gl->LastFrameStats().DeviceDraws, 53u);
}

#pragma once
// A device on a headless EGL context, set up as the program sets up its own, plus a
// small letter-drawing helper that issues the same call sequence as the renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

#include "device/cDevice.h"
#include "device/cImage.h"
#include "device/gl/cEGLContext.h"
#include "device/gl/cGLDirect3D.h"
#include "device/mDXGraphics.h"
#include "support/FakePlatform.h"
#include "support/HeadlessDevice.h"
#include "support/TempDir.h"

struct QuadVertex {
    float x, y, z, nx, ny, nz, tu, tv;
};

class GLDeviceTest : public ::testing::Test {
protected:
    static constexpr int32_t W = 160, H = 120;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(Context.Create(W, H, error)) << error;
        ASSERT_EQ(testing_support::OpenDeviceOn(Context, Wrapper), "");
        Gl = dynamic_cast<iGLDevice*>(Wrapper.Device.get());
        ASSERT_NE(Gl, nullptr);
        Wrapper.Device->CreateVertexBuffer(192, 0, D3DFVF_QUADVERTEX, D3DPOOL_DEFAULT, Buffer);
        mDXGraphics::TransformLookAtLH(View, mDXGraphics::MakeVector(0, 1, 0), mDXGraphics::MakeVector(0, 0, 0),
                                       mDXGraphics::MakeVector(0, 0, -1));
    }
    void TearDown() override { testing_support::CloseHeadlessDevice(Wrapper); }

    // The renderer's per-call set-up: vertex format, white ambient, white material.
    void BeginLetters() {
        iDirect3DDevice& d = *Drawing->Device;
        d.SetVertexShader(D3DFVF_QUADVERTEX);
        d.SetRenderState(D3DRS_AMBIENT, mDXGraphics::ColorFromFloats(1, 1, 1, 1));
        D3DMATERIAL8 material;
        material.Diffuse = material.Ambient = {1, 1, 1, 0};
        d.SetMaterial(material);
    }

    // One letter quad of texture cell (u, v, size s) at world (x, y, z) in colour c, the
    // whole scene turned by the given matrix.
    void DrawLetter(float x, float y, float z, float u, float v, float s, D3DCOLOR color,
                    const D3DMATRIX& turn = mDXGraphics::IdentityTransform) {
        const QuadVertex q[6] = {{-0.5f, 0, -0.5f, 0, -1, 0, u, v},     {0.5f, 0, 0.5f, 0, -1, 0, u + s, v + s},
                                 {0.5f, 0, -0.5f, 0, -1, 0, u + s, v},  {-0.5f, 0, -0.5f, 0, -1, 0, u, v},
                                 {-0.5f, 0, 0.5f, 0, -1, 0, u, v + s},  {0.5f, 0, 0.5f, 0, -1, 0, u + s, v + s}};
        iDirect3DDevice& d = *Drawing->Device;
        mDXGraphics::VertexBufferSetData(*Buffer, 0, sizeof q, 0, q);
        d.SetRenderState(D3DRS_AMBIENT, color);
        D3DMATRIX world;
        mDXGraphics::TransformTranslation(world, x, y, z);
        mDXGraphics::TransformMultiply(world, world, turn);
        d.SetTransform(D3DTS_WORLD, world);
        d.SetStreamSource(0, Buffer.get(), sizeof(QuadVertex));
        ASSERT_EQ(d.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    }

    // One frame: the texture on stage 0, the renderer's set-up, then the draws given.
    cImage Frame(int32_t texture, const std::function<void()>& draws) {
        EXPECT_TRUE(Drawing->BeginScene(View));
        Drawing->SetTexture(0, texture);
        BeginLetters();
        draws();
        Drawing->EndScene();
        return Context.ReadPixels();
    }

    // Where a world point lands on the picture, in pixels from the top left.
    void Project(float x, float y, float z, float& px, float& py) {
        D3DMATRIX vp;
        mDXGraphics::TransformMultiply(vp, View, Wrapper.Projection());
        float c[4];
        for (int k = 0; k < 4; ++k) c[k] = x * vp.m[0][k] + y * vp.m[1][k] + z * vp.m[2][k] + vp.m[3][k];
        px = (c[0] / c[3] + 1.0f) * 0.5f * W;
        py = (1.0f - c[1] / c[3]) * 0.5f * H;
    }

    int32_t LoadImage(const cImage& image, const std::string& name) {
        std::string error;
        EXPECT_TRUE(mImage::WritePng(Folder.File(name), image, error)) << error;
        return Wrapper.LoadTexture(Folder.File(name), -1);
    }
    int32_t White() { return LoadImage(cImage(16, 16, 0xFFFFFFFFu), "white.png"); }

    // With GLYPHFALL_FRAME_DIR set, frames are also written there as PNG files to look at.
    static void WriteFrameForInspection(const cImage& frame, const std::string& name) {
        const char* dir = std::getenv("GLYPHFALL_FRAME_DIR");
        if (!dir) return;
        std::string error;
        EXPECT_TRUE(mImage::WritePng(std::string(dir) + "/" + name, frame, error)) << error;
    }

    testing_support::ScopedFakePlatform Platform;
    testing_support::TempDir Folder;
    cEGLContext Context;
    cDevice Wrapper;
    cDevice* Drawing = &Wrapper;  // the device the letters and frames go to
    iGLDevice* Gl = nullptr;
    std::shared_ptr<cVertexBuffer> Buffer;
    D3DMATRIX View;
};

#pragma once
// What the devices made on one GL context share: the linked programs, and the textures made
// from the same picture. Every output of a Wayland host has a window and a device of its own,
// all on one context: a further output's device then starts without compiling the shaders or
// uploading the atlas again (the software rasteriser keeps the code it generates for a shader
// with its program, so that is shared too). Private to the backend.
//
// The devices set every uniform a draw reads before the draw, so a program one device used
// last holds nothing the next one relies on. The objects of one context never reach a device
// on another: a context's table is found by the context current on the thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cImage;
class cTexture;

// The context current on this thread (an EGLContext or a GLXContext); nullptr when none is.
void* CurrentGLContext();

class cGLShared {
public:
    // The table of the context current on this thread, made on first use; nothing without a
    // context. It lives while a device made on the context holds it: the devices of a context
    // go before the context itself.
    static std::shared_ptr<cGLShared> OfCurrentContext();
    explicit cGLShared(void* iContext) : Context_(iContext) {}
    ~cGLShared();
    cGLShared(const cGLShared&) = delete;
    cGLShared& operator=(const cGLShared&) = delete;

    // The program of these two sources, linked on the first request only; 0 with the reason.
    uint32_t Program(const char* iVertexSource, const std::string& iFragmentSource, std::string& oError);
    // A texture a device on this context made from the same picture and still holds; nothing
    // where there is none.
    std::shared_ptr<cTexture> TextureOf(const cImage& iImage) const;
    void Remember(const cImage& iImage, const std::shared_ptr<cTexture>& iTexture);

private:
    void* Context_;
    struct LinkedProgram {
        std::string Vertex, Fragment;
        uint32_t Name;
    };
    std::vector<LinkedProgram> Programs_;
    struct MadeTexture {
        int32_t Width, Height;
        std::vector<uint32_t> Pixels;  // compared in full: a texture is only ever taken for its own picture
        std::weak_ptr<cTexture> Texture;
    };
    std::vector<MadeTexture> Textures_;
};

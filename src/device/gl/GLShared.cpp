#include "device/gl/GLShared.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <utility>

#include "device/cImage.h"
#include "device/gl/GLShaders.h"

namespace {
// Every context's table while a device holds it. The program draws from one thread.
std::vector<std::pair<void*, std::weak_ptr<cGLShared>>>& Tables() {
    static std::vector<std::pair<void*, std::weak_ptr<cGLShared>>> tables;
    return tables;
}
}  // namespace

std::shared_ptr<cGLShared> cGLShared::OfCurrentContext() {
    void* context = CurrentGLContext();
    if (!context) return nullptr;
    auto& tables = Tables();
    std::erase_if(tables, [](const auto& table) { return table.second.expired(); });
    for (const auto& [made, table] : tables)
        if (made == context) return table.lock();
    auto table = std::make_shared<cGLShared>(context);
    tables.emplace_back(context, table);
    return table;
}

cGLShared::~cGLShared() {
    // With another context current (or none) the names are not ours to delete; the context
    // takes them with it when it goes.
    if (CurrentGLContext() != Context_) return;
    for (const LinkedProgram& program : Programs_) glDeleteProgram(program.Name);
}

uint32_t cGLShared::Program(const char* iVertexSource, const std::string& iFragmentSource, std::string& oError) {
    for (const LinkedProgram& program : Programs_)
        if (program.Vertex == iVertexSource && program.Fragment == iFragmentSource) return program.Name;
    const uint32_t name = mGLShaders::LinkProgram(iVertexSource, iFragmentSource.c_str(), oError);
    if (name) Programs_.push_back({iVertexSource, iFragmentSource, name});
    return name;
}

std::shared_ptr<cTexture> cGLShared::TextureOf(const cImage& iImage) const {
    for (const MadeTexture& made : Textures_)
        if (made.Width == iImage.Width && made.Height == iImage.Height && made.Pixels == iImage.Pixels)
            if (std::shared_ptr<cTexture> texture = made.Texture.lock()) return texture;
    return nullptr;
}

void cGLShared::Remember(const cImage& iImage, const std::shared_ptr<cTexture>& iTexture) {
    std::erase_if(Textures_, [](const MadeTexture& made) { return made.Texture.expired(); });
    Textures_.push_back({iImage.Width, iImage.Height, iImage.Pixels, iTexture});
}

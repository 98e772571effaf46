#pragma once
// The real window: a full-screen Qt window whose whole area is an OpenGL 3.3 core
// surface, with the popup menu, the pointer, desktop attachment and the browser hand-off.
// The Qt types stay inside the implementation.
#include <memory>

#include "app/WindowPlatform.h"

namespace app {

class QtWindowPlatform final : public iWindowPlatform {
public:
    // Needs the Qt application (QtRuntime::EnsureApplication) to exist. The window is
    // created hidden, with its GL context; ShowFullScreen shows it.
    QtWindowPlatform();
    ~QtWindowPlatform() override;
    QtWindowPlatform(const QtWindowPlatform&) = delete;
    QtWindowPlatform& operator=(const QtWindowPlatform&) = delete;

    void SetListener(iWindowEvents* listener) override;
    void ShowFullScreen() override;
    int Width() const override;
    int Height() const override;
    intptr_t NativeHandle() const override;
    bool MakeCurrent() override;
    void SwapBuffers() override;
    std::string LastGLError() const override;
    bool SurfaceLost() const override;
    uint32_t DefaultFramebuffer() const override;
    bool PumpEvents() override;
    void Close() override;
    bool IsOpen() const override;
    std::optional<MenuCommand> PopupMenu(const MenuModel& menu) override;
    void SetPointer(PointerKind kind) override;
    bool AttachToDesktop(bool attach) override;
    bool AttachedToDesktop() const override;
    void OpenWebPage(std::string_view url) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace app

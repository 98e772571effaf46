// The tests' Wayland client:
//   glyphfall_e2e_wayland pointer LAYOUT_W LAYOUT_H STEP...
// drives one pointer of its own through the steps: X,Y moves it there (in the output layout),
// left or right clicks, a number waits that many milliseconds (the virtual-pointer protocol of
// wlroots compositors; one device for all the steps, as a popup menu closes when the seat's
// pointer goes);
//   glyphfall_e2e_wayland socket PROGRAM ARGUMENT...
// connects to $XDG_RUNTIME_DIR/$WAYLAND_DISPLAY and runs the program with the connected socket
// in $WAYLAND_SOCKET and without $WAYLAND_DISPLAY, as a locker starts its plugin.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wayland-wlr-virtual-pointer-unstable-v1-client.h"

namespace {
zwlr_virtual_pointer_manager_v1* Manager = nullptr;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        Manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
constexpr wl_registry_listener Registry = {Global, GlobalRemove};
}  // namespace

int RunWithSocket(char** program) {
    const std::string path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + std::getenv("WAYLAND_DISPLAY");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);  // inherited: no close-on-exec
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror(path.c_str());
        return 1;
    }
    ::setenv("WAYLAND_SOCKET", std::to_string(fd).c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::execvp(program[0], program);
    std::perror(program[0]);
    return 1;
}

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "socket") return RunWithSocket(argv + 2);
    if (argc < 5 || std::string(argv[1]) != "pointer") {
        std::fprintf(stderr, "usage: %s pointer LAYOUT_W LAYOUT_H STEP... | socket PROGRAM...\n", argv[0]);
        return 2;
    }
    ++argv;
    --argc;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &Registry, nullptr);
    wl_display_roundtrip(display);
    if (!Manager) {
        std::fprintf(stderr, "the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(Manager, nullptr);
    // The seat gains its pointer with this device: clients bind theirs when they hear of it.
    wl_display_roundtrip(display);
    ::usleep(800 * 1000);
    const uint32_t width = static_cast<uint32_t>(std::atoi(argv[1])), height = static_cast<uint32_t>(std::atoi(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const std::string step = argv[i];
        if (step == "left" || step == "right") {
            for (uint32_t state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
                zwlr_virtual_pointer_v1_button(pointer, 0, step == "right" ? 0x111 : 0x110, state);  // BTN_RIGHT, BTN_LEFT
                zwlr_virtual_pointer_v1_frame(pointer);
                wl_display_roundtrip(display);
            }
        } else if (const auto comma = step.find(','); comma != std::string::npos) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, 0, static_cast<uint32_t>(std::stoi(step)),
                                                    static_cast<uint32_t>(std::stoi(step.substr(comma + 1))), width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
            wl_display_roundtrip(display);
        } else {
            ::usleep(static_cast<useconds_t>(std::stoi(step)) * 1000);
        }
        ::usleep(100 * 1000);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}

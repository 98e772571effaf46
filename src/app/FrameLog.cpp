#include "app/FrameLog.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace app {

std::unique_ptr<cFrameLog> cFrameLog::FromEnvironment() {
    const char* path = std::getenv("GLYPHFALL_FRAME_LOG");
    if (!path || !*path) return nullptr;
    std::FILE* file = std::fopen(path, "w");
    if (!file) {
        std::fprintf(stderr, "glyphfall: cannot write the frame log %s: %s\n", path, std::strerror(errno));
        return nullptr;
    }
    return std::make_unique<cFrameLog>(file);
}

cFrameLog::~cFrameLog() { std::fclose(File_); }

void cFrameLog::Tick(int64_t now, bool swapWaits) {
    constexpr int64_t Second = 1000000;
    if (LineDue_ < 0) LineDue_ = now + Second;
    if (now < LineDue_) return;
    std::fprintf(File_, "frames %d steps %d %s\n", Frames_, Steps_, swapWaits ? "swap" : "timer");
    std::fflush(File_);
    Frames_ = Steps_ = 0;
    LineDue_ = now - LineDue_ < Second ? LineDue_ + Second : now + Second;
}

}  // namespace app

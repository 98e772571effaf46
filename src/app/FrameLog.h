#pragma once
// A line a second of what the main loop did: how many frames it drew and how many steps the
// rain took in that second, and whether the display's refresh or the program's own timer paced
// them. Written to the file the environment variable GLYPHFALL_FRAME_LOG names, for the window
// tests and for anyone who wants to see the pacing; it counts, and measures nothing.
#include <cstdint>
#include <cstdio>
#include <memory>

namespace app {

class cFrameLog {
public:
    // The log GLYPHFALL_FRAME_LOG asks for; nothing when it names no file, or one that cannot
    // be written (said on standard error).
    static std::unique_ptr<cFrameLog> FromEnvironment();
    explicit cFrameLog(std::FILE* file) : File_(file) {}
    ~cFrameLog();
    cFrameLog(const cFrameLog&) = delete;
    cFrameLog& operator=(const cFrameLog&) = delete;

    void Count(bool drawn, bool stepped) {
        Frames_ += drawn ? 1 : 0;
        Steps_ += stepped ? 1 : 0;
    }
    // Once a second of the clock (microseconds) has passed since the last line: a line with
    // what was counted since, as "frames 60 steps 20 timer" (or "swap": the swap waited for
    // the refresh). A loop that was held up longer writes one line for the whole time.
    void Tick(int64_t now, bool swapWaits);

private:
    std::FILE* File_;
    int64_t LineDue_ = -1;
    int32_t Frames_ = 0, Steps_ = 0;
};

}  // namespace app

#include "app/LockScreen.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <csignal>

namespace app {

cLockScreen::cLockScreen(iPasswordCheck& check) : Check_(check) {}

cLockScreen::~cLockScreen() {
    if (Checker_.joinable()) Checker_.join();
    Typed_.Clear();
}

void cLockScreen::Press(LockKey key, std::string_view text) {
    if (Checking_ || Unlocked_) return;
    switch (key) {
        case LockKey::Character:
            if (!Typed_.Append(text)) return;
            break;
        case LockKey::Backspace:
            if (Typed_.Characters() == 0) return;
            Typed_.RemoveLast();
            break;
        case LockKey::Escape:
            Typed_.Clear();
            break;
        case LockKey::Enter:
            if (Typed_.Characters() > 0) StartCheck();
            return;
        case LockKey::Ignored:
            return;
    }
    Respell();
}

void cLockScreen::SetCapsLock(bool on) {
    if (on == CapsLock_) return;
    CapsLock_ = on;
    if (!Unlocked_) Respell();
}

void cLockScreen::StartCheck() {
    Checking_ = true;
    Answered_ = false;
    if (Checker_.joinable()) Checker_.join();
    // The text stays where it is until the answer: keys are ignored meanwhile.
    Checker_ = std::thread([this] {
        Right_ = Check_.Check(Typed_.Data(), Typed_.Size());
        Answered_.store(true, std::memory_order_release);
    });
}

void cLockScreen::Poll() {
    if (!Checking_ || !Answered_.load(std::memory_order_acquire)) return;
    Checker_.join();
    Checking_ = false;
    Typed_.Clear();
    if (Right_) {
        Unlocked_ = true;
        return;
    }
    Respell(true);
}

void cLockScreen::Respell(bool wrong) {
    std::string text(wrong ? WrongWord : std::string_view());
    for (size_t i = 0; i < Typed_.Characters(); ++i) text += MaskGlyph;
    if (CapsLock_) text += "<br>" + std::string(CapsLockWord);
    Spelling_ = std::move(text);
}

std::optional<std::string> cLockScreen::TakeSpelling() {
    std::optional<std::string> spelling = std::move(Spelling_);
    Spelling_.reset();
    return spelling;
}

void HardenForLock() {
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_IGN);
}

}  // namespace app

#include "core/EndSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace mCore {

namespace {

constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t Received = 0;
volatile sig_atomic_t Acknowledged = 0;
int Pipe[2] = {-1, -1};
bool Installed = false;

void SetHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int other : Signals) sigaddset(&action.sa_mask, other);  // one handler at a time
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

// Only async-signal-safe calls in here.
void OnEndSignal(int signal) {
    if (Acknowledged != 0) {
        // The orderly end is already under way and the sender insists: end now, by the signal.
        SetHandler(signal, SIG_DFL);
        ::raise(signal);  // delivered as soon as this handler returns
        return;
    }
    // Not a second request: the same end asked for twice at once (timeout(1) and systemd, for
    // example, signal the process and its group), before the program could act on it.
    if (Received != 0) return;
    Received = signal;
    const int saved = errno;
    const char byte = 1;
    if (Pipe[1] >= 0) (void)!::write(Pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

int CatchEndSignals() {
    if (!Installed) {
        if (Pipe[0] < 0 && ::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0) Pipe[0] = Pipe[1] = -1;
        for (int signal : Signals) SetHandler(signal, OnEndSignal);
        Installed = true;
    }
    return Pipe[0];
}

int EndSignalReceived() { return Received; }

void AcknowledgeEndSignal() {
    if (Received != 0) Acknowledged = 1;
    char bytes[16];
    if (Pipe[0] >= 0)
        while (::read(Pipe[0], bytes, sizeof bytes) > 0) {
        }
}

void ReleaseEndSignals() {
    for (int signal : Signals) SetHandler(signal, SIG_DFL);
    Installed = false;
    AcknowledgeEndSignal();
    Received = 0;
    Acknowledged = 0;
}

}  // namespace mCore

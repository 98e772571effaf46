#pragma once
// Requests to end that arrive as signals: SIGTERM (a logout, a shutdown, a session manager),
// SIGINT (Ctrl+C) and SIGHUP (the terminal went away). The first one asks for an orderly end,
// which the running mode carries out on its own thread, between two frames: the window's
// unload, or the renderer stopping after the frame it is on. A second one, once the mode has
// taken up the first (AcknowledgeEndSignal) and while that end is still under way, ends the
// process at once, as the signal itself would.
namespace mCore {

// Installs the handlers (once; later calls change nothing). Returns a descriptor that becomes
// readable when an end is asked for, for an event loop to watch; -1 if none could be made,
// and then only polling EndSignalReceived notices.
int CatchEndSignals();

// The signal that asked for the end, or 0.
int EndSignalReceived();

// Says that the running mode has taken up the request and begins its end; drains the
// descriptor, so that a watcher is woken once per request.
void AcknowledgeEndSignal();

// Gives the three signals back their default handling and forgets a received one.
void ReleaseEndSignals();

}  // namespace mCore

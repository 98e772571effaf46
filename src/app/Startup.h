#pragma once
// The entry procedure, start-up and shutdown, and the one settings store.
#include <functional>
#include <string_view>

#include "settings/cValues.h"

namespace mCore {

extern cValues Settings;

// How the window's life ended: the exit status, and whether the controller's end was asked
// for (its unload released what it held and stored the last settings). Such an end goes on
// through ShutDown, which writes the settings; a start that failed, or an unload that failed
// and said so, ends with the status alone, writing nothing.
struct RunEnd {
    int ExitCode = 1;
    bool Orderly = false;
};

// What the entry procedure hands on to the layers above it (the graphics root objects
// and the main window), so that it can be driven and tested without them.
struct StartupHooks {
    std::function<bool()> InitializeGraphics;  // creates the graphics root objects
    std::function<void()> ReleaseGraphics;
    std::function<RunEnd()> ShowMainWindow;    // runs the window's whole life; says how it ended
};
void SetStartupHooks(StartupHooks hooks);

extern const char* const ConfigureHint;

// Reads the first settings file there is into the store and makes the user's own file the
// one to write: a system-wide default is read, never written. A file that is there but
// cannot be used is named on standard error and read as no file.
void LoadSettings(cValues& store);
// Writes the store to its file; when that fails, one line on standard error says why.
bool SaveSettings(cValues& store);
void ReportUnsavedSettings(const cValues& store);

// Drawing into a window another program owns (a screen saver's): that program starts a copy
// per monitor and one for its settings dialog's preview, so no one-copy lock is taken, and the
// settings file is read, never written.
void SetHosted(bool hosted);
bool Hosted();

// Decides from the argument text whether the program runs; returns the exit code: 0 after
// the early ends, otherwise what the window's life came to. An orderly end of that life
// does not return: it goes on through ShutDown, the program's one end.
int Main(std::string_view argumentText);
void Initialize();
// Releases the graphics root objects, writes the settings and terminates the process with
// exitCode (not 0 when the program ends because its start failed).
[[noreturn]] void ShutDown(int exitCode = 0);

}  // namespace mCore

#pragma once
// Adding the program to the user's xscreensaver list (glyphfall --add-to-xscreensaver).
// xscreensaver lists a saver only once it is in the "programs:" resource of ~/.xscreensaver
// (or, without one there, of the system's app-defaults file). The resource is one value over
// many lines: each entry ends with the two characters "\n", each line but the last with a
// backslash that joins it to the next. The edit appends one entry at the end of the list, so
// the index "selected:" keeps pointing at the same saver, and leaves every other line as it was.
#include <string>
#include <string_view>

namespace app {

enum class ListOutcome {
    Added,
    AlreadyListed,   // the list has an entry running the program; nothing changed
    ListedDisabled,  // the same, but the entry is switched off (a leading "-")
};

struct ListEdit {
    ListOutcome Outcome = ListOutcome::Added;
    std::string Text;  // the file's new text (Added), else the text as it was
};

// The entry the list gets: xscreensaver's GL visual, the label (which keeps the settings
// dialog from spelling the name from the command), the command with --root.
std::string ProgramsEntry(std::string_view command);

// Adds the entry to the last "programs:" resource of fileText (the user's file; empty when
// there is none). A file without a list of its own starts one from the system's list
// (appDefaults: the text of the app-defaults file, its "*programs:" resource; empty when
// there is none), so that adding Glyphfall hides no other saver. An entry whose command is
// program (by file name, with or without a folder) counts as the program already listed.
ListEdit AddToProgramsList(std::string_view fileText, std::string_view appDefaults, std::string_view entry,
                           std::string_view program = "glyphfall");

// The switch itself: edits $HOME/.xscreensaver (written whole to a new file renamed over the
// old, through any link to it), says on standard output what it did, on standard error why
// it could not; returns the exit status.
int AddToXScreenSaver();

}  // namespace app

#pragma once
// Where the program finds its glyph atlas and keeps its settings file.
//
// A copy run from a writable folder of its own (the atlas or a settings file beside it)
// keeps everything beside itself, as it always has. An installed program (bin/ beside
// share/) finds the atlas in its data folder and keeps the settings in the user's
// configuration folder, as Linux programs do.
#include <string>
#include <string_view>
#include <vector>

namespace mLocations {

inline constexpr std::string_view AtlasFileName = "tex.png";
inline constexpr std::string_view SettingsFileName = "glyphfall.ini";
inline constexpr std::string_view FolderName = "glyphfall";  // under the XDG folders

// The environment the search depends on, as raw values (empty when unset).
struct Environment {
    std::string Home, ConfigHome, ConfigDirs, DataHome, DataDirs;
    static Environment Current();
};

// The installed data folder: relative to the program's folder (so a moved tree still
// works) and the absolute one of the configured prefix.
struct InstalledData {
    std::string FromProgram, Absolute;
    static InstalledData Configured();
};

// Every place the atlas may be, in the order they are tried: beside the program, the
// installed data folder (relative, then the prefix's), $XDG_DATA_HOME, $XDG_DATA_DIRS.
std::vector<std::string> AtlasSearchPath(std::string_view appPath, const Environment& env,
                                         const InstalledData& installed);

struct SettingsFiles {
    std::string WriteTo;                 // empty when there is no place to write
    std::vector<std::string> ReadOrder;  // WriteTo first; the first that exists is read
};
// Beside the program when it is a writable copy of its own; otherwise the user's
// $XDG_CONFIG_HOME/glyphfall/glyphfall.ini. Read also: a settings file beside a program
// whose folder cannot be written, then $XDG_CONFIG_DIRS (never written).
SettingsFiles SettingsLocations(std::string_view appPath, const Environment& env);

// The same, for the running program in the current environment.
std::vector<std::string> AtlasSearchPath(std::string_view appPath);
SettingsFiles SettingsLocations(std::string_view appPath);

// The first of the files that exists and can be read; empty when none does.
std::string FirstReadable(const std::vector<std::string>& files);

// Tries to create a file in the folder (permission bits say yes to root even on a
// read-only mount); leaves nothing behind.
bool FolderIsWritable(std::string_view folder);

// Creates the missing folders above the file, private to the user as XDG asks. False when
// one cannot be made, oWhy naming it and the system's reason ("Permission denied").
bool MakeFolderFor(std::string_view file, std::string& oWhy);

}  // namespace mLocations

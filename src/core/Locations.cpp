#include "core/Locations.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace mLocations {

namespace {

namespace fs = std::filesystem;

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

// The XDG rules: a relative value is invalid and ignored, as if it were unset.
std::string FolderOrDefault(const std::string& value, const std::string& home, std::string_view belowHome) {
    if (IsAbsolute(value)) return value;
    if (IsAbsolute(home)) return home + std::string(belowHome);
    return {};
}

std::vector<std::string> FolderList(std::string_view value, std::string_view fallback) {
    std::vector<std::string> folders;
    while (!value.empty()) {
        const size_t colon = value.find(':');
        const std::string_view entry = value.substr(0, colon);
        if (IsAbsolute(entry)) folders.emplace_back(entry);
        value = colon == std::string_view::npos ? std::string_view{} : value.substr(colon + 1);
    }
    if (folders.empty() && !fallback.empty()) return FolderList(fallback, {});
    return folders;
}

std::string FileIn(std::string_view folder, std::string_view name) {
    return (fs::path(folder) / name).lexically_normal().string();
}

std::string OurFileIn(std::string_view xdgFolder, std::string_view name) {
    return FileIn((fs::path(xdgFolder) / FolderName).string(), name);
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void AddOnce(std::vector<std::string>& files, std::string file) {
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(std::move(file));
}

}  // namespace

Environment Environment::Current() {
    Environment env{EnvironmentValue("HOME"), EnvironmentValue("XDG_CONFIG_HOME"), EnvironmentValue("XDG_CONFIG_DIRS"),
                    EnvironmentValue("XDG_DATA_HOME"), EnvironmentValue("XDG_DATA_DIRS")};
    if (env.Home.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) env.Home = user->pw_dir;
    }
    return env;
}

InstalledData InstalledData::Configured() {
#if defined(GLYPHFALL_DATA_FROM_BIN) && defined(GLYPHFALL_DATA_DIR)
    return {GLYPHFALL_DATA_FROM_BIN, GLYPHFALL_DATA_DIR};
#else
    return {};
#endif
}

std::vector<std::string> AtlasSearchPath(std::string_view appPath, const Environment& env,
                                         const InstalledData& installed) {
    std::vector<std::string> files{FileIn(appPath, AtlasFileName)};
    if (!installed.FromProgram.empty())
        AddOnce(files, FileIn((fs::path(appPath) / installed.FromProgram).string(), AtlasFileName));
    if (IsAbsolute(installed.Absolute)) AddOnce(files, FileIn(installed.Absolute, AtlasFileName));
    if (const std::string dataHome = FolderOrDefault(env.DataHome, env.Home, "/.local/share"); !dataHome.empty())
        AddOnce(files, OurFileIn(dataHome, AtlasFileName));
    for (const std::string& folder : FolderList(env.DataDirs, "/usr/local/share:/usr/share"))
        AddOnce(files, OurFileIn(folder, AtlasFileName));
    return files;
}

SettingsFiles SettingsLocations(std::string_view appPath, const Environment& env) {
    SettingsFiles files;
    const std::string beside = FileIn(appPath, SettingsFileName);
    // A copy of its own: the atlas or a settings file lies beside it. An installed program
    // never writes into its bin folder, even where it could (root, a user's ~/.local).
    const bool ownCopy = IsFile(FileIn(appPath, AtlasFileName)) || IsFile(beside);
    if (ownCopy && FolderIsWritable(appPath)) {
        files.WriteTo = beside;
    } else if (const std::string config = FolderOrDefault(env.ConfigHome, env.Home, "/.config"); !config.empty()) {
        files.WriteTo = OurFileIn(config, SettingsFileName);
    }
    if (!files.WriteTo.empty()) files.ReadOrder.push_back(files.WriteTo);
    AddOnce(files.ReadOrder, beside);
    for (const std::string& folder : FolderList(env.ConfigDirs, "/etc/xdg"))
        AddOnce(files.ReadOrder, OurFileIn(folder, SettingsFileName));
    return files;
}

std::vector<std::string> AtlasSearchPath(std::string_view appPath) {
    return AtlasSearchPath(appPath, Environment::Current(), InstalledData::Configured());
}

SettingsFiles SettingsLocations(std::string_view appPath) {
    return SettingsLocations(appPath, Environment::Current());
}

std::string FirstReadable(const std::vector<std::string>& files) {
    for (const std::string& file : files)
        if (IsFile(file) && ::access(file.c_str(), R_OK) == 0) return file;
    return {};
}

bool FolderIsWritable(std::string_view folder) {
    const std::string path = folder.empty() ? std::string(".") : std::string(folder);
    int fd = ::open(path.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);  // a file without a name
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;  // refused, read-only, missing
    // The file system has no unnamed files: make a named one and take it away again.
    std::string probe = FileIn(path, ".glyphfall-probe-XXXXXX");
    fd = ::mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool MakeFolderFor(std::string_view file, std::string& oWhy) {
    fs::path partial;
    for (const fs::path& part : fs::path(file).parent_path()) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            oWhy = "the folder " + partial.string() + " could not be made: " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

}  // namespace mLocations

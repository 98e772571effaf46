#include "app/XScreenSaverList.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/mFileSystem.h"

namespace app {

namespace {

constexpr std::string_view AppDefaultsFile = "/etc/X11/app-defaults/XScreenSaver";
constexpr size_t MaxListFileBytes = 4 << 20;

// A file as its lines, without their line feeds, and whether the last one had one.
struct Lines {
    std::vector<std::string> Items;
    bool FinalNewline = true;
};

Lines SplitLines(std::string_view text) {
    Lines lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.Items.emplace_back(text.substr(0, end));
        lines.FinalNewline = end != std::string_view::npos;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string JoinLines(const Lines& lines) {
    std::string text;
    for (size_t i = 0; i < lines.Items.size(); ++i) {
        text += lines.Items[i];
        if (i + 1 < lines.Items.size() || lines.FinalNewline) text += '\n';
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A line ending in an odd number of backslashes goes on in the next one.
bool Continues(std::string_view line) {
    size_t count = 0;
    while (count < line.size() && line[line.size() - 1 - count] == '\\') ++count;
    return count % 2 == 1;
}

bool IsComment(std::string_view line) {
    const std::string_view text = Trim(line);
    return !text.empty() && (text[0] == '!' || text[0] == '#');
}

bool StartsProgramsResource(std::string_view line) {
    const size_t colon = line.find(':');
    if (IsComment(line) || colon == std::string_view::npos) return false;
    const std::string_view name = Trim(line.substr(0, colon));
    return name == "programs" || name.ends_with("*programs") || name.ends_with(".programs");
}

// The first and last line of a resource.
struct Span {
    size_t First = 0, Last = 0;
};

// The resource database takes the last of a name, so the last list is the one in use.
std::optional<Span> LastProgramsResource(const std::vector<std::string>& lines) {
    std::optional<Span> found;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t first = i;
        while (!IsComment(lines[first]) && Continues(lines[i]) && i + 1 < lines.size()) ++i;
        if (StartsProgramsResource(lines[first])) found = Span{first, i};
    }
    return found;
}

// What follows the resource's name; the joining backslashes are left out.
std::string_view ValuePart(std::string_view line, bool first) {
    if (first) line.remove_prefix(line.find(':') + 1);
    if (Continues(line)) line.remove_suffix(1);
    return line;
}

// The command's program in an entry ("- GL: \"Label\" /usr/bin/x --root"), by file name, and
// whether the entry is switched off; nothing for an empty entry.
std::optional<std::pair<std::string, bool>> ProgramOf(std::string_view entry) {
    entry = Trim(entry);
    const bool disabled = entry.starts_with('-');
    if (disabled) entry = Trim(entry.substr(1));
    const size_t visualEnd = entry.find_first_of(" \t\":");
    if (visualEnd != std::string_view::npos && entry[visualEnd] == ':') entry = Trim(entry.substr(visualEnd + 1));
    if (entry.starts_with('"')) {
        const size_t close = entry.find('"', 1);
        entry = close == std::string_view::npos ? std::string_view() : Trim(entry.substr(close + 1));
    }
    std::string_view word = entry.substr(0, entry.find_first_of(" \t"));
    if (word.empty()) return std::nullopt;
    if (const size_t slash = word.rfind('/'); slash != std::string_view::npos) word.remove_prefix(slash + 1);
    return std::pair{std::string(word), disabled};
}

// Whether the list runs the program: nothing when not; an entry switched on wins.
std::optional<ListOutcome> ListingOf(const std::vector<std::string>& lines, Span span, std::string_view program) {
    std::string value;
    for (size_t i = span.First; i <= span.Last; ++i) value += ValuePart(lines[i], i == span.First);
    std::optional<ListOutcome> listing;
    for (size_t start = 0; start <= value.size();) {
        const size_t end = std::min(value.find("\\n", start), value.size());
        const auto found = ProgramOf(std::string_view(value).substr(start, end - start));
        if (found && found->first == program)
            listing = found->second && listing != ListOutcome::AlreadyListed ? ListOutcome::ListedDisabled
                                                                              : ListOutcome::AlreadyListed;
        start = end + 2;
    }
    return listing;
}

// The system's list as a resource of the user's file, or an empty list.
std::vector<std::string> SystemList(std::string_view appDefaults) {
    const Lines lines = SplitLines(appDefaults);
    const std::optional<Span> span = LastProgramsResource(lines.Items);
    if (!span) return {"programs:"};
    std::vector<std::string> list(lines.Items.begin() + static_cast<std::ptrdiff_t>(span->First),
                                  lines.Items.begin() + static_cast<std::ptrdiff_t>(span->Last) + 1);
    list.front() = "programs:" + list.front().substr(list.front().find(':') + 1);
    return list;
}

// The entry goes after the last one: the list's last line joins the next, which is the entry's.
void AppendEntry(std::vector<std::string>& lines, Span span, std::string_view entry) {
    std::string& last = lines[span.Last];
    if (!Continues(last)) {
        const std::string_view value = Trim(ValuePart(last, span.Last == span.First));
        last += value.empty() || value.ends_with("\\n") ? "\\" : " \\n\\";
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(span.Last) + 1, "  " + std::string(entry) + " \\n");
}

// "glyphfall" where $PATH finds this very program (xscreensaver runs its lines with the
// user's PATH behind its own folder of savers), else the program's whole path.
std::string CommandForSaver() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path self = fs::canonical("/proc/self/exe", error);
    if (error) return "glyphfall";
    const char* path = std::getenv("PATH");
    for (std::string_view rest = path ? path : ""; !rest.empty();) {
        const size_t colon = rest.find(':');
        const fs::path candidate = fs::path(std::string(rest.substr(0, colon))) / "glyphfall";
        if (!candidate.parent_path().empty() && fs::canonical(candidate, error) == self && !error) return "glyphfall";
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    }
    const std::string whole = self.string();
    if (whole.find_first_of(" \t'\"\\$`;&|<>()*?[]#~") == std::string::npos) return whole;
    return "'" + whole + "'";  // the daemon runs a line with such characters through /bin/sh
}

}  // namespace

std::string ProgramsEntry(std::string_view command) { return "GL: \"Glyphfall\" " + std::string(command) + " --root"; }

ListEdit AddToProgramsList(std::string_view fileText, std::string_view appDefaults, std::string_view entry,
                           std::string_view program) {
    Lines lines = SplitLines(fileText);
    std::optional<Span> span = LastProgramsResource(lines.Items);
    if (!span) {
        const std::vector<std::string> list = SystemList(appDefaults);
        span = Span{lines.Items.size(), lines.Items.size() + list.size() - 1};
        lines.Items.insert(lines.Items.end(), list.begin(), list.end());
        lines.FinalNewline = true;
    }
    if (const std::optional<ListOutcome> listing = ListingOf(lines.Items, *span, program))
        return {*listing, std::string(fileText)};
    AppendEntry(lines.Items, *span, entry);
    return {ListOutcome::Added, JoinLines(lines)};
}

int AddToXScreenSaver() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        std::fprintf(stderr, "glyphfall: HOME is not set, so there is no ~/.xscreensaver to add Glyphfall to\n");
        return 1;
    }
    const std::string file = std::string(home) + "/.xscreensaver";
    std::string text, appDefaults;
    const mFileSystem::ReadOutcome read = mFileSystem::ReadRegularFile(file, MaxListFileBytes, text);
    if (!read && read.What != mFileSystem::ReadOutcome::Kind::Missing) {
        std::fprintf(stderr, "glyphfall: %s is %s: it is left as it is\n", file.c_str(), read.Why.c_str());
        return 1;
    }
    mFileSystem::ReadRegularFile(AppDefaultsFile, MaxListFileBytes, appDefaults);  // none: a list of one
    const std::string command = CommandForSaver();
    std::string program = std::filesystem::path(command).filename().string();
    if (program.ends_with('\'')) program.pop_back();
    const ListEdit edit = AddToProgramsList(text, appDefaults, ProgramsEntry(command), program);
    switch (edit.Outcome) {
        case ListOutcome::AlreadyListed:
            std::printf("%s already lists Glyphfall; nothing changed\n", file.c_str());
            return 0;
        case ListOutcome::ListedDisabled:
            std::printf("%s lists Glyphfall, switched off; nothing changed (turn it on in xscreensaver-settings)\n",
                        file.c_str());
            return 0;
        case ListOutcome::Added:
            break;
    }
    if (!mFileSystem::ReplaceFileContents(mFileSystem::FileBehindLinks(file), edit.Text)) {
        std::fprintf(stderr, "glyphfall: %s could not be written (%s): it is left as it was\n", file.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::printf("Glyphfall added to the screen savers listed in %s\n", file.c_str());
    return 0;
}

}  // namespace app

#include "app/DesktopColors.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/mFileSystem.h"

namespace app {

namespace {

// Theme files are a few kilobytes; anything far larger is no theme file.
constexpr size_t MaxThemeFileBytes = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == text.npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The file's text, or the problem with it ("" and no text when there is no such file).
std::optional<std::string> ThemeFileText(const std::string& iFile, std::string& oProblem) {
    std::string text;
    const mFileSystem::ReadOutcome outcome = mFileSystem::ReadRegularFile(iFile, MaxThemeFileBytes, text);
    if (outcome) return text;
    if (outcome.What != mFileSystem::ReadOutcome::Kind::Missing) oProblem = iFile + ": " + outcome.Why;
    return std::nullopt;
}

// The string value of "key" inside text, where text has `"key" : "value"`.
std::optional<std::string_view> StringValue(std::string_view text, std::string_view key) {
    const std::string quoted = "\"" + std::string(key) + "\"";
    const size_t at = text.find(quoted);
    if (at == text.npos) return std::nullopt;
    std::string_view rest = Trimmed(text.substr(at + quoted.size()));
    if (rest.empty() || rest.front() != ':') return std::nullopt;
    rest = Trimmed(rest.substr(1));
    if (rest.empty() || rest.front() != '"') return std::nullopt;
    const size_t end = rest.find('"', 1);
    if (end == rest.npos) return std::nullopt;
    return rest.substr(1, end - 1);
}

}  // namespace

FoundColors ReadWalColors(const std::string& iFile) {
    FoundColors found;
    const std::optional<std::string> text = ThemeFileText(iFile, found.Problem);
    if (!text) return found;
    const std::string_view all = Trimmed(*text);
    const size_t colors = all.find("\"colors\"");
    const size_t open = colors == all.npos ? all.npos : all.find('{', colors);
    const size_t close = open == all.npos ? all.npos : all.find('}', open);
    if (all.empty() || all.front() != '{' || all.back() != '}' || close == all.npos) {
        found.Problem = iFile + ": not a wal colour file (no \"colors\" object)";
        return found;
    }
    const std::string_view object = all.substr(open, close - open);
    // color0 is the background and color7 the foreground; 1 to 6 are the theme's colours.
    for (int n = 1; n <= 6; ++n) {
        const auto value = StringValue(object, "color" + std::to_string(n));
        if (!value) continue;
        const auto color = mRain::ColorFromText(*value);
        if (color && value->front() == '#') found.Colors.push_back(*color);
    }
    if (found.Colors.empty()) found.Problem = iFile + ": holds no colours";
    return found;
}

FoundColors ReadKdeSelectionColor(const std::string& iFile) {
    FoundColors found;
    const std::optional<std::string> text = ThemeFileText(iFile, found.Problem);
    if (!text) return found;
    bool inSelection = false;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = Trimmed(rest.substr(0, end));
        rest = end == rest.npos ? std::string_view{} : rest.substr(end + 1);
        if (!line.empty() && line.front() == '[') inSelection = line == "[Colors:Selection]";
        constexpr std::string_view Key = "BackgroundNormal=";
        if (!inSelection || line.substr(0, Key.size()) != Key) continue;
        if (const auto color = mRain::ColorFromText(line.substr(Key.size()))) found.Colors.push_back(*color);
        else found.Problem = iFile + ": the selection colour is no colour";
        break;
    }
    return found;
}

DesktopColorFiles DesktopColorFiles::OfUser() {
    const auto folder = [](const char* variable, const char* underHome) -> std::string {
        const char* set = std::getenv(variable);
        if (set && set[0] == '/') return set;
        const char* home = std::getenv("HOME");
        return std::string(home ? home : "") + underHome;
    };
    return {folder("XDG_CACHE_HOME", "/.cache") + "/wal/colors.json", folder("XDG_CONFIG_HOME", "/.config") + "/kdeglobals"};
}

cDesktopColors::cDesktopColors(iAccentColorSource* iAccent, DesktopColorFiles iFiles,
                               std::function<void(const std::string&)> iSay)
    : Accent_(iAccent), Files_(std::move(iFiles)), Say_(std::move(iSay)) {
    if (!Say_) Say_ = [](const std::string& line) { std::fprintf(stderr, "glyphfall: %s\n", line.c_str()); };
}

bool cDesktopColors::Look(int32_t iNow) {
    if (LastLook_ && static_cast<int64_t>(iNow) - *LastLook_ < LookEveryMs) return false;
    LastLook_ = iNow;
    const std::vector<mRain::Color> before = Colors_;
    if (const auto accent = Accent_ ? Accent_->AccentColor() : std::nullopt) {
        Take({*accent}, "accent colour");
    } else {
        FoundColors wal = ReadWalColors(Files_.Wal);
        FoundColors kde = wal.Colors.empty() ? ReadKdeSelectionColor(Files_.Kde) : FoundColors{};
        if (!wal.Colors.empty()) Take(std::move(wal.Colors), "wal colours");
        else if (!kde.Colors.empty()) Take(std::move(kde.Colors), "KDE selection colour");
        else {
            Take({}, "");
            const std::string& problem = !wal.Problem.empty() ? wal.Problem : kde.Problem;
            SayOnce("no desktop colours found" + (problem.empty() ? "" : " (" + problem + ")") +
                    "; the rain keeps its chosen colour");
        }
    }
    const auto same = [](const mRain::Color& a, const mRain::Color& b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    return before.size() != Colors_.size() || !std::equal(before.begin(), before.end(), Colors_.begin(), same);
}

void cDesktopColors::Take(std::vector<mRain::Color> iColors, std::string iSource) {
    Colors_ = std::move(iColors);
    if (Colors_.size() > mRain::MaxPaletteColors) Colors_.resize(mRain::MaxPaletteColors);
    Source_ = std::move(iSource);
    if (!Colors_.empty()) LastSaid_.clear();  // a later loss is worth saying again
}

void cDesktopColors::SayOnce(const std::string& iLine) {
    if (iLine == LastSaid_) return;
    LastSaid_ = iLine;
    Say_(iLine);
}

}  // namespace app

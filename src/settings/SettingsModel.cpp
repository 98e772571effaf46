#include "settings/SettingsModel.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <type_traits>

#include "core/NumberText.h"
#include "core/Numeric.h"
#include "core/Text.h"
#include "settings/cValues.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A pair of characters read as a hexadecimal number by its longest valid prefix.
int HexPair(std::string_view first, std::string_view second) {
    if (first.size() != 1 || HexDigit(first[0]) < 0) return 0;
    int value = HexDigit(first[0]);
    if (second.size() == 1 && HexDigit(second[0]) >= 0) value = value * 16 + HexDigit(second[0]);
    return value;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), mCore::AsciiLower);
    return lower;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// --color's value: "#RRGGBB" in hexadecimal digits as given, or a preset's colour text.
std::optional<std::string> ReadColorSwitch(std::string_view value) {
    const bool hex = value.size() == 7 && value[0] == '#' &&
                     std::all_of(value.begin() + 1, value.end(), [](char c) { return HexDigit(c) >= 0; });
    if (hex) return std::string(value);
    std::string wanted = Lower(value);
    std::replace(wanted.begin(), wanted.end(), ' ', '-');
    for (const ColorPreset& preset : ColorPresets)
        if (!preset.Color.empty() && ColorPresetName(preset.Label) == wanted) return std::string(preset.Color);
    return std::nullopt;
}

bool IsColorField(const SettingDefault& key) {
    return std::holds_alternative<ColorSetting SettingsValues::*>(key.Field);
}

// The typed field from the stored value, by the field's type.
void ReadField(SettingsValues& values, const SettingField& field, const SettingValue& stored) {
    std::visit(
        [&](auto member) {
            auto& target = values.*member;
            using T = std::remove_reference_t<decltype(target)>;
            if constexpr (std::is_same_v<T, bool>) target = stored.IsOn();
            else if constexpr (std::is_same_v<T, int32_t>) target = stored.Long();
            else if constexpr (std::is_same_v<T, float>) target = stored.Single();
            else if constexpr (std::is_same_v<T, double>) target = stored.Number();
            else if constexpr (std::is_same_v<T, std::string>) target = stored.Text();
            else if constexpr (std::is_same_v<T, std::optional<int32_t>>)
                target = stored.IsEmpty() ? std::nullopt : std::optional<int32_t>(stored.Long());
            else target = ColorSetting{stored.Text(), ReadColorText(stored.Text())};
        },
        field);
}

// The text the store keeps for a typed value: what the menu and the keys have always written.
std::string TextOf(bool on) { return on ? "1" : "0"; }
std::string TextOf(int32_t value) { return mCore::FormatNumber(static_cast<int>(value)); }
std::string TextOf(float value) { return mCore::FormatNumber(value); }
std::string TextOf(double value) { return mCore::FormatNumber(value); }
std::string TextOf(const std::string& text) { return text; }  // empty: the key goes
std::string TextOf(const std::optional<int32_t>& value) { return value ? TextOf(*value) : std::string(); }
std::string TextOf(const ColorSetting& color) { return color.Text; }

}  // namespace

// ---- Colours ----

std::string ColorPresetName(std::string_view label) {
    std::string name = Lower(label.substr(0, label.find(" (")));
    std::replace(name.begin(), name.end(), ' ', '-');
    return name;
}

std::string ColorPresetNames() {
    std::string names;
    for (const ColorPreset& preset : ColorPresets)
        if (!preset.Color.empty()) names += (names.empty() ? "" : ", ") + ColorPresetName(preset.Label);
    return names;
}

std::optional<RgbColor> ReadColorText(std::string_view text) {
    if (text.empty() || text.front() != '#') return std::nullopt;
    std::string_view chars[7];
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); ++count) {
        if (count == 7) return std::nullopt;
        const size_t length = mCore::Utf8CharLength(text, pos);
        chars[count] = text.substr(pos, length);
        pos += length;
    }
    if (count != 7) return std::nullopt;
    const auto channel = [&](size_t at) { return mCore::ToSingle(HexPair(chars[at], chars[at + 1]) / 255.0); };
    return RgbColor{channel(1), channel(3), channel(5)};
}

ColorAnswer ReadColorAnswer(std::string_view answer) {
    const std::string_view text = TrimSpaces(answer);
    if (text.empty()) return {};
    if (ReadColorText(text)) return {ColorAnswer::Kind::Color, std::string(text)};

    // Three parts: something before the first comma, between it and a later one, and after.
    const size_t first = text.size() > 1 ? text.find(',', 1) : std::string_view::npos;
    const size_t last = text.size() > 2 ? text.rfind(',', text.size() - 2) : std::string_view::npos;
    if (first == std::string_view::npos || last == std::string_view::npos || last < first + 2)
        return {ColorAnswer::Kind::Invalid, {}};

    std::string color = "#";
    size_t start = 0;
    for (int part = 0; part < 3; ++part) {
        const size_t comma = text.find(',', start);
        const std::string_view piece = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
        start = comma == std::string_view::npos ? text.size() : comma + 1;
        // Parts that are no number, or numbers that are no colour component, are refused
        // out loud rather than silently turned into a colour text nobody can use.
        const auto number = mCore::ParseNumber(piece);
        if (!number || !mCore::FitsLong(*number)) return {ColorAnswer::Kind::Invalid, {}};
        const int32_t value = mCore::ToLong(*number);
        if (value < 0 || value > 255) return {ColorAnswer::Kind::Invalid, {}};
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(value));
        color += hex;
    }
    return {ColorAnswer::Kind::Color, std::move(color)};
}

// ---- Dialog answers ----

CountAnswer ReadCountAnswer(std::string_view answer) {
    const std::string_view typed = mCore::Trim(answer);
    const auto number = mCore::ParseNumber(typed);
    if (!number || std::count(typed.begin(), typed.end(), '.') >= 2) return {};
    if (!mCore::FitsLong(*number)) return {CountAnswer::Kind::TooLarge, 150};
    const int32_t count = mCore::ToLong(*number);
    if (count < 0 || count > MaxGroupCount) return {CountAnswer::Kind::OutOfRange, count};
    return {CountAnswer::Kind::Store, count};
}

// ---- Switches ----

std::string RangeText(const SettingDefault& key) {
    const auto number = [](double n) {
        return n == static_cast<long long>(n) ? mCore::FormatNumber(static_cast<long long>(n)) : mCore::FormatNumber(n);
    };
    return number(key.Min) + " to " + number(key.Max);
}

std::optional<std::string> ReadSwitchValue(const SettingDefault& key, std::string_view value, bool whole) {
    if (!key.Names.empty()) {
        const auto found = std::find(key.Names.begin(), key.Names.end(), Lower(value));
        if (found == key.Names.end()) return std::nullopt;
        return std::to_string(found - key.Names.begin());
    }
    if (IsColorField(key)) return ReadColorSwitch(value);
    if (key.Kind == SettingKind::Text) return std::string(value);
    // The menu and the keys never store a value outside the key's range.
    const auto number = mCore::ParseNumber(value);
    if (number && *number >= key.Min && *number <= key.Max && (!whole || *number == static_cast<long long>(*number)))
        return mCore::FormatNumber(*number);
    return std::nullopt;
}

std::string SwitchValueNeeds(const SettingDefault& key, bool whole) {
    if (!key.Names.empty()) {
        std::string words;
        for (size_t i = 0; i < key.Names.size(); ++i)
            words += (i == 0 ? "" : i + 1 == key.Names.size() ? " or " : ", ") + std::string(key.Names[i]);
        return words;
    }
    if (IsColorField(key)) return "#RRGGBB or one of " + ColorPresetNames();
    return std::string(whole ? "a whole number" : "a number") + " from " + RangeText(key);
}

// ---- The model ----

SettingsValues ReadSettingsValues(const cValues& store) {
    SettingsValues values;
    for (const SettingDefault& key : SettingsKeys) ReadField(values, key.Field, store.Value(key.Key));
    for (const SettingDefault& key : LaterSettingsKeys) ReadField(values, key.Field, store.Value(key.Key));
    // A frame rate (--fps) asks for smooth motion, whatever "Smooth" says; the file learns of
    // it only when the user chooses smooth motion or not.
    if (values.FrameRate) values.Smooth = true;
    return values;
}

std::vector<ReplacedSetting> SettingsModel::Load(const std::vector<SettingOverride>& overrides) {
    DeclareSettingDefaults(Store_);
    std::vector<ReplacedSetting> replaced = ReplaceUnusableSettings(Store_);
    Overridden_ = ApplyOverrides(Store_, overrides);
    Values_ = ReadSettingsValues(Store_);
    return replaced;
}

bool SettingsModel::SetColor(std::string_view text) {
    const std::optional<RgbColor> rgb = ReadColorText(text);
    if (!rgb) return false;
    Set(&SettingsValues::Color, ColorSetting{std::string(text), rgb});
    return true;
}

std::string SettingsModel::StoredText(SettingField field) const { return Store_.Value(SettingOf(field).Key).Text(); }

void SettingsModel::Write(SettingField field) {
    const std::string_view key = SettingOf(field).Key;
    std::visit([&](auto member) { Store_.Value(key, TextOf(Values_.*member)); }, field);
}

void SettingsModel::TakeBackOverrides() { RestoreOverridden(Store_, Overridden_); }

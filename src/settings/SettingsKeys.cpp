#include "settings/SettingsKeys.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/NumberText.h"
#include "settings/cValues.h"

namespace {

bool Usable(const SettingDefault& key, const std::string& text) {
    if (key.Kind == SettingKind::Text) return true;
    const auto number = mCore::ParseNumber(text);  // never infinite or NaN
    if (!number) return false;
    switch (key.Kind) {
        case SettingKind::Switch:
            return *number == 0 || *number == 1;
        case SettingKind::Whole:
            if (*number != std::floor(*number)) return false;
            [[fallthrough]];
        case SettingKind::Number:
            return *number >= key.Min && *number <= key.Max;
        case SettingKind::Text:
            break;
    }
    return true;
}

}  // namespace

const SettingDefault* FindSettingKey(std::string_view key) {
    for (const SettingDefault& entry : SettingsKeys)
        if (entry.Key == key) return &entry;
    for (const SettingDefault& entry : LaterSettingsKeys)
        if (entry.Key == key) return &entry;
    return nullptr;
}

const SettingDefault& SettingOf(SettingField field) {
    for (const SettingDefault& entry : SettingsKeys)
        if (entry.Field == field) return entry;
    for (const SettingDefault& entry : LaterSettingsKeys)
        if (entry.Field == field) return entry;
    throw std::logic_error("a settings field without a key");  // a fault in the tables
}

void DeclareSettingDefaults(cValues& settings) {
    for (const SettingDefault& key : SettingsKeys) settings.SetDefault(key.Key, key.Default);
}

std::vector<ReplacedSetting> ReplaceUnusableSettings(cValues& settings) {
    std::vector<ReplacedSetting> replaced;
    const auto replaceIfUnusable = [&](const SettingDefault& key) {
        std::string stored = settings.Value(key.Key).Text();
        if (Usable(key, stored)) return;
        settings.Value(key.Key, key.Default);
        replaced.push_back({key.Key, std::move(stored), key.Default});
    };
    for (const SettingDefault& key : SettingsKeys) replaceIfUnusable(key);
    for (const SettingDefault& key : LaterSettingsKeys)
        if (!settings.Value(key.Key).IsEmpty()) replaceIfUnusable(key);
    return replaced;
}

std::vector<OverriddenSetting> ApplyOverrides(cValues& settings, const std::vector<SettingOverride>& overrides) {
    std::vector<OverriddenSetting> overridden;
    for (const SettingOverride& given : overrides) {
        // The first override of a key holds what the file had; a later one of the same key
        // (--fly --no-fly) only changes the value.
        const auto earlier = std::find_if(overridden.begin(), overridden.end(),
                                          [&](const OverriddenSetting& o) { return o.Given.Key == given.Key; });
        if (earlier == overridden.end()) overridden.push_back({given, settings.StoredText(given.Key)});
        else earlier->Given.Value = given.Value;
        settings.Value(given.Key, given.Value);
    }
    return overridden;
}

void RestoreOverridden(cValues& settings, const std::vector<OverriddenSetting>& overridden) {
    for (const OverriddenSetting& o : overridden)
        if (settings.StoredText(o.Given.Key) == o.Given.Value) settings.Value(o.Given.Key, o.Stored.value_or(""));
}

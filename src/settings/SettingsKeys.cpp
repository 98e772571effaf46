#include "settings/SettingsKeys.h"

#include <cmath>

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

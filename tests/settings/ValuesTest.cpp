#include <gtest/gtest.h>

#include "settings/SettingsKeys.h"
#include "settings/cValues.h"

TEST(Values, LookUpIgnoresCaseKeepsTheFirstSpellingAndAnEmptyValueDeletes) {
    cValues store;
    store.Value("Color", "#00A000");
    store.Value("COLOR", "#A00000");
    EXPECT_EQ(store.LastIndex(), 0);
    EXPECT_EQ(store.Records()[0].Name, "Color");
    EXPECT_EQ(store.Value("cOlOr").Text(), "#A00000");
    store.Value("color", "");  // an empty value deletes, and the last record fills the gap
    store.Value("A", "1");
    store.Value("B", "2");
    store.Value("C", "3");
    store.Value("a", "");
    ASSERT_EQ(store.LastIndex(), 1);
    EXPECT_EQ(store.Records()[0].Name, "C");
    EXPECT_EQ(store.Records()[1].Name, "B");
    store.Value("missing", "");
    EXPECT_EQ(store.LastIndex(), 1);
}

TEST(Values, MissingKeysReadAsEmptyZeroAndOffAndOversizedOnesAreRefusedNotTruncated) {
    cValues store;
    EXPECT_TRUE(store.Value("Nothing").IsEmpty());
    EXPECT_EQ(store.Value("Nothing").Number(), 0);
    EXPECT_FALSE(store.Value("Nothing").IsOn());
    EXPECT_TRUE(store.Value("").IsEmpty());
    EXPECT_FALSE(store.Value("", "x"));
    const std::string big(cValues::MaxFieldLength + 1, 'x');
    EXPECT_FALSE(store.Value("Key", big));
    EXPECT_FALSE(store.Value(big, "1"));
    EXPECT_EQ(store.LastIndex(), -1);
    EXPECT_TRUE(store.Value("Key", std::string(cValues::MaxFieldLength, 'y')));
}

TEST(Values, StartUpReplacesWhatTheMenuCouldNeverHaveStored) {
    // A hand edit, a file from another version, a damaged disk.
    const std::pair<const char*, const char*> unusable[] = {
        {"Length", "9"},          {"Length", "-1"},        {"Length", "1.5"},     {"Count", "-5"},
        {"Count", "nan"},         {"Count", "2000000000"}, {"Count", "200001"},   {"Count", "2.5"},
        {"FallSpeed", "-4"},      {"FallSpeed", "11"},     {"FallSpeed", "inf"},  {"FlySpeed", "5.1"},
        {"FlySpeed", "-0.1"},     {"Distance", "1e30"},    {"Distance", "-801"},  {"Zoom", "big"},
        {"Leaders", "101"},       {"Horizontal", "-1"},    {"BouncePos", "1001"}, {"BounceRot", "-3"},
        {"Fly", "2"},             {"ShowAds", "yes"},      {"StayBack", "on"},    {"ScreenSaver", "0.5"},
        {"RandomColors", "-1"},   {"RandomMove", "1e9"},
    };
    for (const auto& [key, text] : unusable) {
        cValues store;
        store.Value(key, text);
        DeclareSettingDefaults(store);
        const auto replaced = ReplaceUnusableSettings(store);
        ASSERT_EQ(replaced.size(), 1u) << key << " " << text;
        EXPECT_EQ(replaced[0].Key, key);
        EXPECT_EQ(replaced[0].Stored, text);
        EXPECT_EQ(store.Value(key).Text(), replaced[0].Default);
    }
    // Edges the menu, the keys or the dialogs can reach stay, and so does any text as a colour.
    cValues store;
    for (const auto& [key, text] : {std::pair{"FallSpeed", "0"}, {"Count", "0"}, {"Count", "200000"},
                                    {"Distance", "-800"}, {"FlySpeed", "5"}, {"Leaders", "100"}, {"BounceRot", "1000"},
                                    {"Fly", "0"}, {"ShowAds", " 1 "}, {"Color", "not a colour"}, {"Zoom", "-3.5"}})
        store.Value(key, text);
    DeclareSettingDefaults(store);
    EXPECT_TRUE(ReplaceUnusableSettings(store).empty());
}


TEST(Values, OneRunsOverridesNeverReachTheFileButAChangeDuringTheRunStays) {
    cValues settings;
    settings.Value("Count", "150");
    settings.Value("Fly", "0");
    settings.Value("Leaders", "35");
    const auto overridden = ApplyOverrides(
        settings, {{"Count", "300"}, {"Fly", "0"}, {"Fly", "1"}, {"Color", "#FF0000"}, {"Leaders", "90"}});
    EXPECT_EQ(settings.Value("Count").Text(), "300");
    EXPECT_EQ(settings.Value("Fly").Text(), "1");  // the later switch of the same key wins
    settings.Value("Leaders", "10");                // chosen from the menu while running
    RestoreOverridden(settings, overridden);
    EXPECT_EQ(settings.Value("Count").Text(), "150");
    EXPECT_EQ(settings.Value("Fly").Text(), "0");
    EXPECT_FALSE(settings.StoredText("Color"));  // absent before, absent again
    EXPECT_EQ(settings.Value("Leaders").Text(), "10");
}

#include <gtest/gtest.h>

#include "settings/SettingsKeys.h"
#include "settings/cValues.h"

TEST(Values, LookUpIgnoresCaseAndKeepsTheFirstSpelling) {
    cValues store;
    store.Value("Color", "#00A000");
    store.Value("COLOR", "#A00000");
    EXPECT_EQ(store.LastIndex(), 0);
    EXPECT_EQ(store.Records()[0].Name, "Color");
    EXPECT_EQ(store.Value("cOlOr").Text(), "#A00000");
}

TEST(Values, EmptyValueDeletesAndTheLastRecordFillsTheGap) {
    cValues store;
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

TEST(Values, MissingKeysReadAsEmptyZeroAndOff) {
    cValues store;
    EXPECT_TRUE(store.Value("Nothing").IsEmpty());
    EXPECT_EQ(store.Value("Nothing").Number(), 0);
    EXPECT_FALSE(store.Value("Nothing").IsOn());
    EXPECT_TRUE(store.Value("").IsEmpty());
    EXPECT_FALSE(store.Value("", "x"));
    EXPECT_EQ(store.LastIndex(), -1);
}

TEST(Values, SetDefaultNeverOverwritesAStoredValue) {
    cValues store;
    store.Value("Count", 300);
    for (const auto& key : SettingsKeys) store.SetDefault(key.Key, key.Default);
    EXPECT_EQ(store.LastIndex(), 16);
    EXPECT_EQ(store.Value("Count").Long(), 300);
    EXPECT_EQ(store.Value("FallSpeed").Number(), 0.5);
    EXPECT_TRUE(store.Value("Fly").IsOn());
    EXPECT_FALSE(store.Value("StayBack").IsOn());
}

TEST(Values, NumbersAreStoredInTheirShortestPointForm) {
    cValues store;
    store.Value("FallSpeed", 0.6f);
    store.Value("Half", 0.5);
    store.Value("Count", 150);
    EXPECT_EQ(store.Value("FallSpeed").Text(), "0.6");
    EXPECT_EQ(store.Value("Half").Text(), "0.5");
    EXPECT_EQ(store.Value("Count").Text(), "150");
    EXPECT_FLOAT_EQ(store.Value("FallSpeed").Single(), 0.6f);
    EXPECT_EQ(store.Value("Half").Long(), 0);  // half to even
}

TEST(Values, OversizedKeysAndValuesAreRefusedNotTruncated) {
    cValues store;
    const std::string big(cValues::MaxFieldLength + 1, 'x');
    EXPECT_FALSE(store.Value("Key", big));
    EXPECT_FALSE(store.Value(big, "1"));
    EXPECT_EQ(store.LastIndex(), -1);
    EXPECT_TRUE(store.Value("Key", std::string(cValues::MaxFieldLength, 'y')));
}

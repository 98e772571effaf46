#include <gtest/gtest.h>

#include <cmath>

#include "core/NumberText.h"
#include "core/Numeric.h"
#include "core/Platform.h"

TEST(Numeric, ToLongRoundsHalfToEvenAndSaturates) {
    for (auto [value, rounded] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {4.6, 5},
                                  {1e12, 2147483647}, {-1e12, -2147483647 - 1}, {std::nan(""), 0}})
        EXPECT_EQ(mCore::ToLong(value), rounded) << value;
    EXPECT_FALSE(mCore::FitsLong(3e9));
    EXPECT_TRUE(mCore::FitsLong(-2147483648.0));
}

TEST(Numeric, FloorIsTheLibraryFloorSignedZerosAndLargeValuesIncluded) {
    for (double v : {0.0, -0.0, 0.3, -0.3, -1e-300, 2.0, -2.0, 2.5, -2.5, 1e15 + 0.5, -4.5e15, 1e300, -1e300,
                     HUGE_VAL, -HUGE_VAL}) {
        EXPECT_EQ(mCore::Floor(v), std::floor(v)) << v;
        EXPECT_EQ(std::signbit(mCore::Floor(v)), std::signbit(std::floor(v))) << v;
    }
    EXPECT_TRUE(std::isnan(mCore::Floor(std::nan(""))));
}

TEST(NumberText, WritesShortestFormWithAPointOnEveryLocale) {
    EXPECT_EQ(mCore::FormatNumber(0.5), "0.5");
    EXPECT_EQ(mCore::FormatNumber(150), "150");
    EXPECT_EQ(mCore::FormatNumber(0.6f), "0.6");  // not the double 0.6000000238418579
    EXPECT_EQ(mCore::FormatNumber(-0.0), "0");
    for (double v : {0.1, 1.0 / 3, 1e-7, 123456.789, -42.25}) EXPECT_EQ(*mCore::ParseNumber(mCore::FormatNumber(v)), v);
}

TEST(NumberText, WritesSinglesInThePlatformsSevenDigitFormAndOlderLongerTextsReadAsBefore) {
    float speed = 1;  // the fly speed after nineteen presses of keypad +
    for (int i = 0; i < 19; ++i) speed = mCore::ToSingle(speed + 0.1);
    EXPECT_EQ(mCore::FormatNumber(speed), "2.899999");
    EXPECT_EQ(mCore::FormatNumber(0.70000005f), "0.7");
    EXPECT_EQ(mCore::FormatNumber(12345678.0f), "1.234568e+07");
    // A value whose exact form has at most 7 digits reads back as itself, as it always has.
    for (float v : {0.6f, 1.1f, 2.5f, 0.01f, 1e-4f, 1234567.0f, 1e-7f, -3.25f})
        EXPECT_EQ(mCore::ToSingle(*mCore::ParseNumber(mCore::FormatNumber(v))), v) << v;
    EXPECT_EQ(mCore::ToSingle(*mCore::ParseNumber("2.8999994")), speed);  // as an older version wrote it
}

TEST(NumberText, ReadsOneNumberWithBlanksAroundIt) {
    for (auto [text, value] : {std::pair{"  300 ", 300.0}, {"2.5", 2.5}, {"-3", -3.0}, {"+7", 7.0}})
        EXPECT_EQ(mCore::ParseNumber(text), value) << text;
    for (const char* bad : {"", "  ", "abc", "1.2.3", "12x", "inf", "nan", "1,5"})
        EXPECT_FALSE(mCore::ParseNumber(bad).has_value()) << bad;
}

TEST(Random, DrawsLieInTheUnitIntervalAndFollowTheSeed) {
    mCore::cRandom a(42), b(42);
    for (int i = 0; i < 100000; ++i) {
        const float x = a.Next();
        ASSERT_TRUE(x >= 0.0f && x < 1.0f) << x;
        ASSERT_EQ(x, b.Next());
    }
}

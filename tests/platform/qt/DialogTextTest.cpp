#include <gtest/gtest.h>

#include "platform/qt/QtDialogs.h"

TEST(DialogText, WindowsAndLoneLineBreaksBecomeLineFeedsTabsStay) {
    EXPECT_EQ(platform::qt::ToDisplayText("Chose a number.\r\n\r\nThe higher"), "Chose a number.\n\nThe higher");
    EXPECT_EQ(platform::qt::ToDisplayText("F1\tSpeed up glyphfall\r\n"), "F1\tSpeed up glyphfall\n");
    EXPECT_EQ(platform::qt::ToDisplayText("a\rb\nc"), "a\nb\nc");
}

#include <gtest/gtest.h>

#include "app/QtDialogs.h"

TEST(DialogText, WindowsAndLoneLineBreaksBecomeLineFeedsTabsStay) {
    EXPECT_EQ(app::ToDisplayText("Chose a number.\r\n\r\nThe higher"), "Chose a number.\n\nThe higher");
    EXPECT_EQ(app::ToDisplayText("F1\tSpeed up glyphfall\r\n"), "F1\tSpeed up glyphfall\n");
    EXPECT_EQ(app::ToDisplayText("a\rb\nc"), "a\nb\nc");
}

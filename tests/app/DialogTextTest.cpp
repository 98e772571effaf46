#include <gtest/gtest.h>

#include "app/QtDialogs.h"

namespace {

TEST(DialogText, WindowsLineBreaksBecomeLineFeeds) {
    EXPECT_EQ(app::ToDisplayText("Chose a number.\r\n\r\nThe higher"), "Chose a number.\n\nThe higher");
}

TEST(DialogText, TabsAndPlainTextStay) {
    EXPECT_EQ(app::ToDisplayText("F1\tSpeed up glyphfall\r\n"), "F1\tSpeed up glyphfall\n");
    EXPECT_EQ(app::ToDisplayText("no breaks"), "no breaks");
}

TEST(DialogText, LoneCarriageReturnIsALineBreak) { EXPECT_EQ(app::ToDisplayText("a\rb\nc"), "a\nb\nc"); }

}  // namespace

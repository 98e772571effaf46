#include "app/MenuModel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using app::MenuItem;
using app::MenuModel;

// "name(index)" or "name" for each item of a menu level, separators included.
std::vector<std::string> Names(const MenuItem& level) {
    std::vector<std::string> names;
    for (const MenuItem& item : level.Items)
        names.push_back(item.Index >= 0 ? item.Name + "(" + std::to_string(item.Index) + ")" : item.Name);
    return names;
}

TEST(MenuColours, PresetsFollowTheHiddenTemplateAndPrecedeTheUserItem) {
    MenuModel menu;
    EXPECT_FALSE(menu.Item("mnuColor", 0).Visible);
    EXPECT_EQ(menu.AddColorItem("Red", "#A00000"), 1);
    EXPECT_EQ(menu.AddColorItem("-", ""), 2);
    EXPECT_EQ(menu.AddColorItem("Golden", "#FF8000"), 3);
    EXPECT_EQ(Names(menu.Item("mnuSelectColor")),
              (std::vector<std::string>{"mnuColor(0)", "mnuColor(1)", "mnuColor(2)", "mnuColor(3)", "mnuLineC1",
                                        "mnuUserColor"}));
    EXPECT_EQ(menu.Item("mnuColor", 3).Tag, "#FF8000");
    EXPECT_TRUE(menu.Item("mnuColor", 2).IsSeparator());
    EXPECT_FALSE(menu.Item("mnuLeaders", 3).Checkable);  // "Select leaders" never shows a mark
}

TEST(MenuMarks, CheckOnlyMarksOneItemOfItsArrayAndAnAbsentItemIsAFailureThatChangesNoMark) {
    MenuModel menu;
    menu.SetChecked("mnuLength", true, 0);
    menu.SetChecked("mnuLeaders", true, 2);
    menu.CheckOnly("mnuLength", 2);
    EXPECT_EQ(std::pair(menu.Checked("mnuLength", 0), menu.Checked("mnuLength", 2)), std::pair(false, true));
    EXPECT_TRUE(menu.Checked("mnuLeaders", 2));
    EXPECT_THROW(menu.CheckOnly("mnuLength", 5), std::out_of_range);
    EXPECT_TRUE(menu.Checked("mnuLength", 2));
    EXPECT_EQ(menu.Find("mnuLength"), nullptr);  // array items need their index
    EXPECT_THROW(menu.SetChecked("mnuNothing", true), std::out_of_range);
}

}  // namespace

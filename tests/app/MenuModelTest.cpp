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

std::vector<std::string> Captions(const MenuItem& level) {
    std::vector<std::string> captions;
    for (const MenuItem& item : level.Items) captions.push_back(item.Caption);
    return captions;
}

TEST(MenuTree, HoldsEveryItemInDisplayOrderWithItsCaption) {
    MenuModel menu;
    EXPECT_EQ(menu.Root().Caption, "Popup");
    using Texts = std::vector<std::string>;
    EXPECT_EQ(Captions(menu.Root()),
              (Texts{"by [glyphfall.dev]", "-", "Fly through", "Random movement", "Random colors", "Horizontal lines", "-",
                     "Select count", "Select length", "Select glyphs", "Select leaders", "Select Color", "-", "Settings",
                     "-", "Key help", "-", "Exit"}));
    EXPECT_EQ(Captions(menu.Item("mnuRandomMovement")), (Texts{"Activate random moves", "Setup bouncing"}));
    EXPECT_EQ(Captions(menu.Item("mnuSettings")),
              (Texts{"Stay in background", "Show ads", "Screen saver mode", "Keep 4:3 proportions"}));
    EXPECT_EQ(Captions(menu.Item("mnuSelectLength")), (Texts{"Short", "Medium (default)", "Long"}));
    EXPECT_EQ(Captions(menu.Item("mnuSelectGlyphs")), (Texts{"Classic", "Katakana", "Digits", "Binary"}));
    EXPECT_EQ(Captions(menu.Item("mnuSelectLeaders")),
              (Texts{"None", "Few", "Less (default)", "Normal", "More", "Many", "Only"}));
    EXPECT_FALSE(menu.Item("mnuLeaders", 3).Checkable);  // "Select leaders" never shows a mark
    EXPECT_TRUE(menu.Item("mnuGlyphs", 3).Radio);
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

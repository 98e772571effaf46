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

void FillPresets(MenuModel& menu) {
    const char* presets[][2] = {{"Red", "#A00000"},    {"Green (original)", "#00A000"},
                                {"Blue", "#0000A0"},   {"-", ""},
                                {"Golden", "#FF8000"}, {"Ice Blue", "#0088FF"},
                                {"Steel", "#88CCFF"},  {"Grey Vesk", "#404040"},
                                {"Syndicate", "#402080"}};
    for (const auto& preset : presets) menu.AddColorItem(preset[0], preset[1]);
}

TEST(MenuTree, TopLevelHoldsEveryItemInDisplayOrder) {
    MenuModel menu;
    EXPECT_EQ(menu.Root().Name, "mnuPopup");
    EXPECT_EQ(menu.Root().Caption, "Popup");
    EXPECT_EQ(Names(menu.Root()),
              (std::vector<std::string>{"mnuMakerSite", "mnuLine5", "mnuFly", "mnuRandomMovement", "mnuRandomColors",
                                        "mnuHorizontal", "mnuLine2", "mnuChangeCount", "mnuSelectLength",
                                        "mnuSelectLeaders", "mnuSelectColor", "mnuLine8", "mnuSettings", "mnuLine9",
                                        "mnuKeys", "mnuLine3", "mnuExit"}));
    EXPECT_EQ(Captions(menu.Root()),
              (std::vector<std::string>{"by [glyphfall.dev]", "-", "Fly through", "Random movement", "Random colors",
                                        "Horizontal lines", "-", "Select count", "Select length", "Select leaders",
                                        "Select Color", "-", "Settings", "-", "Key help", "-", "Exit"}));
}

TEST(MenuTree, SubmenusAndControlArraysHoldTheirItemsInOrder) {
    MenuModel menu;
    EXPECT_EQ(Captions(menu.Item("mnuRandomMovement")), (std::vector<std::string>{"Activate random moves", "Setup bouncing"}));
    EXPECT_EQ(Names(menu.Item("mnuSettings")), (std::vector<std::string>{"mnuStayBack", "mnuShowAds", "mnuScreenSaver"}));
    EXPECT_EQ(Captions(menu.Item("mnuSettings")),
              (std::vector<std::string>{"Stay in background", "Show ads", "Screen saver mode"}));
    EXPECT_EQ(Captions(menu.Item("mnuSelectLength")), (std::vector<std::string>{"Short", "Medium (default)", "Long"}));
    EXPECT_EQ(menu.Indices("mnuLength"), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Captions(menu.Item("mnuSelectLeaders")),
              (std::vector<std::string>{"None", "Few", "Less (default)", "Normal", "More", "Many", "Only"}));
    EXPECT_FALSE(menu.Item("mnuLeaders", 3).Checkable);  // "Select leaders" never shows a mark
    EXPECT_TRUE(menu.Item("mnuLength", 2).Checkable);
}

TEST(MenuColours, PresetsFollowTheHiddenTemplateAndPrecedeTheUserItem) {
    MenuModel menu;
    EXPECT_EQ(Names(menu.Item("mnuSelectColor")), (std::vector<std::string>{"mnuColor(0)", "mnuLineC1", "mnuUserColor"}));
    EXPECT_FALSE(menu.Item("mnuColor", 0).Visible);
    FillPresets(menu);
    const MenuItem& colors = menu.Item("mnuSelectColor");
    ASSERT_EQ(colors.Items.size(), 12u);
    EXPECT_EQ(colors.Items[11].Caption, "User defined ...");
    EXPECT_EQ(menu.Item("mnuColor", 1).Tag, "#A00000");
    EXPECT_EQ(menu.Item("mnuColor", 9).Caption, "Syndicate");
    EXPECT_TRUE(menu.Item("mnuColor", 4).IsSeparator());
    EXPECT_EQ(menu.Item("mnuColor", 4).Tag, "");
}

TEST(MenuMarks, CheckOnlyLeavesExactlyOneLengthMarkedAndTouchesNothingElse) {
    MenuModel menu;
    menu.SetChecked("mnuLength", true, 0);
    menu.SetChecked("mnuLength", true, 1);
    menu.SetChecked("mnuLeaders", true, 2);
    menu.CheckOnly("mnuLength", 2);
    EXPECT_FALSE(menu.Checked("mnuLength", 0));
    EXPECT_FALSE(menu.Checked("mnuLength", 1));
    EXPECT_TRUE(menu.Checked("mnuLength", 2));
    EXPECT_TRUE(menu.Checked("mnuLeaders", 2));
    EXPECT_THROW(menu.CheckOnly("mnuLength", 5), std::out_of_range);
    EXPECT_TRUE(menu.Checked("mnuLength", 2));  // a failed choice changes no mark
    EXPECT_TRUE(menu.Toggle("mnuHorizontal"));
    EXPECT_FALSE(menu.Toggle("mnuHorizontal"));
}

}  // namespace

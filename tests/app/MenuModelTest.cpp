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

TEST(MenuTree, SiteItemNamesTheAddressItOpens) {
    MenuModel menu;
    EXPECT_EQ(menu.Item("mnuMakerSite").Caption, "by [" + std::string(app::MakerSiteName) + "]");
    EXPECT_NE(app::MakerSiteAddress.find(app::MakerSiteName), std::string_view::npos);
}

TEST(MenuTree, SubmenusHoldTheirItems) {
    MenuModel menu;
    const MenuItem& random = menu.Item("mnuRandomMovement");
    EXPECT_TRUE(random.Submenu);
    EXPECT_EQ(Names(random), (std::vector<std::string>{"mnuRandomMove", "mnuSetupBounce"}));
    EXPECT_EQ(Captions(random), (std::vector<std::string>{"Activate random moves", "Setup bouncing"}));

    const MenuItem& settings = menu.Item("mnuSettings");
    EXPECT_TRUE(settings.Submenu);
    EXPECT_EQ(Names(settings), (std::vector<std::string>{"mnuStayBack", "mnuShowAds", "mnuScreenSaver"}));
    EXPECT_EQ(Captions(settings), (std::vector<std::string>{"Stay in background", "Show ads", "Screen saver mode"}));
}

TEST(MenuTree, LengthArrayHasThreeIndexedChoices) {
    MenuModel menu;
    const MenuItem& lengths = menu.Item("mnuSelectLength");
    EXPECT_EQ(Names(lengths), (std::vector<std::string>{"mnuLength(0)", "mnuLength(1)", "mnuLength(2)"}));
    EXPECT_EQ(Captions(lengths), (std::vector<std::string>{"Short", "Medium (default)", "Long"}));
    EXPECT_EQ(menu.Indices("mnuLength"), (std::vector<int>{0, 1, 2}));
}

TEST(MenuTree, LeadersArrayHasSevenIndexedChoices) {
    MenuModel menu;
    EXPECT_EQ(Captions(menu.Item("mnuSelectLeaders")),
              (std::vector<std::string>{"None", "Few", "Less (default)", "Normal", "More", "Many", "Only"}));
    EXPECT_EQ(menu.Indices("mnuLeaders"), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(menu.Item("mnuLeaders", 5).Caption, "Many");
}

TEST(MenuTree, ColourSubmenuStartsWithHiddenTemplateThenUserItem) {
    MenuModel menu;
    const MenuItem& colors = menu.Item("mnuSelectColor");
    EXPECT_EQ(Names(colors), (std::vector<std::string>{"mnuColor(0)", "mnuLineC1", "mnuUserColor"}));
    EXPECT_FALSE(menu.Item("mnuColor", 0).Visible);
    EXPECT_TRUE(menu.Item("mnuLineC1").IsSeparator());
    EXPECT_EQ(menu.Item("mnuUserColor").Caption, "User defined ...");
}

TEST(MenuTree, SeparatorsAreNamedLinesWithDashCaption) {
    MenuModel menu;
    for (const char* line : {"mnuLine5", "mnuLine2", "mnuLine8", "mnuLine9", "mnuLine3", "mnuLineC1"})
        EXPECT_TRUE(menu.Item(line).IsSeparator()) << line;
    EXPECT_FALSE(menu.Item("mnuExit").IsSeparator());
}

TEST(MenuTree, NoItemStartsChecked) {
    MenuModel menu;
    for (const char* name : {"mnuFly", "mnuRandomMove", "mnuRandomColors", "mnuHorizontal", "mnuStayBack",
                             "mnuShowAds", "mnuScreenSaver"})
        EXPECT_FALSE(menu.Checked(name)) << name;
    for (int i : menu.Indices("mnuLength")) EXPECT_FALSE(menu.Checked("mnuLength", i));
}

TEST(MenuTree, OnlySwitchesAndLengthsShowMarks) {
    MenuModel menu;
    for (const char* name : {"mnuFly", "mnuRandomMove", "mnuRandomColors", "mnuHorizontal", "mnuStayBack",
                             "mnuShowAds", "mnuScreenSaver"})
        EXPECT_TRUE(menu.Item(name).Checkable) << name;
    EXPECT_TRUE(menu.Item("mnuLength", 2).Checkable);
    EXPECT_FALSE(menu.Item("mnuLeaders", 3).Checkable);
    EXPECT_FALSE(menu.Item("mnuExit").Checkable);
    EXPECT_FALSE(menu.Item("mnuChangeCount").Checkable);
}

TEST(MenuColours, PresetsTakeIndicesOneToNineBeforeTheUserItem) {
    MenuModel menu;
    FillPresets(menu);
    EXPECT_EQ(menu.Indices("mnuColor"), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    const MenuItem& colors = menu.Item("mnuSelectColor");
    ASSERT_EQ(colors.Items.size(), 12u);
    EXPECT_EQ(colors.Items[10].Name, "mnuLineC1");
    EXPECT_EQ(colors.Items[11].Name, "mnuUserColor");
    EXPECT_EQ(menu.Item("mnuColor", 1).Caption, "Red");
    EXPECT_EQ(menu.Item("mnuColor", 1).Tag, "#A00000");
    EXPECT_EQ(menu.Item("mnuColor", 9).Caption, "Syndicate");
    EXPECT_EQ(menu.Item("mnuColor", 9).Tag, "#402080");
    EXPECT_TRUE(menu.Item("mnuColor", 7).Visible);
}

TEST(MenuColours, DashPresetIsASeparatorWithEmptyTag) {
    MenuModel menu;
    FillPresets(menu);
    EXPECT_TRUE(menu.Item("mnuColor", 4).IsSeparator());
    EXPECT_EQ(menu.Item("mnuColor", 4).Tag, "");
}

TEST(MenuColours, AddReturnsTheNewIndex) {
    MenuModel menu;
    EXPECT_EQ(menu.AddColorItem("Red", "#A00000"), 1);
    EXPECT_EQ(menu.AddColorItem("Blue", "#0000A0"), 2);
}

TEST(MenuLookup, FindsByNameAndIndex) {
    MenuModel menu;
    EXPECT_EQ(menu.Find("mnuLength", 2)->Caption, "Long");
    EXPECT_EQ(menu.Find("mnuLength"), nullptr) << "an array item needs its index";
    EXPECT_EQ(menu.Find("mnuLength", 3), nullptr);
    EXPECT_EQ(menu.Find("mnuNothing"), nullptr);
    EXPECT_EQ(menu.Find("mnuFly", 0), nullptr) << "a single control has no index";
}

TEST(MenuLookup, AbsentItemIsAFailure) {
    MenuModel menu;
    EXPECT_THROW(menu.Item("mnuLength", 3), std::out_of_range);
    EXPECT_THROW(menu.SetChecked("mnuNothing", true), std::out_of_range);
}

TEST(MenuMarks, ToggleFlipsAndReportsTheNewMark) {
    MenuModel menu;
    EXPECT_TRUE(menu.Toggle("mnuHorizontal"));
    EXPECT_TRUE(menu.Checked("mnuHorizontal"));
    EXPECT_FALSE(menu.Toggle("mnuHorizontal"));
    EXPECT_FALSE(menu.Checked("mnuHorizontal"));
}

TEST(MenuMarks, MarksAreIndependent) {
    MenuModel menu;
    menu.SetChecked("mnuFly", true);
    menu.SetChecked("mnuShowAds", true);
    EXPECT_FALSE(menu.Checked("mnuRandomMove"));
    EXPECT_FALSE(menu.Checked("mnuStayBack"));
    EXPECT_TRUE(menu.Checked("mnuFly"));
}

TEST(MenuMarks, CheckOnlyLeavesExactlyOneLengthMarked) {
    MenuModel menu;
    menu.SetChecked("mnuLength", true, 0);
    menu.SetChecked("mnuLength", true, 1);
    menu.CheckOnly("mnuLength", 2);
    EXPECT_FALSE(menu.Checked("mnuLength", 0));
    EXPECT_FALSE(menu.Checked("mnuLength", 1));
    EXPECT_TRUE(menu.Checked("mnuLength", 2));
}

TEST(MenuMarks, CheckOnlyWithUnknownIndexChangesNothing) {
    MenuModel menu;
    menu.SetChecked("mnuLength", true, 1);
    EXPECT_THROW(menu.CheckOnly("mnuLength", 5), std::out_of_range);
    EXPECT_TRUE(menu.Checked("mnuLength", 1));
}

TEST(MenuMarks, CheckOnlyTouchesNoOtherArray) {
    MenuModel menu;
    menu.SetChecked("mnuLeaders", true, 2);
    menu.CheckOnly("mnuLength", 0);
    EXPECT_TRUE(menu.Checked("mnuLeaders", 2));
}

TEST(MenuMarks, CopiesKeepTheirOwnMarks) {
    MenuModel menu;
    MenuModel snapshot = menu;
    menu.SetChecked("mnuFly", true);
    EXPECT_FALSE(snapshot.Checked("mnuFly"));
}

}  // namespace

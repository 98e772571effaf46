#pragma once
// The popup menu as plain data: every item with its control name, control-array index,
// caption and live check mark. The Qt window draws a real menu from it each time it opens,
// and the controller reads and sets the marks here, so the marks are the program's mode
// switches.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsModel.h"

namespace app {

// The project's home page, opened by the first menu item and named in its caption.
inline constexpr std::string_view MakerSiteName = "glyphfall.dev";
inline constexpr std::string_view MakerSiteAddress = "https://glyphfall.dev/";

// The control names of the menu's items. Code names an item through these, so that a
// misspelt name fails to compile instead of finding no item.
namespace MenuNames {
inline constexpr std::string_view mnuPopup = "mnuPopup";
inline constexpr std::string_view mnuMakerSite = "mnuMakerSite";
inline constexpr std::string_view mnuLine5 = "mnuLine5";
inline constexpr std::string_view mnuFly = "mnuFly";
inline constexpr std::string_view mnuRandomMovement = "mnuRandomMovement";
inline constexpr std::string_view mnuRandomMove = "mnuRandomMove";
inline constexpr std::string_view mnuSetupBounce = "mnuSetupBounce";
inline constexpr std::string_view mnuRandomColors = "mnuRandomColors";
inline constexpr std::string_view mnuHorizontal = "mnuHorizontal";
inline constexpr std::string_view mnuLine2 = "mnuLine2";
inline constexpr std::string_view mnuChangeCount = "mnuChangeCount";
inline constexpr std::string_view mnuSelectLength = "mnuSelectLength";
inline constexpr std::string_view mnuLength = "mnuLength";
inline constexpr std::string_view mnuSelectGlyphs = "mnuSelectGlyphs";
inline constexpr std::string_view mnuGlyphs = "mnuGlyphs";
inline constexpr std::string_view mnuLineG1 = "mnuLineG1";
inline constexpr std::string_view mnuGlyphFont = "mnuGlyphFont";
inline constexpr std::string_view mnuSelectLeaders = "mnuSelectLeaders";
inline constexpr std::string_view mnuLeaders = "mnuLeaders";
inline constexpr std::string_view mnuSelectColor = "mnuSelectColor";
inline constexpr std::string_view mnuColor = "mnuColor";
inline constexpr std::string_view mnuLineC1 = "mnuLineC1";
inline constexpr std::string_view mnuUserColor = "mnuUserColor";
inline constexpr std::string_view mnuLineC2 = "mnuLineC2";
inline constexpr std::string_view mnuColorMode = "mnuColorMode";
inline constexpr std::string_view mnuColorModes = "mnuColorModes";
inline constexpr std::string_view mnuLineCM1 = "mnuLineCM1";
inline constexpr std::string_view mnuHeadColor = "mnuHeadColor";
inline constexpr std::string_view mnuSelectPalette = "mnuSelectPalette";
inline constexpr std::string_view mnuPalette = "mnuPalette";
inline constexpr std::string_view mnuLineCM2 = "mnuLineCM2";
inline constexpr std::string_view mnuUserPalette = "mnuUserPalette";
inline constexpr std::string_view mnuLine8 = "mnuLine8";
inline constexpr std::string_view mnuSettings = "mnuSettings";
inline constexpr std::string_view mnuStayBack = "mnuStayBack";
inline constexpr std::string_view mnuShowAds = "mnuShowAds";
inline constexpr std::string_view mnuScreenSaver = "mnuScreenSaver";
inline constexpr std::string_view mnuKeepShape = "mnuKeepShape";
inline constexpr std::string_view mnuSmooth = "mnuSmooth";
inline constexpr std::string_view mnuLine9 = "mnuLine9";
inline constexpr std::string_view mnuKeys = "mnuKeys";
inline constexpr std::string_view mnuLine3 = "mnuLine3";
inline constexpr std::string_view mnuExit = "mnuExit";
}  // namespace MenuNames

// The presets of the "Select Color" submenu, in menu order; "-" is a separator line.
using ::ColorPreset;
using ::ColorPresets;

struct MenuCommand;

struct MenuItem {
    std::string Name;      // control name, "mnuFly"
    int Index = -1;        // index within a control array, -1 for single controls
    std::string Caption;   // "-" draws a separator line
    std::string Tag;       // free text carried by the item (a colour preset's colour text)
    bool Checkable = false;  // a switch or one of a choice; shows its mark when drawn
    bool Radio = false;      // one of a choice drawn with round marks (its level's radio items)
    bool Checked = false;
    bool Visible = true;
    bool Submenu = false;  // opens Items instead of being a command
    std::vector<MenuItem> Items;
    // What choosing the item does: bound once, when the menu's owner builds it.
    std::function<void(const MenuCommand&)> Run;

    bool IsSeparator() const { return Caption == "-"; }
};

class MenuModel {
public:
    // The complete menu with every mark clear; the colour presets are added later by
    // AddColorItem, after the hidden template item mnuColor(0).
    MenuModel();

    const MenuItem& Root() const { return Root_; }  // mnuPopup

    // The item with that control name (and index, for arrays); nullptr when absent.
    MenuItem* Find(std::string_view name, int index = -1);
    const MenuItem* Find(std::string_view name, int index = -1) const;
    // As Find, but an absent item is a failure (std::out_of_range): asking for an item the
    // menu does not have is a programming or settings error that must be reported.
    MenuItem& Item(std::string_view name, int index = -1);
    const MenuItem& Item(std::string_view name, int index = -1) const;

    bool Checked(std::string_view name, int index = -1) const { return Item(name, index).Checked; }
    void SetChecked(std::string_view name, bool checked, int index = -1) { Item(name, index).Checked = checked; }
    // Flips the mark and returns the new one.
    bool Toggle(std::string_view name, int index = -1);
    // Marks exactly the array item with that index and clears the others of the array
    // ("Select length"). A failure when the array has no such index, leaving every mark as it was.
    void CheckOnly(std::string_view name, int index);

    // Binds every item of that control (each item of an array) to its handler. A failure when
    // the menu has no such item.
    void Bind(std::string_view name, const std::function<void(const MenuCommand&)>& run);

    // Appends one colour preset to mnuColor at index = the array's current count, visible,
    // just before the separator that leads to "User defined ...", with the handler of the
    // array's items. Returns that index.
    int AddColorItem(std::string_view caption, std::string_view tag);

    // Indices of a control array, in menu order (empty for unknown names).
    std::vector<int> Indices(std::string_view name) const;

private:
    MenuItem Root_;
};

}  // namespace app

#include "app/MenuModel.h"

#include "rain/ColorScheme.h"

#include <stdexcept>

namespace app {

using namespace MenuNames;

namespace {

MenuItem Command(std::string_view name, std::string caption, int index = -1) {
    MenuItem item;
    item.Name = std::string(name);
    item.Caption = std::move(caption);
    item.Index = index;
    return item;
}

MenuItem Check(std::string_view name, std::string caption, int index = -1) {
    MenuItem item = Command(name, std::move(caption), index);
    item.Checkable = true;
    return item;
}

MenuItem Radio(std::string_view name, std::string caption, int index) {
    MenuItem item = Check(name, std::move(caption), index);
    item.Radio = true;
    return item;
}

MenuItem Separator(std::string_view name) { return Command(name, "-"); }

MenuItem Submenu(std::string_view name, std::string caption, std::vector<MenuItem> items) {
    MenuItem item = Command(name, std::move(caption));
    item.Submenu = true;
    item.Items = std::move(items);
    return item;
}

template <class Item, class Visit>
Item* Walk(Item& item, Visit&& visit) {
    if (visit(item)) return &item;
    for (auto& child : item.Items)
        if (Item* found = Walk(child, visit)) return found;
    return nullptr;
}

std::string Describe(std::string_view name, int index) {
    std::string text(name);
    if (index >= 0) text += "(" + std::to_string(index) + ")";
    return text;
}

}  // namespace

namespace {

// "Colour mode": the modes, the gradient's head colour and the palettes.
std::vector<MenuItem> ColorModeItems() {
    std::vector<MenuItem> colorModes;
    const char* modeCaptions[] = {"One colour", "Gradient", "Rainbow", "Palette", "Desktop colours"};
    for (int i = 0; i < 5; ++i) colorModes.push_back(Radio(mnuColorModes, modeCaptions[i], i));
    std::vector<MenuItem> palettes;
    for (int i = 0; i < static_cast<int>(mRain::PalettePresets.size()); ++i)
        palettes.push_back(Command(mnuPalette, std::string(mRain::PalettePresets[static_cast<size_t>(i)].Name), i));
    palettes.push_back(Separator(mnuLineCM2));
    palettes.push_back(Command(mnuUserPalette, "User defined ..."));
    colorModes.push_back(Separator(mnuLineCM1));
    colorModes.push_back(Command(mnuHeadColor, "Head colour ..."));
    colorModes.push_back(Submenu(mnuSelectPalette, "Select palette", std::move(palettes)));
    return colorModes;
}

}  // namespace

MenuModel::MenuModel() {
    std::vector<MenuItem> lengths;
    const char* lengthCaptions[] = {"Short", "Medium (default)", "Long"};
    for (int i = 0; i < 3; ++i) lengths.push_back(Check(mnuLength, lengthCaptions[i], i));

    std::vector<MenuItem> glyphs;
    const char* glyphCaptions[] = {"Classic", "Katakana", "Digits", "Binary", "Custom\u2026"};
    for (int i = 0; i < 5; ++i) glyphs.push_back(Radio(mnuGlyphs, glyphCaptions[i], i));
    glyphs.push_back(Separator(mnuLineG1));
    glyphs.push_back(Command(mnuGlyphFont, "Glyph font\u2026"));

    std::vector<MenuItem> leaders;
    const char* leaderCaptions[] = {"None", "Few", "Less (default)", "Normal", "More", "Many", "Only"};
    for (int i = 0; i < 7; ++i) leaders.push_back(Command(mnuLeaders, leaderCaptions[i], i));

    // The colour array starts with an invisible template; the presets follow it at start-up.
    MenuItem colorTemplate = Command(mnuColor, "", 0);
    colorTemplate.Visible = false;

    Root_ = Submenu(mnuPopup, "Popup",
                    {
                        Command(mnuMakerSite, "by [" + std::string(MakerSiteName) + "]"),
                        Separator(mnuLine5),
                        Check(mnuFly, "Fly through"),
                        Submenu(mnuRandomMovement, "Random movement",
                                {Check(mnuRandomMove, "Activate random moves"),
                                 Command(mnuSetupBounce, "Setup bouncing")}),
                        Check(mnuRandomColors, "Random colors"),
                        Check(mnuHorizontal, "Horizontal lines"),
                        Separator(mnuLine2),
                        Command(mnuChangeCount, "Select count"),
                        Submenu(mnuSelectLength, "Select length", std::move(lengths)),
                        Submenu(mnuSelectGlyphs, "Select glyphs", std::move(glyphs)),
                        Submenu(mnuSelectLeaders, "Select leaders", std::move(leaders)),
                        Submenu(mnuSelectColor, "Select Color",
                                {colorTemplate, Separator(mnuLineC1),
                                 Command(mnuUserColor, "User defined ..."), Separator(mnuLineC2),
                                 Submenu(mnuColorMode, "Colour mode", ColorModeItems())}),
                        Separator(mnuLine8),
                        Submenu(mnuSettings, "Settings",
                                {Check(mnuStayBack, "Stay in background"),
                                 Check(mnuShowAds, "Show ads"),
                                 Check(mnuScreenSaver, "Screen saver mode"),
                                 Check(mnuKeepShape, "Keep 4:3 proportions"),
                                 Check(mnuSmooth, "Smooth motion")}),
                        Separator(mnuLine9),
                        Command(mnuKeys, "Key help"),
                        Separator(mnuLine3),
                        Command(mnuExit, "Exit"),
                    });
}

MenuItem* MenuModel::Find(std::string_view name, int index) {
    return Walk(Root_, [&](const MenuItem& item) { return item.Name == name && item.Index == index; });
}

const MenuItem* MenuModel::Find(std::string_view name, int index) const {
    return Walk(Root_, [&](const MenuItem& item) { return item.Name == name && item.Index == index; });
}

MenuItem& MenuModel::Item(std::string_view name, int index) {
    if (MenuItem* item = Find(name, index)) return *item;
    throw std::out_of_range("The menu has no item " + Describe(name, index));
}

const MenuItem& MenuModel::Item(std::string_view name, int index) const {
    if (const MenuItem* item = Find(name, index)) return *item;
    throw std::out_of_range("The menu has no item " + Describe(name, index));
}

bool MenuModel::Toggle(std::string_view name, int index) {
    MenuItem& item = Item(name, index);
    item.Checked = !item.Checked;
    return item.Checked;
}

void MenuModel::CheckOnly(std::string_view name, int index) {
    Item(name, index);  // fails before any mark changes
    Walk(Root_, [&](MenuItem& item) {
        if (item.Name == name && item.Index >= 0) item.Checked = item.Index == index;
        return false;
    });
}

void MenuModel::Bind(std::string_view name, const std::function<void(const MenuCommand&)>& run) {
    Item(name, Find(name) ? -1 : 0);  // fails before anything is bound
    Walk(Root_, [&](MenuItem& item) {
        if (item.Name == name) item.Run = run;
        return false;
    });
}

int MenuModel::AddColorItem(std::string_view caption, std::string_view tag) {
    MenuItem& submenu = Item(mnuSelectColor);
    int count = 0;
    size_t insertAt = 0;
    for (size_t i = 0; i < submenu.Items.size(); ++i) {
        if (submenu.Items[i].Name == mnuColor) {
            ++count;
            insertAt = i + 1;
        }
    }
    MenuItem item = Command(mnuColor, std::string(caption), count);
    item.Tag = std::string(tag);
    if (insertAt > 0) item.Run = submenu.Items[insertAt - 1].Run;
    submenu.Items.insert(submenu.Items.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(item));
    return count;
}

std::vector<int> MenuModel::Indices(std::string_view name) const {
    std::vector<int> indices;
    Walk(Root_, [&](const MenuItem& item) {
        if (item.Name == name && item.Index >= 0) indices.push_back(item.Index);
        return false;
    });
    return indices;
}

}  // namespace app

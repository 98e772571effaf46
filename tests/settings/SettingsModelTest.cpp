// The settings model at each edge where a value enters: the file, a switch, a dialog.
#include <gtest/gtest.h>

#include "settings/SettingsModel.h"
#include "settings/cValues.h"

namespace {
RgbColor Rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }
}  // namespace

TEST(SettingsModel, TheFilesTextsBecomeTypedValuesByTheRulesTheyHaveAlwaysBeenReadBy) {
    cValues store;
    for (const auto& [key, text] : {std::pair{"Color", "#1G2233"}, {"Leaders", "35.5"}, {"FallSpeed", "0.6"},
                                    {"Count", "150.0"}, {"Fly", "0"}, {"FrameRate", "90"}, {"Horizontal", "12.5"}})
        store.Value(key, text);
    SettingsModel model(store);
    EXPECT_TRUE(model.Load({}).empty());
    const SettingsValues& v = model.Values();
    EXPECT_EQ(v.Color.Rgb, Rgb(1, 0x22, 0x33));  // each pair by its longest hexadecimal prefix
    EXPECT_EQ(v.Leaders, 36);                     // halves to even
    EXPECT_EQ(v.FallSpeed, 0.6f);
    EXPECT_EQ(v.Count, 150);
    EXPECT_FALSE(v.Fly);
    EXPECT_EQ(v.FrameRate, 90);
    EXPECT_TRUE(v.Smooth);  // a frame rate asks for smooth motion; the file learns of it only when chosen
    EXPECT_FALSE(store.StoredText("Smooth"));
    EXPECT_EQ(v.Horizontal, 12.5);
    EXPECT_EQ(v.Glyphs, 0);  // a later key that is missing reads as 0, and stays out of the file
    EXPECT_FALSE(store.StoredText("Glyphs"));
    EXPECT_EQ(store.Value("Count").Text(), "150.0");  // a usable text is kept as it is
    // Seven characters after "#" count as characters, not bytes; anything else is no colour.
    for (const auto& [text, rgb] : {std::pair{"#\xC3\x84\xC3\x84" "12" "34", std::optional(Rgb(0, 0x12, 0x34))},
                                    {"#00A000 ", std::optional<RgbColor>()}, {"red", std::optional<RgbColor>()}})
        EXPECT_EQ(ReadColorText(text), rgb) << text;
}

TEST(SettingsModel, AChosenValueIsWrittenAsTheMenuAlwaysWroteItAndOverridesGoBack) {
    cValues store;
    SettingsModel model(store);
    model.Load({{"Count", "300"}, {"Fly", "0"}});
    EXPECT_EQ(model.Values().Count, 300);
    model.Set(&SettingsValues::FallSpeed, 0.1f + 0.5f);
    model.Set(&SettingsValues::Horizontal, 0.0);
    model.Set(&SettingsValues::Fly, false);  // the override's own value: it still goes back
    model.Set(&SettingsValues::Length, 2);
    EXPECT_FALSE(model.SetColor("#12345"));
    EXPECT_TRUE(model.SetColor("#12345g"));
    model.TakeBackOverrides();
    for (const auto& [key, text] : {std::pair{"FallSpeed", "0.6"}, {"Horizontal", "0"}, {"Fly", "1"}, {"Length", "2"},
                                    {"Color", "#12345g"}, {"Count", "150"}})
        EXPECT_EQ(store.Value(key).Text(), text) << key;
    EXPECT_EQ(model.Values().Color.Rgb, Rgb(0x12, 0x34, 5));
}

TEST(SettingsModel, ASwitchValueIsCheckedAgainstItsKeyOnce) {
    struct Case {
        std::string_view Key, Value;
        bool Whole;
        std::optional<std::string> Stored;
    };
    const Case cases[] = {
        {"Length", "Long", false, "2"},        {"Length", "longer", false, {}},
        {"Color", "ice blue", false, "#0088FF"}, {"Color", "#00a0ff", false, "#00a0ff"},
        {"Color", "#00A0F", false, {}},         {"Count", "1000", true, "1000"},    
        {"Count", "200001", true, {}},          {"Count", "1.5", true, {}},
        {"FallSpeed", "2.5", false, "2.5"},     {"FrameRate", "19", true, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadSwitchValue(*FindSettingKey(c.Key), c.Value, c.Whole), c.Stored) << c.Key << " " << c.Value;
    EXPECT_EQ(SwitchValueNeeds(*FindSettingKey("Length"), false), "short, medium or long");
    EXPECT_EQ(SwitchValueNeeds(*FindSettingKey("Count"), true), "a whole number from 0 to 200000");
    EXPECT_EQ(SwitchValueNeeds(*FindSettingKey("Color"), false),
              "#RRGGBB or one of red, green, blue, golden, ice-blue, steel, grey-vesk, syndicate");
}

// The count dialog's answers are read through the controller there (ControllerTest).
TEST(SettingsModel, ColourDialogAnswersBecomeColourTextsOrAreRefused) {
    using Kind = ColorAnswer::Kind;
    const auto color = [](std::string_view answer) {
        const ColorAnswer read = ReadColorAnswer(answer);
        return read.What == Kind::Color ? read.Text : "refused";
    };
    for (auto [typed, text] : {std::pair{"0,128,255", "#0080FF"}, {"255 , 0 , 0", "#FF0000"}, {"1,2,3,4", "#010203"},
                               {"127.5,0.4,254.5", "#8000FE"}, {"  #00a0ff ", "#00a0ff"}})
        EXPECT_EQ(color(typed), text) << typed;  // nearest, halves to even
    EXPECT_EQ(ReadColorAnswer("   ").What, Kind::Nothing);
    for (const char* bad : {"red", "00A0FF", "#00A0F", "300,0,0", "-1,0,0", "a,b,c", "1,,2,3", ",1,2", "1,2,", "1e10,0,0"})
        EXPECT_EQ(ReadColorAnswer(bad).What, Kind::Invalid) << bad;
}

#pragma once
// The settings model: the typed values (SettingsValues) over the store they are kept in.
// Each value is read and checked once, at the edge where it enters: the settings file at
// start-up (Load), a switch (ReadSwitchValue), a dialog's answer (ReadColorAnswer,
// ReadCountAnswer). A value chosen while running goes in through Set, which keeps the typed
// field and the store's text together; nothing else writes the store.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "settings/SettingsKeys.h"
#include "settings/SettingsValues.h"

class cValues;

// ---- Colours ----

// The colours the "Select Color" submenu offers, in menu order ("-" is a separator line). The
// command line names them by their labels too (--color ice-blue).
struct ColorPreset {
    std::string_view Label;
    std::string_view Color;
};
inline constexpr std::array<ColorPreset, 9> ColorPresets{{
    {"Red", "#A00000"},
    {"Green (original)", "#00A000"},
    {"Blue", "#0000A0"},
    {"-", ""},
    {"Golden", "#FF8000"},
    {"Ice Blue", "#0088FF"},
    {"Steel", "#88CCFF"},
    {"Grey Vesk", "#404040"},
    {"Syndicate", "#402080"},
}};
// A preset's name on the command line: its label in lower case up to any bracket, words
// joined by dashes ("Green (original)" is green, "Ice Blue" ice-blue).
std::string ColorPresetName(std::string_view label);
std::string ColorPresetNames();  // "red, green, blue, ..."

// A colour text as the store keeps it: "#" and six more characters (UTF-8 characters, not
// bytes). Each pair is read as a hexadecimal number by its longest valid prefix: "1G" reads 1
// and "GG" reads 0. Nothing for any other text.
std::optional<RgbColor> ReadColorText(std::string_view text);

// What the user typed into the colour dialog comes to.
struct ColorAnswer {
    enum class Kind {
        Nothing,  // empty or cancelled: nothing changes
        Color,    // Text is the colour text to choose
        Invalid,  // the answer is no colour: the dialog says so
    };
    Kind What = Kind::Nothing;
    std::string Text;
};
// The dialog's answer: a colour text as the store keeps it, or three comma-separated numbers
// 0..255 (rounded half to even; parts after the third are ignored). Blanks around it are dropped.
ColorAnswer ReadColorAnswer(std::string_view answer);

// ---- Dialog answers ----

// What a typed "Select count" answer comes to.
struct CountAnswer {
    enum class Kind {
        Ignored,     // empty, cancelled, not a number, or two points or more: nothing changes
        Store,       // store "Count" and rebuild the groups
        TooLarge,    // beyond the whole-number range: "Count" becomes 150, the groups stay
        OutOfRange,  // a whole number outside 0..MaxGroupCount: refused with a message
    };
    Kind What = Kind::Ignored;
    int32_t Count = 0;
};
CountAnswer ReadCountAnswer(std::string_view answer);

// ---- Switches ----

// A switch's value for the key: the text the store keeps for it, or nothing when the key
// cannot take it. A choice reads its words ("medium"), a colour "#RRGGBB" or a preset's name,
// a number its range (whole only when asked). The keys whose texts depend on the fonts
// (the custom glyphs and their font) are read where the fonts are known.
std::optional<std::string> ReadSwitchValue(const SettingDefault& key, std::string_view value, bool whole);
// What ReadSwitchValue takes, for its refusal: "a whole number from 0 to 200000".
std::string SwitchValueNeeds(const SettingDefault& key, bool whole);
// "0 to 200000": a key's range as --help shows it.
std::string RangeText(const SettingDefault& key);

// ---- The model ----

class SettingsModel {
public:
    explicit SettingsModel(cValues& store) : Store_(store) {}

    // Start-up: every key the store lacks gets its default, every stored value that its key
    // cannot use is replaced by the default (and returned, to be named), the run's overrides go
    // over the store, and the typed values are read from it.
    std::vector<ReplacedSetting> Load(const std::vector<SettingOverride>& overrides);
    const SettingsValues& Values() const { return Values_; }

    // A value chosen while running: the typed field and the store's text, in the file's form.
    template <class T>
    void Set(T SettingsValues::*field, std::type_identity_t<T> value) {
        Values_.*field = std::move(value);
        Write(field);
    }
    // Chooses a colour text; false (and nothing chosen) when the text is no colour.
    bool SetColor(std::string_view text);
    // The text stored for the field's key, as a dialog offers it for editing.
    std::string StoredText(SettingField field) const;

    // Before the store is written: what a run only held goes back (the overrides' values,
    // unless the user chose another value of that key since).
    void TakeBackOverrides();

private:
    void Write(SettingField field);

    cValues& Store_;
    SettingsValues Values_;
    std::vector<OverriddenSetting> Overridden_;
};

// The typed values a store holds, read as start-up reads them (after its defaults and checks).
SettingsValues ReadSettingsValues(const cValues& store);

#pragma once
// The "Custom" glyph set: characters and a font the user chooses ("Custom…" and "Glyph font…"
// in "Select glyphs", the "CustomGlyphs" and "GlyphFont" settings, --glyphs and --font), drawn
// at run time into the atlas cells no built-in set uses (mRain::CustomGlyphCells). Everything
// stays in memory: the atlas file is read, never written.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/cImage.h"
#include "fonts/cGlyphPainter.h"
#include "settings/SettingsKeys.h"

class cDevice;
class SettingsModel;
struct SettingsValues;

namespace app {

inline constexpr std::string_view GlyphsTitle = "Glyphs";
inline constexpr std::string_view GlyphsPrompt = "Type the characters to rain:";
inline constexpr std::string_view GlyphFontTitle = "Glyph font";
inline constexpr std::string_view GlyphFontPrompt =
    "Type a font family (DejaVu Sans Mono, Noto Sans Runic:bold) or a font file's path:";

// Characters given for one run (--glyphs) are also shown for that run.
std::vector<SettingOverride> WithCustomSetShown(std::vector<SettingOverride> overrides);

class cCustomGlyphs {
public:
    // At start-up, with the run's overrides in place: when "Glyphs" asks for the custom set,
    // draws the stored characters with the stored font. What cannot be used is said on standard
    // error; without a character to show, the rain shows "Classic" (the file keeps its values).
    void Start(const SettingsValues& settings);
    // The set the rain shows: "Glyphs", or Classic when that asks for a custom set there is none of.
    int32_t ShownSet(const SettingsValues& settings) const;
    int32_t Count() const { return static_cast<int32_t>(Chars_.size()); }
    std::u32string_view Chars() const { return Chars_; }

    // Draws the custom cells into a device's atlas texture (made from iAtlasFile); nothing
    // while there are none. The device's context must be current.
    void PutIntoAtlas(cDevice& device, int32_t texture, const std::string& iAtlasFile);

    // "Custom…": asks for the characters; true when there is a new set to show ("CustomGlyphs"
    // is stored). A refusal says why; cancelling or an empty answer changes nothing.
    bool AskForGlyphs(SettingsModel& settings);
    // "Glyph font…": asks for the font; true when the set was drawn anew with it ("GlyphFont"
    // is stored whenever the font can be used).
    bool AskForFont(SettingsModel& settings);

private:
    // Draws iChars with the chosen font; the characters no font has, and those the font the
    // user named did not draw itself, are named (on standard error at start-up, else in a
    // message box). False when none could be drawn (NoneDrawn_ says why).
    bool DrawSet(std::u32string_view iChars, bool iAtStart);
    // The font from the settings, or the default one when it cannot be used (said as above).
    bool ChooseStoredFont(const SettingsValues& settings, bool iAtStart);
    bool ReadAtlas(const std::string& iAtlasFile);

    mFonts::cGlyphPainter Painter_;
    bool NamedFont_ = false;  // the user's own font, not the default one
    std::string NoneDrawn_;   // why DrawSet drew none
    std::u32string Chars_;
    std::vector<mFonts::CellPicture> Cells_;
    cImage Atlas_;  // the atlas file's texels, the custom cells drawn in
    std::string AtlasFile_;
};

}  // namespace app

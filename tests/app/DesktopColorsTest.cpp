// The desktop's colours from the places themes keep them, and what hostile files get.
#include "app/DesktopColors.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/TempDir.h"

namespace {

struct StubPortal : app::iAccentColorSource {
    std::optional<mRain::Color> Accent;
    std::optional<mRain::Color> AccentColor() override { return Accent; }
};

void Write(const std::string& file, const std::string& text) { std::ofstream(file) << text; }

const char* WalFile = R"({
    "wallpaper": "/home/someone/sea.jpg",
    "special": {"background": "#0b0d10", "foreground": "#c3c5c8"},
    "colors": {
        "color0": "#0b0d10", "color1": "#FF0000", "color2": "#00ff00",
        "color3": "#0000FF", "color4": "#123456", "color5": "not a colour", "color7": "#c3c5c8"
    }
})";

struct DesktopColorsRig {
    testing_support::TempDir Home;
    app::DesktopColorFiles Files{Home.File("colors.json"), Home.File("kdeglobals")};
    StubPortal Portal;
    std::vector<std::string> Said;
    app::cDesktopColors Colors{&Portal, Files, [this](const std::string& line) { Said.push_back(line); }};
};

}  // namespace

TEST(DesktopColors, TakesThePortalsAccentThenWalColoursThenKdesSelectionAndFollowsChanges) {
    DesktopColorsRig rig;
    Write(rig.Files.Kde, "[General]\nBackgroundNormal=1,2,3\n[Colors:Selection]\nBackgroundNormal=61,174,233\n");
    EXPECT_TRUE(rig.Colors.Look(0));
    EXPECT_EQ(rig.Colors.Source(), "KDE selection colour");
    ASSERT_EQ(rig.Colors.Colors().size(), 1u);
    EXPECT_EQ(mRain::ColorText(rig.Colors.Colors()[0]), "#3DAEE9");

    Write(rig.Files.Wal, WalFile);
    EXPECT_FALSE(rig.Colors.Look(1000));  // not looked at again so soon
    EXPECT_TRUE(rig.Colors.Look(3000));
    EXPECT_EQ(rig.Colors.Source(), "wal colours");
    EXPECT_EQ(mRain::PaletteText(rig.Colors.Colors()), "#FF0000, #00FF00, #0000FF, #123456");

    rig.Portal.Accent = mRain::Color{1, 0.5f, 0, 1};
    EXPECT_TRUE(rig.Colors.Look(6000));
    EXPECT_EQ(rig.Colors.Source(), "accent colour");
    EXPECT_FALSE(rig.Colors.Look(9000));  // the same again: nothing changed
    EXPECT_TRUE(rig.Said.empty());
}

TEST(DesktopColors, HostileThemeFilesGiveTheChosenColourAndOneLineNeverAHang) {
    DesktopColorsRig rig;
    const std::string wal = rig.Files.Wal;
    const auto look = [&](int32_t now) {
        rig.Said.clear();
        rig.Colors.Look(now);
        EXPECT_TRUE(rig.Colors.Colors().empty()) << now;
        EXPECT_EQ(rig.Said.size(), 1u) << now;
        return rig.Said.empty() ? std::string() : rig.Said[0];
    };
    EXPECT_EQ(look(0), "no desktop colours found; the rain keeps its chosen colour");
    Write(wal, "colors = red, green");
    EXPECT_NE(look(3000).find("not a wal colour file"), std::string::npos);
    Write(wal, std::string(200000, ' ') + WalFile);
    EXPECT_NE(look(6000).find("larger than"), std::string::npos);
    std::remove(wal.c_str());
    ASSERT_EQ(::mkfifo(wal.c_str(), 0600), 0);  // nobody ever writes to it
    EXPECT_NE(look(9000).find("FIFO"), std::string::npos);
    std::remove(wal.c_str());
    ASSERT_EQ(::symlink("/dev/zero", wal.c_str()), 0);
    EXPECT_NE(look(12000).find("not a regular file"), std::string::npos);
    // The same trouble again is not said again.
    rig.Said.clear();
    rig.Colors.Look(15000);
    EXPECT_TRUE(rig.Said.empty());
    std::remove(wal.c_str());
    Write(rig.Files.Kde, "[Colors:Selection]\nBackgroundNormal=blue\n");
    EXPECT_NE(look(18000).find("is no colour"), std::string::npos);
}

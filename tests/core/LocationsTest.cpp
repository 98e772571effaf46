#include "core/Locations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

using mLocations::Environment;
using Files = std::vector<std::string>;

namespace {
void Touch(const std::string& path) { std::ofstream(path) << "x"; }
}  // namespace

TEST(Locations, AtlasIsSoughtBesideTheProgramThenInstalledThenInTheXdgDataFolders) {
    const mLocations::InstalledData installed{"../share/glyphfall", "/usr/local/share/glyphfall"};
    Environment env;
    env.Home = "/home/u";
    env.DataHome = "relative/is/ignored";
    env.DataDirs = "share:/a:/b/";
    EXPECT_EQ(mLocations::AtlasSearchPath("/opt/gf/bin/", env, installed),
              (Files{"/opt/gf/bin/tex.png", "/opt/gf/share/glyphfall/tex.png", "/usr/local/share/glyphfall/tex.png",
                     "/home/u/.local/share/glyphfall/tex.png", "/a/glyphfall/tex.png", "/b/glyphfall/tex.png"}));
    // Unset data folders take the XDG defaults; a place already listed is not tried twice.
    env = {};
    env.DataHome = "/d";
    EXPECT_EQ(mLocations::AtlasSearchPath("/usr/local/bin/", env, installed),
              (Files{"/usr/local/bin/tex.png", "/usr/local/share/glyphfall/tex.png", "/d/glyphfall/tex.png",
                     "/usr/share/glyphfall/tex.png"}));
}

TEST(Locations, SettingsStayBesideAWritableCopyOfItsOwnAndGoToTheUsersFolderOtherwise) {
    testing_support::TempDir dir;
    const std::string app = dir.Path + "/";
    Environment env;
    env.Home = "/home/u";
    env.ConfigHome = "not/absolute";
    env.ConfigDirs = "/etc/a:/etc/b";
    // A folder without the atlas or a settings file is an installed program's bin folder.
    auto files = mLocations::SettingsLocations(app, env);
    EXPECT_EQ(files.WriteTo, "/home/u/.config/glyphfall/glyphfall.ini");
    EXPECT_EQ(files.ReadOrder, (Files{files.WriteTo, app + "glyphfall.ini", "/etc/a/glyphfall/glyphfall.ini",
                                      "/etc/b/glyphfall/glyphfall.ini"}));
    Touch(dir.File("tex.png"));
    env = {};
    env.ConfigHome = "/cfg";
    files = mLocations::SettingsLocations(app, env);
    EXPECT_EQ(files.WriteTo, app + "glyphfall.ini");
    EXPECT_EQ(files.ReadOrder, (Files{app + "glyphfall.ini", "/etc/xdg/glyphfall/glyphfall.ini"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}), 1);  // the probe left nothing
}

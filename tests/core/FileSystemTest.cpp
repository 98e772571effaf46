#include "core/mFileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core/mCore.h"
#include "support/TempDir.h"

using testing_support::TempDir;

namespace {
void Touch(const std::string& path, const std::string& text = "x") { std::ofstream(path) << text; }
}  // namespace

TEST(NormalizePath, DriveShareAndPosixFoldersEachGetOneTrailingSeparator) {
    EXPECT_EQ(mFileSystem::NormalizePath("C:/Games/Rain  ", false), "C:\\Games\\Rain\\");
    EXPECT_EQ(mFileSystem::NormalizePath("  C:\\Games\\\\Rain\\", false), "C:\\Games\\Rain\\");
    EXPECT_EQ(mFileSystem::NormalizePath("\\\\server\\c:\\x\\", false), "//server/c/x/");
    EXPECT_EQ(mFileSystem::NormalizePath("/opt/glyphfall//", false), "/opt/glyphfall/");
    EXPECT_EQ(mFileSystem::NormalizePath("/", false), "/");
    EXPECT_EQ(mFileSystem::NormalizePath("/home/me/rain ", false), "/home/me/rain /");
    EXPECT_EQ(mFileSystem::NormalizePath("/x/glyphfall [v2] \\ y", false), "/x/glyphfall [v2] \\ y/");
}

TEST(GetAppPath, IsTheFolderOfTheRunningProgram) {
    mFileSystem::GetAppPath();
    ASSERT_FALSE(mCore::AppPath.empty());
    EXPECT_EQ(mCore::AppPath.back(), '/');
    EXPECT_TRUE(mFileSystem::FileExists(mCore::AppPath + "glyphfall_core_tests"));
}

TEST(FileExists, MatchesWildcardsAndHiddenFilesButNotFoldersAndTakesTheFolderLiterally) {
    TempDir dir;
    Touch(dir.File(".hidden.ini"));
    ::mkdir(dir.File("folder.png").c_str(), 0755);
    EXPECT_TRUE(mFileSystem::FileExists(dir.File(".hidden.ini")));
    EXPECT_TRUE(mFileSystem::FileExists(dir.File("*.ini")));
    EXPECT_TRUE(mFileSystem::FileExists(dir.File(".hid?en*i")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("*.in")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("folder.png")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("*.png")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("missing")));
    EXPECT_FALSE(mFileSystem::FileExists(""));
    // Brackets, backslashes and wildcards in the folder are taken literally.
    const std::string folder = dir.File("glyphfall [v2] \\ x*");
    ::mkdir(folder.c_str(), 0755);
    Touch(folder + "/tex.png");
    EXPECT_TRUE(mFileSystem::FileExists(folder + "/tex.png"));
    EXPECT_TRUE(mFileSystem::FileExists(folder + "/t?x.*"));
    EXPECT_FALSE(mFileSystem::FileExists(folder + "/[t]ex.png")) << "brackets in the name are characters too";
    Touch(folder + "/[t]ex.png");
    EXPECT_TRUE(mFileSystem::FileExists(folder + "/[t]ex.png"));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("glyphfall ? \\ x?/tex.png")));
}

TEST(DeleteFile, RemovesReadOnlyFilesAndOpenFileWithoutCreateOpensExistingFilesOnly) {
    TempDir dir;
    Touch(dir.File("ro"));
    ::chmod(dir.File("ro").c_str(), 0444);
    EXPECT_TRUE(mFileSystem::DeleteFile(dir.File("ro")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("ro")));
    EXPECT_TRUE(mFileSystem::DeleteFile(dir.File("never-there")));
    // Without "create", only existing files open.
    EXPECT_FALSE(mFileSystem::OpenFile(dir.File("missing"), true, false));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("missing")));
    Touch(dir.File("there"), "old");
    EXPECT_TRUE(mFileSystem::OpenFile(dir.File("there"), true, false));
    EXPECT_TRUE(mFileSystem::OpenFile(dir.File("there"), true, true));
    std::string contents;
    ASSERT_TRUE(mFileSystem::ReadWholeFile(dir.File("there"), contents));
    EXPECT_EQ(contents, "");  // made anew
}

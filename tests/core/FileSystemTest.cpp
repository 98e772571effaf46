#include "core/mFileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/TempDir.h"

using testing_support::TempDir;

namespace {
void Touch(const std::string& path, const std::string& text = "x") { std::ofstream(path) << text; }
}  // namespace

TEST(FileExists, FindsHiddenFilesButNotFoldersAndTakesBracketsAndBackslashesLiterally) {
    TempDir dir;
    Touch(dir.File(".hidden.ini"));
    ::mkdir(dir.File("folder.png").c_str(), 0755);
    EXPECT_TRUE(mFileSystem::FileExists(dir.File(".hidden.ini")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("folder.png")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("missing")));
    EXPECT_FALSE(mFileSystem::FileExists(""));
    const std::string folder = dir.File("glyphfall [v2] \\ x*");
    ::mkdir(folder.c_str(), 0755);
    Touch(folder + "/tex.png");
    EXPECT_TRUE(mFileSystem::FileExists(folder + "/tex.png"));
    EXPECT_FALSE(mFileSystem::FileExists(folder + "/[t]ex.png"));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("glyphfall ? \\ x?/tex.png")));
}

TEST(DeleteFile, RemovesReadOnlyFilesAndOpenFileWithoutCreateOpensExistingFilesOnly) {
    TempDir dir;
    Touch(dir.File("ro"));
    ::chmod(dir.File("ro").c_str(), 0444);
    EXPECT_TRUE(mFileSystem::DeleteFile(dir.File("ro")));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("ro")));
    EXPECT_FALSE(mFileSystem::OpenFile(dir.File("missing"), true, false));
    EXPECT_FALSE(mFileSystem::FileExists(dir.File("missing")));
    Touch(dir.File("there"), "old");
    EXPECT_TRUE(mFileSystem::OpenFile(dir.File("there"), true, true));
    std::string contents;
    ASSERT_TRUE(mFileSystem::ReadWholeFile(dir.File("there"), contents));
    EXPECT_EQ(contents, "");  // made anew
}

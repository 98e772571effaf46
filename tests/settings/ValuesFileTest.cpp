#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "core/mFileSystem.h"
#include "settings/SettingsKeys.h"
#include "settings/cValues.h"
#include "support/TempDir.h"

using testing_support::TempDir;

namespace {
std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}
std::string Record(const std::string& name, bool numeric, const std::string& text) {
    std::string out = Bytes({int(name.size() & 0xFF), int(name.size() >> 8)}) + name;
    out += numeric ? Bytes({0xFF, 0xFF}) : Bytes({0, 0});
    return out + Bytes({int(text.size() & 0xFF), int(text.size() >> 8)}) + text;
}
std::string ReadFile(const std::string& path) {
    std::string bytes;
    mFileSystem::ReadWholeFile(path, bytes);
    return bytes;
}
}  // namespace

TEST(ValuesFile, EmptyStoreAndDefaultsWriteTheKnownBytesAndRoundTrip) {
    EXPECT_EQ(cValues().WriteData(), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));  // the empty store
    TempDir dir;
    cValues store;
    DeclareSettingDefaults(store);
    ASSERT_TRUE(store.SaveData(dir.File("glyphfall.ini")));
    const std::string bytes = ReadFile(dir.File("glyphfall.ini"));
    EXPECT_EQ(bytes.substr(0, 4), Bytes({16, 0, 0, 0}));
    EXPECT_EQ(bytes.substr(4, 18), Bytes({5, 0}) + "Color" + Bytes({0, 0, 7, 0}) + "#00A000");
    cValues reread;
    ASSERT_TRUE(reread.LoadData(dir.File("glyphfall.ini")));
    EXPECT_EQ(reread.WriteData(), bytes);
    EXPECT_EQ(reread.FileName(), dir.File("glyphfall.ini"));
}

TEST(ValuesFile, NumericRecordsReadAsWholeNumbersUntilTwoPointsAreStored) {
    cValues store;
    ASSERT_TRUE(store.ReadData(Bytes({2, 0, 0, 0}) + Record("A", true, "0.5") + Record("B", true, "1.5") +
                               Record("C", true, "lots")));
    EXPECT_EQ(store.Value("A").Text(), "0");
    EXPECT_EQ(store.Value("B").Text(), "2");
    EXPECT_TRUE(store.Value("C").IsEmpty()) << "a failed conversion reads as an empty value, not 0";
    store.Value("B", "1.2.3");
    EXPECT_FALSE(store.Records()[1].Numeric);
    store.Value("A", "7.5");
    EXPECT_TRUE(store.Records()[0].Numeric);  // a write keeps the flag
    EXPECT_EQ(store.Value("A").Long(), 8);
}

TEST(ValuesFile, CorruptTruncatedAndHugeCountFilesKeepTheWholeRecords) {
    cValues store;
    // Claims 2^31 records but holds one and a half.
    const std::string huge = Bytes({0xFF, 0xFF, 0xFF, 0x7F}) + Record("Count", false, "300") + Record("Len", false, "2").substr(0, 5);
    EXPECT_FALSE(store.ReadData(huge));
    ASSERT_EQ(store.LastIndex(), 0);
    EXPECT_EQ(store.Value("Count").Long(), 300);
    EXPECT_FALSE(store.ReadData(Bytes({1, 2})));
    EXPECT_EQ(store.LastIndex(), -1);
    // A length field that runs past the end.
    EXPECT_FALSE(store.ReadData(Bytes({0, 0, 0, 0, 0xFF, 0xFF, 'a'})));
    EXPECT_EQ(store.LastIndex(), -1);
    EXPECT_TRUE(store.ReadData(Bytes({0xFE, 0xFF, 0xFF, 0xFF})));  // any negative count is an empty store
}

TEST(ValuesFile, OnlyARegularFileOfAtMostAMegabyteIsReadAndNoLinkOrDeviceIsWrittenThrough) {
    namespace fs = std::filesystem;
    using Kind = mFileSystem::ReadOutcome::Kind;
    TempDir dir;
    const std::string path = dir.File("glyphfall.ini");
    struct Case {
        const char* What;
        std::function<void()> Make;
        Kind Read;
        bool Replaced;  // by a regular file holding the store; otherwise left as it was
    };
    const Case cases[] = {
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", path); }, Kind::NotAFile, true},
        {"a link to /dev/urandom", [&] { fs::create_symlink("/dev/urandom", path); }, Kind::NotAFile, true},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }, Kind::NotAFile, true},
        {"a folder", [&] { fs::create_directory(path); }, Kind::NotAFile, false},
        {"two megabytes", [&] { std::ofstream(path) << std::string(2 << 20, 'x'); }, Kind::TooLarge, false},
        {"missing", [] {}, Kind::Missing, true},
    };
    for (const Case& c : cases) {
        fs::remove_all(path);
        c.Make();
        cValues store;
        EXPECT_EQ(store.LoadData(path).What, c.Read) << c.What;
        store.Value("Count", 40);
        EXPECT_EQ(store.SaveData(), c.Replaced) << c.What << ": " << store.SaveFailure();
        EXPECT_EQ(fs::is_regular_file(fs::symlink_status(path)) && ReadFile(path) == store.WriteData(), c.Replaced)
            << c.What;
        EXPECT_EQ(store.SaveFailure().empty(), c.Replaced) << c.What;
    }
    // A linked dotfile: the file the link names takes the settings, and the link stays.
    fs::remove_all(path);
    cValues store;
    ASSERT_TRUE(store.SaveData(dir.File("dotfile")));
    fs::create_symlink("dotfile", path);
    ASSERT_TRUE(store.LoadData(path));
    store.Value("Count", 41);
    ASSERT_TRUE(store.SaveData());
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(ReadFile(dir.File("dotfile")), store.WriteData());
}

TEST(ValuesFile, SaveThatCannotCompleteLeavesTheOldFileIntact) {
    TempDir dir;
    const std::string path = dir.File("glyphfall.ini");
    cValues before;
    before.Value("Count", 150);
    ASSERT_TRUE(before.SaveData(path));
    const std::string oldBytes = ReadFile(path);

    // A child whose file-size limit runs out part-way through the write stands in for a full disk.
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {20, 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        cValues after;
        after.Value("Count", std::string(1000, '9'));
        ::_exit(after.SaveData(path) ? 1 : 0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
    EXPECT_EQ(ReadFile(path), oldBytes);
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path)) entries += e.exists();
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
}

TEST(ValuesFile, KilledAtAnyMomentOfRepeatedSavesTheFileReadsBackWholeOldOrNew) {
    TempDir dir;
    const std::string path = dir.File("glyphfall.ini");
    // Large enough that many kills land inside a write.
    cValues small, large;
    small.Value("Count", 150);
    for (int i = 0; i < 100; ++i) large.Value("Key" + std::to_string(i), std::string(3000, char('a' + i % 26)));
    const std::string smallBytes = small.WriteData(), largeBytes = large.WriteData();
    ASSERT_TRUE(small.SaveData(path));
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round) {
        const pid_t child = ::fork();
        if (child == 0)
            for (int i = 0;; ++i) (i % 2 ? small : large).SaveData(path);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 4000)(random));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string bytes = ReadFile(path);
        ASSERT_TRUE(bytes == smallBytes || bytes == largeBytes) << "round " << round << ": " << bytes.size() << " bytes";
        cValues reread;
        ASSERT_TRUE(reread.LoadData(path));
    }
    ASSERT_TRUE(small.SaveData(path));  // the next start's save
    int strays = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path)) strays += e.path().filename() != "glyphfall.ini";
    EXPECT_EQ(strays, 0) << "temporaries of killed saves pile up beside the file";
}

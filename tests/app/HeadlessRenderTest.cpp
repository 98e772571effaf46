#include "app/HeadlessRender.h"

#include <gtest/gtest.h>

#include "core/mFileSystem.h"
#include "device/cImage.h"
#include "support/TempDir.h"

namespace {
std::optional<app::HeadlessOptions> Parse(std::vector<std::string> arguments) {
    std::string error;
    return app::ParseHeadlessArguments(arguments, error);
}
}  // namespace

TEST(HeadlessArguments, TakeTheFolderFramesSizeAndSeedAndRefuseWhatCannotBeRendered) {
    const auto options = Parse({"--render", "out", "--frames", "12", "--size", "1920x1080", "--seed", "7"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->Folder, "out");
    EXPECT_EQ(options->Frames, 12);
    EXPECT_EQ(options->Width, 1920);
    EXPECT_EQ(options->Height, 1080);
    EXPECT_EQ(options->Seed, 7u);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--render"}, {"--render", "--frames"}, {"--render", "out", "--frames", "0"},
             {"--render", "out", "--size", "99999x10"}, {"--render", "out", "--colour", "red"},
             {"--render", "out", "--frames"}}) {
        std::string error;
        EXPECT_FALSE(app::ParseHeadlessArguments(bad, error)) << bad.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(HeadlessRender, WritesGreenRainFramesAndTheSameSeedGivesTheSameFrames) {
    testing_support::TempDir folder;
    app::HeadlessOptions options;
    options.Frames = 30;
    options.Width = 320;
    options.Height = 240;
    options.Seed = 11;
    options.Folder = folder.File("a");
    ASSERT_EQ(app::RenderHeadless(options), 0);
    options.Folder = folder.File("b");
    ASSERT_EQ(app::RenderHeadless(options), 0);
    cImage first, second;
    std::string error;
    ASSERT_TRUE(mImage::ReadPng(folder.File("a/frame-0030.png"), first, error)) << error;
    ASSERT_TRUE(mImage::ReadPng(folder.File("b/frame-0030.png"), second, error)) << error;
    EXPECT_EQ(first.Pixels, second.Pixels);
    EXPECT_FALSE(mFileSystem::FileExists(folder.File("a/frame-0031.png")));
    int green = 0;
    for (uint32_t pixel : first.Pixels) green += ChannelG(pixel) > 40 && ChannelR(pixel) < ChannelG(pixel) / 2;
    EXPECT_GT(green, 200);
}

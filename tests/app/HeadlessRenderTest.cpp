#include "app/HeadlessRender.h"

#include <gtest/gtest.h>

#include "core/mFileSystem.h"
#include "device/cImage.h"
#include "support/TempDir.h"

TEST(HeadlessRender, WritesGreenRainFramesAndTheSameSeedGivesTheSameFrames) {
    testing_support::TempDir folder;
    app::HeadlessOptions options;
    options.Render = {folder.File("a"), 30, 320, 240, 11};
    ASSERT_EQ(app::RenderHeadless(options), 0);
    options.Render.Folder = folder.File("b");
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

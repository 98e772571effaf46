#include "platform/headless/HeadlessRender.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/PlatformRun.h"
#include "core/mFileSystem.h"
#include "device/cImage.h"
#include "support/TempDir.h"

namespace {
// What the program's entry does with --render: the controller's run on the headless platform.
int RenderHeadless(const platform::headless::HeadlessOptions& options, const std::vector<SettingOverride>& settings = {}) {
    return platform::headless::HeadlessRun(options)
        .Run([&](app::iWindow& window, const app::ControllerPlace& place) {
            return app::RunController(window, place, settings);
        })
        .ExitCode;
}
}  // namespace

TEST(HeadlessRender, WritesGreenRainFramesAndTheSameSeedGivesTheSameFrames) {
    testing_support::TempDir folder;
    platform::headless::HeadlessOptions options;
    options.Render = {folder.File("a"), 30, 320, 240, 11};
    ASSERT_EQ(RenderHeadless(options), 0);
    options.Render.Folder = folder.File("b");
    ASSERT_EQ(RenderHeadless(options), 0);
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

TEST(HeadlessRender, AtSixtyFramesASecondEveryThirdFrameIsTheClassicFrameOfItsStepAndTheFramesBetweenMove) {
    testing_support::TempDir folder;
    auto render = [&](const std::string& name, const std::string& frames, std::vector<std::string> more) {
        std::vector<std::string> arguments = {"--render", folder.File(name), "--frames", frames, "--size", "320x240",
                                              "--seed", "5", "--fly", "--random-move"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const app::CommandLine command = app::ReadCommandLine(arguments);
        ASSERT_EQ(command.Action, app::CommandAction::Render) << command.Error;
        ASSERT_EQ(RenderHeadless({command.Render, true}, command.Settings), 0);
    };
    render("classic", "12", {});
    render("smooth", "34", {"--fps", "60"});
    auto frame = [&](const std::string& name, int n) {
        cImage image;
        std::string error;
        char file[32];
        std::snprintf(file, sizeof file, "/frame-%04d.png", n);
        EXPECT_TRUE(mImage::ReadPng(folder.File(name) + file, image, error)) << error;
        return image.Pixels;
    };
    for (int step = 0; step < 12; ++step) {
        const auto classic = frame("classic", step + 1);
        EXPECT_EQ(frame("smooth", 3 * step + 1), classic) << "step " << step;
        if (step == 11) break;
        EXPECT_NE(frame("smooth", 3 * step + 2), classic) << "step " << step;  // the camera flies on between
        EXPECT_NE(frame("smooth", 3 * step + 3), frame("smooth", 3 * step + 2)) << "step " << step;
    }
}

TEST(HeadlessRender, TakesTheColourModesFromTheCommandLine) {
    testing_support::TempDir folder;
    const app::CommandLine command =
        app::ReadCommandLine({"--render", folder.File("p"), "--frames", "20", "--size", "320x240", "--seed", "3",
                              "--color-mode", "palette", "--palette", "#FF0000,#0000FF", "--leaders", "0"});
    ASSERT_EQ(command.Action, app::CommandAction::Render) << command.Error;
    ASSERT_EQ(RenderHeadless({command.Render, true}, command.Settings), 0);
    cImage frame;
    std::string error;
    ASSERT_TRUE(mImage::ReadPng(folder.File("p/frame-0020.png"), frame, error)) << error;
    int red = 0, blue = 0, green = 0;
    for (uint32_t p : frame.Pixels) {
        red += ChannelR(p) > 40 && ChannelG(p) < 20;
        blue += ChannelB(p) > 40 && ChannelG(p) < 20;
        green += ChannelG(p) > 40 && ChannelR(p) < 20 && ChannelB(p) < 20;
    }
    EXPECT_GT(red, 100);
    EXPECT_GT(blue, 100);
    EXPECT_EQ(green, 0);  // nothing in the rain colour (the leaders are white)
}

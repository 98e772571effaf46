#include <gtest/gtest.h>

#include "device/cImage.h"
#include "support/TempDir.h"

TEST(Png, WrittenImagesReadBackTexelForTexelAndTheOpaqueWriterDropsAlpha) {
    testing_support::TempDir dir;
    cImage image(3, 2);
    image.At(0, 0) = 0xFF102030u;
    image.At(2, 0) = 0x80FFFFFFu;
    image.At(2, 1) = 0xFF0000FFu;
    std::string error;
    ASSERT_TRUE(mImage::WritePng(dir.File("a.png"), image, error)) << error;
    cImage back;
    ASSERT_TRUE(mImage::ReadPng(dir.File("a.png"), back, error)) << error;
    EXPECT_EQ(std::pair(back.Width, back.Height), std::pair(3, 2));
    EXPECT_EQ(back.Pixels, image.Pixels);
    std::string bytes;
    ASSERT_TRUE(mImage::EncodePng(cImage(1, 1, 0x12345678u), bytes, error, false));
    ASSERT_TRUE(mImage::DecodePng(bytes, back, error));
    EXPECT_EQ(back.At(0, 0), 0xFF345678u);
}

TEST(Png, GarbageTruncatedDataAndMissingFilesAreRefusedWithAReason) {
    cImage back;
    std::string bytes, error;
    EXPECT_FALSE(mImage::DecodePng("hello", back, error));
    EXPECT_EQ(error, "not a PNG image");
    ASSERT_TRUE(mImage::EncodePng(cImage(4, 4, 0xFFFFFFFFu), bytes, error));
    error.clear();
    EXPECT_FALSE(mImage::DecodePng(std::string_view(bytes).substr(0, bytes.size() / 2), back, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(mImage::ReadPng("/nonexistent/x.png", back, error));
    EXPECT_NE(error.find("/nonexistent/x.png"), std::string::npos);
}

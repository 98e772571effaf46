#include <gtest/gtest.h>

#include "device/cImage.h"

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

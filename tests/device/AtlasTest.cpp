#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "device/AtlasFile.h"
#include "device/cImage.h"
#include "support/TempDir.h"

namespace {

constexpr int Cell = 64;

class Atlas : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        Loaded = mImage::ReadPng(GLYPHFALL_ATLAS_FILE, Image, error);
        Error = error;
    }
    void SetUp() override { ASSERT_TRUE(Loaded) << Error; }

    // Sum of the brightness (red channel) over a rectangle of pixels.
    static long Ink(int x0, int y0, int w, int h) {
        long sum = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) sum += ChannelR(Image.At(x, y));
        return sum;
    }
    static long CellInk(int col, int row) { return Ink(col * Cell, row * Cell, Cell, Cell); }

    static inline cImage Image;
    static inline bool Loaded = false;
    static inline std::string Error;
};

// The Latin sheet with its further shapes, then the half-width katakana and digits.
bool HoldsGlyph(int col, int row) { return (col <= 9 && row <= 7) || (col <= 13 && row >= 8 && row <= 11); }
bool InGlow(int col, int row) { return col <= 3 && row >= 12; }

}  // namespace

TEST_F(Atlas, IsA1024SquareOfOpaqueGreyTexelsWithAShapeInEveryGlyphCellOnly) {
    EXPECT_EQ(Image.Width, 1024);
    EXPECT_EQ(Image.Height, 1024);
    for (uint32_t p : Image.Pixels) {
        ASSERT_EQ(ChannelA(p), 255u);
        ASSERT_TRUE(ChannelR(p) == ChannelG(p) && ChannelG(p) == ChannelB(p));
    }
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col) {
            if (InGlow(col, row)) continue;
            if (HoldsGlyph(col, row))
                EXPECT_GT(CellInk(col, row), 255 * 20) << "cell " << col << "," << row;
            else
                EXPECT_EQ(CellInk(col, row), 0) << "cell " << col << "," << row;
        }
}

TEST(AtlasFile, OnlyAWholeSquarePngOfSixteenCellsFrom256PixelsToTheDevicesLargestTextureIsUsable) {
    using Kind = mFileSystem::ReadOutcome::Kind;
    testing_support::TempDir dir;
    std::string real, error;
    ASSERT_TRUE(mFileSystem::ReadWholeFile(GLYPHFALL_ATLAS_FILE, real));
    const auto encoded = [&](int width, int height) {
        std::string bytes;
        EXPECT_TRUE(mImage::EncodePng(cImage(width, height), bytes, error)) << error;
        return bytes;
    };
    std::string badChecksum = real, hugeHeader = real;
    badChecksum[29] ^= 0x5A;  // the header's CRC
    hugeHeader.replace(16, 8, std::string("\0\0\x40\0\0\0\x40\0", 8));  // 16384 x 16384, not decoded
    struct Case {
        const char* What;
        std::string Bytes;
        int32_t LargestSide;
        Kind Read;
        const char* Why;
    };
    const Case cases[] = {
        {"the atlas", real, 4096, Kind::Read, ""},
        {"cut short", real.substr(0, real.size() / 2), 4096, Kind::Unusable, "a damaged PNG image (the file ends early)"},
        {"zero bytes", "", 4096, Kind::Unusable, "empty, not a PNG image"},
        {"a JPEG", "\xFF\xD8\xFF\xE0\x00\x10JFIF", 4096, Kind::Unusable, "not a PNG image"},
        {"a bad checksum", badChecksum, 4096, Kind::Unusable, "a damaged PNG image (IHDR: CRC error)"},
        {"1 x 1", encoded(1, 1), 4096, Kind::Unusable, "1x1 pixels; the atlas is a square of 256 to 4096 pixels a side"},
        {"16384 x 16384", hugeHeader, 4096, Kind::Unusable, "16384x16384 pixels"},
        {"not square", encoded(512, 256), 4096, Kind::Unusable, "512x256 pixels"},
        {"no whole cells", encoded(264, 264), 4096, Kind::Unusable, "264x264 pixels"},
        {"beyond the device", real, 512, Kind::Unusable, "1024x1024 pixels; the atlas is a square of 256 to 512"},
    };
    for (const Case& c : cases) {
        std::ofstream(dir.File("tex.png"), std::ios::binary | std::ios::trunc) << c.Bytes;
        cImage image;
        const mFileSystem::ReadOutcome read = mAtlas::ReadAtlas(dir.File("tex.png"), c.LargestSide, image);
        EXPECT_EQ(read.What, c.Read) << c.What << ": " << read.Why;
        EXPECT_EQ(read.Why.rfind(c.Why, 0), 0u) << c.What << ": " << read.Why;
        EXPECT_EQ(image.Width, read ? 1024 : 0) << c.What;
    }
    ASSERT_EQ(::mkfifo(dir.File("fifo.png").c_str(), 0644), 0);
    D3DCAPS8 caps;
    caps.MaxTextureWidth = caps.MaxTextureHeight = 4096;
    const mAtlas::Search search = mAtlas::FindAtlas({dir.File("missing.png"), dir.File("fifo.png"), GLYPHFALL_ATLAS_FILE}, caps);
    EXPECT_EQ(search.File, GLYPHFALL_ATLAS_FILE);
    EXPECT_EQ(search.Image.Width, 1024);
    ASSERT_EQ(search.PassedOver.size(), 2u);
    EXPECT_EQ(search.PassedOver[0].Outcome.Why, "missing");
    EXPECT_EQ(search.PassedOver[1].Outcome.Why, "a FIFO, not a regular file");
}

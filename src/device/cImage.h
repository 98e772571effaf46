#pragma once
// A decoded picture in memory and its PNG form: textures are decoded from PNG files and
// headless frames are written as PNG files.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class cImage {
public:
    cImage() = default;
    cImage(int32_t width, int32_t height, uint32_t fill = 0)
        : Width(width), Height(height), Pixels(static_cast<size_t>(width) * height, fill) {}

    int32_t Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;  // A8R8G8B8, rows top first

    uint32_t At(int32_t x, int32_t y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
    uint32_t& At(int32_t x, int32_t y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
    bool Empty() const { return Pixels.empty(); }
};

inline uint32_t ChannelA(uint32_t argb) { return argb >> 24; }
inline uint32_t ChannelR(uint32_t argb) { return (argb >> 16) & 0xFF; }
inline uint32_t ChannelG(uint32_t argb) { return (argb >> 8) & 0xFF; }
inline uint32_t ChannelB(uint32_t argb) { return argb & 0xFF; }

namespace mImage {

// Decodes PNG bytes of any colour type and depth to A8R8G8B8. False with a readable
// reason in oError when the bytes are not a PNG image we can read.
bool DecodePng(std::string_view iBytes, cImage& oImage, std::string& oError);
bool ReadPng(std::string_view iFileName, cImage& oImage, std::string& oError);

// Writes the image as an 8-bit RGBA PNG (or RGB when iAlpha is false).
bool EncodePng(const cImage& iImage, std::string& oBytes, std::string& oError, bool iAlpha = true);
bool WritePng(std::string_view iFileName, const cImage& iImage, std::string& oError, bool iAlpha = true);

}  // namespace mImage

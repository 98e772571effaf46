#pragma once
// The glyph atlas file: which pictures can be the atlas, and the first usable one of the
// places it is looked for in.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/mFileSystem.h"
#include "device/D3D8Types.h"
#include "device/cImage.h"

namespace mAtlas {

// The atlas is a square of 16 x 16 glyph cells, at least this many pixels a side.
inline constexpr int32_t CellsPerSide = 16;
inline constexpr int32_t SmallestSide = 256;

// Reads the file as the atlas of a device whose textures are at most largestSide pixels a
// side: a PNG image that decodes whole, square, a multiple of 16 pixels, from SmallestSide to
// largestSide. The size comes from the PNG header before anything else is read, so a picture
// too large is never decoded. Unusable, with the reason, when the picture cannot be the atlas.
mFileSystem::ReadOutcome ReadAtlas(std::string_view fileName, int32_t largestSide, cImage& oImage);

struct PassedPlace {
    std::string File;
    mFileSystem::ReadOutcome Outcome;
};
struct Search {
    std::string File;  // the first usable atlas; empty when no place holds one
    cImage Image;      // its picture, decoded
    std::vector<PassedPlace> PassedOver;  // every place tried before it, with why it was passed over
};
// Tries the places in order, for a device with these capabilities.
Search FindAtlas(const std::vector<std::string>& places, const D3DCAPS8& caps);

}  // namespace mAtlas

#include "device/AtlasFile.h"

#include <algorithm>
#include <cerrno>

namespace mAtlas {

namespace {

using Kind = mFileSystem::ReadOutcome::Kind;

constexpr size_t HeaderBytes = 33;  // the signature and the IHDR chunk
constexpr std::string_view Signature = "\x89PNG\r\n\x1A\n";

mFileSystem::ReadOutcome Unusable(std::string why) { return {Kind::Unusable, std::move(why)}; }

uint32_t BigEndian(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = at; i < at + 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

// The picture's size as its header gives it; the reason when the bytes do not start as a PNG.
mFileSystem::ReadOutcome ReadSize(const std::string& header, uint32_t& oWidth, uint32_t& oHeight) {
    if (header.empty()) return Unusable("empty, not a PNG image");
    if (!Signature.starts_with(std::string_view(header).substr(0, Signature.size()))) return Unusable("not a PNG image");
    if (header.size() < HeaderBytes) return Unusable("a damaged PNG image (it ends early)");
    if (header.compare(12, 4, "IHDR") != 0) return Unusable("a damaged PNG image (it has no header)");
    oWidth = BigEndian(header, 16);
    oHeight = BigEndian(header, 20);
    return {};
}

bool UsableSide(uint32_t width, uint32_t height, int32_t largestSide) {
    return width == height && width % CellsPerSide == 0 && width >= static_cast<uint32_t>(SmallestSide) &&
           width <= static_cast<uint32_t>(largestSide);
}

}  // namespace

mFileSystem::ReadOutcome ReadAtlas(std::string_view fileName, int32_t largestSide, cImage& oImage) {
    mFileSystem::ReadOutcome outcome;
    const mFileSystem::FileHandle file = mFileSystem::OpenRegularFile(fileName, outcome);
    if (!file) return outcome;
    std::string bytes;
    if (!mFileSystem::ReadUpTo(file, HeaderBytes, bytes)) return mFileSystem::OutcomeOfError(errno);
    uint32_t width = 0, height = 0;
    outcome = ReadSize(bytes, width, height);
    if (!outcome) return outcome;
    if (!UsableSide(width, height, largestSide))
        return Unusable(std::to_string(width) + "x" + std::to_string(height) + " pixels; the atlas is a square of " +
                        std::to_string(SmallestSide) + " to " + std::to_string(largestSide) +
                        " pixels a side, a multiple of " + std::to_string(CellsPerSide));
    // Room for the picture stored without compression at 16 bits a channel, and then some:
    // more is no picture of that size, and is not read.
    const size_t most = ((static_cast<size_t>(width) * height * 16 >> 20) + 1) << 20;
    if (!mFileSystem::ReadUpTo(file, most + 1, bytes)) return mFileSystem::OutcomeOfError(errno);
    if (bytes.size() > most) return {Kind::TooLarge, "larger than " + mFileSystem::SizeInWords(most)};
    std::string error;
    if (!mImage::DecodePng(bytes, oImage, error)) return Unusable("a damaged PNG image (" + error + ")");
    return {};
}

Search FindAtlas(const std::vector<std::string>& places, const D3DCAPS8& caps) {
    const uint32_t largest = std::min({caps.MaxTextureWidth, caps.MaxTextureHeight, uint32_t{1} << 30});
    Search search;
    for (const std::string& place : places) {
        mFileSystem::ReadOutcome outcome = ReadAtlas(place, static_cast<int32_t>(largest), search.Image);
        if (outcome) {
            search.File = place;
            return search;
        }
        search.PassedOver.push_back({place, std::move(outcome)});
    }
    return search;
}

}  // namespace mAtlas

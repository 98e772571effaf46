#include "device/cImage.h"

#include <png.h>

#include <cerrno>
#include <cstring>

#include "core/mFileSystem.h"

namespace mImage {

namespace {

struct ReadCursor {
    std::string_view Bytes;
    size_t Pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (cursor->Bytes.size() - cursor->Pos < count) png_error(png, "the file ends early");
    std::memcpy(out, cursor->Bytes.data() + cursor->Pos, count);
    cursor->Pos += count;
}

void WriteToString(png_structp png, png_bytep data, png_size_t count) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), count);
}

void NoFlush(png_structp) {}

// libpng reports through longjmp; keep its message for the caller.
void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

}  // namespace

bool DecodePng(std::string_view iBytes, cImage& oImage, std::string& oError) {
    if (iBytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(iBytes.data()), 0, 8) != 0) {
        oError = "not a PNG image";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &oError, OnPngError, OnPngWarning);
    if (!png) {
        oError = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    ReadCursor cursor{iBytes, 0};
    // Everything that may longjmp back here lives outside automatic C++ objects with
    // destructors, which the jump would skip.
    std::vector<png_bytep>* rows = new std::vector<png_bytep>();
    std::vector<uint8_t>* rgba = new std::vector<uint8_t>();
    volatile bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &cursor, ReadFromMemory);
        png_read_info(png, info);
        png_set_expand(png);  // palette and low-depth grey to 8 bits, tRNS to alpha
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        if (width == 0 || height == 0 || width > 16384 || height > 16384) {
            oError = "image size out of range";
            png_longjmp(png, 1);
        }
        rgba->resize(static_cast<size_t>(width) * height * 4);
        rows->resize(height);
        for (png_uint_32 y = 0; y < height; ++y) (*rows)[y] = rgba->data() + static_cast<size_t>(y) * width * 4;
        png_read_image(png, rows->data());
        png_read_end(png, nullptr);
        oImage = cImage(static_cast<int32_t>(width), static_cast<int32_t>(height));
        for (size_t i = 0; i < oImage.Pixels.size(); ++i) {
            const uint8_t* p = rgba->data() + i * 4;
            oImage.Pixels[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
        ok = true;
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    delete rows;
    delete rgba;
    if (!ok && oError.empty()) oError = "unreadable PNG image";
    return ok;
}

bool ReadPng(std::string_view iFileName, cImage& oImage, std::string& oError) {
    std::string bytes;
    if (!mFileSystem::ReadWholeFile(iFileName, bytes)) {
        oError = "cannot read " + std::string(iFileName);
        return false;
    }
    return DecodePng(bytes, oImage, oError);
}

bool EncodePng(const cImage& iImage, std::string& oBytes, std::string& oError, bool iAlpha) {
    if (iImage.Width <= 0 || iImage.Height <= 0) {
        oError = "empty image";
        return false;
    }
    const int channels = iAlpha ? 4 : 3;
    std::vector<uint8_t> row(static_cast<size_t>(iImage.Width) * channels);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &oError, OnPngError, OnPngWarning);
    if (!png) {
        oError = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    oBytes.clear();
    volatile bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &oBytes, WriteToString, NoFlush);
        png_set_IHDR(png, info, iImage.Width, iImage.Height, 8, iAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, 6);
        png_write_info(png, info);
        for (int32_t y = 0; y < iImage.Height; ++y) {
            uint8_t* out = row.data();
            for (int32_t x = 0; x < iImage.Width; ++x) {
                const uint32_t p = iImage.At(x, y);
                *out++ = static_cast<uint8_t>(ChannelR(p));
                *out++ = static_cast<uint8_t>(ChannelG(p));
                *out++ = static_cast<uint8_t>(ChannelB(p));
                if (iAlpha) *out++ = static_cast<uint8_t>(ChannelA(p));
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok;
}

bool WritePng(std::string_view iFileName, const cImage& iImage, std::string& oError, bool iAlpha) {
    std::string bytes;
    if (!EncodePng(iImage, bytes, oError, iAlpha)) return false;
    if (!mFileSystem::ReplaceFileContents(iFileName, bytes)) {
        oError = "cannot write " + std::string(iFileName) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace mImage

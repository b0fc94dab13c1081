// The size a picture file declares in its header, read before any decoder sees it, and
// the bound a decoded picture must keep: a small PNG can declare 16384 x 16384 pixels and
// take a gigabyte and seconds of the user-interface thread once decoded.
#pragma once

#include <cstdint>
#include <string>

// Decoded pictures beyond this many pixels are refused (about 200 MB as 32-bit pixels).
constexpr uint64_t kMaxPicturePixels = 50'000'000;

struct PictureSize {
    uint32_t width = 0;
    uint32_t height = 0;
    uint64_t Pixels() const { return uint64_t(width) * height; }
};

// The declared size of a PNG (IHDR), JPEG (first SOF), GIF (logical screen and every
// image descriptor up to the first picture) or BMP (info header); false for anything
// else or a header cut short.
bool ReadPictureSize(const std::string& bytes, PictureSize* size);
bool ReadPictureFileSize(const std::string& path, PictureSize* size);

// True when path is a picture whose declared size exceeds the bound.
bool PictureTooLarge(const std::string& path, PictureSize* size = nullptr);

#include "engine/picture_bound.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

uint32_t Big16(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) << 8 | uint8_t(b[at + 1]);
}
uint32_t Big32(const std::string& b, size_t at) {
    return Big16(b, at) << 16 | Big16(b, at + 2);
}
uint32_t Little16(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at + 1])) << 8 | uint8_t(b[at]);
}
int32_t Little32(const std::string& b, size_t at) {
    return int32_t(Little16(b, at + 2) << 16 | Little16(b, at));
}

bool PngSize(const std::string& b, PictureSize* size) {
    if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0)
        return false;
    *size = {Big32(b, 16), Big32(b, 20)};
    return true;
}

bool JpegSize(const std::string& b, PictureSize* size) {
    if (b.size() < 4 || uint8_t(b[0]) != 0xFF || uint8_t(b[1]) != 0xD8)
        return false;
    size_t at = 2;
    while (at + 4 <= b.size()) {
        if (uint8_t(b[at]) != 0xFF)
            return false;
        const uint8_t marker = uint8_t(b[at + 1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        const uint32_t length = Big16(b, at + 2);
        if (length < 2)
            return false;
        // Every start of frame but the DHT (C4), JPG (C8) and DAC (CC) markers.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (at + 9 > b.size())
                return false;
            *size = {Big16(b, at + 7), Big16(b, at + 5)};
            return true;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return false;  // no frame header before the data
        at += 2 + length;
    }
    return false;
}

bool GifSize(const std::string& b, PictureSize* size) {
    if (b.size() < 13 || (b.compare(0, 6, "GIF87a") != 0 && b.compare(0, 6, "GIF89a") != 0))
        return false;
    PictureSize largest{Little16(b, 6), Little16(b, 8)};
    const uint8_t flags = uint8_t(b[10]);
    size_t at = 13 + ((flags & 0x80) ? 3u << ((flags & 7) + 1) : 0);
    // A frame may declare itself beyond the screen; the decoder allocates for it.
    while (at < b.size()) {
        const uint8_t kind = uint8_t(b[at]);
        if (kind == 0x2C) {
            if (at + 10 > b.size())
                break;
            largest.width =
                std::max<uint32_t>(largest.width, Little16(b, at + 1) + Little16(b, at + 5));
            largest.height =
                std::max<uint32_t>(largest.height, Little16(b, at + 3) + Little16(b, at + 7));
            break;  // the first picture is what is shown
        }
        if (kind != 0x21 || at + 2 > b.size())
            break;
        at += 2;  // extension introducer and label, then sub-blocks
        while (at < b.size() && uint8_t(b[at]) != 0) at += 1 + uint8_t(b[at]);
        ++at;
    }
    *size = largest;
    return true;
}

bool BmpSize(const std::string& b, PictureSize* size) {
    if (b.size() < 26 || b.compare(0, 2, "BM") != 0)
        return false;
    const uint32_t header = uint32_t(Little32(b, 14));
    if (header == 12) {
        *size = {Little16(b, 18), Little16(b, 20)};
        return true;
    }
    const int64_t width = Little32(b, 18);
    const int64_t height = Little32(b, 22);  // negative: rows stored top-down
    *size = {uint32_t(std::min<int64_t>(std::llabs(width), UINT32_MAX)),
             uint32_t(std::min<int64_t>(std::llabs(height), UINT32_MAX))};
    return true;
}

}  // namespace

bool ReadPictureSize(const std::string& bytes, PictureSize* size) {
    PictureSize found;
    if (!(PngSize(bytes, &found) || JpegSize(bytes, &found) || GifSize(bytes, &found) ||
          BmpSize(bytes, &found)))
        return false;
    if (size)
        *size = found;
    return true;
}

bool ReadPictureFileSize(const std::string& path, PictureSize* size) {
    // The headers sit in the first bytes, bar a JPEG's metadata before its frame header.
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string head(256 * 1024, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(size_t(in.gcount()));
    return ReadPictureSize(head, size);
}

bool PictureTooLarge(const std::string& path, PictureSize* size) {
    PictureSize found;
    if (!ReadPictureFileSize(path, &found) || found.Pixels() <= kMaxPicturePixels)
        return false;
    if (size)
        *size = found;
    return true;
}

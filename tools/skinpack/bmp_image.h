// Uncompressed bottom-up BMP files of an exact length, as the skin records hold them.
#pragma once

#include <QImage>

#include "tools/skinpack/run_length.h"

namespace skinpack {

// bits is 24, 8 or 4. Palettised images use at most `colours` distinct colours (the
// most frequent ones of the picture); the colour table is as long as the length allows
// (up to 2^bits entries) and biClrUsed says so. Row padding repeats the row's last byte
// and the bytes behind the pixel bits are zero, both to keep runs long.
bool EncodeBmp(const QImage& image, int bits, size_t length, int colours, Bytes* out,
               std::string* error);

// Bytes a BMP of this geometry needs before any colour table entry.
size_t BmpRowStride(int width, int bits);

// Checks an unpacked record: a BMP whose info header and colour table describe pixel
// bits that lie inside the data. Returns an empty string when it does.
std::string CheckBmp(const Bytes& bmp);

}  // namespace skinpack

// A complete skin file of plain grey images for tests that need a window to load its
// skin: every record has the exact offset and packed length of the table, each image is
// an uncompressed 24-bit BMP of one grey level (TestSkinGrey) at a fixed test size
// (TestSkinSize), cut down where the record's unpacked length leaves less room.
#pragma once

#include <QSize>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "skin/skin_records.h"

namespace testskin {

// Grey level of a record's image: distinct per record, never the editor's background.
inline int TestSkinGrey(int record) {
    return 20 + 2 * record;
}

inline int Stride24(int width) {
    return (width * 3 + 3) / 4 * 4;
}

// The size the image of a record gets.
inline QSize TestSkinSize(int record) {
    struct Range {
        int first, last, width, height;
    };
    static constexpr Range kSizes[] = {
        {1, 1, 20, 20},   {2, 2, 4, 3},      {3, 3, 20, 20},      {4, 5, 2, 8},
        {6, 6, 30, 30},   {7, 7, 4, 6},      {8, 8, 30, 30},      {9, 20, 16, 16},
        {21, 23, 10, 18}, {24, 24, 100, 20}, {25, 27, 12, 20},    {28, 28, 340, 20},
        {29, 36, 50, 18}, {37, 40, 40, 12},  {41, 44, 24, 16},    {45, 48, 28, 20},
        {49, 56, 40, 24}, {57, 64, 24, 16},  {65, 65, 20, 20},    {66, 66, 4, 16},
        {67, 67, 20, 20}, {68, 68, 60, 30},  {69, 69, 12, 12},    {70, 85, 50, 18},
        {86, 93, 28, 18}, {94, 105, 50, 18}, {106, 106, 240, 20}, {107, 108, 240, 160},
    };
    QSize size(8, 8);
    for (const Range& r : kSizes)
        if (record >= r.first && record <= r.last)
            size = QSize(r.width, r.height);
    const int budget = int(SkinRecord(record).unpacked) - 54;
    int height = size.height();
    while (height > 1 && Stride24(size.width()) * height > budget) --height;
    return QSize(size.width(), height);
}

inline void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// The packed record: the BMP's 54 header bytes as literals, then its pixels (and the
// rest of the unpacked length) as runs of the one grey byte, padded to the packed length.
inline std::vector<uint8_t> PackedRecord(int record) {
    const SkinRecordRef& ref = SkinRecord(record);
    const QSize size = TestSkinSize(record);
    std::vector<uint8_t> bmp(54, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutU32(bmp, 2, ref.unpacked);
    PutU32(bmp, 10, 54);
    PutU32(bmp, 14, 40);
    PutU32(bmp, 18, uint32_t(size.width()));
    PutU32(bmp, 22, uint32_t(size.height()));
    bmp[26] = 1;
    bmp[28] = 24;
    PutU32(bmp, 34, uint32_t(Stride24(size.width()) * size.height()));
    const uint8_t grey = uint8_t(TestSkinGrey(record));
    // An escape byte that is neither in the header nor the grey level.
    bool used[256] = {};
    for (uint8_t b : bmp) used[b] = true;
    used[grey] = true;
    int escape = 255;
    while (used[escape]) --escape;

    std::vector<uint8_t> out(5, 0);
    PutU32(out, 0, ref.unpacked);
    out[4] = uint8_t(escape);
    out.insert(out.end(), bmp.begin(), bmp.end());
    for (uint32_t left = ref.unpacked - 54; left > 0;) {
        uint32_t n = left < 255 ? left : 255;
        out.insert(out.end(), {uint8_t(escape), grey, uint8_t(n)});
        left -= n;
    }
    if (out.size() > ref.packed)
        return {};
    // Behind the declared length nothing is read.
    out.resize(ref.packed, 0);
    return out;
}

// Writes the whole file; false when it could not be written or a record did not fit.
inline bool WriteTestSkin(const std::string& path) {
    std::vector<uint8_t> file(kSkinSignature, kSkinSignature + kSkinSignatureLength);
    for (int record = 1; record <= kSkinRecordCount; ++record) {
        if (file.size() != SkinRecord(record).offset)
            return false;
        std::vector<uint8_t> packed = PackedRecord(record);
        if (packed.size() != SkinRecord(record).packed)
            return false;
        file.insert(file.end(), packed.begin(), packed.end());
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return f.good() && file.size() == kSkinFileSize;
}

}  // namespace testskin

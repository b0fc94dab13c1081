// Builds skin files for tests and the load benchmark: every record gets a grey BMP whose
// grey level is the record number, padded to the table's unpacked length and packed to
// exactly the table's packed length, so the file has the real layout byte for byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "skin/skin_records.h"

namespace skintest {

using Bytes = std::vector<uint8_t>;

inline void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// An info header (no file header) with the given fields, followed by room for the
// palette and the bits, all zero.
inline Bytes InfoHeader(int32_t w, int32_t h, uint16_t bpp, uint32_t colours = 0,
                        uint32_t extra = 0) {
    Bytes b(40 + size_t(colours) * 4 + extra, 0);
    PutU32(b, 0, 40);
    PutU32(b, 4, static_cast<uint32_t>(w));
    PutU32(b, 8, static_cast<uint32_t>(h));
    PutU16(b, 12, 1);
    PutU16(b, 14, bpp);
    PutU32(b, 32, colours);
    return b;
}

inline size_t Stride(int w, int bpp) {
    return ((size_t(w) * bpp + 31) / 32) * 4;
}

// A complete BMP file of one grey level, 24 bits, as large as fits in length bytes,
// zero-padded to exactly length bytes.
inline Bytes GreyBmp(size_t length, uint8_t grey) {
    const size_t room = length - 54;
    int h = room >= 400 ? 4 : 2;
    int w = 1;
    while (Stride(w + 1, 24) * h <= room) ++w;
    Bytes b(length, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 2, static_cast<uint32_t>(length));
    PutU32(b, 10, 54);
    Bytes info = InfoHeader(w, h, 24);
    std::memcpy(b.data() + 14, info.data(), info.size());
    for (int y = 0; y < h; ++y) std::memset(b.data() + 54 + y * Stride(w, 24), grey, size_t(w) * 3);
    return b;
}

// Tokens for data: runs for repeats and for the escape byte, literals otherwise.
inline Bytes PackTokens(const Bytes& data, uint8_t escape) {
    Bytes out;
    for (size_t i = 0; i < data.size();) {
        size_t n = 1;
        while (i + n < data.size() && data[i + n] == data[i] && n < 255) ++n;
        if (n >= 4 || data[i] == escape) {
            out.insert(out.end(), {escape, data[i], static_cast<uint8_t>(n)});
            i += n;
        } else {
            out.push_back(data[i]);
            ++i;
        }
    }
    return out;
}

// A whole record: declared length, escape byte, tokens; padded with count-0 runs (and
// a literal or two past the end, which the reader never reaches) to packedLength.
inline Bytes PackRecord(const Bytes& data, uint8_t escape, size_t packedLength, uint32_t declared) {
    Bytes rec(5, 0);
    PutU32(rec, 0, declared);
    rec[4] = escape;
    Bytes tokens = PackTokens(data, escape);
    rec.insert(rec.end(), tokens.begin(), tokens.end());
    while (rec.size() < packedLength) rec.push_back(0);
    return rec;
}

// The record a test file holds for record n (1-based), before any tampering.
inline Bytes RecordBytes(int n) {
    const SkinRecordRef& ref = kSkinRecords[size_t(n - 1)];
    return PackRecord(GreyBmp(ref.unpacked, static_cast<uint8_t>(n)), 0xA5, ref.packed,
                      ref.unpacked);
}

// The full 312,277-byte file; tamper may change any record (its size must stay).
inline Bytes SkinFileBytes(const std::function<void(int, Bytes&)>& tamper = {}) {
    Bytes file(kSkinFileSize, 0);
    std::memcpy(file.data(), kSkinSignature, kSkinSignatureLength);
    for (int n = 1; n <= kSkinRecordCount; ++n) {
        Bytes rec = RecordBytes(n);
        if (tamper)
            tamper(n, rec);
        const SkinRecordRef& ref = kSkinRecords[size_t(n - 1)];
        if (rec.size() > ref.packed)
            rec.resize(ref.packed);  // the caller sees the overflow through the pixels
        std::memcpy(file.data() + ref.offset, rec.data(), rec.size());
    }
    return file;
}

inline bool WriteBytes(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Whether every record packs into its table length (the generator's own check).
inline bool AllRecordsFit() {
    for (int n = 1; n <= kSkinRecordCount; ++n) {
        const SkinRecordRef& ref = kSkinRecords[size_t(n - 1)];
        Bytes tokens = PackTokens(GreyBmp(ref.unpacked, static_cast<uint8_t>(n)), 0xA5);
        if (tokens.size() + 5 > ref.packed)
            return false;
    }
    return true;
}

}  // namespace skintest

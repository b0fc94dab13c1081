#include "engine/flac_frame.h"

extern "C" {
#include <libavutil/bswap.h>
#include <libavutil/crc.h>
}

namespace {

constexpr uint64_t kLargestNumber = (uint64_t{1} << 36) - 1;

// Bytes of the coded number that starts with lead: UTF-8's scheme, stretched to 7 bytes.
int CodedNumberLength(uint8_t lead) {
    if (lead < 0x80)
        return 1;
    int ones = 0;
    while (ones < 8 && (lead & (0x80 >> ones))) ++ones;
    return ones >= 2 && ones <= 7 ? ones : 0;
}

bool DecodeNumber(const uint8_t* at, int length, uint64_t* number) {
    if (length == 1) {
        *number = at[0];
        return true;
    }
    uint64_t v = at[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((at[i] & 0xC0) != 0x80)
            return false;
        v = (v << 6) | (at[i] & 0x3F);
    }
    *number = v;
    return true;
}

void EncodeNumber(uint64_t v, std::vector<uint8_t>* out) {
    if (v < 0x80) {
        out->push_back(static_cast<uint8_t>(v));
        return;
    }
    int length = 2;
    while (length < 7 && v >= (uint64_t{1} << (5 * length + 1))) ++length;
    const uint8_t lead = static_cast<uint8_t>(0xFF00 >> length);
    out->push_back(static_cast<uint8_t>(lead | (v >> (6 * (length - 1)))));
    for (int i = length - 2; i >= 0; --i)
        out->push_back(static_cast<uint8_t>(0x80 | ((v >> (6 * i)) & 0x3F)));
}

int BlockSizeOf(int code, const uint8_t* extra) {
    if (code == 1)
        return 192;
    if (code >= 2 && code <= 5)
        return 576 << (code - 2);
    if (code == 6)
        return extra[0] + 1;
    if (code == 7)
        return ((extra[0] << 8) | extra[1]) + 1;
    if (code >= 8)
        return 256 << (code - 8);
    return 0;  // reserved
}

uint8_t Crc8(const uint8_t* data, size_t size) {
    return static_cast<uint8_t>(av_crc(av_crc_get_table(AV_CRC_8_ATM), 0, data, size));
}

uint16_t Crc16(const uint8_t* data, size_t size) {
    return av_bswap16(
        static_cast<uint16_t>(av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0, data, size)));
}

}  // namespace

bool ReadFlacFrameHeader(const uint8_t* data, int size, FlacFrameHeader* header) {
    if (size < 6 || data[0] != 0xFF || (data[1] & 0xFE) != 0xF8)
        return false;
    const int blockCode = data[2] >> 4;
    const int rateCode = data[2] & 0x0F;
    if (blockCode == 0 || rateCode == 15 || (data[3] & 1))
        return false;
    int at = 4;
    const int length = CodedNumberLength(data[at]);
    if (!length || at + length > size)
        return false;
    FlacFrameHeader h;
    h.variable = data[1] & 1;
    if (!DecodeNumber(data + at, length, &h.number))
        return false;
    at += length;
    const int blockExtra = blockCode == 6 ? 1 : blockCode == 7 ? 2 : 0;
    const int rateExtra = rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0;
    if (at + blockExtra + rateExtra + 1 > size)
        return false;
    h.blockSize = BlockSizeOf(blockCode, data + at);
    at += blockExtra + rateExtra;
    if (Crc8(data, at) != data[at])
        return false;
    h.size = at + 1;
    *header = h;
    return true;
}

std::vector<uint8_t> RestampFlacFrame(const uint8_t* data, int size, bool variable,
                                      uint64_t number) {
    FlacFrameHeader h;
    if (number > kLargestNumber || !ReadFlacFrameHeader(data, size, &h) || size < h.size + 2)
        return {};
    const int numberLength = CodedNumberLength(data[4]);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(size) + 8);
    out.push_back(data[0]);
    out.push_back(static_cast<uint8_t>((data[1] & 0xFE) | (variable ? 1 : 0)));
    out.push_back(data[2]);
    out.push_back(data[3]);
    EncodeNumber(number, &out);
    // The block size and sample rate that follow the number when their codes ask for them.
    out.insert(out.end(), data + 4 + numberLength, data + h.size - 1);
    out.push_back(Crc8(out.data(), out.size()));
    out.insert(out.end(), data + h.size, data + size - 2);
    const uint16_t crc = Crc16(out.data(), out.size());
    out.push_back(static_cast<uint8_t>(crc >> 8));
    out.push_back(static_cast<uint8_t>(crc & 0xFF));
    return out;
}

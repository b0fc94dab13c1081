#include "engine/adts_length.h"

#include <cstdio>
#include <memory>

namespace {

constexpr int kSampleRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                  22050, 16000, 12000, 11025, 8000,  7350};
// Two frames that follow each other make a file ADTS; one sync word may be chance.
constexpr int kFramesToTrust = 2;

struct AdtsFrame {
    int length = 0;   // bytes, header included
    int samples = 0;  // per channel
    int rate = 0;
};

bool ParseAdtsHeader(const unsigned char* h, AdtsFrame* out) {
    // Sync word 0xFFF, layer 0.
    if (h[0] != 0xFF || (h[1] & 0xF6) != 0xF0)
        return false;
    int rateIndex = (h[2] >> 2) & 0x0F;
    if (rateIndex >= 13)
        return false;
    int length = ((h[3] & 0x03) << 11) | (h[4] << 3) | (h[5] >> 5);
    int headerBytes = (h[1] & 0x01) ? 7 : 9;  // without or with a CRC
    if (length <= headerBytes)
        return false;
    out->length = length;
    out->samples = 1024 * ((h[6] & 0x03) + 1);
    out->rate = kSampleRates[rateIndex];
    return true;
}

}  // namespace

int64_t AdtsLength(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f)
        return 0;
    unsigned char h[10];
    long offset = 0;
    if (std::fread(h, 1, 10, f.get()) == 10 && h[0] == 'I' && h[1] == 'D' && h[2] == '3')
        offset =
            10 + ((h[6] & 0x7F) << 21 | (h[7] & 0x7F) << 14 | (h[8] & 0x7F) << 7 | (h[9] & 0x7F));
    double seconds = 0;
    int frames = 0;
    // The walk ends at the first place that is not a frame header: the end of the file, a
    // trailing tag, or damage, after which nothing is counted.
    while (std::fseek(f.get(), offset, SEEK_SET) == 0 && std::fread(h, 1, 7, f.get()) == 7) {
        AdtsFrame frame;
        if (!ParseAdtsHeader(h, &frame))
            break;
        seconds += static_cast<double>(frame.samples) / frame.rate;
        ++frames;
        offset += frame.length;
    }
    if (frames < kFramesToTrust)
        return 0;
    return static_cast<int64_t>(seconds * 1e7);
}

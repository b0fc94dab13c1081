#include "engine/adts_length.h"

#include "engine/frame_walk.h"

namespace {

constexpr int kSampleRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                  22050, 16000, 12000, 11025, 8000,  7350};
// Two frames that follow each other make a file ADTS; one sync word may be chance.
constexpr int kFramesToTrust = 2;

bool ParseAdtsHeader(const unsigned char* h, AudioFrame* out) {
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
    FrameWalkRules rules;
    rules.headerBytes = 7;
    rules.parse = ParseAdtsHeader;
    rules.framesToTrust = kFramesToTrust;
    return WalkFrameLength(path, rules);
}

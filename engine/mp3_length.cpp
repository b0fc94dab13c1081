#include "engine/mp3_length.h"

#include "engine/frame_walk.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

bool ParseHeader(const unsigned char* h, AudioFrame* out) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return false;
    int version = (h[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    int layer = (h[1] >> 1) & 3;    // 1: III, 2: II, 3: I
    int bitrateIndex = h[2] >> 4;
    int rateIndex = (h[2] >> 2) & 3;
    int padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    static const int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kRates[3] = {44100, 48000, 32000};
    bool mpeg1 = version == 3;
    int layerIndex = 3 - layer;  // 0: I, 1: II, 2: III
    int bitrate = kBitrates[mpeg1 ? 0 : 1][layerIndex][bitrateIndex] * 1000;
    int rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    if (layerIndex == 0) {
        out->length = (12 * bitrate / rate + padding) * 4;
        out->samples = 384;
    } else {
        int samples = layerIndex == 2 && !mpeg1 ? 576 : 1152;
        out->length = samples / 8 * bitrate / rate + padding;
        out->samples = samples;
    }
    out->rate = rate;
    return out->length > 4;
}

}  // namespace

int64_t Mp3Length(const std::string& path) {
    FrameWalkRules rules;
    rules.headerBytes = 4;
    rules.parse = ParseHeader;
    // A damaged stretch is skipped byte by byte, but not forever.
    rules.resyncLimit = 65536;
    return WalkFrameLength(path, rules);
}

namespace {
constexpr int kDecoderDelay = 529;
}  // namespace

int64_t Mp3GaplessLeadOf(const unsigned char* frame, size_t size) {
    AudioFrame header;
    if (size < 4 || !ParseHeader(frame, &header) || header.samples != 1152)
        return 0;  // the note is LAME's, in MPEG-1 layer III frames
    const bool mono = ((frame[3] >> 6) & 3) == 3;
    size_t at = 4 + (mono ? 17 : 32);
    if (at + 8 > size ||
        (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0))
        return 0;
    const unsigned flags = frame[at + 7];
    at += 8;
    if (flags & 1)
        at += 4;  // frame count
    if (flags & 2)
        at += 4;  // byte count
    if (flags & 4)
        at += 100;  // seek table
    if (flags & 8)
        at += 4;  // quality
    // LAME's extension, also written by FFmpeg's muxer under its own name.
    if (at + 24 > size ||
        (std::memcmp(frame + at, "LAME", 4) != 0 && std::memcmp(frame + at, "Lavc", 4) != 0))
        return 0;
    const int delay = (frame[at + 21] << 4) | (frame[at + 22] >> 4);
    return static_cast<int64_t>(delay + kDecoderDelay) * 1000000000 / header.rate;
}

int64_t Mp3GaplessLead(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f)
        return 0;
    const long offset = AfterId3Tag(f.get());
    std::vector<unsigned char> frame(2048);
    if (std::fseek(f.get(), offset, SEEK_SET) != 0)
        return 0;
    const size_t got = std::fread(frame.data(), 1, frame.size(), f.get());
    return Mp3GaplessLeadOf(frame.data(), got);
}

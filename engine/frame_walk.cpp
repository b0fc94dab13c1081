#include "engine/frame_walk.h"

#include <cstdio>
#include <memory>

long AfterId3Tag(FILE* f) {
    unsigned char h[10];
    if (std::fseek(f, 0, SEEK_SET) == 0 && std::fread(h, 1, 10, f) == 10 && h[0] == 'I' &&
        h[1] == 'D' && h[2] == '3')
        return 10 +
               ((h[6] & 0x7F) << 21 | (h[7] & 0x7F) << 14 | (h[8] & 0x7F) << 7 | (h[9] & 0x7F));
    return 0;
}

int64_t WalkFrameLength(const std::string& path, const FrameWalkRules& rules) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f || !rules.parse || rules.headerBytes < 1 || rules.headerBytes > 10)
        return 0;
    unsigned char h[10];
    long offset = AfterId3Tag(f.get());
    double seconds = 0;
    int frames = 0;
    int resync = 0;
    // The walk ends at the end of the file, or at a trailing tag or damage that lasts past
    // the resync limit; nothing after it is counted.
    while (std::fseek(f.get(), offset, SEEK_SET) == 0 &&
           std::fread(h, 1, rules.headerBytes, f.get()) == size_t(rules.headerBytes)) {
        AudioFrame frame;
        if (!rules.parse(h, &frame) || frame.rate <= 0 || frame.length <= 0) {
            if (++resync >= rules.resyncLimit)
                break;
            ++offset;
            continue;
        }
        resync = 0;
        seconds += static_cast<double>(frame.samples) / frame.rate;
        ++frames;
        offset += frame.length;
    }
    if (frames < rules.framesToTrust || frames == 0)
        return 0;
    return static_cast<int64_t>(seconds * 1e7);
}

#include "engine/opus_packet.h"

#include <cmath>
#include <cstdlib>

int OpusPacketSamples(const uint8_t* data, int size) {
    if (size < 1)
        return 0;
    const int config = data[0] >> 3;
    int frame;
    if (config < 12)  // SILK: 10, 20, 40, 60 ms
        frame = (config & 3) == 3 ? 2880 : 480 << (config & 3);
    else if (config < 16)  // hybrid: 10, 20 ms
        frame = 480 << (config & 1);
    else  // CELT: 2.5, 5, 10, 20 ms
        frame = 120 << (config & 3);
    int frames;
    switch (data[0] & 3) {
        case 0:
            frames = 1;
            break;
        case 1:
        case 2:
            frames = 2;
            break;
        default:
            if (size < 2)
                return 0;
            frames = data[1] & 0x3F;
            break;
    }
    const int samples = frame * frames;
    return samples <= 5760 ? samples : 0;  // a packet lasts 120 ms at most
}

int64_t OpusGridTime(int64_t time, int64_t origin, int samples, int64_t halfTick) {
    if (samples <= 0)
        return time;
    const int64_t k = std::llround(static_cast<double>(time - origin) / samples);
    const int64_t grid = origin + k * samples;
    return std::llabs(grid - time) <= halfTick ? grid : time;
}

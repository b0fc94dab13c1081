// What a cut needs to know of an Opus packet without decoding it: how many samples it
// holds, and where it starts on a time line counted in samples when its container's times
// are coarser than a sample.
#pragma once

#include <cstdint>

// Samples at 48 kHz in the packet, from its table of contents; 0 for a damaged packet.
int OpusPacketSamples(const uint8_t* data, int size);

// The first sample of a packet whose container time, rounded to the container's ticks, is
// `time` (48 kHz samples), in a stream whose first packet starts at `origin` and whose
// packets all last `samples`: the grid point nearest that time. Where no grid point lies
// within the rounding (`halfTick`), the packets are not all that long, and `time` stands.
int64_t OpusGridTime(int64_t time, int64_t origin, int samples, int64_t halfTick);

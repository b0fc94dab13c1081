// One FLAC frame's header as a cut needs it: its block size, and the same frame restamped
// with another position in the stream. The subframes, the sound itself, are kept as they
// are; only the header and the two checksums are written anew.
#pragma once

#include <cstdint>
#include <vector>

struct FlacFrameHeader {
    bool variable = false;  // the frame counts samples (variable block size), not frames
    uint64_t number = 0;    // its frame number or first sample, as the header says
    int blockSize = 0;      // samples per channel in the frame
    int size = 0;           // bytes of the header, its checksum included
};

// False when data does not start with a whole, sound frame header.
bool ReadFlacFrameHeader(const uint8_t* data, int size, FlacFrameHeader* header);

// The frame at data with its header saying `variable` and `number` (the first sample when
// variable, the frame's index otherwise), checksums renewed. Empty when data is no frame.
std::vector<uint8_t> RestampFlacFrame(const uint8_t* data, int size, bool variable,
                                      uint64_t number);

// Play time of a file of compressed audio frames laid one after another (MPEG audio, ADTS),
// found by walking their headers from the end of an ID3v2 tag at its start.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct AudioFrame {
    int length = 0;   // bytes, header included
    int samples = 0;  // per channel
    int rate = 0;
};

struct FrameWalkRules {
    int headerBytes = 4;
    // False where the bytes are not a header this format knows.
    bool (*parse)(const unsigned char* header, AudioFrame* out) = nullptr;
    // Bytes of damage stepped over one by one before the walk ends there; 0: the first
    // place that is not a header ends it.
    int resyncLimit = 0;
    // Fewer frames than this and the file is not taken for one of this format.
    int framesToTrust = 1;
};

// Length in 100-ns units; 0 when the file does not hold enough frames to trust.
int64_t WalkFrameLength(const std::string& path, const FrameWalkRules& rules);

// Where the frames start: past an ID3v2 tag at the file's start, else 0.
long AfterId3Tag(FILE* f);

// The rate a video's frames are laid out on, for writing it at a constant rate. Decoders
// hand out a rate of 0 where the frames' times vary (phone clips that slow down in the
// dark, recordings with dropped frames); the rate the container's timestamps are most
// often spaced by is then the one the file was shot at.
#pragma once

#include <string>

struct FrameRate {
    int num = 0;
    int den = 1;
};

// The base rate of the first video stream of the file at path; {0, 1} when the file
// cannot be read or holds no video with a plausible rate (1 to 1000 frames a second).
FrameRate NominalFrameRate(const std::string& path);

// decoded when it is a real rate, else the file's base rate, else fallback.
FrameRate ConstantRateFor(const std::string& path, FrameRate decoded, FrameRate fallback);

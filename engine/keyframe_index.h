// Where the pictures of a file's main video stream lie on its time line: every frame's
// time and which of them are keyframes, read from one walk over the stream's packets
// (nothing is decoded). Times are seconds from the file's first timestamp, the time
// line the cuts and the preview use.
#pragma once

#include <atomic>
#include <string>
#include <vector>

struct FrameTimes {
    bool ok = false;                // the file was read (it may still have no video)
    std::vector<double> frames;     // every picture's time, ascending
    std::vector<double> keyframes;  // the keyframes among them, ascending
    double frameRate = 0;           // the stream's own figure, 0 when it gives none
};

// cancel, when given, is checked between packets; a cancelled read returns ok == false.
FrameTimes ReadFrameTimes(const std::string& path, const std::atomic<bool>* cancel = nullptr);

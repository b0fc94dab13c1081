// How soon a seek is heard: the real engines, in this process, play a file whose first half
// is one tone and whose second half another, through the private server; a seek from the
// first half into the second is timed from the call to the second tone in the recording.
#pragma once

#include <string>

#include "bench/gapless/private_sound_server.h"

namespace gapless {

enum class SeekEngine { Graph, Ogg };

struct SeekFigure {
    double heardMs = -1;  // negative: not measured (note says why)
    std::string note;
};

// file: halves of kSeekLow and kSeekHigh Hz, at least 8 s long.
SeekFigure ProbeSeek(const PrivateSoundServer& server, SeekEngine engine, const std::string& file,
                     const std::string& scratch);

constexpr double kSeekLow = 440;
constexpr double kSeekHigh = 880;

}  // namespace gapless

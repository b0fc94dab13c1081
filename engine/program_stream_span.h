// How long an MPEG program stream runs by the timestamps in its packet headers: from the
// first presentation time near its start to the last one near its end. Its demuxer gives
// the span of the pack clock instead, which falls short by the mux delay.
#pragma once

#include <cstdint>
#include <string>

// 90 kHz ticks between the earliest and the latest presentation timestamp found in the
// first and the last `window` bytes of the file; -1 when there are none.
int64_t ProgramStreamSpan(const std::string& path, size_t window = 512 * 1024);

// The same over bytes in memory: the head and the tail of a file (they may be one block).
int64_t ProgramStreamSpanOf(const std::string& head, const std::string& tail);

// The length of a sound file whose parser states none, from its frame headers.
#pragma once

#include <cstdint>
#include <string>

// 100-ns units; 0 when unknown. Raw AAC frames look like MPEG audio to the MP3 walk, so
// they are told first. Only a regular file is walked: a pipe or a device would be read to
// its end, which may never come.
int64_t SoundFrameLength(const std::string& path);

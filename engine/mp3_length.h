// The length of an MPEG audio file found by walking its frame headers. The parser in the
// pipeline only knows a length once it has seen a header that states one, which plain
// (and variable bit rate) MP3 files lack.
#pragma once

#include <cstdint>
#include <string>

// Length in 100-ns units; 0 when the file holds no MPEG audio frames.
int64_t Mp3Length(const std::string& path);

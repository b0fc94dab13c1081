// The length of an MPEG audio file found by walking its frame headers. The parser in the
// pipeline only knows a length once it has seen a header that states one, which plain
// (and variable bit rate) MP3 files lack.
#pragma once

#include <cstdint>
#include <string>

// Length in 100-ns units; 0 when the file holds no MPEG audio frames.
int64_t Mp3Length(const std::string& path);

// How long the decoded sound of an MP3 runs ahead of the music: the encoder's delay that
// LAME notes in the tag of the file's first frame, plus the 529 samples every layer III
// decoder adds. In nanoseconds; 0 when the file carries no such note.
int64_t Mp3GaplessLead(const std::string& path);

// The same from the first frame's bytes (its header first).
int64_t Mp3GaplessLeadOf(const unsigned char* frame, size_t size);

// The length of a raw AAC file (ADTS frames one after another) found by walking its frame
// headers. Such a file has no header that states a length, and its parser guesses one
// only after it has seen many frames.
#pragma once

#include <cstdint>
#include <string>

// Length in 100-ns units; 0 when the file does not begin with a chain of ADTS frames.
int64_t AdtsLength(const std::string& path);

// Assembles skin.dat from packed records and checks a finished file against the
// fixed record table, byte for byte.
#pragma once

#include <string>
#include <vector>

#include "tools/skinpack/run_length.h"

namespace skinpack {

// records[i] is record i + 1, already packed to its table length.
bool AssembleSkinFile(const std::vector<Bytes>& records, Bytes* file, std::string* error);

// Empty when the file has the signature, the exact size and every record unpacks, on
// its own, to a BMP of the table's unpacked length; otherwise what is wrong.
std::string VerifySkinFile(const Bytes& file);

}  // namespace skinpack

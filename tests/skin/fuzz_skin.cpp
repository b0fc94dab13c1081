// Feeds arbitrary bytes to the two parts of the skin reader that see file contents: the
// run-length unpacking (with an output size taken from the input, as a table row would
// give it) and the BMP interpretation of what comes out.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/skin_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose the room the unpacker is given, up to 64 KiB.
    const size_t room = size_t(data[0]) | size_t(data[1]) << 8;
    const uint8_t* record = data + 2;
    const size_t recordSize = size - 2;
    // Exactly sized buffers, so the address sanitizer sees any step outside them.
    std::vector<uint8_t> in(record, record + recordSize);
    std::vector<uint8_t> out(room);
    const size_t written = UnpackRunLength(out.data(), out.size(), in.data(), in.size());
    if (written > out.size())
        __builtin_trap();
    if (written > kBmpFileHeaderLength) {
        std::vector<uint8_t> dib(out.begin() + kBmpFileHeaderLength, out.begin() + written);
        (void)ImageFromDib(dib.data(), dib.size());
    }
    // The raw input as a BMP header too, without the unpacking in front.
    (void)ImageFromDib(in.data(), in.size());
    return 0;
}

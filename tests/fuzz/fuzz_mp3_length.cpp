// The MP3 length scanner over arbitrary file contents: it must end, stay inside what it
// reads and give a length that is not negative.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "engine/mp3_length.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A file in memory: the scanner opens it by name like any other.
    const int fd = ::memfd_create("veltra-fuzz-mp3", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        FUZZ_CHECK(n > 0);
        done += static_cast<std::size_t>(n);
    }
    const int64_t length = Mp3Length("/proc/self/fd/" + std::to_string(fd));
    ::close(fd);
    FUZZ_CHECK(length >= 0);
    return 0;
}

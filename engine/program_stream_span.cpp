#include "engine/program_stream_span.h"

#include <algorithm>
#include <fstream>

namespace {

uint8_t At(const std::string& b, size_t i) {
    return static_cast<uint8_t>(b[i]);
}

// A timestamp field: 4 bits of prefix, 33 bits of time split by marker bits that are 1.
bool ReadTimestamp(const std::string& b, size_t at, int64_t* out) {
    if (at + 5 > b.size() || !(At(b, at) & 1) || !(At(b, at + 2) & 1) || !(At(b, at + 4) & 1))
        return false;
    *out = (int64_t(At(b, at) >> 1 & 7) << 30) | (int64_t(At(b, at + 1)) << 22) |
           (int64_t(At(b, at + 2) >> 1) << 15) | (int64_t(At(b, at + 3)) << 7) |
           (int64_t(At(b, at + 4)) >> 1);
    return true;
}

// The presentation timestamp of the packet whose start code is at `at`, if it has one.
// A packet counts only when the next start code follows right behind it (where the block
// reaches that far), so bytes inside compressed data that look like a header do not.
bool PacketPts(const std::string& b, size_t at, int64_t* pts) {
    if (at + 9 > b.size())
        return false;
    const uint8_t id = At(b, at + 3);
    if (!(id == 0xBD || (id >= 0xC0 && id <= 0xEF)))
        return false;
    const size_t length = size_t(At(b, at + 4)) << 8 | At(b, at + 5);
    const size_t next = at + 6 + length;
    if (length == 0 || (next + 3 <= b.size() &&
                        !(At(b, next) == 0 && At(b, next + 1) == 0 && At(b, next + 2) == 1)))
        return false;
    size_t p = at + 6;
    if ((At(b, p) & 0xC0) == 0x80) {  // MPEG-2 header
        if (p + 3 > b.size() || !(At(b, p + 1) & 0x80))
            return false;
        return (At(b, p + 3) & 0xF0) >> 4 >= 2 && ReadTimestamp(b, p + 3, pts);
    }
    // MPEG-1 header: stuffing, an optional buffer size, then the timestamps.
    for (int stuffing = 0; p < b.size() && At(b, p) == 0xFF && stuffing < 16; ++stuffing) ++p;
    if (p < b.size() && (At(b, p) & 0xC0) == 0x40)
        p += 2;
    if (p >= b.size() || ((At(b, p) & 0xF0) != 0x20 && (At(b, p) & 0xF0) != 0x30))
        return false;
    return ReadTimestamp(b, p, pts);
}

void Scan(const std::string& b, int64_t* first, int64_t* last) {
    for (size_t i = 0; i + 3 < b.size(); ++i) {
        if (At(b, i) != 0 || At(b, i + 1) != 0 || At(b, i + 2) != 1)
            continue;
        int64_t pts = 0;
        if (!PacketPts(b, i, &pts))
            continue;
        if (*first < 0 || pts < *first)
            *first = pts;
        if (*last < 0 || pts > *last)
            *last = pts;
    }
}

}  // namespace

int64_t ProgramStreamSpanOf(const std::string& head, const std::string& tail) {
    int64_t firstHead = -1, lastHead = -1, firstTail = -1, lastTail = -1;
    Scan(head, &firstHead, &lastHead);
    Scan(tail, &firstTail, &lastTail);
    int64_t first = firstHead;
    int64_t last = std::max(lastHead, lastTail);
    if (first < 0 || last < first)
        return -1;
    return last - first;
}

int64_t ProgramStreamSpan(const std::string& path, size_t window) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return -1;
    f.seekg(0, std::ios::end);
    const auto size = static_cast<size_t>(std::max<std::streamoff>(0, f.tellg()));
    std::string head(std::min(size, window), '\0');
    f.seekg(0);
    f.read(head.data(), static_cast<std::streamsize>(head.size()));
    std::string tail;
    if (size > window) {
        tail.assign(window, '\0');
        f.seekg(static_cast<std::streamoff>(size - window));
        f.read(tail.data(), static_cast<std::streamsize>(window));
    }
    if (!f)
        return -1;
    return ProgramStreamSpanOf(head, tail);
}

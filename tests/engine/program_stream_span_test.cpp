// Program-stream length from packet timestamps: both header generations, and bytes in
// compressed data that merely look like a header are not taken for one.
#include "engine/program_stream_span.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A timestamp field with the given 4-bit prefix.
std::string Timestamp(int prefix, int64_t t) {
    std::string b(5, '\0');
    b[0] = static_cast<char>(prefix << 4 | (t >> 29 & 0x0E) | 1);
    b[1] = static_cast<char>(t >> 22);
    b[2] = static_cast<char>((t >> 14 & 0xFE) | 1);
    b[3] = static_cast<char>(t >> 7);
    b[4] = static_cast<char>((t << 1 & 0xFE) | 1);
    return b;
}

std::string Packet(uint8_t id, const std::string& header, size_t payload) {
    std::string body = header + std::string(payload, '\x11');
    std::string p("\0\0\1", 3);
    p += static_cast<char>(id);
    p += static_cast<char>(body.size() >> 8);
    p += static_cast<char>(body.size());
    return p + body;
}

// MPEG-2: '10' marker byte, flags with the timestamp bit, header length, timestamp.
std::string Mpeg2Packet(uint8_t id, int64_t pts, size_t payload = 100) {
    return Packet(id, std::string("\x80\x80\x05", 3) + Timestamp(2, pts), payload);
}

// MPEG-1: stuffing, a buffer size, then the timestamp.
std::string Mpeg1Packet(uint8_t id, int64_t pts, size_t payload = 100) {
    return Packet(id, std::string("\xFF\xFF\x60\x00", 4) + Timestamp(2, pts), payload);
}

const std::string kEnd("\0\0\1\xB9", 4);

TEST(ProgramStreamSpan, FromTheFirstToTheLastTimestampOfEitherHeaderKind) {
    // Timestamps past 32 bits, out of order across streams, as a muxer writes them.
    const int64_t base = (int64_t(1) << 32) + 48600;
    std::string mpeg2 = Mpeg2Packet(0xE0, base + 3600) + Mpeg2Packet(0xC0, base) +
                        Mpeg2Packet(0xE0, base + 540000) + Mpeg2Packet(0xBD, base + 541000) + kEnd;
    EXPECT_EQ(ProgramStreamSpanOf(mpeg2, ""), 541000);
    std::string mpeg1 =
        Mpeg1Packet(0xE0, 7200) + Mpeg1Packet(0xC0, 3600) + Mpeg1Packet(0xE0, 90000 + 3600) + kEnd;
    EXPECT_EQ(ProgramStreamSpanOf(mpeg1, ""), 90000);
    // The tail of a longer file, cut in the middle of a packet, gives the last time.
    std::string tail = mpeg1.substr(20);
    EXPECT_EQ(ProgramStreamSpanOf(mpeg1.substr(0, 150), tail), 90000);
}

TEST(ProgramStreamSpan, LookalikesAndOtherFilesGiveNothing) {
    EXPECT_EQ(ProgramStreamSpanOf("", ""), -1);
    EXPECT_EQ(ProgramStreamSpanOf(std::string(1000, '\0'), ""), -1);
    // A header-shaped run inside a packet's data whose length does not lead to the next
    // start code is not a packet.
    std::string fake = Mpeg2Packet(0xE0, 999999);
    fake[4] = 0;
    fake[5] = 50;  // its length now ends inside its own data
    std::string stream = Mpeg2Packet(0xE0, 9000) + fake + Mpeg2Packet(0xE0, 18000) + kEnd;
    EXPECT_EQ(ProgramStreamSpanOf(stream, ""), 9000);
    EXPECT_EQ(ProgramStreamSpan("/nonexistent/file.mpg"), -1);
}

}  // namespace

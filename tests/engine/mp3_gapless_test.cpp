// The encoder's delay noted in the first frame of an MP3, and the constant rate a video
// is written at.
#include <gtest/gtest.h>

#include <vector>

#include "engine/mp3_length.h"
#include "engine/nominal_frame_rate.h"

namespace {

// A 192 kbit/s, 44.1 kHz MPEG-1 layer III frame whose side information is followed by a
// full Xing/Info tag and its encoder extension naming `encoder`, delay and padding.
std::vector<unsigned char> TaggedFrame(bool mono, const char* tag, const char* encoder, int delay,
                                       int padding) {
    std::vector<unsigned char> f(626, 0);
    f[0] = 0xFF;
    f[1] = 0xFB;
    f[2] = 0xB0;
    f[3] = mono ? 0xC0 : 0x00;
    size_t at = 4 + (mono ? 17 : 32);
    std::copy(tag, tag + 4, f.begin() + at);
    f[at + 7] = 0x0F;  // frames, bytes, seek table and quality present
    at += 8 + 4 + 4 + 100 + 4;
    std::copy(encoder, encoder + 4, f.begin() + at);
    f[at + 21] = static_cast<unsigned char>(delay >> 4);
    f[at + 22] = static_cast<unsigned char>((delay & 0xF) << 4 | padding >> 8);
    f[at + 23] = static_cast<unsigned char>(padding & 0xFF);
    return f;
}

constexpr int64_t kLeadOf576 = (576 + 529) * int64_t(1000000000) / 44100;

TEST(Mp3GaplessLead, ReadsTheEncodersDelayFromEitherEncodersNote) {
    for (const char* encoder : {"LAME", "Lavc"}) {
        SCOPED_TRACE(encoder);
        std::vector<unsigned char> stereo = TaggedFrame(false, "Info", encoder, 576, 0x3A8);
        EXPECT_EQ(Mp3GaplessLeadOf(stereo.data(), stereo.size()), kLeadOf576);
        // Mono frames have shorter side information; the tag sits earlier.
        std::vector<unsigned char> mono = TaggedFrame(true, "Xing", encoder, 576, 12);
        EXPECT_EQ(Mp3GaplessLeadOf(mono.data(), mono.size()), kLeadOf576);
    }
    // Delay and padding share three bytes: a large padding does not leak into the delay.
    std::vector<unsigned char> f = TaggedFrame(false, "Info", "LAME", 0xABC, 0xFFF);
    EXPECT_EQ(Mp3GaplessLeadOf(f.data(), f.size()), (0xABC + 529) * int64_t(1000000000) / 44100);
}

TEST(Mp3GaplessLead, NothingToTrimWithoutAnEncodersNote) {
    std::vector<unsigned char> plain = TaggedFrame(false, "Info", "LAME", 576, 0);
    // A tag of another encoder, or no tag at all: the sound starts where it starts.
    std::vector<unsigned char> other = TaggedFrame(false, "Info", "Fhg ", 576, 0);
    EXPECT_EQ(Mp3GaplessLeadOf(other.data(), other.size()), 0);
    std::vector<unsigned char> untagged = TaggedFrame(false, "Data", "LAME", 576, 0);
    EXPECT_EQ(Mp3GaplessLeadOf(untagged.data(), untagged.size()), 0);
    // Cut short before the delay, or not a frame at all.
    EXPECT_EQ(Mp3GaplessLeadOf(plain.data(), 170), 0);
    EXPECT_EQ(Mp3GaplessLeadOf(plain.data(), 3), 0);
    std::vector<unsigned char> noise(626, 0x55);
    EXPECT_EQ(Mp3GaplessLeadOf(noise.data(), noise.size()), 0);
    EXPECT_EQ(Mp3GaplessLead("/nonexistent/file.mp3"), 0);
}

TEST(ConstantRate, TheDecodersRateUnlessItVaries) {
    const FrameRate fallback{25000, 1001};
    FrameRate r = ConstantRateFor("/nonexistent/clip.mp4", {30000, 1001}, fallback);
    EXPECT_EQ(r.num, 30000);
    EXPECT_EQ(r.den, 1001);
    // A rate of 0 means the frames' times vary; a file that cannot be read gives no better
    // figure than the fallback.
    r = ConstantRateFor("/nonexistent/clip.mp4", {0, 1}, fallback);
    EXPECT_EQ(r.num, 25000);
    EXPECT_EQ(r.den, 1001);
    r = ConstantRateFor("/nonexistent/clip.mp4", {90000, 1}, fallback);  // a clock, not a rate
    EXPECT_EQ(r.num, 25000);
    EXPECT_EQ(NominalFrameRate("/nonexistent/clip.mp4").num, 0);
}

}  // namespace

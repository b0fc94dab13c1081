// The volume of WAV output against the plain integer rule, for every 16-bit sample value,
// every volume the editor offers and more, through every width of lanes this processor
// has, at even and odd addresses and with tails shorter than a lane.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "wavsink/sample_volume.h"

namespace {

// All 65536 values, then a tail of 31 that no lane width divides, placed at offset.
std::vector<uint8_t> AllValues(size_t offset, size_t* count) {
    std::vector<int16_t> values;
    for (int i = 0; i < 65536; ++i) values.push_back(static_cast<int16_t>(i - 32768));
    for (int i = 0; i < 31; ++i) values.push_back(static_cast<int16_t>(-32768 + 997 * i));
    *count = values.size();
    std::vector<uint8_t> bytes(offset + 2 * values.size());
    std::memcpy(bytes.data() + offset, values.data(), 2 * values.size());
    return bytes;
}

// Samples that differ from the rule.
int Wrong(const std::vector<uint8_t>& scaled, size_t offset, size_t count, int volume) {
    size_t n = 0;
    std::vector<uint8_t> original = AllValues(offset, &n);
    int wrong = 0;
    for (size_t i = 0; i < count; ++i) {
        int16_t in, out;
        std::memcpy(&in, original.data() + offset + 2 * i, 2);
        std::memcpy(&out, scaled.data() + offset + 2 * i, 2);
        wrong += out != ScaledSample(in, volume);
    }
    return wrong;
}

const std::vector<int> kVolumes = [] {
    std::vector<int> v;
    for (int volume = 0; volume <= 400; ++volume) v.push_back(volume);
    // Beyond the lanes' range: the plain loop takes them.
    for (int volume : {-1, -50, -300, 401, 1000, 32767, -32768}) v.push_back(volume);
    return v;
}();

}  // namespace

TEST(SampleVolume, TheRuleTruncatesTowardZeroAndLimits) {
    EXPECT_EQ(ScaledSample(20000, 150), 30000);
    EXPECT_EQ(ScaledSample(30000, 150), 32767);
    EXPECT_EQ(ScaledSample(-30000, 150), -32768);
    EXPECT_EQ(ScaledSample(-3, 150), -4);
    EXPECT_EQ(ScaledSample(3, 150), 4);
    EXPECT_EQ(ScaledSample(-32768, 100), -32768);
    EXPECT_EQ(ScaledSample(-32768, 10), -3276);
}

TEST(SampleVolume, EveryValueAndVolumeMatchesTheRuleThroughEveryLaneWidth) {
    for (int bits : {0, 128, 256}) {
        for (size_t offset : {0u, 1u}) {
            for (int volume : kVolumes) {
                size_t count = 0;
                std::vector<uint8_t> bytes = AllValues(offset, &count);
                if (bits == 0) {
                    ScaleSamplesS16(bytes.data() + offset, count, volume);
                } else if (!ScaleSamplesS16Using(bits, bytes.data() + offset, count, volume)) {
                    break;  // not on this processor
                }
                ASSERT_EQ(Wrong(bytes, offset, count, volume), 0)
                    << "lanes " << bits << ", offset " << offset << ", volume " << volume;
            }
        }
    }
}

TEST(SampleVolume, NothingOutsideTheSamplesIsTouched) {
    for (int bits : {128, 256}) {
        std::vector<uint8_t> bytes(2 * 100 + 2, 0x5A);
        if (!ScaleSamplesS16Using(bits, bytes.data() + 1, 100, 300))
            continue;
        EXPECT_EQ(bytes.front(), 0x5A) << bits;
        EXPECT_EQ(bytes.back(), 0x5A) << bits;
    }
}

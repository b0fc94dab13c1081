// The fuzz entry point over fixed-seed random and mutated inputs, so an ordinary test run
// (and the sanitizer build) covers it where no libFuzzer is at hand.
#include <gtest/gtest.h>

#include <random>

#include "tests/skin/skin_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

TEST(SkinFuzzInputs, RandomAndMutatedRecordsStayInBounds) {
    std::mt19937 rng(20261207);
    // Seeds: a real record of each kind of image, with its room in front.
    std::vector<skintest::Bytes> seeds;
    for (int n : {2, 9, 24, 69}) {
        skintest::Bytes rec = skintest::RecordBytes(n);
        const uint32_t room = kSkinRecords[size_t(n - 1)].unpacked;
        rec.insert(rec.begin(), {static_cast<uint8_t>(room), static_cast<uint8_t>(room >> 8)});
        seeds.push_back(rec);
    }
    for (int i = 0; i < 400; ++i) {
        skintest::Bytes input;
        if (i % 4 == 0) {
            input.resize(rng() % 600);
            for (auto& b : input) b = static_cast<uint8_t>(rng());
        } else {
            input = seeds[size_t(i) % seeds.size()];
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int k = 0; k < edits && !input.empty(); ++k) {
                const size_t at = rng() % input.size();
                switch (rng() % 4) {
                    case 0:
                        input[at] = static_cast<uint8_t>(rng());
                        break;
                    case 1:
                        input.resize(at);  // cut short
                        break;
                    case 2:
                        input[at] = 0xA5;  // the escape byte in odd places
                        break;
                    default:
                        input[at] ^= 0x80;
                        break;
                }
            }
        }
        EXPECT_EQ(LLVMFuzzerTestOneInput(input.data(), input.size()), 0);
    }
}

}  // namespace

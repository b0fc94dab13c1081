// Ogg to WAV: file layout, volume, ranges, and ending early.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"
#include "tests/tunewell/fake_sound_device.h"
#include "tests/tunewell/tunewell_harness.h"
#include "tunewell/wav_file.h"

namespace {

class WaveOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Tunewell().module);
        ASSERT_FALSE(Media().oneSecond.empty());
        notes::Clear();
        m_dir = testmedia::MakeTempDir("tunewell-wav");
        api().Init(&m_device, notes::Record);
    }
    void TearDown() override {
        api().Close();
        api().Init(nullptr, nullptr);
        testmedia::RemoveTree(m_dir);
    }
    TunewellApi& api() { return Tunewell(); }
    // Converts `ogg` and waits for the end; the written file's bytes.
    std::string Convert(const std::string& ogg, int volume, const double* start = nullptr,
                        const double* end = nullptr) {
        std::string out = m_dir + "/out.wav";
        EXPECT_EQ(api().Open(ogg.c_str(), nullptr), 1);
        EXPECT_EQ(api().WaveDest(out.c_str(), volume, start, end), 1);
        EXPECT_TRUE(notes::WaitEnd());
        return testmedia::ReadFile(out);
    }
    static void ExpectHeader(const std::string& wav, uint32_t dataBytes, int channels, int rate) {
        ASSERT_GE(wav.size(), 46u);
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(Le32(wav, 4), dataBytes + 38);
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(Le32(wav, 16), 18u);
        EXPECT_EQ(Le16(wav, 20), 1u);
        EXPECT_EQ(Le16(wav, 22), static_cast<uint32_t>(channels));
        EXPECT_EQ(Le32(wav, 24), static_cast<uint32_t>(rate));
        EXPECT_EQ(Le32(wav, 28), static_cast<uint32_t>(rate * channels * 2));
        EXPECT_EQ(Le16(wav, 32), static_cast<uint32_t>(channels * 2));
        EXPECT_EQ(Le16(wav, 34), 16u);
        EXPECT_EQ(Le16(wav, 36), 0u);
        EXPECT_EQ(wav.substr(38, 4), "data");
        EXPECT_EQ(Le32(wav, 42), dataBytes);
        EXPECT_EQ(wav.size(), 46u + dataBytes);
    }

    FakeSoundDevice m_device{1};
    std::string m_dir;
};

TEST_F(WaveOutputTest, FullVolumeOutputIsTheReferencePcmBehindA46ByteHeader) {
    std::string wav = Convert(Media().threeSeconds, 100);
    std::string pcm = OggdecPcm(Media().threeSeconds);
    ExpectHeader(wav, static_cast<uint32_t>(pcm.size()), 2, 44100);
    EXPECT_TRUE(wav.compare(46, std::string::npos, pcm) == 0);
    EXPECT_EQ(notes::Ends(), 1);
    EXPECT_EQ(api().IsPlay(), 0) << "the player stays stopped while writing";
    EXPECT_EQ(m_device.BuffersCreated(), 0) << "no sound output";
    // The finished writer does not block the next output.
    notes::Clear();
    EXPECT_EQ(api().WaveDest((m_dir + "/again.wav").c_str(), 100, nullptr, nullptr), 1);
    EXPECT_TRUE(notes::WaitEnd());
}

TEST_F(WaveOutputTest, MonoAndChainedFilesKeepTheirLayout) {
    std::string wav = Convert(Media().mono22k, 100);
    std::string pcm = OggdecPcm(Media().mono22k);
    ExpectHeader(wav, static_cast<uint32_t>(pcm.size()), 1, 22050);
    EXPECT_TRUE(wav.compare(46, std::string::npos, pcm) == 0);

    notes::Clear();
    wav = Convert(Media().chained, 100);
    pcm = ChainedPcm();
    ExpectHeader(wav, static_cast<uint32_t>(pcm.size()), 2, 44100);
    EXPECT_TRUE(wav.compare(46, std::string::npos, pcm) == 0);
}

TEST_F(WaveOutputTest, VolumeIsClampedAndScalesEverySample) {
    std::string pcm = OggdecPcm(Media().oneSecond);
    std::string quiet = Convert(Media().oneSecond, 5);  // taken as 10
    notes::Clear();
    std::string loud = Convert(Media().oneSecond, 1000);  // taken as 300
    ASSERT_EQ(quiet.size(), 46 + pcm.size());
    ASSERT_EQ(loud.size(), 46 + pcm.size());
    int checked = 0;
    for (size_t i = 0; i < pcm.size(); i += 2) {
        int s = static_cast<int16_t>(Le16(pcm, i));
        int q = static_cast<int16_t>(Le16(quiet, 46 + i));
        int l = static_cast<int16_t>(Le16(loud, 46 + i));
        // Truncation toward zero; no wrap-around at the limits.
        ASSERT_LE(std::abs(q), std::abs(s) / 10 + 1) << i;
        ASSERT_EQ(q == 0 || (q > 0) == (s > 0), true) << i;
        ASSERT_EQ(l, std::clamp(s * 3, -32768, 32767)) << i;
        checked += std::abs(s) > 11000;
    }
    EXPECT_GT(checked, 0) << "the tone reaches the clipping range at 300 %";
}

TEST(WavFormat, HeaderFieldsAndSampleScaling) {
    WAVEFORMATEX f{1, 2, 44100, 176400, 4, 16, 0};
    uint8_t header[kWavHeaderBytes];
    BuildWavHeader(f, 100000, header);
    std::string h(reinterpret_cast<char*>(header), kWavHeaderBytes);
    EXPECT_EQ(h.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(h, 4), 100038u);
    EXPECT_EQ(Le32(h, 42), 100000u);
    EXPECT_EQ(Le32(h, 28), 176400u);

    auto scaled = [](int16_t sample, int volume) {
        uint8_t b[2] = {static_cast<uint8_t>(sample & 0xFF),
                        static_cast<uint8_t>((sample >> 8) & 0xFF)};
        ScaleSamples(b, 2, volume);
        return static_cast<int16_t>(b[0] | (b[1] << 8));
    };
    EXPECT_EQ(scaled(20000, 200), 32767);
    EXPECT_EQ(scaled(-20000, 200), -32768);
    EXPECT_EQ(scaled(3, 200), 6);
    EXPECT_EQ(scaled(-3, 50), -1);
    EXPECT_EQ(scaled(3, 50), 1);
    EXPECT_EQ(scaled(-32768, 100), -32768);
    EXPECT_EQ(scaled(10, 10), 1);
    EXPECT_EQ(scaled(-32768, 300), -32768);
}

TEST_F(WaveOutputTest, StartAndEndCutTheRangeByWholeBlocks) {
    const double start = 1.0, end = 2.0;
    std::string wav = Convert(Media().threeSeconds, 100, &start, &end);
    std::string pcm = OggdecPcm(Media().threeSeconds);
    // Data begins at 1.0 s and stops after the block during which the position reaches
    // 20 tenths: byte counts 176400 + k * 44100 give positions 12, 15, 17, 20.
    ASSERT_EQ(wav.size(), 46u + 4 * 44100);
    ExpectHeader(wav, 4 * 44100, 2, 44100);
    EXPECT_TRUE(wav.compare(46, std::string::npos, pcm, 176400, 4 * 44100) == 0);
    EXPECT_EQ(notes::Positions(), (std::vector<int>{12, 15, 17, 20}));
    double t = 0;
    api().GetTime(&t);
    EXPECT_EQ(t, 2.0);
}

TEST_F(WaveOutputTest, TheEndTimeHoldsWithoutACallback) {
    api().Init(&m_device, nullptr);
    const double end = 1.0;
    std::string out = m_dir + "/nocb.wav";
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(api().WaveDest(out.c_str(), 100, nullptr, &end), 1);
    // No end report to wait for: the file appears when the writer has finished.
    WaitUntil([&] { return access(out.c_str(), F_OK) == 0; }, 30000);
    EXPECT_EQ(testmedia::ReadFile(out).size(), 46u + 4 * 44100);
}

TEST_F(WaveOutputTest, RefusedWhilePlayingAndWhenTheTargetCannotBeMade) {
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    EXPECT_EQ(api().WaveDest(nullptr, 100, nullptr, nullptr), 0);
    ASSERT_EQ(api().Play(), 1);
    EXPECT_EQ(api().WaveDest((m_dir + "/p.wav").c_str(), 100, nullptr, nullptr), 0);
    api().Stop();
    // A folder that does not exist: the writer gives up silently, with no end report.
    EXPECT_EQ(api().WaveDest((m_dir + "/no/such.wav").c_str(), 100, nullptr, nullptr), 1);
    EXPECT_FALSE(notes::WaitEnd(std::chrono::milliseconds(300)));
    EXPECT_EQ(api().WaveDest(m_dir.c_str(), 100, nullptr, nullptr), 1);
    EXPECT_FALSE(notes::WaitEnd(std::chrono::milliseconds(300)));
    struct stat st {};
    EXPECT_TRUE(stat(m_dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

// Closing (the editor cancelled) while writing: the writer ends, its file is complete
// for the data so far, no end is reported, and nothing else in the folder is touched.
TEST_F(WaveOutputTest, CloseDuringOutputLeavesAValidFileAndNoEnd) {
    std::string ogg = testmedia::Tone(m_dir, "long.ogg", 40.0);
    ASSERT_FALSE(ogg.empty());
    std::string out = m_dir + "/cut.wav";
    ASSERT_EQ(api().Open(ogg.c_str(), nullptr), 1);
    ASSERT_EQ(api().WaveDest(out.c_str(), 150, nullptr, nullptr), 1);
    ASSERT_TRUE(notes::WaitFirstPosition());
    api().Stop();  // a stop does not reach the writer, nor rewind under it
    auto t0 = std::chrono::steady_clock::now();
    api().Close();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(notes::Ends(), 0);
    std::string wav = testmedia::ReadFile(out);
    ASSERT_GE(wav.size(), 46u);
    uint32_t data = Le32(wav, 42);
    EXPECT_EQ(wav.size(), 46u + data);
    EXPECT_EQ(Le32(wav, 4), data + 38);
    EXPECT_LT(data, 40u * 176400);
    EXPECT_EQ(OpenHandlesTo(m_dir), 0);
    // Only the two files: no aside copy is left.
    int entries = 0;
    for (const char* n : {"long.ogg", "cut.wav"})
        entries += testmedia::ReadFile(m_dir + "/" + n).empty() ? 0 : 1;
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(testmedia::Run("test $(ls -A '" + m_dir + "' | wc -l) -eq 2"), true);
}

TEST_F(WaveOutputTest, AFailedOutputLeavesTheEarlierFileAlone) {
    std::string out = testmedia::WriteBytes(m_dir, "keep.wav", "precious");
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(api().WaveDest(out.c_str(), 100, nullptr, nullptr), 1);
    api().Close();  // cut short right away: the partial output replaces the file...
    std::string wav = testmedia::ReadFile(out);
    EXPECT_EQ(wav.substr(0, 4), "RIFF") << "a stopped output still completes its file";

    // ...but an output that cannot be written at all never truncates what is there.
    if (geteuid() != 0) {
        std::string locked = m_dir + "/locked";
        ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
        std::string old = testmedia::WriteBytes(locked, "old.wav", "precious");
        chmod(locked.c_str(), 0555);
        ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
        ASSERT_EQ(api().WaveDest(old.c_str(), 100, nullptr, nullptr), 1);
        api().Close();
        EXPECT_EQ(testmedia::ReadFile(old), "precious");
        chmod(locked.c_str(), 0755);
    }
}

TEST_F(WaveOutputTest, TruncatedInputGivesAValidShorterFile) {
    std::string wav = Convert(Media().truncated, 100);
    ASSERT_GE(wav.size(), 46u);
    uint32_t data = Le32(wav, 42);
    EXPECT_EQ(wav.size(), 46u + data);
    EXPECT_GT(data, 0u);
    EXPECT_LT(data, 8u * 176400);
    std::string pcm = OggdecPcm(Media().truncated);
    EXPECT_TRUE(wav.compare(46, std::string::npos, pcm) == 0);
}

}  // namespace

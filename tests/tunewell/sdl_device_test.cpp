// The library on the program's own sound device (SDL; the dummy driver in tests), which
// plays in real time and notifies from its own audio thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>

#include "platform/sdl_sound.h"
#include "tests/platform/cursor_travel.h"
#include "tests/platform/device_buffers.h"
#include "tests/platform/tone_distortion.h"
#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"
#include "tests/tunewell/tunewell_harness.h"

namespace {

class SdlDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Tunewell().module);
        ASSERT_FALSE(Media().oneSecond.empty());
        notes::Clear();
        if (FAILED(DirectSoundCreate8(nullptr, &m_device, nullptr)) || !m_device)
            GTEST_SKIP() << "no SDL audio output";
        Tunewell().Init(m_device, notes::Record);
    }
    void TearDown() override {
        Tunewell().Close();
        Tunewell().Init(nullptr, nullptr);
        m_probe.ReleaseAll();
        SafeRelease(m_device);  // the library holds nothing of the device any more
    }
    // The device's clock: a silent second of the check's own that loops beside the
    // library's ring, so that its cursor tells how much the device has played.
    testsound::CursorTravel DeviceClock() {
        const WAVEFORMATEX f = testsound::Pcm16Stereo();
        return testsound::CursorTravel(m_probe.Looping(m_device, [](DWORD) { return 0; }),
                                       f.nAvgBytesPerSec);
    }
    // Waits until the device has played `ms` more milliseconds, while `holds` stays true.
    static bool HoldsWhileDevicePlays(testsound::CursorTravel& clock, int ms,
                                      const std::function<bool()>& holds) {
        const uint64_t until = clock.Bytes() + testsound::Pcm16Stereo().nAvgBytesPerSec / 1000 * ms;
        return StaysTrueUntil(
            holds, [&] { return clock.Bytes() >= until; }, 30000);
    }
    IDirectSound8* m_device = nullptr;
    testsound::DeviceBuffers m_probe;
};

TEST_F(SdlDeviceTest, PlaysToTheEndAndReportsItWhileTheLastSoundIsQueued) {
    ASSERT_EQ(Tunewell().Open(Media().oneSecond.c_str(), nullptr), 1);
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(Tunewell().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd(std::chrono::seconds(10)));
    // The output plays in real time: the end comes once the last block is queued, about
    // one ring (120 ms) before it is heard, so that the next item can follow it in time.
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(800));
    EXPECT_EQ(notes::Positions(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(notes::Ends(), 1);
}

TEST_F(SdlDeviceTest, PauseResumeAndStopWhilePaused) {
    ASSERT_EQ(Tunewell().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(Tunewell().Play(), 1);
    testsound::CursorTravel clock = DeviceClock();
    ASSERT_TRUE(notes::WaitFirstPosition());
    Tunewell().Pause();
    size_t held = notes::Positions().size();
    EXPECT_TRUE(HoldsWhileDevicePlays(clock, 400, [&] {
        return notes::Positions().size() <= held + 1;
    })) << "at most the write in flight completes";
    EXPECT_EQ(Tunewell().Play(), 1);
    ASSERT_TRUE(WaitUntil([&] { return notes::Positions().size() >= held + 2; }, 30000))
        << "resumed";
    Tunewell().Pause();
    // The worker settles into the pause while the device plays on.
    ASSERT_TRUE(HoldsWhileDevicePlays(clock, 100, [] { return true; }));
    auto t0 = std::chrono::steady_clock::now();
    Tunewell().Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(notes::Ends(), 0);
    EXPECT_EQ(Tunewell().IsPlay(), 0);
}

TEST_F(SdlDeviceTest, CloseWhilePlayingReturnsPromptly) {
    ASSERT_EQ(Tunewell().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(Tunewell().Play(), 1);
    ASSERT_TRUE(notes::WaitFirstPosition());
    auto t0 = std::chrono::steady_clock::now();
    Tunewell().Close();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(OpenHandlesTo("three.ogg"), 0);
}

// Today's Ogg files are mostly 48000 Hz; the device's output runs at 44100 Hz. What the
// listener hears (SDL's disk driver writes it to a file) must be the file's tone, not the
// tone plus the images a crude rate conversion adds. Vorbis itself keeps a pure tone only
// some 50 dB clean, so the heard tone is held against the decoder's own output: the sound
// path may add next to nothing (the device's converter alone is measured in the platform
// tests).
TEST(SdlDeviceQuality, OggAt48kHzKeepsAPureTonePure) {
    ASSERT_TRUE(Tunewell().module);
    const std::string dir = testmedia::MakeTempDir("tunewell_tone");
    const std::string wav = testmedia::Tone(dir, "tone48k.wav", 2.0, 48000, 2, 5000);
    const std::string ogg = dir + "/tone48k.ogg";
    ASSERT_TRUE(!wav.empty() && testmedia::Run("oggenc -Q -q 10 -o '" + ogg + "' '" + wav + "'"));
    const std::string pcm = OggdecPcm(ogg);
    std::vector<int16_t> decoded(pcm.size() / 2);
    std::memcpy(decoded.data(), pcm.data(), decoded.size() * 2);
    const double codecDb =
        tonetest::DistortionDb(tonetest::Channel(decoded, 2, 0, 9600, 8192), 48000, 5000);

    std::vector<int16_t> heard;
    {
        tonetest::DiskCapture capture(dir + "/heard.raw");
        IDirectSound8* device = nullptr;
        if (FAILED(DirectSoundCreate8(nullptr, &device, nullptr)) || !device) {
            testmedia::RemoveTree(dir);
            GTEST_SKIP() << "SDL has no disk driver here";
        }
        notes::Clear();
        Tunewell().Init(device, notes::Record);
        ASSERT_EQ(Tunewell().Open(ogg.c_str(), nullptr), 1);
        ASSERT_EQ(Tunewell().Play(), 1);
        // Decoded 1.6 s ahead means about 0.9 s heard (three segments wait in the ring).
        WaitUntil(
            [] {
                const std::vector<int> p = notes::Positions();
                return !p.empty() && p.back() >= 16;
            },
            30000);
        Tunewell().Close();
        Tunewell().Init(nullptr, nullptr);
        SafeRelease(device);
        heard = capture.Samples();
    }
    testmedia::RemoveTree(dir);

    // The ring starts out silent: measure from 100 ms after the tone sets in.
    size_t onset = 0;
    while (onset * 2 < heard.size() && std::abs(heard[onset * 2]) < 2000) ++onset;
    ASSERT_GT(heard.size() / 2, onset + 4410 + 8192) << "too little was heard";
    for (int ch = 0; ch < 2; ++ch) {
        const double db = tonetest::DistortionDb(
            tonetest::Channel(heard, 2, ch, onset + 4410, 8192), 44100, 5000);
        std::printf(
            "5 kHz at 48000 Hz through tunewell, channel %d: residual %.1f dB "
            "(decoder alone %.1f dB)\n",
            ch, db, codecDb);
        EXPECT_LT(db, codecDb + 0.5) << "channel " << ch;
    }
}

// The host's advance, done in the notification so that the check does not hang on how
// soon a loaded machine runs the test's thread.
std::string g_next;
int32_t PlayNextOnEnd(int32_t code, int32_t value, int32_t reserved) {
    notes::Record(code, value, reserved);
    if (code == VL_NOTIFY_END && !g_next.empty()) {
        Tunewell().Close();
        Tunewell().Open(g_next.c_str(), nullptr);
        g_next.clear();
        Tunewell().Play();
    }
    return 0;
}

// Milliseconds of silence (1-ms windows quieter than -50 dBFS) between the first and the
// last sound of the left channel.
int SilentMsWithin(const std::vector<int16_t>& stereo, int rate) {
    const size_t frames = stereo.size() / 2;
    const size_t window = static_cast<size_t>(rate / 1000);
    auto loud = [&](size_t w) {
        for (size_t i = w * window; i < (w + 1) * window && i < frames; ++i)
            if (std::abs(stereo[i * 2]) >= 100)
                return true;
        return false;
    };
    const size_t windows = frames / window;
    size_t first = 0, last = windows;
    while (first < windows && !loud(first)) ++first;
    while (last > first && !loud(last - 1)) --last;
    int silent = 0;
    for (size_t w = first; w < last; ++w) silent += loud(w) ? 0 : 1;
    return silent;
}

// Two items of one format heard back to back on the real device: no gap between them (the
// second carries on the first one's stream), also when the device converts the rate.
void PlayTwiceAndMeasure(const std::string& file, double seconds) {
    ASSERT_TRUE(Tunewell().module);
    const std::string dir = testmedia::MakeTempDir("tunewell_handover");
    std::vector<int16_t> heard;
    {
        tonetest::DiskCapture capture(dir + "/heard.raw");
        IDirectSound8* device = nullptr;
        if (FAILED(DirectSoundCreate8(nullptr, &device, nullptr)) || !device) {
            testmedia::RemoveTree(dir);
            GTEST_SKIP() << "SDL has no disk driver here";
        }
        notes::Clear();
        g_next = file;
        Tunewell().Init(device, PlayNextOnEnd);
        ASSERT_EQ(Tunewell().Open(file.c_str(), nullptr), 1);
        ASSERT_EQ(Tunewell().Play(), 1);
        WaitUntil([] { return notes::Ends() >= 2; }, 30000);
        ASSERT_EQ(notes::Ends(), 2);
        Tunewell().Close();
        Tunewell().Init(nullptr, nullptr);  // waits for the last sound to play out
        SafeRelease(device);
        heard = capture.Samples();
    }
    testmedia::RemoveTree(dir);
    ASSERT_GT(heard.size() / 2, static_cast<size_t>(2 * seconds * 44100 * 0.95))
        << "both items are heard whole";
    // Nothing is heard between them as a gap: at most what a starved machine (the suite runs
    // beside other tests) may cost one device period, well inside the 20 ms a listener
    // would notice.
    EXPECT_LE(SilentMsWithin(heard, 44100), 10);
}

TEST(SdlDeviceHandOver, TwoItemsAreHeardBackToBack) {
    PlayTwiceAndMeasure(Media().oneSecond, 1.0);
}

TEST(SdlDeviceHandOver, TwoConvertedItemsAreHeardBackToBack) {
    PlayTwiceAndMeasure(Media().mono22k, 2.0);
}

}  // namespace

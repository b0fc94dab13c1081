// Streaming into the sound ring: what is queued, the notifications, and ending early.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/wait_until.h"
#include "tests/tunewell/fake_sound_device.h"
#include "tests/tunewell/tunewell_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

class PlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Tunewell().module);
        ASSERT_FALSE(Media().oneSecond.empty());
        notes::Clear();
    }
    void TearDown() override {
        api().Close();
        api().Init(nullptr, nullptr);
        EXPECT_EQ(m_device.LiveBuffers(), 0) << "no sound buffer left behind";
    }
    TunewellApi& api() { return Tunewell(); }
    void Start(const std::string& file, int loop = 0) {
        api().Init(&m_device, notes::Record);
        ASSERT_EQ(api().PlayFile(file.c_str(), nullptr, loop), 1);
    }
    // Milliseconds a call takes.
    template <class F>
    static long Timed(F f) {
        auto t0 = Clock::now();
        f();
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
    }

    FakeSoundDevice m_device{1};
};

// 30 ms of 44.1 kHz 16-bit stereo.
constexpr size_t kCdBlock = 5292;

TEST_F(PlaybackTest, OneSecondPlaysInShortBlocksTheLastPaddedAndEnds) {
    Start(Media().oneSecond);
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_EQ(notes::Positions(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(notes::Ends(), 1);
    EXPECT_EQ(notes::All().back().code, VL_NOTIFY_END);

    std::string pcm = OggdecPcm(Media().oneSecond);
    ASSERT_EQ(pcm.size(), 176400u);
    // The end is reported as soon as the last block is queued; what follows it (only
    // while nobody carries the stream on) is silence.
    ASSERT_TRUE(m_device.WaitNoBuffers());
    std::string written = m_device.Written();
    ASSERT_GE(written.size(), (pcm.size() + kCdBlock - 1) / kCdBlock * kCdBlock);
    EXPECT_TRUE(written.compare(0, pcm.size(), pcm) == 0) << "PCM differs from the reference";
    EXPECT_EQ(written.find_first_not_of('\0', pcm.size()), std::string::npos);

    DSBUFFERDESC desc = m_device.LastDesc();
    EXPECT_EQ(desc.dwSize, 36u);
    EXPECT_EQ(desc.dwFlags, 0x58100u);
    EXPECT_EQ(desc.dwBufferBytes, 4 * kCdBlock);
    WAVEFORMATEX f = m_device.LastFormat();
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_EQ(
        m_device.LastNotifyOffsets(),
        (std::vector<DWORD>{kCdBlock - 1, 2 * kCdBlock - 1, 3 * kCdBlock - 1, 4 * kCdBlock - 1}));
    EXPECT_EQ(api().IsPlay(), 1) << "an ended worker leaves the state as it was";
    api().Stop();
    EXPECT_EQ(api().Play(), 1) << "a finished worker does not block the next start";
    ASSERT_TRUE(notes::WaitEnd());
}

TEST_F(PlaybackTest, TheRingLastsTheSameTimeWhateverTheRate) {
    Start(Media().mono22k);  // 44100 bytes per second
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_EQ(m_device.LastDesc().dwBufferBytes, 4u * 1322) << "120 ms, as for CD sound";
    std::vector<int> positions = notes::Positions();
    ASSERT_GE(positions.size(), 2u);
    EXPECT_EQ(positions[0], 1);
    EXPECT_EQ(positions[1], 2);
    std::string pcm = OggdecPcm(Media().mono22k);
    EXPECT_TRUE(m_device.Written().compare(0, pcm.size(), pcm) == 0);
}

TEST_F(PlaybackTest, TheFirstSoundIsTheFilesNotSilence) {
    FakeSoundDevice slow{50};
    api().Init(&slow, notes::Record);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    // The ring is filled before it starts: by its first notification all four blocks hold
    // the file's sound, so none of its silence is ever played.
    WaitUntil([&] { return slow.Written().size() >= 4 * kCdBlock; }, 30000);
    std::string pcm = OggdecPcm(Media().oneSecond);
    std::string written = slow.Written();
    ASSERT_GE(written.size(), 4 * kCdBlock);
    EXPECT_TRUE(written.compare(0, 4 * kCdBlock, pcm, 0, 4 * kCdBlock) == 0);
    api().Close();
}

TEST_F(PlaybackTest, ChainedLinksPlayBackToBack) {
    double total = 0;
    api().Init(&m_device, notes::Record);
    ASSERT_EQ(api().Open(Media().chained.c_str(), &total), 1);
    EXPECT_NEAR(total, 4.0, 0.01);
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd());
    std::string pcm = ChainedPcm();
    ASSERT_EQ(pcm.size(), 4u * 176400);
    EXPECT_TRUE(m_device.Written().compare(0, pcm.size(), pcm) == 0);
}

TEST_F(PlaybackTest, LoopingNeverEndsAndTheTimeRunsPastTheDuration) {
    Start(Media().oneSecond, 1);
    ASSERT_TRUE(WaitUntil(
        [] {
            const std::vector<int> p = notes::Positions();
            return !p.empty() && p.back() > 30;
        },
        30000))
        << "the time did not run past the duration";
    EXPECT_EQ(notes::Ends(), 0);
    api().Stop();
    EXPECT_EQ(notes::Ends(), 0);
}

TEST_F(PlaybackTest, TruncatedFilePlaysWhatIsThereAndEnds) {
    Start(Media().truncated);
    ASSERT_TRUE(notes::WaitEnd());
    std::string pcm = OggdecPcm(Media().truncated);
    ASSERT_GT(pcm.size(), 44100u);
    EXPECT_TRUE(m_device.Written().compare(0, pcm.size(), pcm) == 0);
}

TEST_F(PlaybackTest, NoSoundBufferEndsPlaybackAtOnce) {
    m_device.failCreate = true;
    Start(Media().oneSecond);
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_TRUE(notes::Positions().empty());

    notes::Clear();
    m_device.failCreate = false;
    m_device.failNotify = true;  // a half-made ring is not left waiting
    api().Stop();
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd(std::chrono::seconds(3)));
}

TEST_F(PlaybackTest, NoDeviceAtAllEndsPlayback) {
    api().Init(nullptr, notes::Record);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd());
}

TEST_F(PlaybackTest, LostBufferDropsOneBlockAndALockFailureEnds) {
    m_device.bufferLostAt = 1;
    Start(Media().oneSecond);
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_EQ(m_device.Restores(), 1);
    EXPECT_EQ(m_device.Written().size(), 33u * kCdBlock);
    EXPECT_EQ(notes::Positions().size(), 10u) << "the dropped block still counts";

    notes::Clear();
    FakeSoundDevice failing{1};
    failing.lockFailAfter = 2;
    api().Stop();
    api().Init(&failing, notes::Record);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_EQ(failing.Written().size(), 2u * kCdBlock);
    EXPECT_EQ(notes::Ends(), 1);
    api().Close();
    EXPECT_EQ(failing.LiveBuffers(), 0);
}

TEST_F(PlaybackTest, PauseHoldsTheRingAndResumeContinues) {
    FakeSoundDevice slow{20};
    api().Init(&slow, notes::Record);
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitFirstPosition());
    api().Pause();
    ASSERT_TRUE(WaitUntil([&] { return !slow.AnyPlaying(); }, 30000));
    // Ten ticks of the device's clock: ten chances to play and to notify, none taken.
    const auto writtenWhileTicking = [&](size_t most) {
        const long until = slow.Ticks() + 10;
        return StaysTrueUntil([&] { return slow.Written().size() <= most; },
                              [&] { return slow.Ticks() >= until; }, 30000);
    };
    // A notification given just before the pause may still be answered with its block.
    EXPECT_TRUE(writtenWhileTicking(slow.Written().size() + kCdBlock))
        << "more than the block in flight is queued after the pause";
    const size_t heldAt = slow.Written().size();
    EXPECT_TRUE(writtenWhileTicking(heldAt)) << "something is queued while paused";
    EXPECT_EQ(slow.Written().size(), heldAt);
    EXPECT_EQ(api().Play(), 1);
    EXPECT_TRUE(slow.AnyPlaying());
    ASSERT_TRUE(notes::WaitEnd());
    std::string pcm = OggdecPcm(Media().threeSeconds);
    EXPECT_TRUE(slow.Written().compare(0, pcm.size(), pcm) == 0);
    api().Close();
    EXPECT_TRUE(slow.WaitNoBuffers()) << "the end plays out, then the buffer goes";
}

// A device that has gone quiet (here: one that never notifies while paused) must not
// hold up a stop or a close.
TEST_F(PlaybackTest, StopAndCloseReturnPromptlyWhilePlayingOrPaused) {
    FakeSoundDevice slow{200};
    api().Init(&slow, notes::Record);
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(WaitUntil([&] { return slow.AnyPlaying(); }, 30000));
    EXPECT_LT(Timed([&] { api().Stop(); }), 1000);
    EXPECT_EQ(slow.LiveBuffers(), 0);

    const size_t before = slow.Written().size();
    ASSERT_EQ(api().Play(), 1);
    // The ring filled, the worker now waits inside a write for the device.
    ASSERT_TRUE(WaitUntil([&] { return slow.Written().size() >= before + 4 * kCdBlock; }, 30000));
    api().Pause();
    ASSERT_TRUE(WaitUntil([&] { return !slow.AnyPlaying(); }, 30000));
    EXPECT_LT(Timed([&] { api().Close(); }), 1000);
    EXPECT_EQ(slow.LiveBuffers(), 0);
    EXPECT_EQ(OpenHandlesTo("three.ogg"), 0);
    EXPECT_EQ(notes::Ends(), 0);
}

TEST_F(PlaybackTest, SeekingWhilePlayingMovesTheReportedPosition) {
    FakeSoundDevice slow{10};
    api().Init(&slow, notes::Record);
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitFirstPosition());
    ASSERT_EQ(api().SetTime(2.0), 1);
    ASSERT_TRUE(notes::WaitEnd());
    std::vector<int> p = notes::Positions();
    EXPECT_GE(p.back(), 25);
    EXPECT_LT(p.size(), 12u) << "the seek skipped a second of blocks";
    api().Close();
}

// A host that reacts to the end on the worker thread itself (closing, reopening) must
// neither deadlock nor crash.
std::atomic<int> g_reentrantEnds{0};
int32_t CloseOnEnd(int32_t code, int32_t, int32_t) {
    if (code == VL_NOTIFY_END) {
        Tunewell().Close();
        Tunewell().Open(Media().oneSecond.c_str(), nullptr);
        ++g_reentrantEnds;
    }
    return 0;
}

TEST_F(PlaybackTest, CallingBackIntoTheLibraryFromTheNotificationIsSafe) {
    api().Init(&m_device, CloseOnEnd);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    WaitUntil([] { return g_reentrantEnds != 0; }, 30000);
    ASSERT_EQ(g_reentrantEnds, 1);
    EXPECT_EQ(api().IsActive(), 1) << "reopened from the notification";
    // The worker could not release itself; the next user takes over cleanly.
    api().Init(&m_device, notes::Record);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    EXPECT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_EQ(OpenHandlesTo("one.ogg"), 1);
}

}  // namespace

// The host's advance done in the notification itself, so the test does not depend on how
// quickly a loaded machine schedules it: close, open the next file and play.
std::string g_nextFile;
std::atomic<int> g_handOvers{0};
std::atomic<int> g_endsHandled{0};  // ends whose handling has returned
int32_t PlayNextOnEnd(int32_t code, int32_t value, int32_t reserved) {
    notes::Record(code, value, reserved);
    if (code == VL_NOTIFY_END && !g_nextFile.empty()) {
        Tunewell().Close();
        Tunewell().Open(g_nextFile.c_str(), nullptr);
        g_nextFile.clear();
        if (Tunewell().Play() == 1)
            ++g_handOvers;
    }
    if (code == VL_NOTIFY_END)
        ++g_endsHandled;
    return 0;
}

TEST_F(PlaybackTest, TheNextItemOfTheSameFormatFollowsInTheSameStreamWithoutSilence) {
    FakeSoundDevice device{5};
    g_nextFile = Media().threeSeconds;
    g_handOvers = 0;
    api().Init(&device, PlayNextOnEnd);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    WaitUntil([] { return notes::Ends() >= 2; }, 30000);
    ASSERT_EQ(g_handOvers, 1);
    ASSERT_EQ(notes::Ends(), 2);
    EXPECT_EQ(device.BuffersCreated(), 1) << "the stream is carried on, not made anew";

    const std::string first = OggdecPcm(Media().oneSecond);
    const std::string second = OggdecPcm(Media().threeSeconds);
    ASSERT_NE(first.size() % kCdBlock, 0u) << "the first item's last block is padded";
    ASSERT_TRUE(device.WaitNoBuffers());
    // Heard back to back: not even the zeros that pad the first item's last block.
    const std::string heard = device.Heard();
    ASSERT_GE(heard.size(), first.size() + second.size());
    EXPECT_TRUE(heard.compare(0, first.size(), first) == 0);
    EXPECT_TRUE(heard.compare(first.size(), second.size(), second) == 0)
        << "the second item does not follow the first one's last sample";
    // The second item's own positions, counted from its start.
    std::vector<int> p = notes::Positions();
    ASSERT_GT(p.size(), 10u);
    EXPECT_EQ(p[10], 1);
    EXPECT_EQ(p.back(), 30);
}

TEST_F(PlaybackTest, ANextItemOfAnotherFormatWaitsForTheLastOneToPlayOut) {
    FakeSoundDevice device{5};
    g_nextFile = Media().mono22k;
    g_handOvers = 0;
    g_endsHandled = 0;
    api().Init(&device, PlayNextOnEnd);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    // Played from the notification, the new stream cannot wait for the worker it is
    // called on (so no second item starts there, and no second end can come); the host's
    // own thread can.
    ASSERT_TRUE(WaitUntil([] { return g_endsHandled.load() >= 1; }, 30000));
    EXPECT_EQ(g_handOvers, 0);
    api().Init(&device, notes::Record);
    ASSERT_EQ(api().Open(Media().mono22k.c_str(), nullptr), 1);
    notes::Clear();
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_EQ(device.BuffersCreated(), 2);
    EXPECT_EQ(device.LastFormat().nSamplesPerSec, 22050u);
    const std::string first = OggdecPcm(Media().oneSecond);
    ASSERT_TRUE(device.WaitNoBuffers());
    EXPECT_TRUE(device.Heard().compare(0, first.size(), first) == 0)
        << "the first item's end was cut off";
}

TEST_F(PlaybackTest, ASeekReplacesWhatIsQueuedAtOnce) {
    // One notification every 400 ms: a seek that waited for the ring to drain would be
    // heard three notifications later.
    FakeSoundDevice slow{400};
    api().Init(&slow, notes::Record);
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitFirstPosition());
    // The ring is full and plays: what follows waits for the device's next notification.
    ASSERT_TRUE(WaitUntil(
        [&] { return slow.AnyPlaying() && slow.Written().size() >= 4 * kCdBlock; }, 30000));
    const size_t before = slow.Written().size();
    ASSERT_EQ(api().SetTime(2.0), 1);
    // Three blocks of the new position are written without waiting for the device.
    const long ms = Timed(
        [&] { WaitUntil([&] { return slow.Written().size() >= before + 3 * kCdBlock; }, 30000); });
    const std::string written = slow.Written();
    ASSERT_GE(written.size(), before + 3 * kCdBlock);
    EXPECT_LT(ms, 400) << "the queued blocks were waited out";
    const std::string pcm = OggdecPcm(Media().threeSeconds);
    const size_t from = 2 * 176400;
    // The block in flight when the seek came may still be the old position's.
    const size_t start = written.find(pcm.substr(from, kCdBlock), before);
    ASSERT_NE(start, std::string::npos) << "the new position was never queued";
    EXPECT_LE(start, before + kCdBlock);
    EXPECT_TRUE(written.compare(start, 3 * kCdBlock, pcm, from, 3 * kCdBlock) == 0);
    api().Close();
}

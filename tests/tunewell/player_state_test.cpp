// The player's state table and argument rules, through the exported functions.
#include <gtest/gtest.h>

#include <unistd.h>

#include <limits>
#include <string>

#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"
#include "tests/tunewell/fake_sound_device.h"
#include "tests/tunewell/tunewell_harness.h"

namespace {

class PlayerStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Tunewell().module) << dlerror_text();
        ASSERT_FALSE(Media().oneSecond.empty());
        notes::Clear();
        api().Init(&m_device, notes::Record);
    }
    void TearDown() override {
        api().Close();
        api().Init(nullptr, nullptr);
    }
    static std::string dlerror_text() { return "libtunewell.so not loadable"; }
    TunewellApi& api() { return Tunewell(); }

    FakeSoundDevice m_device{2};
};

TEST_F(PlayerStateTest, ClosedPlayerRefusesEverythingThatNeedsAFile) {
    EXPECT_EQ(api().IsActive(), 0);
    EXPECT_EQ(api().Play(), 0);
    EXPECT_EQ(api().IsPlay(), 0);
    EXPECT_EQ(api().SetTime(1.0), 0);
    double t = -1;
    EXPECT_EQ(api().GetTime(&t), 1);  // does not look at the file
    EXPECT_EQ(t, 0.0);
    EXPECT_EQ(api().GetTime(nullptr), 0);
    EXPECT_EQ(api().WaveDest((Media().dir + "/x.wav").c_str(), 100, nullptr, nullptr), 0);
    api().Pause();
    api().Stop();
    EXPECT_EQ(api().IsPause(), 0);
}

TEST_F(PlayerStateTest, OpenReportsDurationAndMovesThroughPlayPauseStop) {
    double total = 0;
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), &total), 1);
    EXPECT_NEAR(total, 3.0, 0.01);
    EXPECT_EQ(api().IsActive(), 1);
    EXPECT_EQ(api().File(), Media().threeSeconds);
    EXPECT_EQ(api().IsPlay(), 0);

    EXPECT_EQ(api().Play(), 1);
    EXPECT_EQ(api().IsPlay(), 1);
    EXPECT_EQ(api().Play(), 0) << "a second start while playing is refused";
    EXPECT_EQ(api().IsPlay(), 1);

    api().Pause();
    EXPECT_EQ(api().IsPause(), 1);
    EXPECT_EQ(api().IsPlay(), 0);
    api().Pause();  // does not toggle
    EXPECT_EQ(api().IsPause(), 1);
    EXPECT_EQ(api().WaveDest((Media().dir + "/p.wav").c_str(), 100, nullptr, nullptr), 0);

    EXPECT_EQ(api().Play(), 1) << "resumes";
    EXPECT_EQ(api().IsPlay(), 1);
    EXPECT_EQ(api().WaveDest((Media().dir + "/p.wav").c_str(), 100, nullptr, nullptr), 0);

    api().Stop();
    EXPECT_EQ(api().IsPlay(), 0);
    EXPECT_EQ(api().IsActive(), 1);
    double t = -1;
    api().GetTime(&t);
    EXPECT_EQ(t, 0.0);
    EXPECT_EQ(notes::Ends(), 0) << "a requested stop is not an end";
    EXPECT_EQ(m_device.LiveBuffers(), 0);

    api().Close();
    EXPECT_EQ(api().IsActive(), 0);
    EXPECT_EQ(api().File(), "");
    EXPECT_EQ(OpenHandlesTo("three.ogg"), 0);
}

TEST_F(PlayerStateTest, SetTimeKeepsTenthsAndGetTimeDropsTheFraction) {
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    EXPECT_EQ(api().SetTime(12.96), 1);  // past the end: the decoder stays, the time is kept
    double t = 0;
    ASSERT_EQ(api().GetTime(&t), 1);
    EXPECT_EQ(t, 12.0);
    EXPECT_EQ(api().SetTime(2.5), 1);
    api().GetTime(&t);
    EXPECT_EQ(t, 2.0);
    // Times that have no byte count are refused instead of overflowing.
    EXPECT_EQ(api().SetTime(-1.0), 0);
    EXPECT_EQ(api().SetTime(1e300), 0);
    EXPECT_EQ(api().SetTime(std::numeric_limits<double>::quiet_NaN()), 0);
    api().GetTime(&t);
    EXPECT_EQ(t, 2.0);
}

TEST_F(PlayerStateTest, FailedOpenKeepsTheNameAndPlayFileDoesNotRetryIt) {
    EXPECT_EQ(api().Open(nullptr, nullptr), 0);
    double total = 7;
    EXPECT_EQ(api().Open(Media().notOgg.c_str(), &total), 0);
    EXPECT_EQ(total, 7) << "no duration on failure";
    EXPECT_EQ(api().IsActive(), 0);
    EXPECT_EQ(api().File(), Media().notOgg);
    EXPECT_EQ(OpenHandlesTo("tone.wav"), 0) << "the rejected file is closed again";
    EXPECT_EQ(api().PlayFile(Media().notOgg.c_str(), &total, 0), 0);
    EXPECT_EQ(api().Open((Media().dir + "/missing.ogg").c_str(), nullptr), 0);
    EXPECT_EQ(api().Open(Media().truncated.c_str(), nullptr), 1) << "headers are intact";
}

TEST_F(PlayerStateTest, OverlongPathsAreRefusedAndNeverStored) {
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    std::string longPath(kVorbisLibMaxPath + 10, 'a');
    longPath[0] = '/';
    EXPECT_EQ(api().Open(longPath.c_str(), nullptr), 0);
    EXPECT_EQ(api().IsActive(), 1) << "the open file is untouched";
    EXPECT_EQ(api().File(), Media().oneSecond);
    EXPECT_EQ(api().WaveDest(longPath.c_str(), 100, nullptr, nullptr), 0);
    std::string justFits(kVorbisLibMaxPath - 1, 'b');
    justFits[0] = '/';
    EXPECT_EQ(api().Open(justFits.c_str(), nullptr), 0);
    EXPECT_EQ(api().File(), justFits);
}

TEST_F(PlayerStateTest, PlayFileReusesTheOpenFileWithoutReportingTheDuration) {
    double total = 0;
    ASSERT_EQ(api().PlayFile(Media().threeSeconds.c_str(), &total, 0), 1);
    EXPECT_NEAR(total, 3.0, 0.01);
    api().Pause();
    total = -1;
    EXPECT_EQ(api().PlayFile(Media().threeSeconds.c_str(), &total, 0), 1);
    EXPECT_EQ(total, -1);
    EXPECT_EQ(api().IsPlay(), 1);
    EXPECT_EQ(OpenHandlesTo("three.ogg"), 1);
}

TEST_F(PlayerStateTest, CloseWithNothingOpenOnlyStops) {
    api().Open(Media().notOgg.c_str(), nullptr);
    api().Close();
    EXPECT_EQ(api().File(), Media().notOgg);
}

TEST_F(PlayerStateTest, IsVorbisLooksAtTheSignatureOnly) {
    EXPECT_EQ(api().IsVorbis(Media().oneSecond.c_str()), 1);
    EXPECT_EQ(api().IsVorbis(Media().truncated.c_str()), 1);
    EXPECT_EQ(api().IsVorbis(Media().notOgg.c_str()), 0);
    EXPECT_EQ(api().IsVorbis(nullptr), 0);
    EXPECT_EQ(api().IsVorbis((Media().dir + "/missing.ogg").c_str()), 0);
    EXPECT_EQ(api().IsVorbis(testmedia::WriteBytes(Media().dir, "short", "Ogg").c_str()), 0);
    EXPECT_EQ(api().IsVorbis(testmedia::WriteBytes(Media().dir, "sig", "OggS").c_str()), 1);
    EXPECT_EQ(api().IsActive(), 0);
}

TEST_F(PlayerStateTest, InitWhileAFileIsOpenReleasesItButKeepsTheName) {
    ASSERT_EQ(api().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    api().Init(&m_device, notes::RecordOther);
    EXPECT_EQ(api().IsActive(), 0);
    EXPECT_EQ(api().IsPlay(), 0);
    EXPECT_EQ(api().File(), Media().threeSeconds);
    EXPECT_EQ(OpenHandlesTo("three.ogg"), 0);
    EXPECT_EQ(m_device.LiveBuffers(), 0);
    EXPECT_EQ(notes::Ends(), 0);
}

// Two host users (main window and editor) take turns; the latest Init is notified.
TEST_F(PlayerStateTest, TheLatestInitDecidesWhoIsNotified) {
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    api().Stop();
    api().Close();

    api().Init(&m_device, notes::RecordOther);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(api().Play(), 1);
    WaitUntil([] { return !notes::Other().empty(); }, 30000);
    api().Close();
    EXPECT_FALSE(notes::Other().empty());
    size_t mainSaw = notes::All().size();

    api().Init(&m_device, notes::Record);
    ASSERT_EQ(api().Open(Media().oneSecond.c_str(), nullptr), 1);
    size_t otherSaw = notes::Other().size();
    ASSERT_EQ(api().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd());
    EXPECT_GT(notes::All().size(), mainSaw);
    EXPECT_EQ(notes::Other().size(), otherSaw);
}

}  // namespace

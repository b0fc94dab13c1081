// The library on the program's own sound device (SDL; the dummy driver in tests), which
// plays in real time and notifies from its own audio thread.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "platform/sdl_sound.h"
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
        SafeRelease(m_device);  // the library holds nothing of the device any more
    }
    IDirectSound8* m_device = nullptr;
};

TEST_F(SdlDeviceTest, PlaysToTheEndWithTheBlockPositions) {
    ASSERT_EQ(Tunewell().Open(Media().oneSecond.c_str(), nullptr), 1);
    ASSERT_EQ(Tunewell().Play(), 1);
    ASSERT_TRUE(notes::WaitEnd(std::chrono::seconds(10)));
    EXPECT_EQ(notes::Positions(), (std::vector<int>{2, 5, 7, 10, 12, 15}));
    EXPECT_EQ(notes::Ends(), 1);
}

TEST_F(SdlDeviceTest, PauseResumeAndStopWhilePaused) {
    ASSERT_EQ(Tunewell().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(Tunewell().Play(), 1);
    while (notes::Positions().empty()) usleep(5000);
    Tunewell().Pause();
    size_t held = notes::Positions().size();
    usleep(400000);
    EXPECT_LE(notes::Positions().size(), held + 1) << "at most the write in flight completes";
    EXPECT_EQ(Tunewell().Play(), 1);
    usleep(300000);
    Tunewell().Pause();
    usleep(100000);
    auto t0 = std::chrono::steady_clock::now();
    Tunewell().Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(notes::Ends(), 0);
    EXPECT_EQ(Tunewell().IsPlay(), 0);
}

TEST_F(SdlDeviceTest, CloseWhilePlayingReturnsPromptly) {
    ASSERT_EQ(Tunewell().Open(Media().threeSeconds.c_str(), nullptr), 1);
    ASSERT_EQ(Tunewell().Play(), 1);
    usleep(300000);
    auto t0 = std::chrono::steady_clock::now();
    Tunewell().Close();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(OpenHandlesTo("three.ogg"), 0);
}

}  // namespace

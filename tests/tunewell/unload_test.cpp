// Unloading the library while it works: the worker is ended, its sound buffer and file
// handles are gone, and a WAV file being written is left complete.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"
#include "tests/tunewell/fake_sound_device.h"
#include "tests/tunewell/tunewell_harness.h"

namespace {

enum class Activity { Playing, Paused, Writing };

class UnloadTest : public ::testing::TestWithParam<Activity> {};

TEST_P(UnloadTest, UnloadEndsTheWorkerAndLeavesNothingBehind) {
    ASSERT_TRUE(Tunewell().module);
    ASSERT_FALSE(Media().threeSeconds.empty());
    std::string dir = testmedia::MakeTempDir("tunewell-unload");
    std::string ogg = testmedia::Tone(dir, "long.ogg", 20.0);
    std::string wav = dir + "/out.wav";
    notes::Clear();
    FakeSoundDevice device{50};
    TunewellApi& api = Tunewell();
    api.Init(&device, notes::Record);
    ASSERT_EQ(api.Open(ogg.c_str(), nullptr), 1);
    if (GetParam() == Activity::Writing) {
        ASSERT_EQ(api.WaveDest(wav.c_str(), 100, nullptr, nullptr), 1);
        ASSERT_TRUE(notes::WaitFirstPosition());
    } else {
        ASSERT_EQ(api.Play(), 1);
        ASSERT_TRUE(notes::WaitFirstPosition());
        if (GetParam() == Activity::Paused)
            api.Pause();
    }

    auto t0 = std::chrono::steady_clock::now();
    api.Unload();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    std::string path = std::string(VELTRA_BIN_DIR) + "/libtunewell.so";
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "really unloaded";
    EXPECT_EQ(device.LiveBuffers(), 0);
    EXPECT_EQ(OpenHandlesTo(dir), 0);
    EXPECT_EQ(notes::Ends(), 0);
    if (GetParam() == Activity::Writing) {
        std::string data = testmedia::ReadFile(wav);
        ASSERT_GE(data.size(), 46u);
        EXPECT_EQ(data.size(), 46u + Le32(data, 42));
    }

    // A fresh load starts from a fresh player.
    ASSERT_TRUE(Tunewell().module);
    EXPECT_EQ(Tunewell().IsActive(), 0);
    EXPECT_EQ(Tunewell().File(), "");
    testmedia::RemoveTree(dir);
}

INSTANTIATE_TEST_SUITE_P(WhileBusy, UnloadTest,
                         ::testing::Values(Activity::Playing, Activity::Paused, Activity::Writing));

}  // namespace

// The sound device over an output of the test's own, pulled by the test: how it names its
// stream for the item that plays (renamed where it stands, or reopened only after a quiet
// spell where the output cannot rename) and where the program's volume is applied.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl_sound.h"
#include "platform/sound_output.h"
#include "tests/platform/device_buffers.h"

namespace {

struct OutputLog {
    std::vector<std::string> opened;  // the title of each stream opened
    std::vector<std::string> renamed;
    std::vector<float> volumes;
};

class FakeOutput final : public MixOutput {
  public:
    FakeOutput(OutputLog& log, bool renames, bool hasVolume)
        : m_log(log), m_renames(renames), m_hasVolume(hasVolume) {}
    bool Open(const WAVEFORMATEX&, const OutputDevice&, const std::string& title,
              MixSource& source) override {
        m_log.opened.push_back(title);
        m_source = &source;
        return true;
    }
    void Close() override { m_source = nullptr; }
    bool IsOpen() override { return m_source != nullptr; }
    bool Retitle(const std::string& title) override {
        if (m_renames)
            m_log.renamed.push_back(title);
        return m_renames;
    }
    bool SetVolume(float linear) override {
        m_log.volumes.push_back(linear);
        return m_hasVolume;
    }
    // What the output's thread would do: `frames` frames of 16-bit stereo.
    std::vector<int16_t> Pull(size_t frames) {
        std::vector<int16_t> out(frames * 2);
        if (m_source)
            m_source->Render(reinterpret_cast<uint8_t*>(out.data()), out.size() * 2);
        return out;
    }

  private:
    OutputLog& m_log;
    const bool m_renames, m_hasVolume;
    MixSource* m_source = nullptr;
};

class MixingDeviceTest : public ::testing::Test {
  protected:
    void Make(bool renames, bool hasVolume) {
        auto out = std::make_unique<FakeOutput>(log, renames, hasVolume);
        output = out.get();
        ASSERT_EQ(CreateMixingDevice(std::move(out), &ds), S_OK);
    }
    void TearDown() override {
        Drop();
        SetSoundStreamTitle("");
    }
    void Drop() {
        buffers.ReleaseAll();
        if (ds) {
            EXPECT_EQ(ds->Release(), 0u);
        }
        ds = nullptr;
        log = {};
    }
    // A looping second of a constant `level`.
    IDirectSoundBuffer* Playing(int16_t level) {
        return buffers.Looping(ds, [level](DWORD) { return level; });
    }
    IDirectSoundBuffer* Primary() { return buffers.Primary(ds); }

    OutputLog log;
    FakeOutput* output = nullptr;
    IDirectSound8* ds = nullptr;
    testsound::DeviceBuffers buffers;
};

TEST_F(MixingDeviceTest, AnOutputThatRenamesFollowsEachItemOnOneStream) {
    Make(true, false);
    SetSoundStreamTitle("one.ogg");
    IDirectSoundBuffer* b = Playing(1000);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(log.opened, std::vector<std::string>{"one.ogg"});

    // The next item goes on in the same ring: the stream learns its name as it plays.
    SetSoundStreamTitle("two.ogg");
    output->Pull(44100 / 5);
    EXPECT_EQ(log.renamed, std::vector<std::string>{"two.ogg"});
    output->Pull(44100 / 5);
    EXPECT_EQ(log.renamed.size(), 1u) << "renamed once, not at every look";

    // Started anew right away: still the same stream, under the new name.
    b->Stop();
    SetSoundStreamTitle("three.ogg");
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    EXPECT_EQ(log.opened.size(), 1u);
    EXPECT_EQ(log.renamed.back(), "three.ogg");
    SetSoundStreamTitle("");
    output->Pull(44100 / 5);
    EXPECT_EQ(log.renamed.back(), "VELTRA") << "no item: the program's name";
}

TEST_F(MixingDeviceTest, AnOutputThatCannotRenameIsReopenedOnlyAfterAQuietSpell) {
    Make(false, false);
    SetSoundStreamTitle("one.ogg");
    IDirectSoundBuffer* b = Playing(1000);
    ASSERT_NE(b, nullptr);
    SetSoundStreamTitle("two.ogg");
    output->Pull(44100 / 5);
    b->Stop();
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    EXPECT_EQ(log.opened, std::vector<std::string>{"one.ogg"})
        << "one item straight after another is not cut";

    // After a quiet spell. The device measures the spell on the steady clock from its own
    // note of the stop, which comes before the stop returns, so a second from the return is
    // the spell with nothing to spare: the one wait here that is for time, since time is
    // what is checked.
    b->Stop();
    std::this_thread::sleep_until(std::chrono::steady_clock::now() + std::chrono::seconds(1));
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    EXPECT_EQ(log.opened, (std::vector<std::string>{"one.ogg", "two.ogg"}));
}

TEST_F(MixingDeviceTest, TheVolumeIsTheStreamsWhereItHasOneAndTheMixsOtherwise) {
    for (bool hasVolume : {true, false}) {
        SCOPED_TRACE(hasVolume ? "stream volume" : "no stream volume");
        Drop();
        Make(true, hasVolume);
        IDirectSoundBuffer* primary = Primary();
        ASSERT_NE(primary, nullptr);
        ASSERT_EQ(primary->SetVolume(-2000), S_OK);  // a tenth
        ASSERT_NE(Playing(10000), nullptr);
        ASSERT_FALSE(log.volumes.empty());
        EXPECT_NEAR(log.volumes.back(), 0.1f, 1e-4f);
        const std::vector<int16_t> heard = output->Pull(256);
        EXPECT_EQ(heard[100], hasVolume ? 10000 : 1000) << "applied once, in one place";
    }
}

}  // namespace

// The SDL device through a real sound server (a private PulseAudio with two null outputs):
// its stream carries the program's name and the item's, and goes to the chosen output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/sdl_sound.h"
#include "platform/sound_output.h"
#include "tests/platform/private_sound_server.h"
#include "tests/support/media_factory.h"

namespace {

class SdlOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("sdloutput");
        std::string why;
        ASSERT_TRUE(server.Start(dir, {{"first", "First"}, {"second", "Second"}}, &why)) << why;
        Keep("SDL_AUDIODRIVER", "pulseaudio");
        Keep("PULSE_SERVER", server.Address());
        Keep("XDG_RUNTIME_DIR", dir);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), S_OK);
    }
    void TearDown() override {
        for (IDirectSoundBuffer* b : buffers) b->Release();
        if (ds) {
            EXPECT_EQ(ds->Release(), 0u);
        }
        for (auto& [name, value] : saved)
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
        SetSoundOutput({});
        SetSoundStreamTitle("");
        testmedia::RemoveTree(dir);
    }
    void Keep(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved.emplace_back(name, old ? old : "");
        setenv(name.c_str(), value.c_str(), 1);
    }
    // A second of silence that loops, as tunewell's ring does.
    IDirectSoundBuffer* Playing() {
        WAVEFORMATEX f{};
        f.wFormatTag = WAVE_FORMAT_PCM;
        f.nChannels = 2;
        f.nSamplesPerSec = 44100;
        f.wBitsPerSample = 16;
        f.nBlockAlign = 4;
        f.nAvgBytesPerSec = 44100 * 4;
        DSBUFFERDESC d{};
        d.dwSize = sizeof d;
        d.dwBufferBytes = f.nAvgBytesPerSec;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), S_OK);
        if (b) {
            buffers.push_back(b);
            EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
        }
        return b;
    }

    std::string dir;
    testsound::PrivateSoundServer server;
    std::vector<std::pair<std::string, std::string>> saved;
    IDirectSound8* ds = nullptr;
    std::vector<IDirectSoundBuffer*> buffers;
};

TEST_F(SdlOutputTest, TheStreamIsNamedForTheItemAndGoesToTheChosenOutput) {
    SetSoundOutput({"second", "Second"});
    SetSoundStreamTitle("first song.ogg");
    IDirectSoundBuffer* song = Playing();
    ASSERT_NE(song, nullptr);
    QString listing;
    EXPECT_EQ(server.OutputOfStream("media.name = \"first song.ogg\"", 30000, &listing), "second")
        << listing.toStdString();
    EXPECT_TRUE(listing.contains("application.name = \"VELTRA\"")) << listing.toStdString();

    // The next item, on the default output now: its stream carries its own name there.
    song->Stop();
    SetSoundOutput({});
    SetSoundStreamTitle("next song.ogg");
    ASSERT_EQ(song->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    EXPECT_EQ(server.OutputOfStream("media.name = \"next song.ogg\"", 30000, &listing), "first")
        << listing.toStdString();
}

TEST_F(SdlOutputTest, WhatPlaysIsNotCutOffForANewTitle) {
    SetSoundStreamTitle("playing.ogg");
    ASSERT_NE(Playing(), nullptr);
    ASSERT_FALSE(server.OutputOfStream("media.name = \"playing.ogg\"", 30000).empty());
    SetSoundStreamTitle("overlapping.ogg");
    ASSERT_NE(Playing(), nullptr);
    QString listing;
    EXPECT_FALSE(server.OutputOfStream("media.name = \"playing.ogg\"", 30000, &listing).empty());
    EXPECT_FALSE(listing.contains("overlapping.ogg")) << listing.toStdString();
}

}  // namespace

namespace {

TEST_F(SdlOutputTest, TheNextItemRightAfterKeepsTheStreamAndOneAfterAPauseRenamesIt) {
    SetSoundStreamTitle("one.ogg");
    IDirectSoundBuffer* b = Playing();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(server.OutputOfStream("media.name = \"one.ogg\"", 30000), "first");

    // Straight on to the next item, as the automatic advance goes: the stream stays, so
    // the step between the two is not cut.
    b->Stop();
    SetSoundStreamTitle("two.ogg");
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    QString listing;
    EXPECT_EQ(server.OutputOfStream("media.name = \"one.ogg\"", 30000, &listing), "first");
    EXPECT_FALSE(listing.contains("two.ogg")) << listing.toStdString();

    // Started again after a quiet spell (the spell itself is what is checked, so it is
    // waited out): the stream opens anew under the item's name.
    b->Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    const bool renamed = testsound::PrivateSoundServer::WaitFor(
        [&] {
            return server.Pactl({"list", "sink-inputs"}).contains("media.name = \"two.ogg\"");
        },
        30000);
    EXPECT_TRUE(renamed) << server.Pactl({"list", "sink-inputs"}).toStdString();
}

}  // namespace

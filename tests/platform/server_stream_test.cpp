// The sound device through a real sound server (a private PulseAudio with two null outputs):
// its stream carries the program's name and the item's, goes to the chosen output, is
// renamed where it stands when the next item follows without a break, and has the
// program's volume as the volume the mixer shows.
#include <gtest/gtest.h>

#include <QProcess>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sdl_sound.h"
#include "platform/sound_output.h"
#include "tests/platform/device_buffers.h"
#include "tests/platform/private_sound_server.h"
#include "tests/support/media_factory.h"

namespace {

QString MediaName(const std::string& title) {
    return QString::fromStdString("media.name = \"" + title + "\"");
}

class ServerStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("serverstream");
        std::string why;
        ASSERT_TRUE(server.Start(dir, {{"first", "First"}, {"second", "Second"}}, &why)) << why;
        Keep("SDL_AUDIODRIVER", "pulseaudio");
        Keep("PULSE_SERVER", server.Address());
        Keep("XDG_RUNTIME_DIR", dir);
        ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), S_OK);
    }
    void TearDown() override {
        buffers.ReleaseAll();
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
    // A second that loops, as tunewell's ring does: silence, or a square wave of
    // `amplitude` (16-bit units).
    IDirectSoundBuffer* Playing(int16_t amplitude = 0) {
        return buffers.Looping(ds, [amplitude](DWORD i) {
            return (i / 2 / 50) % 2 ? amplitude : static_cast<int16_t>(-amplitude);
        });
    }
    IDirectSoundBuffer* Primary() { return buffers.Primary(ds); }
    // The level heard on an output (RMS, dB of full scale) over half a second.
    double LevelOn(const std::string& output) {
        QProcess parec;
        parec.setProcessEnvironment(server.Environment());
        parec.start("parec",
                    {QString::fromStdString("--device=" + output + ".monitor"), "--format=s16le",
                     "--channels=2", "--rate=44100", "--raw", "--latency-msec=20"});
        QByteArray heard;
        // What the server had queued before the recording began is left out.
        const int skip = 44100 * 4 / 4, want = skip + 44100 * 4 / 2;
        testsound::PrivateSoundServer::WaitFor(
            [&] {
                parec.waitForReadyRead(100);
                heard += parec.readAllStandardOutput();
                return heard.size() >= want;
            },
            30000);
        parec.kill();
        parec.waitForFinished(30000);
        if (heard.size() < want)
            return -200;
        double sum = 0;
        const int count = (want - skip) / 2;
        for (int i = 0; i < count; ++i) {
            int16_t s;
            std::memcpy(&s, heard.constData() + skip + 2 * i, 2);
            sum += static_cast<double>(s) * s;
        }
        return 10 * std::log10(sum / count / (32768.0 * 32768.0) + 1e-20);
    }

    std::string dir;
    testsound::PrivateSoundServer server;
    std::vector<std::pair<std::string, std::string>> saved;
    IDirectSound8* ds = nullptr;
    testsound::DeviceBuffers buffers;
};

TEST_F(ServerStreamTest, TheStreamIsNamedForTheItemAndGoesToTheChosenOutput) {
    SetSoundOutput({"second", "Second"});
    SetSoundStreamTitle("first song.ogg");
    IDirectSoundBuffer* song = Playing();
    ASSERT_NE(song, nullptr);
    QString listing;
    EXPECT_EQ(server.OutputOfStream(MediaName("first song.ogg"), 30000, &listing), "second")
        << listing.toStdString();
    EXPECT_TRUE(listing.contains("application.name = \"VELTRA\"")) << listing.toStdString();

    // The next item, on the default output now: its stream carries its own name there.
    song->Stop();
    SetSoundOutput({});
    SetSoundStreamTitle("next song.ogg");
    ASSERT_EQ(song->Play(0, 0, DSBPLAY_LOOPING), S_OK);
    EXPECT_EQ(server.OutputOfStream(MediaName("next song.ogg"), 30000, &listing), "first")
        << listing.toStdString();
}

TEST_F(ServerStreamTest, TheNextItemRenamesTheStreamWhereItStands) {
    SetSoundStreamTitle("one.ogg");
    ASSERT_NE(Playing(), nullptr);
    const int stream = server.StreamNumber(server.StreamWith(MediaName("one.ogg"), 30000));
    ASSERT_GE(stream, 0) << server.Pactl({"list", "sink-inputs"}).toStdString();

    // One item follows another on the same ring, which never stops: only the title moves.
    SetSoundStreamTitle("two.ogg");
    EXPECT_EQ(server.StreamNumber(server.StreamWith(MediaName("two.ogg"), 30000)), stream)
        << server.Pactl({"list", "sink-inputs"}).toStdString();

    // A second buffer starting under a new title does not cut off what plays either.
    SetSoundStreamTitle("three.ogg");
    ASSERT_NE(Playing(), nullptr);
    EXPECT_EQ(server.StreamNumber(server.StreamWith(MediaName("three.ogg"), 30000)), stream)
        << server.Pactl({"list", "sink-inputs"}).toStdString();
}

TEST_F(ServerStreamTest, TheProgramsVolumeIsTheStreamsVolumeAndIsAppliedOnce) {
    IDirectSoundBuffer* primary = Primary();
    ASSERT_NE(primary, nullptr);
    ASSERT_EQ(primary->SetVolume(-2500), S_OK);  // set before the stream opens
    SetSoundStreamTitle("quiet.ogg");
    ASSERT_NE(Playing(16384), nullptr);  // a square wave at -6 dB of full scale
    const QRegularExpression decibels(R"(Volume: [^\n]*/\s*(-?[0-9.]+) dB)");
    auto streamDb = [&] {
        const auto m = decibels.match(server.StreamWith(MediaName("quiet.ogg"), 30000));
        return m.hasMatch() ? m.captured(1).toDouble() : 1000.0;
    };
    EXPECT_NEAR(streamDb(), -25.0, 0.1);
    // The mixer's volume is the whole attenuation: the mix itself is not turned down too.
    EXPECT_NEAR(LevelOn("first"), -6.0 - 25.0, 2.0);

    ASSERT_EQ(primary->SetVolume(-600), S_OK);  // while it plays
    EXPECT_TRUE(testsound::PrivateSoundServer::WaitFor(
        [&] { return std::abs(streamDb() + 6.0) < 0.1; }, 30000))
        << server.Pactl({"list", "sink-inputs"}).toStdString();
}

}  // namespace

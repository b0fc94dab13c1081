// Playback through a real sound server (a private PulseAudio with a null output): the
// stream the desktop's mixer lists carries the program's name and the item's, and the
// program's volume is that stream's volume.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <cstdlib>
#include <functional>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"
#include "tests/support/wait_until.h"

namespace {

class SoundServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("soundserver");
        QProcessEnvironment env = Env();
        server.setProcessEnvironment(env);
        server.start(
            "pulseaudio",
            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-L",
             "module-null-sink sink_name=veltra_test", "-L", "module-native-protocol-unix"});
        ASSERT_TRUE(server.waitForStarted(30000)) << "pulseaudio is needed for this check";
        ASSERT_TRUE(AskUntil([&] { return Pactl({"info"}).contains("Server String"); }))
            << "the private sound server did not answer";
        if (const char* fake = std::getenv("VELTRA_FAKE_AUDIO"))
            savedFake = fake;
        unsetenv("VELTRA_FAKE_AUDIO");
        setenv("PULSE_SERVER", ("unix:" + dir + "/native").c_str(), 1);
    }
    void TearDown() override {
        graph.Close();
        unsetenv("PULSE_SERVER");
        if (!savedFake.empty())
            setenv("VELTRA_FAKE_AUDIO", savedFake.c_str(), 1);
        server.kill();
        server.waitForFinished(30000);
        testmedia::RemoveTree(dir);
    }
    QProcessEnvironment Env() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString d = QString::fromStdString(dir);
        env.insert("HOME", d);
        env.insert("XDG_RUNTIME_DIR", d);
        env.insert("PULSE_RUNTIME_PATH", d);
        env.insert("PULSE_SERVER", "unix:" + d + "/native");
        return env;
    }
    QString Pactl(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start("pactl", args);
        if (!p.waitForFinished(30000))
            return {};
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // The stream's volume in dB as the server reports it, once the stream shows `want`.
    bool WaitForStream(const QString& want, QString* listing) {
        return AskUntil([&] {
            *listing = Pactl({"list", "sink-inputs"});
            return listing->contains(want);
        });
    }
    // Every look asks pactl, a process of its own: a tenth of a second between looks.
    static bool AskUntil(const std::function<bool()>& done) {
        return WaitUntilEvery(done, 30000, 100);
    }
    static double VolumeDb(const QString& listing) {
        auto m = QRegularExpression(R"(Volume:.*?(-?\d+\.\d+|-inf) dB)").match(listing);
        if (!m.hasMatch())
            return 1.0;
        return m.captured(1) == "-inf" ? -1e9 : m.captured(1).toDouble();
    }

    std::string dir;
    std::string savedFake;
    QProcess server;
    NotifyRecorder notify;
    MediaGraph graph;
};

TEST_F(SoundServerTest, TheMixerSeesTheProgramTheItemAndItsVolume) {
    auto tone = testmedia::Tone(dir, "quiet tone.wav", 20.0);
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.Open(tone.c_str(), FALSE), S_OK);
    ASSERT_TRUE(graph.SetVolume(-600));
    ASSERT_TRUE(graph.Restart());
    QString listing;
    ASSERT_TRUE(WaitForStream("application.name = \"VELTRA\"", &listing)) << listing.toStdString();
    EXPECT_TRUE(listing.contains("media.name = \"quiet tone.wav\"")) << listing.toStdString();
    EXPECT_NEAR(VolumeDb(listing), -6.0, 0.5) << listing.toStdString();

    ASSERT_TRUE(graph.SetVolume(-10000));
    EXPECT_TRUE(AskUntil([&] {
        return VolumeDb(Pactl({"list", "sink-inputs"})) < -200;
    })) << "the bottom of the volume scale mutes the stream";
}

TEST_F(SoundServerTest, ANextItemInTheSameStreamRenamesIt) {
    auto first = testmedia::Tone(dir, "first tone.wav", 1.0);
    auto next = testmedia::Tone(dir, "next tone.wav", 20.0, 44100, 2, 880);
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.Open(first.c_str(), FALSE), S_OK);
    ASSERT_TRUE(graph.Restart());
    ASSERT_TRUE(graph.QueueNext(next.c_str()));
    QString listing;
    ASSERT_TRUE(WaitForStream("media.name = \"first tone.wav\"", &listing))
        << listing.toStdString();
    ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_NEXT_STARTED) > 0; }, 30000));
    ASSERT_TRUE(graph.TakeQueuedItem());
    EXPECT_TRUE(WaitForStream("media.name = \"next tone.wav\"", &listing)) << listing.toStdString();
    EXPECT_EQ(Pactl({"list", "sink-inputs"}).count("Sink Input #"), 1)
        << "the next item goes on in the same stream";
}

}  // namespace

// The desktop's media controls on the real program: under a private session bus,
// playerctl (and dbus-send, dbus-monitor for what playerctl does not show) drives a list
// through status, play-pause, position, volume, next, previous, metadata, open-uri and
// stop, and sees every change. Without a session bus the program plays as before.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <cstdlib>
#include <fstream>

#include "tests/e2e/session_bus_fixture.h"
#include "tests/support/media_factory.h"
#include "tests/support/tagged_media.h"

using namespace e2e;

namespace {

constexpr const char* kBusName = "org.mpris.MediaPlayer2.veltra";

bool WaitForCtl(const std::vector<std::string>& args, const std::string& expected,
                int timeoutMs = 5000) {
    return WaitFor([&] { return Ctl(args) == expected; }, timeoutMs);
}

double Number(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

std::string FileUrl(const std::string& path) {
    return "file://" + path;  // the test's paths need no escaping
}

// A property read with dbus-send, for what playerctl does not print.
std::string BusProperty(const char* interface, const char* name) {
    std::string out;
    RunTool({"dbus-send", "--session", "--print-reply", std::string("--dest=") + kBusName,
             "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties.Get",
             std::string("string:") + interface, std::string("string:") + name},
            &out);
    return out;
}

// A client that keeps listening and records what it was told.
class Listener {
  public:
    explicit Listener(const std::vector<std::string>& argv) {
        QStringList args;
        for (size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
        m_process.start(QString::fromStdString(argv[0]), args);
        m_process.waitForStarted(5000);
    }
    ~Listener() {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    std::string Output() {
        m_process.waitForReadyRead(0);
        m_text += m_process.readAllStandardOutput().toStdString();
        return m_text;
    }
    size_t Count(const std::string& needle) {
        const std::string text = Output();
        size_t n = 0;
        for (size_t at = text.find(needle); at != std::string::npos;
             at = text.find(needle, at + needle.size()))
            ++n;
        return n;
    }

  private:
    QProcess m_process;
    std::string m_text;
};

class MprisE2E : public SessionBusTest {
  protected:
    MprisE2E() : SessionBusTest("playerctl dbus-send dbus-monitor") {}
};

}  // namespace

TEST_F(MprisE2E, PlayerctlDrivesTheListLikeTheButtons) {
    const std::string first = testmedia::Tone(box.MediaDir(), "first.wav", 6.0);
    const std::string second = testmedia::Tone(box.MediaDir(), "second.mp3", 6.0);
    const std::string third = testmedia::Tone(box.MediaDir(), "third.ogg", 6.0);
    const std::string later = testmedia::Tone(box.MediaDir(), "later.wav", 6.0);
    ASSERT_FALSE(first.empty() || second.empty() || third.empty() || later.empty());
    std::ofstream(box.MediaDir() + "/three.vpl") << "first.wav\r\nsecond.mp3\r\nthird.ogg\r\n";

    std::string win;
    auto app = Start({box.MediaDir() + "/three.vpl"}, &win);
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(app->WaitForLog(std::string("registered as ") + kBusName, 8000)) << app->Log();

    Listener statuses({"playerctl", "--player=veltra", "--follow", "status"});
    Listener seeks({"dbus-monitor", "--session",
                    "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'"});
    // The start file plays at once: its first row.
    ASSERT_TRUE(WaitForCtl({"status"}, "Playing")) << Ctl({"status"});
    EXPECT_EQ(app->CountInLog("open row 0 mode 3 engine 1 ok: " + first), 1) << app->Log();
    EXPECT_NE(BusProperty("org.mpris.MediaPlayer2", "Identity").find("\"VELTRA\""),
              std::string::npos);
    EXPECT_NE(BusProperty("org.mpris.MediaPlayer2", "DesktopEntry").find("\"veltra\""),
              std::string::npos);
    Ctl({"stop"});
    ASSERT_TRUE(WaitForCtl({"status"}, "Stopped")) << Ctl({"status"});
    ASSERT_TRUE(WaitForCtl({"volume"}, "0.500000"));
    EXPECT_NE(BusProperty("org.mpris.MediaPlayer2.Player", "CanPlay").find("boolean true"),
              std::string::npos);

    auto layout = Layout(*app);
    Click(win, QPoint(layout["list"].x() + 40, layout["list"].y() + 36));  // row 0
    Ctl({"play-pause"});
    ASSERT_TRUE(WaitFor(
        [&] { return app->CountInLog("open row 0 mode 3 engine 1 ok: " + first) == 2; }, 8000))
        << app->Log();
    ASSERT_TRUE(WaitForCtl({"status"}, "Playing"));
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:url"}, FileUrl(first)));
    EXPECT_EQ(Ctl({"metadata", "xesam:title"}), "first.wav");
    EXPECT_NEAR(Number(Ctl({"metadata", "mpris:length"})), 6e6, 2e5);
    EXPECT_EQ(Ctl({"metadata", "mpris:trackid"}).rfind("'/org/veltra/track/0_", 0), 0u)
        << Ctl({"metadata", "mpris:trackid"});

    // The position runs on while playing.
    const double p1 = Number(Ctl({"position"}));
    double p2 = p1;
    WaitFor(
        [&] {
            p2 = Number(Ctl({"position"}));
            return p2 > p1 + 0.3;
        },
        30000);
    EXPECT_GT(p2, p1 + 0.3) << p1 << " then " << p2;

    Ctl({"play-pause"});
    ASSERT_TRUE(WaitForCtl({"status"}, "Paused"));
    ASSERT_TRUE(app->WaitForLog("paused", 3000));
    Ctl({"play-pause"});
    ASSERT_TRUE(WaitForCtl({"status"}, "Playing"));
    ASSERT_TRUE(app->WaitForLog("resumed", 3000));
    EXPECT_EQ(app->CountInLog("open row 0"), 2) << "resumed, not opened anew";

    // Absolute and relative positions go through the seek slider.
    Ctl({"position", "4"});
    ASSERT_TRUE(app->WaitForLog("seek to 40 ok", 3000)) << app->Log();
    EXPECT_NEAR(Number(Ctl({"position"})), 4.0, 0.6);
    Ctl({"position", "2-"});
    ASSERT_TRUE(app->WaitForLog("seek to 2", 3000)) << app->Log();
    EXPECT_NEAR(Number(Ctl({"position"})), 2.0, 0.8);
    ASSERT_TRUE(WaitFor([&] { return seeks.Count("member=Seeked") >= 2; }, 3000)) << seeks.Output();

    // The volume is the volume slider.
    Ctl({"volume", "0.2"});
    ASSERT_TRUE(WaitForCtl({"volume"}, "0.200000")) << Ctl({"volume"});

    // Next and previous move along the list.
    Ctl({"next"});
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:url"}, FileUrl(second)));
    EXPECT_TRUE(WaitForCtl({"status"}, "Playing"));
    Ctl({"next"});
    ASSERT_TRUE(app->WaitForLog("open row 2 mode 3 engine 2 ok: " + third, 5000)) << app->Log();
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:title"}, "third.ogg"));
    EXPECT_TRUE(WaitForCtl({"volume"}, "0.200000")) << "the slider keeps its place";
    EXPECT_NE(BusProperty("org.mpris.MediaPlayer2.Player", "CanGoNext").find("boolean false"),
              std::string::npos)
        << "the last row has no next";
    Ctl({"previous"});
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:url"}, FileUrl(second)));

    // open-uri adds the file to the list and plays it.
    Ctl({"open", FileUrl(later)});
    ASSERT_TRUE(app->WaitForLog("open row 3 mode 3 engine 1 ok: " + later, 5000)) << app->Log();
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:url"}, FileUrl(later)));
    EXPECT_TRUE(WaitForCtl({"status"}, "Playing"));

    Ctl({"stop"});
    ASSERT_TRUE(WaitForCtl({"status"}, "Stopped"));
    EXPECT_EQ(Ctl({"position"}), "0.000000");

    // Every change reached the listening client, in order.
    ASSERT_TRUE(
        WaitFor([&] { return statuses.Output().find("Stopped\n", 8) != std::string::npos; }, 3000))
        << statuses.Output();
    const std::string seen = statuses.Output();
    const size_t playing = seen.find("Playing");
    const size_t paused = seen.find("Paused", playing);
    const size_t again = seen.find("Playing", paused);
    const size_t stopped = seen.find("Stopped", again);
    EXPECT_TRUE(playing != std::string::npos && paused != std::string::npos &&
                again != std::string::npos && stopped != std::string::npos)
        << seen;

    // Quit closes the window like its close button.
    std::string out;
    ASSERT_EQ(RunTool({"dbus-send", "--session", "--print-reply", std::string("--dest=") + kBusName,
                       "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Quit"},
                      &out),
              0);
    int code = -1;
    EXPECT_TRUE(app->WaitForExit(8000, &code)) << app->Log();
    EXPECT_EQ(code, 0);
}

TEST_F(MprisE2E, MetadataCarriesTheTagsAndCoverOfTaggedFiles) {
    const std::string mp3 =
        testmedia::TaggedSong(box.MediaDir(), "song.mp3", 4.0, {"Blue Sky", "Ann", "Clouds", true});
    const std::string flac =
        testmedia::TaggedSong(box.MediaDir(), "song.flac", 3.0, {"Rain", "Bob", "Storms", true});
    const std::string ogg =
        testmedia::TaggedSong(box.MediaDir(), "song.ogg", 2.0, {"Sun", "Cy", "Summer", false});
    ASSERT_FALSE(mp3.empty() || flac.empty() || ogg.empty());
    std::ofstream(box.MediaDir() + "/songs.vpl") << "song.mp3\r\nsong.flac\r\nsong.ogg\r\n";

    std::string win;
    auto app = Start({box.MediaDir() + "/songs.vpl"}, &win);
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(app->WaitForLog(std::string("registered as ") + kBusName, 8000)) << app->Log();
    ASSERT_TRUE(WaitForCtl({"status"}, "Playing")) << Ctl({"status"});
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:title"}, "Blue Sky", 30000)) << Ctl({"metadata"});
    EXPECT_EQ(Ctl({"metadata", "xesam:artist"}), "Ann");
    EXPECT_EQ(Ctl({"metadata", "xesam:album"}), "Clouds");
    EXPECT_NEAR(Number(Ctl({"metadata", "mpris:length"})), 4e6, 2e5);
    const std::string art = Ctl({"metadata", "mpris:artUrl"});
    ASSERT_EQ(art.rfind("file:///", 0), 0u) << art;
    EXPECT_EQ(art.substr(art.size() - 4), ".jpg");
    EXPECT_EQ(::access(art.substr(7).c_str(), R_OK), 0) << art;

    // Stopped, the next item still shows its tags and its length.
    Ctl({"next"});
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:title"}, "Rain", 10000)) << Ctl({"metadata"});
    Ctl({"stop"});
    ASSERT_TRUE(WaitForCtl({"status"}, "Stopped"));
    EXPECT_EQ(Ctl({"metadata", "xesam:artist"}), "Bob");
    EXPECT_EQ(Ctl({"metadata", "xesam:album"}), "Storms");
    EXPECT_NEAR(Number(Ctl({"metadata", "mpris:length"})), 3e6, 2e5);
    const std::string flacArt = Ctl({"metadata", "mpris:artUrl"});
    EXPECT_EQ(flacArt.substr(flacArt.size() - 4), ".png") << flacArt;
    Ctl({"next"});
    ASSERT_TRUE(WaitForCtl({"metadata", "xesam:title"}, "Sun", 10000)) << Ctl({"metadata"});
    EXPECT_EQ(Ctl({"metadata", "xesam:album"}), "Summer");
}

TEST_F(MprisE2E, WithoutASessionBusTheProgramPlaysAsBefore) {
    const std::string song = testmedia::Tone(box.MediaDir(), "alone.wav", 1.0);
    ASSERT_FALSE(song.empty());
    box.SetEnv("DBUS_SESSION_BUS_ADDRESS", "");
    std::string win;
    auto app = Start({song}, &win);
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(app->WaitForLog("no session bus", 8000)) << app->Log();
    // The start file plays by itself, and to its end.
    ASSERT_TRUE(app->WaitForLog("open row 0 mode 3 engine 1 ok: " + song, 8000)) << app->Log();
    ASSERT_TRUE(app->WaitForLog("end of row 0", 8000)) << app->Log();
    std::string players;
    RunTool({"playerctl", "--list-all"}, &players);
    EXPECT_EQ(players.find("veltra"), std::string::npos) << players;
}

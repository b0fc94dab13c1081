// The output menu in the real program, with a private sound server of two null outputs: the
// second is chosen in the menu, and what plays then, in this run and the next, through the
// graph and through tunewell, is a stream of the program's on that output, named for the
// item.
#include <gtest/gtest.h>

#include <QDir>

#include "tests/e2e/program_test.h"
#include "tests/platform/private_sound_server.h"
#include "tests/support/media_factory.h"

using namespace e2e;

namespace {

class OutputDeviceE2E : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (Stopped())
            return;
        std::string why;
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(box.Root() + "/sound")));
        ASSERT_TRUE(server.Start(box.Root() + "/sound",
                                 {{"veltra_desk", "Desk"}, {"veltra_room", "Living room"}}, &why))
            << why;
        box.SetEnv("PULSE_SERVER", server.Address());
        box.SetEnv("VELTRA_FAKE_AUDIO", "");
        box.SetEnv("SDL_AUDIODRIVER", "pulseaudio");
    }
    // The output the program's stream for this item plays on.
    std::string OutputOf(const std::string& item, VeltraProcess& app) {
        QString listing;
        const std::string output = server.OutputOfStream(
            QString::fromStdString("media.name = \"" + item + "\""), 30000, &listing);
        EXPECT_TRUE(listing.contains("application.name = \"VELTRA\""))
            << listing.toStdString() << app.Log();
        return output;
    }

    testsound::PrivateSoundServer server;
};

}  // namespace

TEST_F(OutputDeviceE2E, TheChosenOutputTakesBothEnginesSoundAndOutlivesARestart) {
    const std::string first = testmedia::Tone(box.MediaDir(), "first.wav", 30.0);
    const std::string song = testmedia::Tone(box.MediaDir(), "song.ogg", 30.0);
    const std::string again = testmedia::Tone(box.MediaDir(), "again.wav", 30.0);
    ASSERT_FALSE(first.empty() || song.empty() || again.empty());

    std::string win;
    {
        auto app = Start({first}, &win);
        ASSERT_FALSE(win.empty());
        EXPECT_EQ(OutputOf("first.wav", *app), "veltra_desk") << "the server's default at first";
        ASSERT_TRUE(app->WaitForLog("output devices 2", 30000)) << app->Log();
        auto layout = Layout(*app);
        ASSERT_FALSE(OpenMenu(win, Centre(layout["menu"]), app->Pid()).empty());
        // 出力デバイス(&D), then past the default and the first output.
        KeyStrokes({"d", "Down", "Down", "Return"});
        ASSERT_TRUE(WaitFor(
            [&] {
                return testmedia::ReadFile(box.IniPath()).find("SOUNDOUTPUT=veltra_room") !=
                       std::string::npos;
            },
            10000))
            << testmedia::ReadFile(box.IniPath()) << app->Log();
    }
    {
        auto app = Start({song}, &win);
        ASSERT_FALSE(win.empty());
        EXPECT_EQ(OutputOf("song.ogg", *app), "veltra_room") << app->Log();
    }
    {
        auto app = Start({again}, &win);
        ASSERT_FALSE(win.empty());
        EXPECT_EQ(OutputOf("again.wav", *app), "veltra_room") << app->Log();
    }
}

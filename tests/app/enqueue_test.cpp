// "--enqueue FILE...": the files go to the running copy and the second start ends without
// a word; with no copy running this one starts with all of them.
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QTest>
#include <climits>

#include "app/command_line.h"
#include "app/mpris_service.h"
#include "app/player_app.h"
#include "app/queue_adaptor.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

std::string Cwd() {
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? cwd : "";
}

class RecordingControl : public MediaControl {
  public:
    MediaState State() override { return {}; }
    bool Busy() override {
        ++busyAsked;
        return busy;
    }
    void Play() override {}
    void Pause() override {}
    void Stop() override {}
    void Next() override {}
    void Previous() override {}
    void SeekTo(int) override {}
    void SetVolume(int) override {}
    void OpenFile(const std::string& path) override { opened.push_back(path); }
    void EnqueueFiles(const std::vector<std::string>& paths) override { queued.push_back(paths); }
    void Raise() override {}
    void Quit() override {}
    void SetListeners(std::function<void()>, std::function<void()>) override {}

    bool busy = false;
    int busyAsked = 0;
    std::vector<std::string> opened;
    std::vector<std::vector<std::string>> queued;
};

}  // namespace

TEST(CommandLineTest, EnqueueTakesEveryFileAfterItAndTheFirstStarts) {
    const CommandLine cl = ParseCommandLine({"--enqueue", "a.mp3", "/3ds", "b c.ogg", "--enqueue"});
    EXPECT_TRUE(cl.enqueue);
    EXPECT_EQ(cl.enqueueFiles, (std::vector<std::string>{"a.mp3", "b c.ogg", "--enqueue"}))
        << "only the first switch is one";
    EXPECT_EQ(cl.startFile, "a.mp3");
    EXPECT_FALSE(cl.use3D);
    const CommandLine plain = ParseCommandLine({"a.mp3", "b.mp3"});
    EXPECT_FALSE(plain.enqueue);
    EXPECT_EQ(plain.startFile, "b.mp3") << "the plain form keeps the last file";
}

TEST(PlayerAppTest, EnqueueHandsOverToTheRunningCopySilentlyOrStartsWithAllFiles) {
    const std::string dir = testmedia::MakeTempDir("app_enqueue");
    ScriptedPrompts prompts;
    char prog[] = "veltra", sw[] = "--enqueue", a[] = "one.mp3", b[] = "/abs/two.mp3";
    char* argv[] = {prog, sw, a, b};
    std::vector<std::string> started;
    std::vector<std::vector<std::string>> handed;
    bool answer = true;
    // The first copy is itself started by "--enqueue" and finds nobody to hand over to.
    PlayerApp starter(
        4, argv, [](const std::string&, bool) { return 7; }, dir);
    starter.SetEnqueue([](const std::vector<std::string>&) { return false; },
                       [&](const std::vector<std::string>& files, bool u) {
                           started = files;
                           // A copy started meanwhile asks this one.
                           for (const bool takes : {true, false}) {
                               answer = takes;
                               PlayerApp second(
                                   4, argv, [](const std::string&, bool) { return 5; }, dir);
                               second.SetEnqueue(
                                   [&](const std::vector<std::string>& f) {
                                       handed.push_back(f);
                                       return answer;
                                   },
                                   [](const std::vector<std::string>&, bool) { return 6; });
                               second.InitInstance();
                               EXPECT_FALSE(second.MainWindowRan());
                           }
                           return u ? 2 : 3;
                       });
    starter.InitInstance();
    EXPECT_EQ(starter.ExitCode(), 2);
    const std::vector<std::string> absolute = {Cwd() + "/one.mp3", "/abs/two.mp3"};
    EXPECT_EQ(started, absolute);
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[0], absolute);
    // Taken: no box. Not taken: the warning of every second start, so nothing goes unsaid.
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "警告");
    testmedia::RemoveTree(dir);
}

TEST(QueueAdaptorTest, EnqueueWaitsForDialogsAndTakesAbsoluteNamesOnly) {
    RecordingControl control;
    MprisService service(control);
    QueueAdaptor* queue = service.findChild<QueueAdaptor*>();
    ASSERT_NE(queue, nullptr);
    control.busy = true;
    queue->Enqueue({"/m/a.mp3", "relative.mp3", QByteArray("/m/b\0c.mp3", 10), "/m/\xff.ogg"});
    queue->Enqueue({"relative.mp3"});
    // Asked again and again while the dialog stays, and nothing is lost meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(control.busyAsked >= 3, 30000);
    EXPECT_TRUE(control.queued.empty()) << "a dialog holds the input";
    control.busy = false;
    QTRY_COMPARE_WITH_TIMEOUT(control.queued.size(), std::size_t{1}, 30000);
    EXPECT_EQ(control.queued[0], (std::vector<std::string>{"/m/a.mp3", "/m/\xff.ogg"}));
    EXPECT_TRUE(control.opened.empty());
}

// The playlist's file handling in the real program under X: a start file given relative to
// the working folder and a save name typed without an extension end up as a playlist that
// another player reads by joining each line to its folder; a file whose trash record cannot
// be written is reported at once and stays where it is.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/e2e/program_test.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

constexpr const char* kMainTitle = "VELTRA";

using PlaylistE2E = ProgramTest;

TEST_F(PlaylistE2E, RelativeStartFileAndBareSaveNameGiveAListOthersRead) {
    const std::string tones = box.MediaDir() + "/tones";
    fs::create_directories(tones);
    fs::create_directories(box.MediaDir() + "/lists");
    const std::string tone = testmedia::Tone(tones, "a.wav", 0.5);
    ASSERT_FALSE(tone.empty());
    std::string win;
    // The program runs in the media folder: the start file is relative to it.
    auto app = Start({"tones/a.wav"}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    ASSERT_FALSE(OpenMenu(win, Centre(layout["menu"]), app->Pid()).empty());
    RunTool({"xdotool", "key", "--delay", "120", "Down", "Right", "Down", "Return"});
    const std::string prompt = WaitForNewWindow(".*", app->Pid(), {win}, 5000);
    ASSERT_FALSE(prompt.empty()) << app->Log();
    ASSERT_TRUE(AnswerPathPrompt(prompt, box.MediaDir() + "/lists/out", app->Pid())) << app->Log();
    const std::string saved = box.MediaDir() + "/lists/out.vpl";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(saved); }, 5000)) << app->Log();
    EXPECT_EQ(testmedia::ReadFile(saved), "../tones/a.wav\r\n");
    EXPECT_TRUE(fs::equivalent(fs::path(box.MediaDir() + "/lists") / "../tones/a.wav", tone));
    Click(win, Centre(layout["close"]));
    EXPECT_TRUE(app->WaitForExit(8000));
}

TEST_F(PlaylistE2E, TrashThatCannotTakeTheFileAnswersAtOnceAndKeepsIt) {
    const std::string tone = testmedia::Tone(box.MediaDir(), "keep me.wav", 0.5);
    ASSERT_FALSE(tone.empty());
    // The program's trash lives in its sandbox home; its record folder cannot be made.
    const std::string trash = box.Root() + "/home/.local/share/Trash";
    fs::create_directories(trash);
    testmedia::WriteBytes(trash, "info", "not a folder");
    std::string win;
    auto app = Start({tone}, &win);
    ASSERT_FALSE(win.empty());
    auto layout = Layout(*app);
    const QPoint row(layout["list"].x() + 40, layout["list"].y() + 36);
    Click(win, row);
    ASSERT_FALSE(OpenMenu(win, row, app->Pid(), 3).empty()) << "no menu for the row";
    RunTool({"xdotool", "key", "--delay", "120", "Down", "Down", "Return"});
    const std::string question = WaitForNewWindow("選択ファイル削除", app->Pid(), {win}, 5000);
    ASSERT_FALSE(question.empty()) << app->Log();
    Key(question, "Return");  // Yes, the default answer
    const auto asked = std::chrono::steady_clock::now();
    const std::string failure = WaitForNewWindow(kMainTitle, app->Pid(), {win, question}, 10000);
    ASSERT_FALSE(failure.empty()) << "no answer from the trash\n" << app->Log();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(10));
    Key(failure, "Return");
    EXPECT_TRUE(fs::exists(tone));
    EXPECT_TRUE(app->Running());
    Click(win, Centre(layout["close"]));
    EXPECT_TRUE(app->WaitForExit(8000));
}

}  // namespace

// The list's copy command in the real program under X: MENU > システム > リスト内のコピー,
// the common name typed into the copy dialog, the folder chosen in the real folder
// browser, and then what lands on disk, what the user is told and what the list shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "tests/e2e/program_test.h"
#include "tests/e2e/read_only_folder.h"
#include "tests/support/media_factory.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

constexpr const char* kMainTitle = "VELTRA";
constexpr const char* kCopyDialogTitle =
    "リスト内のファイルコピー （ ファイル名 000～999 に変換 ）";
constexpr const char* kFolderPromptTitle = "ファイルのコピー先を選択してください";
constexpr const char* kProgressTitle = "ファイルコピー";

std::set<std::string> EntriesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.insert(e.path().filename());
    return names;
}

class CopyE2E : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (Stopped())
            return;
        source = box.MediaDir() + "/source files";
        fs::create_directories(source);
    }

    // A playlist of the given files (made beforehand in the source folder), in this order.
    std::string ListOf(const std::vector<std::string>& names) {
        std::string text;
        for (const auto& n : names) text += n + "\r\n";
        return testmedia::WriteBytes(source, "list.vpl", text);
    }

    std::unique_ptr<VeltraProcess> Start(const std::string& playlist) {
        return ProgramTest::Start({playlist}, &win);
    }

    // The whole command as a user runs it: row selected, MENU, System, Copy; the name typed;
    // "..." and the folder typed into the real folder browser; OK. Returns once the copy
    // has run and its progress window has gone.
    ::testing::AssertionResult RunCopyCommand(VeltraProcess& app, const std::string& name,
                                              const std::string& folder) {
        auto layout = Layout(app);
        if (!layout.count("menu") || !layout.count("list"))
            return ::testing::AssertionFailure() << "no layout report\n" << app.Log();
        Click(win, QPoint(layout["list"].x() + 40, layout["list"].y() + 36));  // row 0
        Key(win, "ctrl+a");
        if (OpenMenu(win, Centre(layout["menu"]), app.Pid()).empty())
            return ::testing::AssertionFailure() << "no menu\n" << app.Log();
        KeyStrokes({"s", "p"});  // システム（&S）, then リスト内のコピー(&P)
        const std::string dialog = WaitForWindow(kCopyDialogTitle, app.Pid(), 5000);
        if (dialog.empty())
            return ::testing::AssertionFailure() << "no copy dialog\n" << app.Log();
        TypeText(dialog, name);  // the rename edit has the focus
        Key(dialog, "Tab");      // destination
        Key(dialog, "Tab");      // "..."
        Key(dialog, "space");
        const std::string browser = WaitForWindow(kFolderPromptTitle, app.Pid(), 5000);
        if (browser.empty())
            return ::testing::AssertionFailure() << "no folder browser\n" << app.Log();
        if (!AnswerPathPrompt(browser, folder, app.Pid()))
            return ::testing::AssertionFailure() << "the folder browser stays open";
        Key(dialog, "Tab");  // from "..." to OK
        Key(dialog, "space");
        if (!WaitForWindowGone(kCopyDialogTitle, app.Pid(), 5000))
            return ::testing::AssertionFailure() << "the copy dialog stays open\n" << app.Log();
        if (!app.WaitForLog("copy: ", 20000))
            return ::testing::AssertionFailure() << "the copy never ended\n" << app.Log();
        if (!WaitForWindowGone(kProgressTitle, app.Pid(), 5000))
            return ::testing::AssertionFailure() << "the progress window stays";
        return ::testing::AssertionSuccess();
    }

    // The warning that follows a copy with files left out; answered with Return.
    bool AnswerMessageBox(VeltraProcess& app) {
        const std::string box = WaitForNewWindow(kMainTitle, app.Pid(), {win}, 5000);
        if (box.empty())
            return false;
        Key(box, "Return");
        return WaitFor([&] { return FindWindows(kMainTitle, app.Pid()).size() == 1; }, 5000);
    }

    // Plays the last row: the list still has exactly these rows when it is the last source.
    void ExpectLastRowIs(VeltraProcess& app, int row, const std::string& path) {
        auto layout = Layout(app);
        Click(win, QPoint(layout["list"].x() + 40, layout["list"].y() + 36));
        Key(win, "End");
        Click(win, Centre(layout["play"]));
        EXPECT_TRUE(app.WaitForLog(
            "open row " + std::to_string(row) + " mode 3 engine 1 ok: " + path, 8000))
            << app.Log();
        EXPECT_EQ(app.CountInLog("open row " + std::to_string(row + 1)), 0);
    }

    std::string source;
    std::string win;
};

TEST_F(CopyE2E, EveryRowLandsUnderItsNumberedNameAndNothingIsReplaced) {
    ASSERT_FALSE(testmedia::Tone(source, "one.wav", 0.4).empty());
    ASSERT_FALSE(testmedia::Tone(source, "two.mp3", 0.4).empty());
    ASSERT_FALSE(testmedia::Picture(source, "three.jpg").empty());
    ASSERT_FALSE(testmedia::Video(source, "four.avi", 0.5).empty());
    ASSERT_FALSE(testmedia::Tone(source, "曲 five.mp3", 0.4).empty());
    ASSERT_FALSE(testmedia::Tone(source, "six.wav", 0.4).empty());
    fs::rename(source + "/six.wav", source + "/six.Wav");
    const std::vector<std::string> rows = {"one.wav",  "two.mp3",     "three.jpg",
                                           "four.avi", "曲 five.mp3", "six.Wav"};
    const std::string playlist = ListOf(rows);

    const std::string target = box.Root() + "/copies of the list";
    fs::create_directories(target);
    // The name row 1 would take is already used by a file of the user's.
    testmedia::WriteBytes(target, "trip001.MP3", "the user's own file");

    auto app = Start(playlist);
    ASSERT_FALSE(win.empty());
    // The start list plays by itself; the copy is made from a stopped list.
    ASSERT_TRUE(app->WaitForLog("open row 0 ", 8000)) << app->Log();
    Click(win, Centre(Layout(*app)["stop"]));
    ASSERT_TRUE(app->WaitForLog("stopped", 8000)) << app->Log();
    ASSERT_TRUE(RunCopyCommand(*app, "trip", target));
    EXPECT_TRUE(app->WaitForLog("copy: 5 of 6 copied to " + target, 1000)) << app->Log();
    // The one file left out is named, with the reason.
    EXPECT_TRUE(app->WaitForLog("two.mp3 : コピー先に同じ名前のファイルがあります", 1000))
        << app->Log();
    ASSERT_TRUE(AnswerMessageBox(*app));

    const std::map<std::string, std::string> copies = {{"trip000.WAV", "one.wav"},
                                                       {"trip002.JPG", "three.jpg"},
                                                       {"trip003.AVI", "four.avi"},
                                                       {"trip004.MP3", "曲 five.mp3"},
                                                       {"trip005.WAV", "six.Wav"}};
    for (const auto& [copy, original] : copies) {
        const std::string bytes = testmedia::ReadFile(target + "/" + copy);
        EXPECT_FALSE(bytes.empty()) << copy;
        EXPECT_TRUE(bytes == testmedia::ReadFile(source + "/" + original))
            << copy << " differs from " << original;
    }
    EXPECT_EQ(testmedia::ReadFile(target + "/trip001.MP3"), "the user's own file");
    std::set<std::string> expected = {"trip001.MP3"};
    for (const auto& entry : copies) expected.insert(entry.first);
    EXPECT_EQ(EntriesIn(target), expected) << "nothing else, no temporary file left";
    for (const auto& row : rows) EXPECT_TRUE(fs::exists(source + "/" + row)) << row;

    // The copies are not added: the list still ends with its own last row.
    ExpectLastRowIs(*app, 5, source + "/six.Wav");
    EXPECT_TRUE(app->Running());
}

TEST_F(CopyE2E, ReadOnlyFolderIsReportedAndGetsNoFile) {
    ASSERT_FALSE(testmedia::Tone(source, "a.wav", 0.4).empty());
    ASSERT_FALSE(testmedia::Tone(source, "b.mp3", 0.4).empty());
    const std::string playlist = ListOf({"a.wav", "b.mp3"});
    ReadOnlyFolder target(box.Root() + "/locked");
    if (!target.Refuses())
        GTEST_SKIP() << "this user can write into any folder";

    auto app = Start(playlist);
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(RunCopyCommand(*app, "x", target.Path()));
    EXPECT_TRUE(
        app->WaitForLog("コピー先のフォルダー " + target.Path() + " に書き込めません", 1000))
        << app->Log();
    ASSERT_TRUE(AnswerMessageBox(*app));
    EXPECT_TRUE(EntriesIn(target.Path()).empty());
    ExpectLastRowIs(*app, 1, source + "/b.mp3");
}

}  // namespace

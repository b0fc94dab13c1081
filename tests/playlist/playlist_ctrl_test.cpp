#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QMimeData>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>

#include "playlist/path_helpers.h"
#include "playlist/playlist_ctrl.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

class FakeHost : public PlaybackHost {
  public:
    int CurrentRow() const override { return current; }
    void SetCurrentRow(int row) override { current = row; }
    void Stop() override {
        ++stops;
        stopsBeforeQuestion.push_back(prompts ? prompts->Boxes().size() : 0);
    }
    int current = -1;
    int stops = 0;
    ScriptedPrompts* prompts = nullptr;
    std::vector<std::size_t> stopsBeforeQuestion;
};

class PlaylistCtrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("playlist_ctrl");
        host.prompts = &prompts;
        list.SetPlaybackHost(&host);
    }
    void TearDown() override {
        ::chmod(dir.c_str(), 0755);
        testmedia::RemoveTree(dir);
    }
    std::string File(const std::string& name, std::size_t bytes = 16) {
        return testmedia::WriteBytes(dir, name, std::string(bytes, 'x'));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < list.RowCount(); ++i) names.push_back(list.ItemText(i, 0));
        return names;
    }

    std::string dir;
    ScriptedPrompts prompts;
    FakeHost host;
    PlaylistCtrl list;
};

// Entries of a folder in the order the file system hands them out.
std::vector<std::string> ReadDirOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    if (d)
        ::closedir(d);
    return names;
}

}  // namespace

TEST_F(PlaylistCtrlTest, InsertEntryFillsColumnsAndRefusesWhatCannotBePlayed) {
    const std::string small = File("small.wav", 1023);
    const std::string kib = File("Photo.JPG", 1024);
    ASSERT_TRUE(list.InsertEntry(0, small));
    ASSERT_TRUE(list.InsertEntry(99, kib));  // clamped to the end
    EXPECT_EQ(list.ItemText(0, 0), "small");
    EXPECT_EQ(list.ItemText(0, 1), "0 KB");
    EXPECT_EQ(list.ItemText(0, 2), small);
    EXPECT_EQ(list.ItemText(1, 1), "1 KB");
    EXPECT_EQ(list.IconAt(0), kIconAudio);
    EXPECT_EQ(list.IconAt(1), kIconImage);

    EXPECT_FALSE(list.InsertEntry(0, small)) << "duplicate";
    EXPECT_FALSE(list.InsertEntry(0, dir + "/missing.mp3"));
    const std::string fifo = dir + "/pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(list.InsertEntry(0, fifo)) << "a fifo must neither hang nor be listed";
    ASSERT_EQ(::mkdir((dir + "/folder.mp3").c_str(), 0755), 0);
    EXPECT_FALSE(list.InsertEntry(0, dir + "/folder.mp3"));
    EXPECT_EQ(list.RowCount(), 2);

    // Paths are compared byte for byte: another letter case is another file.
    const std::string upper = File("SMALL.wav");
    EXPECT_TRUE(list.InsertEntry(0, upper));
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.PathAt(0), upper);
}

TEST_F(PlaylistCtrlTest, AddPathSortsOutKindsAndRefusesOverlongPaths) {
    const std::string song = File("song.Mp3");
    const std::string ogg = File("tune.ogg");
    File("notes.txt");
    AddReport report;
    EXPECT_EQ(list.AddPath(song, &report), AddResult::Added);
    EXPECT_EQ(list.AddPath(song, &report), AddResult::Ignored);
    EXPECT_EQ(list.AddPath(dir + "/notes.txt", &report), AddResult::Ignored);
    EXPECT_EQ(list.AddPath(ogg, &report), AddResult::Ignored) << "no tunewell, no Ogg";
    list.SetOggLoaded(true);
    EXPECT_EQ(list.AddPath(ogg, &report), AddResult::Added);
    EXPECT_EQ(list.IconAt(1), kIconAudio);

    const std::string longPath = "/" + std::string(kMaxPath, 'a') + ".mp3";
    EXPECT_EQ(list.AddPath(longPath, &report), AddResult::TooLong);
    ASSERT_EQ(report.tooLong.size(), 1u);
    EXPECT_EQ(report.added, 2);
    list.ShowAddReport(report);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_NE(prompts.Boxes()[0].text.find("長すぎる"), std::string::npos);
    EXPECT_EQ(list.RowCount(), 2);
}

TEST_F(PlaylistCtrlTest, FolderWalkSkipsLoopsSpecialFilesAndKeepsRawNames) {
    ASSERT_EQ(::mkdir((dir + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir + "/sub/deeper").c_str(), 0755), 0);
    File("a.mp3");
    File("sub/b.avi");
    File("sub/deeper/c.bmp");
    const std::string raw = File("r\xe9sum\xe9.wav");  // Latin-1 bytes, not UTF-8
    ASSERT_EQ(::symlink("..", (dir + "/sub/deeper/up").c_str()), 0);
    ASSERT_EQ(::symlink(dir.c_str(), (dir + "/sub/self").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", (dir + "/null.mp3").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir + "/sub/fifo.wav").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("nowhere.mp3", (dir + "/dangling.mp3").c_str()), 0);

    list.AddFolder(dir);
    std::vector<std::string> paths = list.Paths();
    std::sort(paths.begin(), paths.end());
    const std::vector<std::string> expected = {dir + "/a.mp3", raw, dir + "/sub/b.avi",
                                               dir + "/sub/deeper/c.bmp"};
    std::vector<std::string> sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(paths, sortedExpected);

    // Walking again adds nothing, and the raw name is still the same bytes.
    list.AddFolder(dir);
    EXPECT_EQ(list.RowCount(), 4);
    EXPECT_GE(list.FindPath(raw), 0);
    list.AddFolder(dir + "/does-not-exist");
    EXPECT_EQ(list.RowCount(), 4);
}

TEST_F(PlaylistCtrlTest, UnreadableFolderAddsNothing) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    ASSERT_EQ(::mkdir((dir + "/locked").c_str(), 0755), 0);
    File("locked/x.mp3");
    ASSERT_EQ(::chmod((dir + "/locked").c_str(), 0), 0);
    list.AddFolder(dir + "/locked");
    ::chmod((dir + "/locked").c_str(), 0755);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(PlaylistCtrlTest, PlaylistMetInAFolderReplacesWhatCameBefore) {
    const std::string inner = testmedia::MakeTempDir("playlist_ctrl_inner");
    const std::string listed = testmedia::WriteBytes(inner, "listed.mp3", "x");
    ASSERT_EQ(::mkdir((dir + "/walk").c_str(), 0755), 0);
    for (const char* name : {"one.mp3", "two.wav", "three.avi", "four.bmp"})
        File(std::string("walk/") + name);
    testmedia::WriteBytes(dir + "/walk", "list.m3u", "#EXTM3U\r\n" + listed + "\r\n");

    list.AddFolder(dir + "/walk");
    std::vector<std::string> expected = {listed};
    bool afterPlaylist = false;
    for (const std::string& name : ReadDirOrder(dir + "/walk")) {
        if (name == "list.m3u")
            afterPlaylist = true;
        else if (afterPlaylist)
            expected.push_back(dir + "/walk/" + name);
    }
    EXPECT_EQ(list.Paths(), expected);
    EXPECT_EQ(host.stops, 1) << "loading a playlist stops playback";
    testmedia::RemoveTree(inner);
}

TEST_F(PlaylistCtrlTest, ColumnClicksFlipDirectionPerColumnAndCompareText) {
    File("b.mp3", 9 * 1024);
    File("c.mp3", 10 * 1024);
    File("a.mp3", 100);
    for (const char* name : {"b.mp3", "c.mp3", "a.mp3"}) list.AddPath(dir + "/" + name);
    list.SelectRow(0);  // b
    std::vector<std::vector<int>> sorted;
    QObject::connect(&list, &PlaylistCtrl::Sorted,
                     [&](const std::vector<int>& moved) { sorted.push_back(moved); });

    list.SortByColumnClick(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(sorted.size(), 1u);
    EXPECT_EQ(sorted[0], (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(list.SelectedRow(), 1) << "the selection follows its row";
    list.SortByColumnClick(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "b", "a"}));
    list.SortByColumnClick(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));

    // The size column keeps its own direction and sorts by text: "10 KB" before "9 KB".
    list.SortByColumnClick(1);
    EXPECT_EQ(list.SortDirection(1), 1);
    EXPECT_EQ(list.SortDirection(0), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "c", "b"}));
}

TEST_F(PlaylistCtrlTest, RemovingAndClearingFollowTheCurrentRow) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) list.AddPath(File(name));
    host.current = 1;
    std::vector<int> removed;
    QObject::connect(&list, &PlaylistCtrl::RowRemoved, [&](int row) { removed.push_back(row); });

    list.SelectRow(0);
    list.RemoveSelected();
    EXPECT_EQ(host.stops, 0) << "another row than the current one";
    EXPECT_EQ(host.current, 1);
    EXPECT_EQ(removed, (std::vector<int>{0}));

    list.SelectRow(1);
    list.RemoveSelected();
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(host.current, -1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"b"}));

    host.current = 0;
    list.ClearList();
    EXPECT_EQ(host.stops, 2);
    EXPECT_EQ(host.current, 0) << "clearing keeps the index for a later Next";
    EXPECT_EQ(list.RowCount(), 0);
    list.RemoveSelected();  // nothing selected, nothing happens
    EXPECT_EQ(host.stops, 2);
}

TEST_F(PlaylistCtrlTest, UnreadablePlaylistLeavesTheListAlone) {
    list.AddPath(File("keep.mp3"));
    AddReport report;
    EXPECT_EQ(list.AddPath(dir + "/gone.vpl", &report), AddResult::PlaylistFailed);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(host.stops, 0);
    ASSERT_EQ(report.failedPlaylists.size(), 1u);
}

// The desktop library reads the home and data folders once per process, so every trash
// test of a process shares one home of its own, emptied between tests. It lives in the
// temporary folder, on the same file system as the test files, so the home trash is used.
class TrashTest : public PlaylistCtrlTest {
  protected:
    static const std::string& Home() {
        static const std::string home = [] {
            const std::string h = testmedia::MakeTempDir("trash_home");
            ::mkdir((h + "/.local").c_str(), 0755);
            ::mkdir((h + "/.local/share").c_str(), 0755);
            ::setenv("HOME", h.c_str(), 1);
            ::setenv("XDG_DATA_HOME", (h + "/.local/share").c_str(), 1);
            return h;
        }();
        return home;
    }
    void SetUp() override {
        PlaylistCtrlTest::SetUp();
        trash = Home() + "/.local/share/Trash";
        testmedia::RemoveTree(trash);
    }
    void TearDown() override {
        ::chmod(trash.c_str(), 0755);
        testmedia::RemoveTree(trash);
        PlaylistCtrlTest::TearDown();
    }
    std::string trash;
};

TEST_F(TrashTest, DeleteAsksMovesToTrashAndNeverDeletesPlainly) {
    const std::string a = File("a.mp3");
    const std::string b = File("b.mp3");
    list.AddPath(a);
    list.AddPath(b);
    host.current = 0;

    // No: the file and row stay, but playback of that row stopped before the question.
    list.SetContextRow(0);
    prompts.QueueAnswer(IDNO);
    list.DeleteContextFile();
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "選択ファイル削除");
    EXPECT_EQ(prompts.Boxes()[0].text, "a.mp3 を削除して、ごみ箱へ移動してもよいですか？");
    EXPECT_EQ(prompts.Boxes()[0].style & 0xF, MB_YESNO);
    EXPECT_EQ(host.stopsBeforeQuestion, (std::vector<std::size_t>{0}));
    EXPECT_EQ(host.current, -1);
    EXPECT_EQ(list.ContextRow(), -1);
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(::access(a.c_str(), F_OK), 0);

    // Yes: the file goes to the trash, not away.
    list.SetContextRow(1);
    prompts.QueueAnswer(IDYES);
    list.DeleteContextFile();
    EXPECT_EQ(host.stops, 1) << "b was not the current row";
    EXPECT_NE(::access(b.c_str(), F_OK), 0);
    EXPECT_EQ(::access((trash + "/files/b.mp3").c_str(), F_OK), 0);
    // The restore record says where the file came from.
    std::string info = testmedia::ReadFile(trash + "/info/b.mp3.trashinfo");
    EXPECT_NE(info.find("[Trash Info]"), std::string::npos) << info;
    EXPECT_NE(info.find("Path=" + b), std::string::npos) << info;
    EXPECT_NE(info.find("DeletionDate="), std::string::npos) << info;
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{a}));

    // A file that is already gone: no question, the row stays.
    ::unlink(a.c_str());
    list.SetContextRow(0);
    list.DeleteContextFile();
    EXPECT_EQ(prompts.Boxes().size(), 2u);
    EXPECT_EQ(list.RowCount(), 1);
}

TEST_F(TrashTest, RestoreRecordsHoldThePathUrlEscaped) {
    const std::string odd = File("a b%c\xe9.mp3");
    list.AddPath(odd);
    list.SetContextRow(0);
    prompts.QueueAnswer(IDYES);
    list.DeleteContextFile();
    EXPECT_EQ(list.RowCount(), 0);
    const std::string info = testmedia::ReadFile(trash + "/info/a b%c\xe9.mp3.trashinfo");
    EXPECT_NE(info.find("Path=" + dir + "/a%20b%25c%E9.mp3\n"), std::string::npos) << info;
}

TEST_F(TrashTest, FilesThatCannotBeTrashedStayQuicklyAndTheUserIsTold) {
    auto tryToTrash = [&](const std::string& path) {
        prompts.Clear();
        list.SetContextRow(list.FindPath(path));
        prompts.QueueAnswer(IDYES);
        const auto started = std::chrono::steady_clock::now();
        list.DeleteContextFile();
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_LT(took, std::chrono::seconds(10)) << "the trash must give up, not retry for ever";
        ASSERT_EQ(prompts.Boxes().size(), 2u);
        EXPECT_NE(prompts.Boxes()[1].text.find("ごみ箱へ移動できませんでした"), std::string::npos);
        EXPECT_EQ(::access(path.c_str(), F_OK), 0) << "never deleted instead";
        EXPECT_GE(list.FindPath(path), 0) << "its row stays";
    };
    // A name so long that its restore record's name does not fit the file system.
    const std::string longName = File(std::string(246, 'n') + ".mp3");
    list.AddPath(longName);
    tryToTrash(longName);
    // A trash whose record folder cannot be made, for root too: a file stands in its place.
    testmedia::RemoveTree(trash);
    ::mkdir(trash.c_str(), 0700);
    testmedia::WriteBytes(trash, "info", "not a folder");
    const std::string blocked = File("blocked.mp3");
    list.AddPath(blocked);
    tryToTrash(blocked);
}

TEST_F(PlaylistCtrlTest, DropTakesLocalFilesAndFolders) {
    ASSERT_EQ(::mkdir((dir + "/dropped").c_str(), 0755), 0);
    const std::string inFolder = File("dropped/in folder.wav");
    const std::string single = File("single%.avi");
    QMimeData mime;
    mime.setData("text/uri-list", QByteArray::fromStdString("file://" + dir + "/dropped\r\n" +
                                                            "http://example.org/x.mp3\r\n"
                                                            "file://" +
                                                            dir + "/single%25.avi\r\n"));
    EXPECT_TRUE(list.DropMimeData(&mime));
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{inFolder, single}));
    EXPECT_TRUE(prompts.Boxes().empty());
}

TEST_F(PlaylistCtrlTest, ViewModesFromMenuCommands) {
    EXPECT_EQ(list.GetViewMode(), ViewReport);
    for (int command = 32777; command <= 32780; ++command) {
        list.SetViewMode(PlaylistCtrl::ViewModeForCommand(command));
        EXPECT_EQ(list.GetViewMode(), command - 32777);
    }
    EXPECT_EQ(PlaylistCtrl::ViewModeForCommand(1), -1);
    EXPECT_STREQ(PlaylistCtrl::ViewModeStatusText(ViewSmallIcon), "小さいアイコン");
    list.SetViewMode(7);
    EXPECT_EQ(list.GetViewMode(), ViewList);
}

TEST_F(PlaylistCtrlTest, IconAndListViewsShowWholeNames) {
    // The first row's short name once set the width of every item in these views.
    const std::vector<std::string> names = {"a", "summer holiday video", "morning song",
                                            "photo of the beach"};
    const char* extensions[] = {".mp3", ".avi", ".wav", ".jpg"};
    for (std::size_t i = 0; i < names.size(); ++i) list.AddPath(File(names[i] + extensions[i]));
    list.resize(380, 240);
    list.show();
    for (int mode : {ViewSmallIcon, ViewList, ViewIcon}) {
        list.SetViewMode(mode);
        QApplication::processEvents();
        QAbstractItemView* view = list.ActiveView();
        const QFontMetrics metrics = view->fontMetrics();
        for (int row = 1; row < list.RowCount(); ++row) {
            const QRect item = view->visualRect(list.Model()->index(row, 0));
            const int text = metrics.horizontalAdvance(QString::fromStdString(names[row]));
            if (mode == ViewIcon)
                // Wrapped below the icon in up to two lines: the cell holds half the name.
                EXPECT_GE(item.width(), std::min(text, 80)) << names[row];
            else
                EXPECT_GE(item.width(), text + 16) << names[row] << " in view " << mode;
        }
    }
}

TEST_F(PlaylistCtrlTest, FolderWalkSaysOnceWhatItsDepthLimitLeftOut) {
    // One-letter folders reach past the depth limit well within the path limit.
    std::string deep = dir + "/t";
    ::mkdir(deep.c_str(), 0755);
    File("t/top.mp3");
    for (int depth = 0; depth < 1030; ++depth) {
        deep += "/d";
        ASSERT_EQ(::mkdir(deep.c_str(), 0755), 0);
    }
    testmedia::WriteBytes(deep, "bottom.mp3", "x");
    AddReport report;
    list.AddFolder(dir + "/t", &report);
    EXPECT_EQ(list.Paths(), std::vector<std::string>{dir + "/t/top.mp3"});
    ASSERT_EQ(report.tooDeep.size(), 1u);
    list.ShowAddReport(report);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_NE(prompts.Boxes()[0].text.find("階層が深すぎる"), std::string::npos);
}

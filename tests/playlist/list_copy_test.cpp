#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "playlist/copy_dialog.h"
#include "playlist/copy_job.h"
#include "playlist/copy_progress_dialog.h"
#include "playlist/list_copy.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_ctrl.h"
#include "tests/support/full_disk.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

class ListCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("list_copy");
        out = dir + "/out";
        ::mkdir(out.c_str(), 0755);
    }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string File(const std::string& name, const std::string& bytes) {
        return testmedia::WriteBytes(dir, name, bytes);
    }
    static int EntriesIn(const std::string& folder) {
        int n = 0;
        DIR* d = ::opendir(folder.c_str());
        while (dirent* e = d ? ::readdir(d) : nullptr)
            n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
        if (d)
            ::closedir(d);
        return n;
    }
    static void FlushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The copy runs on its own thread and reports through the event loop.
    static bool Finishes(const QPointer<CopyJob>& job) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (job && std::chrono::steady_clock::now() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            FlushDeletes();
        }
        FlushDeletes();
        return job.isNull();
    }

    std::string dir, out;
};

}  // namespace

TEST(NumberedCopyName, NumberFromRowIndexAndUpperCasedExtension) {
    EXPECT_EQ(NumberedCopyName("/out", "trip", 2, "/a/x.jpg"), "/out/trip002.JPG");
    EXPECT_EQ(NumberedCopyName("/out/", "a", 0, "/a/b.Mp3"), "/out/a000.MP3");
    EXPECT_EQ(NumberedCopyName("/out", "a", 1000, "/a/b.wav"), "/out/a1000.WAV");
    EXPECT_EQ(NumberedCopyName("/" + std::string(kMaxPath, 'd'), "a", 0, "/b.wav"), "");
}

TEST_F(ListCopyTest, CopiesUnderNumberedNamesWithProgress) {
    const std::vector<std::string> sources = {File("one.mp3", "first"), File("two.wav", "second"),
                                              File("three.jpg", std::string(3 << 20, 'z'))};
    std::vector<int> percents;
    const CopyRunResult run = CopyNumbered(sources, {"a", out}, nullptr,
                                           [&](int, int percent) { percents.push_back(percent); });
    EXPECT_EQ(run.copied, 3);
    EXPECT_TRUE(run.failures.empty());
    EXPECT_EQ(percents, (std::vector<int>{0, 25, 50}));
    EXPECT_EQ(testmedia::ReadFile(out + "/a000.MP3"), "first");
    EXPECT_EQ(testmedia::ReadFile(out + "/a001.WAV"), "second");
    EXPECT_EQ(testmedia::ReadFile(out + "/a002.JPG"), std::string(3 << 20, 'z'));
    EXPECT_EQ(EntriesIn(out), 3) << "no temporary file is left behind";
}

TEST_F(ListCopyTest, NeverOverwritesNeverCopiesOntoItselfNorItsOwnOutput) {
    const std::string existing = testmedia::WriteBytes(out, "a000.MP3", "precious");
    const std::string self = testmedia::WriteBytes(out, "a001.WAV", "me");
    const std::string source = File("x.mp3", "new");
    // Row 3 lists the very file that row 2's copy is about to write.
    const std::vector<std::string> sources = {source, self, File("y.avi", "video"),
                                              out + "/a002.AVI"};
    const CopyRunResult run = CopyNumbered(sources, {"a", out}, nullptr, nullptr);
    EXPECT_EQ(testmedia::ReadFile(existing), "precious");
    EXPECT_EQ(testmedia::ReadFile(self), "me");
    EXPECT_EQ(testmedia::ReadFile(out + "/a002.AVI"), "video");
    EXPECT_NE(::access((out + "/a003.AVI").c_str(), F_OK), 0);
    ASSERT_EQ(run.failures.size(), 3u);
    EXPECT_EQ(run.failures[0].outcome.status, CopyStatus::TargetExists);
    EXPECT_EQ(run.failures[1].outcome.status, CopyStatus::SameFile);
    EXPECT_EQ(run.failures[2].outcome.status, CopyStatus::WrittenThisRun);
    EXPECT_EQ(run.copied, 1);
}

TEST_F(ListCopyTest, CancelAndFailureLeaveNoFileUnderTheFinalName) {
    const std::string big = File("big.wav", std::string(20 << 20, 'b'));
    int calls = 0;
    // Stop while the big file is half done (it is copied in chunks).
    CopyRunResult run = CopyNumbered(
        {File("s.mp3", "small"), big, File("t.mp3", "t")}, {"c", out}, [&] { return ++calls < 4; },
        nullptr);
    EXPECT_TRUE(run.cancelled);
    EXPECT_EQ(run.copied, 1);
    EXPECT_EQ(run.notAttempted, 2);
    EXPECT_NE(::access((out + "/c001.WAV").c_str(), F_OK), 0);
    EXPECT_EQ(EntriesIn(out), 1);

    const CopyOutcome failed = CopyFileNoReplace(big, "/proc/c000.WAV");
    EXPECT_EQ(failed.status, CopyStatus::WriteFailed);
    EXPECT_EQ(CopyFileNoReplace(dir + "/missing.mp3", out + "/m.MP3").status,
              CopyStatus::SourceMissing);
    EXPECT_EQ(CopyFileNoReplace(dir, out + "/d.MP3").status, CopyStatus::SourceMissing);
}

TEST_F(ListCopyTest, KilledOrFullCopiesLeaveNothingBehind) {
    const std::string big = File("big.wav", std::string(20 << 20, 'b'));
    // A copy killed half way: no file under the final name, no scratch file beside it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int chunks = 0;
        CopyFileNoReplace(big, out + "/k000.WAV", [&] {
            if (++chunks == 2)
                ::kill(::getpid(), SIGKILL);
            return true;
        });
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(EntriesIn(out), 0);

    // A copy the file system cannot hold.
    const int result = testmedia::RunWithFileSizeLimit(1 << 20, [&] {
        const CopyOutcome full = CopyFileNoReplace(big, out + "/f000.WAV");
        return full.status == CopyStatus::WriteFailed && full.error == EFBIG ? EntriesIn(out) : 100;
    });
    EXPECT_EQ(result, 0);
    testmedia::SmallDisk disk(1 << 20);
    if (disk.Available()) {
        const CopyOutcome full = CopyFileNoReplace(big, disk.Folder() + "/f000.WAV");
        EXPECT_EQ(full.status, CopyStatus::WriteFailed);
        EXPECT_EQ(full.error, ENOSPC);
        EXPECT_EQ(EntriesIn(disk.Folder()), 0);
    }
}

TEST_F(ListCopyTest, CommandChecksTheListAndReportsWhatWasNotCopied) {
    ScriptedPrompts prompts;
    PlaylistCtrl list;
    QPointer<CopyProgressDialog> progress;
    int asked = 0;
    CopyRequest answer{"a", out};
    auto ask = [&](QWidget*, CopyRequest* request) {
        ++asked;
        *request = answer;
        return true;
    };

    CopyListFiles(nullptr, list, progress, ask);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].text, "リスト内にコピーするコンテンツが存在しません。");
    EXPECT_EQ(asked, 0);

    list.AddPath(File("one.mp3", "1"));
    list.AddPath(File("two.mp3", "2"));
    testmedia::WriteBytes(out, "a001.MP3", "taken");
    ASSERT_TRUE(Finishes(CopyListFiles(nullptr, list, progress, ask)));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(progress.isNull()) << "cleared once the copy is done";
    EXPECT_EQ(testmedia::ReadFile(out + "/a000.MP3"), "1");
    EXPECT_EQ(testmedia::ReadFile(out + "/a001.MP3"), "taken");
    ASSERT_EQ(prompts.Boxes().size(), 2u);
    EXPECT_NE(prompts.Boxes()[1].text.find("two.mp3"), std::string::npos);

    answer = {"a", dir + "/no-such-folder"};
    EXPECT_TRUE(CopyListFiles(nullptr, list, progress, ask).isNull()) << "refused, nothing runs";
    ASSERT_EQ(prompts.Boxes().size(), 3u);
    EXPECT_NE(prompts.Boxes()[2].text.find("no-such-folder"), std::string::npos);
    answer = {"a/b", out};
    CopyListFiles(nullptr, list, progress, ask);
    EXPECT_EQ(prompts.Boxes().size(), 4u);

    // A copy already running is stopped by invoking the command again.
    answer = {"z", out};
    progress = new CopyProgressDialog(nullptr);
    progress->show();
    CopyListFiles(nullptr, list, progress, ask);
    FlushDeletes();
    EXPECT_TRUE(progress.isNull());
    EXPECT_NE(::access((out + "/z000.MP3").c_str(), F_OK), 0);
}

TEST_F(ListCopyTest, StalledCopyLeavesTheWindowAnsweringAndStopsWithItsProgressWindow) {
    ScriptedPrompts prompts;
    PlaylistCtrl list;
    list.AddPath(File("one.mp3", "1"));
    list.AddPath(File("two.mp3", "2"));
    QPointer<CopyProgressDialog> progress;
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false, stopSeen = false;
    // Stands in for a copy stuck on a slow disk: it gives up only when told to stop.
    auto stalled = [&](const std::vector<std::string>& sources, const CopyRequest&,
                       const std::function<bool()>& keepGoing,
                       const std::function<void(int, int)>& step) {
        step(0, 50);
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(30), [&] { return !keepGoing(); });
        stopSeen = !keepGoing();
        CopyRunResult r;
        r.cancelled = true;
        r.notAttempted = static_cast<int>(sources.size());
        return r;
    };
    const auto start = std::chrono::steady_clock::now();
    QPointer<CopyJob> job = CopyListFiles(
        nullptr, list, progress,
        [&](QWidget*, CopyRequest* request) {
            *request = {"a", out};
            return true;
        },
        stalled);
    ASSERT_FALSE(job.isNull());
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return entered; }));
    }
    // The interface thread is free: a posted event is handled while the copy is stuck.
    bool pinged = false;
    QTimer::singleShot(0, [&] { pinged = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(pinged);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_FALSE(progress.isNull());
    EXPECT_TRUE(progress->isVisible());

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(progress, &escape);
    {
        std::lock_guard<std::mutex> lock(mutex);
        changed.notify_all();
    }
    ASSERT_TRUE(Finishes(job));
    EXPECT_TRUE(stopSeen) << "hiding the progress window stops the copy";
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_NE(prompts.Boxes()[0].text.find("2"), std::string::npos) << prompts.Boxes()[0].text;
}

TEST_F(ListCopyTest, FolderThatTakesNoFilesIsRefusedBeforeAnyCopy) {
    ScriptedPrompts prompts;
    PlaylistCtrl list;
    list.AddPath(File("one.mp3", "1"));
    list.AddPath(File("two.wav", "2"));
    // Permission bits do not stop root; the immutable flag does.
    struct Lock {
        explicit Lock(const std::string& folder) : path(folder) {
            ::chmod(path.c_str(), 0555);
            if (::access(path.c_str(), W_OK) == 0)
                immutable = testmedia::Run("chattr +i '" + path + "' 2>/dev/null");
        }
        ~Lock() {
            if (immutable)
                testmedia::Run("chattr -i '" + path + "'");
            ::chmod(path.c_str(), 0755);
        }
        std::string path;
        bool immutable = false;
    } lock(out);
    if (::access(out.c_str(), W_OK) == 0)
        GTEST_SKIP() << "this user can write into any folder";

    QPointer<CopyProgressDialog> progress;
    CopyListFiles(nullptr, list, progress, [&](QWidget*, CopyRequest* request) {
        *request = {"a", out};
        return true;
    });
    FlushDeletes();
    ASSERT_EQ(prompts.Boxes().size(), 1u) << "one message, not one per file";
    EXPECT_EQ(prompts.Boxes()[0].text, "コピー先のフォルダー " + out + " に書き込めません。");
    EXPECT_TRUE(progress.isNull());
    EXPECT_EQ(EntriesIn(out), 0);
}

TEST_F(ListCopyTest, MoreRowsThanNumbersAreRefusedUpFront) {
    ScriptedPrompts prompts;
    PlaylistCtrl list;
    ASSERT_TRUE(testmedia::Run("cd '" + dir + "' && for i in $(seq 0 1000); do : > f$i.mp3; done"));
    list.AddFolder(dir);
    ASSERT_EQ(list.RowCount(), kMaxCopyRows + 1);
    QPointer<CopyProgressDialog> progress;
    bool asked = false;
    CopyListFiles(nullptr, list, progress, [&](QWidget*, CopyRequest*) { return asked = true; });
    EXPECT_FALSE(asked);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_NE(prompts.Boxes()[0].text.find("1000"), std::string::npos);
    EXPECT_EQ(EntriesIn(out), 0);
}

TEST(CopyDialog, NameLimitOkStateAndDestinationChecks) {
    ScriptedPrompts prompts;
    CopyDialog dialog(nullptr, "/start");
    EXPECT_EQ(dialog.DestinationEdit()->text(), "/start");
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.RenameEdit()->setText("abcdefg");
    EXPECT_EQ(dialog.RenameEdit()->text(), "abcde");
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.RenameEdit()->setText(QString::fromUtf8("曲曲"));  // 3 bytes each
    EXPECT_EQ(dialog.RenameEdit()->text(), QString::fromUtf8("曲"));
    dialog.RenameEdit()->setText("");
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.Accept());

    // Enter presses nothing.
    dialog.RenameEdit()->setText("trip");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_EQ(dialog.result(), 0);

    prompts.QueueFolder("/chosen");
    dialog.Browse();
    EXPECT_EQ(prompts.FolderTitles().at(0), "ファイルのコピー先を選択してください");
    EXPECT_EQ(dialog.DestinationEdit()->text(), "/chosen");

    dialog.DestinationEdit()->setText(QString(static_cast<int>(kMaxPath), 'd'));
    EXPECT_FALSE(dialog.Accept());
    EXPECT_EQ(prompts.Boxes().size(), 1u);
    dialog.DestinationEdit()->setText("/chosen/");
    EXPECT_TRUE(dialog.Accept());
    EXPECT_EQ(dialog.RenameName(), "trip");
    EXPECT_EQ(dialog.Destination(), "/chosen");
}

TEST(CopyProgressDialog, StopDestroysEscapeOnlyHides) {
    QPointer<CopyProgressDialog> a = new CopyProgressDialog(nullptr);
    a->show();
    EXPECT_TRUE(a->AnimationRunning());
    a->SetProgress(40);
    EXPECT_EQ(a->Progress(), 40);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(a.data(), &escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(a.isNull());
    EXPECT_FALSE(a->isVisible());

    a->show();
    a->StopButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(a.isNull());
}

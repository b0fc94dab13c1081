#include "platform/atomic_file.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/scratch_journal.h"
#include "tests/support/full_disk.h"
#include "tests/support/media_factory.h"

namespace {

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("atomic");
        // Notes of scratch files go to a folder of this test alone.
        const char* old = std::getenv("XDG_STATE_HOME");
        savedState = old ? old : "";
        ::setenv("XDG_STATE_HOME", (dir + "/state").c_str(), 1);
        ::mkdir((dir + "/files").c_str(), 0755);
        files = dir + "/files";
    }
    void TearDown() override {
        AtomicFile::UseUnnamedFiles(true);
        ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
        testmedia::RemoveTree(dir);
    }
    std::string dir, files, savedState;
};

TEST_F(AtomicFileTest, ReplacesWholeKeepingModeAndFollowingLinks) {
    for (bool unnamed : {true, false}) {
        AtomicFile::UseUnnamedFiles(unnamed);
        const std::string target = testmedia::WriteBytes(files, "list.vpl", "old contents");
        ::chmod(target.c_str(), 0640);
        ASSERT_EQ(AtomicFile::ReplaceContents(target, "new"), 0);
        EXPECT_EQ(testmedia::ReadFile(target), "new");
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(Entries(files), std::vector<std::string>{"list.vpl"}) << "nothing left beside it";

        // Through a link: the file it points at changes, the link stays a link.
        ASSERT_EQ(::symlink("list.vpl", (files + "/link.vpl").c_str()), 0);
        ASSERT_EQ(AtomicFile::ReplaceContents(files + "/link.vpl", "via link"), 0);
        EXPECT_EQ(testmedia::ReadFile(target), "via link");
        ASSERT_EQ(::lstat((files + "/link.vpl").c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
        ::unlink((files + "/link.vpl").c_str());
        ::unlink(target.c_str());
        EXPECT_TRUE(Entries(dir + "/state/veltra/scratch").empty()) << "no note outlives its write";
    }
}

TEST_F(AtomicFileTest, NoReplaceTakesOnlyAFreeNameAndErrorsAreReported) {
    const std::string taken = testmedia::WriteBytes(files, "taken.bmp", "keep");
    for (bool unnamed : {true, false}) {
        AtomicFile::UseUnnamedFiles(unnamed);
        AtomicFile file;
        ASSERT_TRUE(file.Open(taken, AtomicFile::Commit::NoReplace));
        ASSERT_TRUE(file.Write("other"));
        EXPECT_FALSE(file.Finish());
        EXPECT_EQ(file.Error(), EEXIST);
        EXPECT_EQ(testmedia::ReadFile(taken), "keep");

        AtomicFile fresh;
        const std::string name = files + (unnamed ? "/fresh1.bmp" : "/fresh2.bmp");
        ASSERT_TRUE(fresh.Open(name, AtomicFile::Commit::NoReplace));
        ASSERT_TRUE(fresh.Write("abc"));
        ASSERT_TRUE(fresh.Finish());
        EXPECT_EQ(testmedia::ReadFile(name), "abc");
    }
    EXPECT_EQ(Entries(files), (std::vector<std::string>{"fresh1.bmp", "fresh2.bmp", "taken.bmp"}));

    EXPECT_EQ(AtomicFile::ReplaceContents(dir + "/no/such/folder/x.vpl", "x"), ENOENT);
    EXPECT_EQ(AtomicFile::ReplaceContents(files, "x"), EISDIR);
    EXPECT_EQ(AtomicFile::ReplaceContents(taken + "/x.vpl", "x"), ENOTDIR);
    if (::geteuid() != 0) {
        ::chmod(taken.c_str(), 0444);
        EXPECT_EQ(AtomicFile::ReplaceContents(taken, "x"), EACCES);
        EXPECT_EQ(testmedia::ReadFile(taken), "keep");
    }
}

TEST_F(AtomicFileTest, FullDiskLeavesTheOldFileWhole) {
    testmedia::SmallDisk disk(64 * 1024);
    if (!disk.Available())
        GTEST_SKIP() << "no tmpfs can be mounted here; the file-size limit test covers it";
    for (bool unnamed : {true, false}) {
        AtomicFile::UseUnnamedFiles(unnamed);
        const std::string old(300, 'o');
        const std::string target = testmedia::WriteBytes(disk.Folder(), "plInfo.ini", old);
        disk.Fill();
        EXPECT_EQ(AtomicFile::ReplaceContents(target, "[MAIN]\r\nSTRECH=TRUE\r\n"), ENOSPC);
        EXPECT_EQ(testmedia::ReadFile(target), old);
        EXPECT_EQ(Entries(disk.Folder()), (std::vector<std::string>{".filler", "plInfo.ini"}));
        ::unlink((disk.Folder() + "/.filler").c_str());
    }
}

TEST_F(AtomicFileTest, WriteCutShortByAFileSizeLimitLeavesTheOldFileWhole) {
    const std::string target = testmedia::WriteBytes(files, "list.m3u", "song.mp3\r\n");
    for (bool unnamed : {true, false}) {
        const int result = testmedia::RunWithFileSizeLimit(4096, [&] {
            AtomicFile::UseUnnamedFiles(unnamed);
            const int error = AtomicFile::ReplaceContents(target, std::string(10000, 'x'));
            if (error != EFBIG)
                return 1;
            if (testmedia::ReadFile(target) != "song.mp3\r\n")
                return 2;
            return Entries(files) == std::vector<std::string>{"list.m3u"} ? 0 : 3;
        });
        EXPECT_EQ(result, 0) << (unnamed ? "unnamed file" : "scratch name");
    }
}

TEST_F(AtomicFileTest, ScratchWrittenByOthersIsCommittedWithTheUmaskOrTheReplacedMode) {
    const mode_t old = ::umask(027);
    const std::string target = files + "/cut.wav";
    std::string scratch = AtomicFile::CreateScratchBeside(target);
    ASSERT_FALSE(scratch.empty());
    // A library that writes the file by its name may well make it with a mode of its own.
    ::chmod(scratch.c_str(), 0600);
    testmedia::WriteBytes(files, scratch.substr(files.size() + 1), "RIFF");
    EXPECT_EQ(AtomicFile::CommitScratch(scratch, target, AtomicFile::Commit::Replace), 0);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "a new file's mode under the umask";
    EXPECT_EQ(testmedia::ReadFile(target), "RIFF");
    EXPECT_EQ(Entries(files), std::vector<std::string>{"cut.wav"});
    EXPECT_TRUE(Entries(dir + "/state/veltra/scratch").empty()) << "the journal forgets it";

    ::chmod(target.c_str(), 0604);
    scratch = AtomicFile::CreateScratchBeside(target);
    testmedia::WriteBytes(files, scratch.substr(files.size() + 1), "RIFF2");
    EXPECT_EQ(AtomicFile::CommitScratch(scratch, target, AtomicFile::Commit::NoReplace), EEXIST);
    EXPECT_EQ(testmedia::ReadFile(target), "RIFF") << "a taken name is left alone";
    EXPECT_EQ(AtomicFile::CommitScratch(scratch, target, AtomicFile::Commit::Replace), 0);
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u) << "the replaced file's mode is kept";
    EXPECT_EQ(testmedia::ReadFile(target), "RIFF2");
    EXPECT_EQ(AtomicFile::CommitScratch(files + "/.gone.part", target, AtomicFile::Commit::Replace),
              ENOENT);
    ::umask(old);
}

TEST_F(AtomicFileTest, ScratchFilesOfAKilledWriterGoAtTheNextStart) {
    AtomicFile::UseUnnamedFiles(false);
    const std::string target = files + "/cut.wav";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file;
        if (file.Open(target, AtomicFile::Commit::Replace) && file.Write("half"))
            ::kill(::getpid(), SIGKILL);  // dies in the middle, as a killed program would
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::vector<std::string> left = Entries(files);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].compare(0, 9, ".cut.wav."), 0) << left[0];
    ASSERT_EQ(Entries(dir + "/state/veltra/scratch").size(), 1u);

    EXPECT_EQ(ScratchJournal::RemoveStale(), 1);
    EXPECT_TRUE(Entries(files).empty());
    EXPECT_TRUE(Entries(dir + "/state/veltra/scratch").empty());
}

TEST_F(AtomicFileTest, CleanUpNeverTouchesVisibleFilesOrLiveWriters) {
    const std::string journal = dir + "/state/veltra/scratch";
    std::filesystem::create_directories(journal);
    const std::string visible = testmedia::WriteBytes(files, "song.wav", "mine");
    const std::string hidden = testmedia::WriteBytes(files, ".song.wav.Ab12Cd", "scratch");
    const std::string aside = testmedia::WriteBytes(files, ".song.wav.Ab12Cd.77-0.part", "aside");
    const std::string other = testmedia::WriteBytes(files, ".other.part", "not ours");
    // A process that has surely ended: a child already reaped.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string deadPid = std::to_string(dead);
    testmedia::WriteBytes(journal, deadPid + "-1-f", "F " + visible + "\n");
    testmedia::WriteBytes(journal, deadPid + "-2-f", "F " + hidden.substr(0, hidden.size() - 3));
    testmedia::WriteBytes(journal, deadPid + "-3-p", "P " + hidden + "\n");
    // A live writer's note is left alone.
    testmedia::WriteBytes(journal, std::to_string(::getppid()) + "-4-f", "F " + hidden + "\n");

    EXPECT_EQ(ScratchJournal::RemoveStale(), 1);
    EXPECT_EQ(testmedia::ReadFile(visible), "mine") << "visible names are never removed";
    EXPECT_EQ(testmedia::ReadFile(hidden), "scratch") << "a cut note names nothing";
    EXPECT_NE(::access(aside.c_str(), F_OK), 0) << "the family's aside file goes";
    EXPECT_EQ(testmedia::ReadFile(other), "not ours");
    EXPECT_EQ(Entries(journal), std::vector<std::string>{std::to_string(::getppid()) + "-4-f"});
}

}  // namespace

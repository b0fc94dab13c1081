#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>

#include "tests/support/media_factory.h"

namespace {

class FileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("file_system"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

TEST_F(FileSystemTest, KindsFollowLinksAndNamesCountDanglingOnes) {
    const std::string file = testmedia::WriteBytes(dir, "a.mp3", "12345");
    ASSERT_EQ(::mkdir((dir + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo((dir + "/pipe.mp3").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("a.mp3", (dir + "/link.mp3").c_str()), 0);
    ASSERT_EQ(::symlink("gone", (dir + "/dangling").c_str()), 0);

    EXPECT_EQ(KindOf(file), PathKind::File);
    EXPECT_EQ(KindOf(dir + "/sub"), PathKind::Folder);
    EXPECT_EQ(KindOf(dir + "/pipe.mp3"), PathKind::Other);
    EXPECT_EQ(KindOf(dir + "/link.mp3"), PathKind::File);
    EXPECT_EQ(KindOf(dir + "/dangling"), PathKind::Missing);
    EXPECT_EQ(KindOf(""), PathKind::Missing);
    EXPECT_TRUE(NameExists(dir + "/dangling"));
    EXPECT_FALSE(NameExists(dir + "/nothing"));

    EXPECT_EQ(RegularFileSize(file), 5u);
    EXPECT_FALSE(RegularFileSize(dir + "/pipe.mp3")) << "a fifo without a writer must not hang";
    EXPECT_FALSE(RegularFileSize(dir + "/sub"));
    EXPECT_TRUE(SameFile(file, dir + "/link.mp3"));
    EXPECT_FALSE(SameFile(file, dir + "/sub"));
    EXPECT_FALSE(SameFile(dir + "/nothing", dir + "/nothing"));
}

TEST_F(FileSystemTest, ListingReadsEveryEntryWithItsKindAndTheFolderIdentity) {
    testmedia::WriteBytes(dir, "one.wav", "1");
    ASSERT_EQ(::mkdir((dir + "/inner").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(".", (dir + "/loop").c_str()), 0);
    ASSERT_EQ(::symlink("gone", (dir + "/dangling").c_str()), 0);

    const FolderListing listing = ListFolder(dir);
    ASSERT_TRUE(listing.ok);
    auto kindOf = [&](const std::string& name) {
        auto it = std::find_if(listing.entries.begin(), listing.entries.end(),
                               [&](const FolderEntry& e) { return e.name == name; });
        return it == listing.entries.end() ? PathKind::Missing : it->kind;
    };
    EXPECT_EQ(listing.entries.size(), 3u) << "no dot entries, no dangling link";
    EXPECT_EQ(kindOf("one.wav"), PathKind::File);
    EXPECT_EQ(kindOf("inner"), PathKind::Folder);
    EXPECT_EQ(kindOf("loop"), PathKind::Folder);
    const FolderListing again = ListFolder(dir + "/loop");
    EXPECT_EQ(again.device, listing.device);
    EXPECT_EQ(again.inode, listing.inode) << "the loop is known as the same folder";
    EXPECT_FALSE(ListFolder(dir + "/one.wav").ok);
    EXPECT_FALSE(ListFolder(dir + "/nothing").ok);
}

TEST_F(FileSystemTest, WholeFileReadsOnlyRegularFilesWithinTheirBound) {
    const std::string file = testmedia::WriteBytes(dir, "list.m3u", std::string("a\0b\r\n", 5));
    ASSERT_EQ(::mkfifo((dir + "/pipe.m3u").c_str(), 0644), 0);

    WholeFile read = ReadWholeFile(file, 5);
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.bytes, std::string("a\0b\r\n", 5)) << "every byte, a NUL included";

    read = ReadWholeFile(file, 4);
    EXPECT_EQ(read.failure, WholeFile::Failure::Open);
    EXPECT_EQ(read.error, EFBIG);
    EXPECT_TRUE(read.bytes.empty());

    read = ReadWholeFile(dir + "/pipe.m3u", 100);  // no writer: must not hang
    EXPECT_EQ(read.failure, WholeFile::Failure::Open);
    EXPECT_EQ(read.error, EINVAL);
    EXPECT_EQ(ReadWholeFile(dir, 100).error, EINVAL);
    EXPECT_EQ(ReadWholeFile(dir + "/nothing", 100).error, ENOENT);
    EXPECT_TRUE(ReadWholeFile(testmedia::WriteBytes(dir, "empty", ""), 0).ok());
}

TEST_F(FileSystemTest, FileStartReadsTheHeadOfRegularFilesAndRemoveTakesTheName) {
    const std::string file = testmedia::WriteBytes(dir, "cut.wav", "RIFF1234WAVE");
    ASSERT_EQ(::mkfifo((dir + "/pipe.wav").c_str(), 0644), 0);

    std::optional<FileStart> start = ReadFileStart(file, 4);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->bytes, "RIFF");
    EXPECT_EQ(start->size, 12u) << "the whole size, not what was read";
    start = ReadFileStart(file, 100);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->bytes, "RIFF1234WAVE") << "a short file gives what it has";
    EXPECT_FALSE(ReadFileStart(dir + "/pipe.wav", 4)) << "a fifo without a writer must not hang";
    EXPECT_FALSE(ReadFileStart(dir, 4));
    EXPECT_FALSE(ReadFileStart(dir + "/nothing", 4));

    EXPECT_TRUE(RemoveFile(file));
    EXPECT_FALSE(NameExists(file));
    EXPECT_FALSE(RemoveFile(file)) << "a name already gone";
}

}  // namespace

TEST(MemoryFile, HoldsItsBytesFromTheStartAndSeeksLikeAFile) {
    const std::string bytes = std::string("1\n00:00:01,000 --> 00:00:02,000\n") + '\0' + "x";
    const int fd = MemoryFileWith("test", bytes);
    ASSERT_GE(fd, 0);
    std::string back(bytes.size() + 4, '?');
    EXPECT_EQ(::read(fd, back.data(), back.size()), static_cast<ssize_t>(bytes.size()));
    back.resize(bytes.size());
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(::lseek(fd, 2, SEEK_SET), 2) << "readers seek in it to read it again";
    char c = 0;
    EXPECT_EQ(::read(fd, &c, 1), 1);
    EXPECT_EQ(c, '0');
    CloseFile(fd);
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1) << "closed";
    CloseFile(-1);
}

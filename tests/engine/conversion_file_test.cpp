// The file a conversion writes: hidden beside its target until complete, then renamed;
// an empty or vanished file is a failure, and an abandoned one leaves nothing behind.
#include "engine/conversion_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/support/media_factory.h"

namespace fs = std::filesystem;

TEST(ConversionFile, CompleteFilesTakeTheirNameAndNothingElseIsLeft) {
    const std::string dir = testmedia::MakeTempDir("convfile");
    const std::string target = dir + "/cut.wav";

    ConversionFile file;
    const std::string partial = file.Begin(target);
    EXPECT_EQ(fs::path(partial).parent_path(), fs::path(dir));
    EXPECT_NE(partial, target);
    EXPECT_EQ(fs::path(partial).filename().string().front(), '.') << "hidden while written";
    std::ofstream(partial) << "RIFF";
    EXPECT_EQ(file.Commit(), S_OK);
    EXPECT_TRUE(fs::exists(target));
    EXPECT_FALSE(fs::exists(partial));
    file.Abandon();  // a finished file stays
    EXPECT_TRUE(fs::exists(target));
    EXPECT_FALSE(file.Active());

    // Nothing written: no file under the target's name, and the failure says so.
    const std::string empty = dir + "/empty.wav";
    const std::string emptyPartial = file.Begin(empty);
    std::ofstream(emptyPartial).flush();
    EXPECT_EQ(file.Commit(), HRESULT_FROM_WIN32(ERROR_WRITE_FAULT));
    EXPECT_FALSE(fs::exists(empty));
    EXPECT_FALSE(fs::exists(emptyPartial));

    // Cancelled halfway: the half-written file goes.
    const std::string half = file.Begin(dir + "/half.wav");
    std::ofstream(half) << "RIFF....";
    file.Abandon();
    EXPECT_FALSE(fs::exists(half));
    EXPECT_FALSE(fs::exists(dir + "/half.wav"));
    testmedia::RemoveTree(dir);
}

// A name as long as the folder allows still gets a hidden file that fits beside it, and the
// finished file has the mode any new file of the user would have.
TEST(ConversionFile, LongNamesAndThePlainModeOfANewFile) {
    const std::string dir = testmedia::MakeTempDir("convfile_long");
    const std::string target = dir + "/" + std::string(251, 'n') + ".wav";
    ConversionFile file;
    const std::string partial = file.Begin(target);
    ASSERT_FALSE(partial.empty());
    EXPECT_LE(fs::path(partial).filename().string().size(), 255u);
    EXPECT_EQ(fs::path(partial).parent_path(), fs::path(dir));
    std::ofstream(partial) << "RIFF";
    ASSERT_EQ(file.Commit(), S_OK);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const auto perms = fs::status(target).permissions();
    EXPECT_EQ(static_cast<mode_t>(perms) & 0777, 0666 & ~mask);
    file.Abandon();
    testmedia::RemoveTree(dir);
}

// The folder is taken away while the cut is written (a removable disk pulled, the folder
// deleted in the file manager): the cut fails, and nothing appears where it was.
TEST(ConversionFile, AFolderThatGoesAwayMidCutFailsAndLeavesNothing) {
    const std::string dir = testmedia::MakeTempDir("convfile_gone");
    const std::string folder = dir + "/out";
    ASSERT_TRUE(fs::create_directory(folder));
    ConversionFile file;
    const std::string partial = file.Begin(folder + "/cut.wav");
    ASSERT_FALSE(partial.empty());
    std::ofstream written(partial);
    written << "RIFF....WAVE";
    written.flush();
    fs::remove_all(folder);  // the writer still holds the file open
    written << "more sound";
    written.close();
    EXPECT_EQ(file.Commit(), HRESULT_FROM_WIN32(ERROR_WRITE_FAULT));
    EXPECT_FALSE(fs::exists(folder)) << "the folder is not made again";

    // Taken away and made again empty: the half-written file is gone with the old one.
    ASSERT_TRUE(fs::create_directory(folder));
    const std::string again = file.Begin(folder + "/cut.wav");
    std::ofstream(again) << "RIFF";
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directory(folder));
    EXPECT_NE(file.Commit(), S_OK);
    EXPECT_TRUE(fs::is_empty(folder));
    file.Abandon();
    EXPECT_TRUE(fs::is_empty(folder));
    testmedia::RemoveTree(dir);
}

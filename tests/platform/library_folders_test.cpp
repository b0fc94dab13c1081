// The program's libraries: beside the program first, then the installed ../lib/veltra/.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "platform/library_folders.h"

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

}  // namespace

TEST(LibraryFolders, ProgramFolderFirstThenTheInstalledLibraryFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fs::path root = dir.path().toStdString();
    const std::string bin = (root / "bin").string() + "/";

    EXPECT_EQ(LibraryFolders(bin),
              (std::vector<std::string>{bin, (root / "lib" / "veltra").string() + "/"}));
    EXPECT_EQ(LibraryFolders(root / "bin"), LibraryFolders(bin)) << "trailing slash optional";
    EXPECT_TRUE(LibraryFolders("").empty());

    EXPECT_EQ(FindLibraryFile("libtunewell.so", bin), "") << "in neither place";
    Touch(root / "lib" / "veltra" / "libtunewell.so");
    EXPECT_EQ(FindLibraryFile("libtunewell.so", bin),
              (root / "lib" / "veltra" / "libtunewell.so").string());
    Touch(root / "bin" / "libtunewell.so");
    EXPECT_EQ(FindLibraryFile("libtunewell.so", bin), bin + "libtunewell.so")
        << "a copy beside the program wins";

    // A folder of that name is no library.
    fs::create_directories(root / "bin" / "libwavsink.so");
    Touch(root / "lib" / "veltra" / "libwavsink.so");
    EXPECT_EQ(FindLibraryFile("libwavsink.so", bin),
              (root / "lib" / "veltra" / "libwavsink.so").string());
}

TEST(LibraryFolders, TheRunningProgramsFoldersStartWithItsOwn) {
    const auto folders = LibraryFolders();
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(fs::path(folders[0]), fs::canonical("/proc/self/exe").parent_path() / "");
}

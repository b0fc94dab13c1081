#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "tests/support/full_disk.h"
#include "tests/support/media_factory.h"

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("ini");
        path = dir + "/plInfo.ini";
    }
    void TearDown() override {
        chmod(dir.c_str(), 0700);
        testmedia::RemoveTree(dir);
    }
    std::string dir, path;
};

TEST_F(IniFileTest, WritesNewFileWithCrlfAndReadsBackCaseInsensitively) {
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "SIZE", "10,10,400,330,1,0", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "STRECH", "TRUE", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("VIEW", "SIZE", "1,2,3,4,1,0", path.c_str()));
    EXPECT_EQ(testmedia::ReadFile(path),
              "[MAIN]\r\nSIZE=10,10,400,330,1,0\r\nSTRECH=TRUE\r\n[VIEW]\r\nSIZE=1,2,3,4,1,0\r\n");
    EXPECT_EQ(GetPrivateProfileString("main", "strech", "x", path), "TRUE");
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "SIZE", "5,5,6,6,1,0", path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("MAIN", "SIZE", "", path), "5,5,6,6,1,0");
    EXPECT_EQ(GetPrivateProfileString("VIEW", "SIZE", "", path), "1,2,3,4,1,0");
}

TEST_F(IniFileTest, ReadsWindowsFilesAndKeepsForeignLines) {
    testmedia::WriteBytes(
        dir, "plInfo.ini",
        "; comment\r\n[Main]\r\n  Size = \"1,2\" \r\nOther=x\r\n\r\n[VIEW]\r\nA=1");
    EXPECT_EQ(GetPrivateProfileString("MAIN", "SIZE", "", path), "1,2");
    EXPECT_EQ(GetPrivateProfileString("VIEW", "A", "", path), "1");
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "NEW", "v", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("VIEW", "B", "2", path.c_str()));
    EXPECT_EQ(testmedia::ReadFile(path),
              "; comment\r\n[Main]\r\n  Size = \"1,2\" "
              "\r\nOther=x\r\nNEW=v\r\n\r\n[VIEW]\r\nA=1\r\nB=2\r\n");
}

TEST_F(IniFileTest, MissingCorruptAndTruncatedFilesGiveDefaults) {
    EXPECT_EQ(GetPrivateProfileString("MAIN", "SIZE", "Default  ", path), "Default");
    testmedia::WriteBytes(dir, "plInfo.ini", std::string("\x00\xff[MAI\x01\n=\n[MAIN\nSIZE", 18));
    EXPECT_EQ(GetPrivateProfileString("MAIN", "SIZE", "Default", path), "Default");
    EXPECT_EQ(GetPrivateProfileInt("MAIN", "SIZE", 7, path.c_str()), 7u);
    // Writing into it keeps the unreadable bytes rather than dropping them.
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "SIZE", "1", path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("MAIN", "SIZE", "", path), "1");
    EXPECT_EQ(testmedia::ReadFile(path).substr(0, 2), std::string("\x00\xff", 2));
}

TEST_F(IniFileTest, BufferFormTruncatesTheWindowsWayAndListsNames) {
    std::string longValue(1000, 'v');
    ASSERT_TRUE(WritePrivateProfileString("S", "K", longValue.c_str(), path.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("T", "K2", "x", path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", path), longValue);
    char buf[260];
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", buf, sizeof buf, path.c_str()), 259u);
    EXPECT_EQ(std::string(buf), longValue.substr(0, 259));
    DWORD n = GetPrivateProfileString(nullptr, nullptr, "", buf, sizeof buf, path.c_str());
    EXPECT_EQ(std::string(buf, n), std::string("S\0T\0", 4));
}

TEST_F(IniFileTest, IntegersAndRemoval) {
    WritePrivateProfileInt("S", "N", -42, path.c_str());
    WritePrivateProfileString("S", "H", "0x1F", path.c_str());
    WritePrivateProfileString("S", "J", "junk", path.c_str());
    EXPECT_EQ(static_cast<int>(GetPrivateProfileInt("S", "N", 0, path.c_str())), -42);
    EXPECT_EQ(GetPrivateProfileInt("S", "H", 0, path.c_str()), 31u);
    EXPECT_EQ(GetPrivateProfileInt("S", "J", 5, path.c_str()), 0u);
    ASSERT_TRUE(WritePrivateProfileString("S", "N", nullptr, path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("S", "N", "gone", path), "gone");
    ASSERT_TRUE(WritePrivateProfileString("S", nullptr, nullptr, path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("S", "H", "gone", path), "gone");
}

TEST_F(IniFileTest, RefusedWritesLeaveTheOldFileIntact) {
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "SIZE", "1", path.c_str()));
    const std::string before = testmedia::ReadFile(path);
    EXPECT_FALSE(WritePrivateProfileString("MAIN", "SIZE", "a\r\nb=c", path.c_str()));
    EXPECT_FALSE(WritePrivateProfileString("MAIN", "K=1", "x", path.c_str()));
    if (geteuid() != 0) {  // root writes anywhere
        chmod(path.c_str(), 0400);
        EXPECT_FALSE(WritePrivateProfileString("MAIN", "SIZE", "2", path.c_str()));
        chmod(path.c_str(), 0600);
        chmod(dir.c_str(), 0500);
        EXPECT_FALSE(WritePrivateProfileString("MAIN", "SIZE", "3", path.c_str()));
        chmod(dir.c_str(), 0700);
    }
    EXPECT_EQ(testmedia::ReadFile(path), before);
}

}  // namespace

namespace {

TEST_F(IniFileTest, NameListsThatFillTheBufferStayInsideIt) {
    testmedia::WriteBytes(dir, "plInfo.ini", "[AB]\n[C]\n[S]\nab=1\ncd=2\n");
    // "AB\0" fills all but the last byte: nothing of "C" fits, the list ends there.
    std::vector<char> four(4, 'x');
    EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, "", four.data(), 4, path.c_str()), 2u);
    EXPECT_EQ(std::string(four.data(), 4), std::string("AB\0\0", 4));
    std::vector<char> keys(4, 'x');
    EXPECT_EQ(GetPrivateProfileString("S", nullptr, "", keys.data(), 4, path.c_str()), 2u);
    EXPECT_EQ(std::string(keys.data(), 4), std::string("ab\0\0", 4));
    for (DWORD size = 1; size < 16; ++size) {
        std::vector<char> buffer(size, 'x');
        const DWORD n =
            GetPrivateProfileString(nullptr, nullptr, "", buffer.data(), size, path.c_str());
        EXPECT_LT(n, size);
        EXPECT_EQ(buffer[n], '\0');
    }
}

TEST_F(IniFileTest, EntriesWrittenAfterALoneCarriageReturnReadBack) {
    testmedia::WriteBytes(dir, "plInfo.ini", "[MAIN]\r\nSIZE=1,2,3,4,1,0\r");
    ASSERT_TRUE(WritePrivateProfileString("MAIN", "STRECH", "TRUE", path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("MAIN", "STRECH", "", path), "TRUE");
    EXPECT_EQ(GetPrivateProfileString("MAIN", "SIZE", "", path), "1,2,3,4,1,0");
    ASSERT_TRUE(WritePrivateProfileString("VIEW", "SIZE", "9", path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("VIEW", "SIZE", "", path), "9");
    EXPECT_EQ(testmedia::ReadFile(path),
              "[MAIN]\r\nSIZE=1,2,3,4,1,0\r\nSTRECH=TRUE\r\n[VIEW]\r\nSIZE=9\r\n");
}

TEST_F(IniFileTest, RemovalsTakeDuplicatesAndUnreadableNamesAreRefused) {
    testmedia::WriteBytes(dir, "plInfo.ini", "[A]\nk=1\nk=2\n[B]\nx=1\n[a]\nk=3\n");
    ASSERT_TRUE(WritePrivateProfileString("A", "K", nullptr, path.c_str()));
    EXPECT_EQ(GetPrivateProfileString("A", "k", "gone", path), "gone");
    ASSERT_TRUE(WritePrivateProfileString(" a ", nullptr, nullptr, path.c_str()));
    EXPECT_EQ(testmedia::ReadFile(path), "[B]\nx=1\n");
    // Names the reader would take for a comment or a header, or not see at all.
    for (const char* key : {";k", "[k", "  ", "a=b"})
        EXPECT_FALSE(WritePrivateProfileString("B", key, "v", path.c_str())) << key;
    EXPECT_FALSE(WritePrivateProfileString("B", "k", "two\nlines", path.c_str()));
    EXPECT_EQ(testmedia::ReadFile(path), "[B]\nx=1\n");
    // Blanks around names are not part of them, for the reader as for the writer.
    ASSERT_TRUE(WritePrivateProfileString(" B ", " y ", " \"v\" ", path.c_str()));
    EXPECT_EQ(GetPrivateProfileString(" B", "y ", "", path), "v");
}

TEST_F(IniFileTest, FullDiskOrFileSizeLimitLeavesTheSettingsAsTheyWere) {
    const std::string old = "[MAIN]\r\nSIZE=10,10,400,330,1,0\r\nSTRECH=FALSE\r\n";
    testmedia::WriteBytes(dir, "plInfo.ini", old);
    const int result = testmedia::RunWithFileSizeLimit(16, [&] {
        if (WritePrivateProfileString("MAIN", "STRECH", "TRUE", path.c_str()))
            return 1;
        return testmedia::ReadFile(path) == old ? 0 : 2;
    });
    EXPECT_EQ(result, 0);

    testmedia::SmallDisk disk(64 * 1024);
    if (!disk.Available())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::string full = testmedia::WriteBytes(disk.Folder(), "plInfo.ini", old);
    disk.Fill();
    EXPECT_FALSE(WritePrivateProfileString("MAIN", "STRECH", "TRUE", full.c_str()));
    EXPECT_EQ(testmedia::ReadFile(full), old);
}

}  // namespace

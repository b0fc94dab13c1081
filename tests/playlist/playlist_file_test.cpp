#include <sys/stat.h>

#include <gtest/gtest.h>

#include "playlist/file_prompt.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_ctrl.h"
#include "playlist/playlist_file.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

class PlaylistFileTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("playlist_file"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string File(const std::string& name) {
        const auto slash = name.rfind('/');
        if (slash != std::string::npos)
            MakeDirs(name.substr(0, slash));
        return testmedia::WriteBytes(dir, name, "data");
    }
    void MakeDirs(const std::string& rel) {
        std::string path = dir;
        std::size_t start = 0;
        while (start <= rel.size()) {
            auto slash = rel.find('/', start);
            if (slash == std::string::npos)
                slash = rel.size();
            path += "/" + rel.substr(start, slash - start);
            ::mkdir(path.c_str(), 0755);
            start = slash + 1;
        }
    }
    std::string dir;
};

}  // namespace

TEST(MakeRelativePath, ClimbsAndDescendsWithBackslashes) {
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/a/b/c/x.mp3"), "c\\x.mp3");
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/a/d/x.mp3"), "..\\d\\x.mp3");
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/x.mp3"), "..\\..\\x.mp3");
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/a/b/x.mp3"), "x.mp3");
    EXPECT_EQ(MakeRelativePath("/list.vpl", "/x/y.mp3"), "x\\y.mp3");
    // Folder names are compared whole, not as prefixes.
    EXPECT_EQ(MakeRelativePath("/m/ab/list.vpl", "/m/abc/x.mp3"), "..\\abc\\x.mp3");
}

TEST(PlaylistWriter, FlavourDecidesWhichRowsAreWritten) {
    const std::vector<std::string> rows = {"/m/v/clip.avi", "/m/s/song.mp3", "/m/p/pic.jpg",
                                           "/m/s/tune.ogg"};
    EXPECT_EQ(PlaylistWriter::Format("/m/list.vpl", rows, false),
              "v\\clip.avi\r\ns\\song.mp3\r\np\\pic.jpg\r\ns\\tune.ogg\r\n");
    EXPECT_EQ(PlaylistWriter::Format("/m/list.m3u", rows, false), "s\\song.mp3\r\n");
    EXPECT_EQ(PlaylistWriter::Format("/m/list.M3U", rows, true), "s\\song.mp3\r\ns\\tune.ogg\r\n");
    EXPECT_EQ(PlaylistWriter::Format("/m/list", rows, false), "s\\song.mp3\r\n")
        << "any name but .vpl gives M3U";
    EXPECT_TRUE(PlaylistWriter::IsOwnFlavour("/m/x.VPL"));
}

TEST_F(PlaylistFileTest, SavedListLoadsBackInOrder) {
    const std::vector<std::string> rows = {File("sub/b.mp3"), File("a.avi"), File("x/y/z 1.wav"),
                                           File("\xe6\x9b\xb2.bmp"), File("raw\xff.mp3")};
    const std::string target = dir + "/lists/mine.vpl";
    MakeDirs("lists");
    ASSERT_TRUE(PlaylistWriter::Write(target, rows, false).ok);
    std::vector<std::string> read;
    ASSERT_TRUE(PlaylistReader::Read(target, false, &read).ok);
    EXPECT_EQ(read, rows);

    // Saving again replaces the old file whole and leaves nothing beside it.
    ASSERT_TRUE(PlaylistWriter::Write(target, {rows[0]}, false).ok);
    EXPECT_EQ(testmedia::ReadFile(target), "..\\sub\\b.mp3\r\n");
    EXPECT_EQ(testmedia::Run("test $(ls -A '" + dir + "/lists' | wc -l) -eq 1"), true);
}

TEST_F(PlaylistFileTest, ReaderToleratesForeignAndBrokenInput) {
    const std::string song = File("music/song.mp3");
    const std::string other = File("music/other.wav");
    const std::string last = File("music/last.avi");
    File("music/#hash.mp3");
    const std::string listPath = dir + "/music/list.m3u";
    const std::string text = std::string("\xEF\xBB\xBF#EXTM3U\r\n") +
                             "#EXTINF:12,Artist - song.mp3\r\n"
                             "#hash.mp3\n"
                             "song.mp3\n" +
                             std::string(3 * kMaxPath, 'a') + ".mp3\n" +  // over-long line
                             std::string("bin\0ary\xff\xfe.mp3\n", 14) + "x\n\n" +
                             "missing.mp3\r\n" + "./other.wav\r\n" +
                             last;  // no terminator on the last line
    std::vector<std::string> read = PlaylistReader::Parse(listPath, text, false);
    EXPECT_EQ(read, (std::vector<std::string>{song, dir + "/music/./other.wav", last}));
}

TEST_F(PlaylistFileTest, RelativeEntriesClimbAndAcceptBothSeparators) {
    const std::string top = File("x.mp3");
    const std::string side = File("d/y.mp3");
    const std::string base = dir + "/a/b";
    MakeDirs("a/b");
    EXPECT_EQ(ResolvePlaylistEntry(base, "..\\..\\x.mp3", false), top);
    EXPECT_EQ(ResolvePlaylistEntry(base, "../../d/y.mp3", false), side);
    EXPECT_EQ(ResolvePlaylistEntry(base, "..\\..\\d\\y.mp3", false), side);
    EXPECT_EQ(ResolvePlaylistEntry(base, top, false), top);
    EXPECT_EQ(ResolvePlaylistEntry(base, "..\\..\\x.txt", false), "");
    // From the root the climb stops there.
    EXPECT_EQ(ResolvePlaylistEntry("", "..\\..\\nothing-here.mp3", false), "");
    // A Linux name may itself hold a backslash.
    const std::string odd = File("a/b/back\\slash.mp3");
    EXPECT_EQ(ResolvePlaylistEntry(base, "back\\slash.mp3", false), odd);
}

TEST_F(PlaylistFileTest, WriteFailuresAreReportedAndKeepTheOldFile) {
    const auto result = PlaylistWriter::Write("/proc/veltra-test.vpl", {"/m/a.mp3"}, false);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("/proc/veltra-test.vpl"), std::string::npos);

    std::vector<std::string> read;
    EXPECT_FALSE(PlaylistReader::Read(dir + "/none.vpl", false, &read).ok);
    MakeDirs("folder.vpl");
    EXPECT_FALSE(PlaylistReader::Read(dir + "/folder.vpl", false, &read).ok);

    if (::geteuid() != 0) {
        MakeDirs("ro");
        const std::string target = testmedia::WriteBytes(dir, "ro/keep.vpl", "old\r\n");
        ::chmod((dir + "/ro").c_str(), 0555);
        EXPECT_FALSE(PlaylistWriter::Write(target, {"/m/a.mp3"}, false).ok);
        ::chmod((dir + "/ro").c_str(), 0755);
        EXPECT_EQ(testmedia::ReadFile(target), "old\r\n");
    }
}

TEST_F(PlaylistFileTest, SaveCommandPromptsAndShowsFailures) {
    ScriptedPrompts prompts;
    PlaylistCtrl list;
    list.AddPath(File("s/a.mp3"));
    list.AddPath(File("s/b.avi"));

    prompts.QueueFiles({dir + "/out.m3u"});
    SavePlaylist(nullptr, list);
    ASSERT_EQ(prompts.FileRequests().size(), 1u);
    EXPECT_TRUE(prompts.FileRequests()[0].save);
    EXPECT_EQ(prompts.FileRequests()[0].title, "保存するメディアファイル...");
    EXPECT_EQ(prompts.FileRequests()[0].filter,
              "All Playlist Files (*.vpl)|*.vpl|SoundPlaylist Files (*.m3u)|*.m3u||");
    EXPECT_EQ(testmedia::ReadFile(dir + "/out.m3u"), "s\\a.mp3\r\n");
    EXPECT_TRUE(prompts.Boxes().empty());

    SavePlaylist(nullptr, list);  // cancelled: nothing
    EXPECT_TRUE(prompts.Boxes().empty());
    EXPECT_EQ(prompts.FileRequests()[1].initialPath, dir)
        << "later prompts start in the last folder";

    prompts.QueueFiles({"/proc/nope.vpl"});
    SavePlaylist(nullptr, list);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "VELTRA");

    // Loading the saved file through the Open command replaces the list.
    prompts.QueueFiles({dir + "/out.m3u"});
    OpenMediaFile(nullptr, list);
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{dir + "/s/a.mp3"}));
    EXPECT_EQ(prompts.FileRequests().back().title, "開くメディアファイル...");
    EXPECT_EQ(OpenMediaFilter(true).find("*.ogg") != std::string::npos, true);
    EXPECT_EQ(OpenMediaFilter(false).find("*.ogg"), std::string::npos);
}

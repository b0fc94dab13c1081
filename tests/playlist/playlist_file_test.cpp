#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include <gtest/gtest.h>

#include "playlist/file_prompt.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_ctrl.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_loader.h"
#include "tests/support/full_disk.h"
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

TEST(MakeRelativePath, ClimbsAndDescendsWithSlashes) {
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/a/b/c/x.mp3"), "c/x.mp3");
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/a/d/x.mp3"), "../d/x.mp3");
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/x.mp3"), "../../x.mp3");
    EXPECT_EQ(MakeRelativePath("/m/a/b/list.vpl", "/m/a/b/x.mp3"), "x.mp3");
    EXPECT_EQ(MakeRelativePath("/list.vpl", "/x/y.mp3"), "x/y.mp3");
    // Folder names are compared whole, not as prefixes.
    EXPECT_EQ(MakeRelativePath("/m/ab/list.vpl", "/m/abc/x.mp3"), "../abc/x.mp3");
}

TEST(PlaylistWriter, FlavourDecidesWhichRowsAreWritten) {
    const std::vector<std::string> rows = {"/m/v/clip.avi", "/m/s/song.mp3", "/m/p/pic.jpg",
                                           "/m/s/tune.ogg"};
    EXPECT_EQ(PlaylistWriter::Format("/m/list.vpl", rows, false),
              "v/clip.avi\r\ns/song.mp3\r\np/pic.jpg\r\ns/tune.ogg\r\n");
    EXPECT_EQ(PlaylistWriter::Format("/m/list.m3u", rows, false),
              "#EXTM3U\r\n#EXTINF:-1,song\r\ns/song.mp3\r\n");
    EXPECT_EQ(PlaylistWriter::Format("/m/list.M3U", rows, true),
              "#EXTM3U\r\n#EXTINF:-1,song\r\ns/song.mp3\r\n#EXTINF:-1,tune\r\ns/tune.ogg\r\n");
    EXPECT_EQ(PlaylistWriter::Format("/m/list", rows, false),
              "#EXTM3U\r\n#EXTINF:-1,song\r\ns/song.mp3\r\n")
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
    EXPECT_EQ(testmedia::ReadFile(target), "../sub/b.mp3\r\n");
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
    EXPECT_EQ(read, (std::vector<std::string>{song, dir + "/music/other.wav", last}));
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
    EXPECT_EQ(testmedia::ReadFile(dir + "/out.m3u"), "#EXTM3U\r\n#EXTINF:-1,a\r\ns/a.mp3\r\n");
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

namespace {

// Another player's reader, from the plain rule only: a line is a path, joined to the
// playlist's folder unless it starts with '/', and an M3U line starting with '#' is a
// comment; the file system resolves the rest.
std::vector<std::string> PlainJoinReader(const std::string& playlist) {
    const std::string folder = playlist.substr(0, playlist.rfind('/'));
    const std::string text = testmedia::ReadFile(playlist);
    std::vector<std::string> resolved;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line[0] == '#' && playlist.compare(playlist.size() - 4, 4, ".m3u") == 0)
            continue;
        const std::string joined = line[0] == '/' ? line : folder + "/" + line;
        char real[PATH_MAX];
        resolved.push_back(::realpath(joined.c_str(), real) ? real : "unresolved: " + joined);
    }
    return resolved;
}

std::string Real(const std::string& path) {
    char real[PATH_MAX];
    return ::realpath(path.c_str(), real) ? real : path;
}

}  // namespace

TEST_F(PlaylistFileTest, EveryLineResolvesByPlainJoiningAndOddNamesReadBack) {
    // Names a careless writer loses: a comment mark, a separator of the other system, a
    // drive-like colon, a bare extension, a byte order mark, names that are not UTF-8.
    const std::vector<std::string> rows = {File("\xEF\xBB\xBF"
                                                "bom.mp3"),
                                           File("#hash.mp3"),
                                           File("back\\slash.mp3"),
                                           File("a:b.mp3"),
                                           File(".mp3"),
                                           File("sub/..\\up.mp3"),
                                           File("sub/deep/x y.wav"),
                                           File("raw\xff\xfe.mp3"),
                                           File("d\xc3\xa9j\xc3\xa0.mp3")};
    File("back/slash.mp3");  // what the backslash would mean on Windows: must not be taken
    MakeDirs("lists/m3u");
    for (const std::string& list :
         {dir + "/lists/all.vpl", dir + "/lists/m3u/all.m3u", dir + "/top.m3u"}) {
        ASSERT_TRUE(PlaylistWriter::Write(list, rows, false).ok) << list;
        const std::string text = testmedia::ReadFile(list);
        std::vector<std::string> expected;
        for (const std::string& row : rows) expected.push_back(Real(row));
        EXPECT_EQ(PlainJoinReader(list), expected) << text;
        std::vector<std::string> read;
        ASSERT_TRUE(PlaylistReader::Read(list, false, &read).ok);
        EXPECT_EQ(read, rows) << text;
        const PlaylistLoad loaded = PlaylistLoader::Load(list, false);
        std::vector<std::string> paths;
        for (const PlaylistItem& item : loaded.items) paths.push_back(item.path);
        EXPECT_EQ(paths, rows) << text;
    }
    // Behind the header a marked name is no longer the first line; a comment mark still
    // needs its "./".
    const std::string top = testmedia::ReadFile(dir + "/top.m3u");
    EXPECT_EQ(top.compare(0, 9, "#EXTM3U\r\n"), 0) << top;
    EXPECT_NE(top.find("\r\n\xEF\xBB\xBF"
                       "bom.mp3\r\n"),
              std::string::npos)
        << top;
    EXPECT_NE(top.find("\r\n./#hash.mp3\r\n"), std::string::npos) << top;
}

TEST_F(PlaylistFileTest, NamesHoldingALineBreakRefuseTheSaveAndSayWhich) {
    const std::string kept = testmedia::WriteBytes(dir, "list.vpl", "old\r\n");
    const std::vector<std::string> rows = {File("fine.mp3"), File("two\nlines.mp3"),
                                           File("cr\r.wav")};
    const PlaylistIoResult saved = PlaylistWriter::Write(kept, rows, false);
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("two lines.mp3"), std::string::npos) << saved.error;
    EXPECT_NE(saved.error.find("cr .wav"), std::string::npos) << saved.error;
    EXPECT_EQ(saved.error.find("fine.mp3"), std::string::npos);
    EXPECT_EQ(testmedia::ReadFile(kept), "old\r\n");
    std::vector<std::string> unsavable;
    EXPECT_EQ(PlaylistWriter::Format(kept, rows, false, &unsavable), "fine.mp3\r\n");
    EXPECT_EQ(unsavable.size(), 2u);
}

TEST_F(PlaylistFileTest, ListsWrittenOnWindowsStillRead) {
    const std::string top = File("x.mp3");
    const std::string nested = File("m/sub/y.mp3");
    MakeDirs("m/list");
    const std::string list = dir + "/m/list/w.m3u";
    const std::string text = "..\\..\\x.mp3\r\n..\\sub\\y.mp3\r\nC:\\music\\z.mp3\r\n";
    EXPECT_EQ(PlaylistReader::Parse(list, text, false), (std::vector<std::string>{top, nested}));
    // The drive path names nothing here, even where a file of that name exists.
    File("m/list/C:/music/z.mp3");
    EXPECT_EQ(PlaylistReader::Parse(list, "C:\\music\\z.mp3\r\n", false).size(), 0u);
}

TEST_F(PlaylistFileTest, FullDiskAndMissingFolderKeepTheOldListAndSaySo) {
    const std::vector<std::string> rows = {File("a.mp3"), File("b.mp3")};
    const std::string old = "old.mp3\r\n";
    const std::string list = testmedia::WriteBytes(dir, "keep.m3u", old);
    const int result = testmedia::RunWithFileSizeLimit(8, [&] {
        const PlaylistIoResult saved = PlaylistWriter::Write(list, rows, false);
        if (saved.ok || saved.error.find("keep.m3u") == std::string::npos)
            return 1;
        return testmedia::ReadFile(list) == old ? 0 : 2;
    });
    EXPECT_EQ(result, 0);

    const PlaylistIoResult nowhere = PlaylistWriter::Write(dir + "/gone/x.vpl", rows, false);
    EXPECT_FALSE(nowhere.ok);
    EXPECT_NE(nowhere.error.find("フォルダーが存在しません"), std::string::npos) << nowhere.error;
    EXPECT_EQ(nowhere.error.find("権限"), std::string::npos);

    testmedia::SmallDisk disk(64 * 1024);
    if (!disk.Available())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::string full = testmedia::WriteBytes(disk.Folder(), "keep.vpl", old);
    disk.Fill();
    const PlaylistIoResult saved = PlaylistWriter::Write(full, {rows[0]}, false);
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("空き容量"), std::string::npos) << saved.error;
    EXPECT_EQ(testmedia::ReadFile(full), old);
}

TEST_F(PlaylistFileTest, SavePromptAddsTheChosenFiltersExtensionAndChecksTheFolder) {
    ScriptedPrompts prompts;
    PlaylistCtrl list;
    list.AddPath(File("s/a.mp3"));

    prompts.QueueFiles({dir + "/mine"}, 0);
    SavePlaylist(nullptr, list);
    EXPECT_EQ(testmedia::ReadFile(dir + "/mine.vpl"), "s/a.mp3\r\n");
    prompts.QueueFiles({dir + "/theirs"}, 1);
    SavePlaylist(nullptr, list);
    EXPECT_EQ(testmedia::ReadFile(dir + "/theirs.m3u"), "#EXTM3U\r\n#EXTINF:-1,a\r\ns/a.mp3\r\n");
    prompts.QueueFiles({dir + "/named.txt.m3u"}, 0);
    SavePlaylist(nullptr, list);
    EXPECT_EQ(testmedia::ReadFile(dir + "/named.txt.m3u"),
              "#EXTM3U\r\n#EXTINF:-1,a\r\ns/a.mp3\r\n");
    EXPECT_TRUE(prompts.Boxes().empty());

    prompts.QueueFiles({dir + "/no/such/folder/x"}, 0);
    SavePlaylist(nullptr, list);
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_NE(prompts.Boxes()[0].text.find("フォルダーが存在しません"), std::string::npos);
    EXPECT_NE(prompts.Boxes()[0].text.find(dir + "/no/such/folder"), std::string::npos);

    // The open prompt takes names as they are.
    std::string name;
    prompts.QueueFiles({dir + "/s/a.mp3"}, 1);
    ASSERT_TRUE(PromptFileName(nullptr, &name, OpenMediaFilter(false), true));
    EXPECT_EQ(name, dir + "/s/a.mp3");
}

// Tags read off the interface thread fill the added columns; the classic columns and the
// path as the row's identity stay as they were.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QImage>
#include <cstdlib>
#include <functional>

#include "playlist/playlist_ctrl.h"
#include "playlist/tag_collector.h"
#include "playlist/tag_reader.h"
#include "tests/support/media_factory.h"
#include "tests/support/tagged_media.h"
#include "tests/support/wait_until.h"

namespace {

class TagsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("tags");
        const char* old = std::getenv("XDG_CACHE_HOME");
        oldCache = old ? old : "";
        hadCache = old != nullptr;
        ::setenv("XDG_CACHE_HOME", (dir + "/cache").c_str(), 1);
    }
    void TearDown() override {
        if (hadCache)
            ::setenv("XDG_CACHE_HOME", oldCache.c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        testmedia::RemoveTree(dir);
    }
    std::string Song(const std::string& name, const testmedia::SongTags& tags) {
        std::string path = testmedia::TaggedSong(dir, name, 2.0, tags);
        EXPECT_FALSE(path.empty()) << "ffmpeg could not make " << name;
        return path;
    }

    std::string dir;
    std::string oldCache;
    bool hadCache = false;
};

TEST_F(TagsTest, ReadsTitleArtistAlbumLengthAndCoverOfEachKind) {
    for (const char* name : {"song.mp3", "song.flac", "song.ogg"}) {
        SCOPED_TRACE(name);
        const bool cover = std::string(name) != "song.ogg";
        const std::string path = Song(name, {"Título ünï", "Ärtist", "Albüm", cover});
        const MediaTags tags = TagReader::ReadFile(path);
        EXPECT_EQ(tags.title, "Título ünï");
        ASSERT_EQ(tags.artists.size(), 1u);
        EXPECT_EQ(tags.artists[0], "Ärtist");
        EXPECT_EQ(tags.album, "Albüm");
        EXPECT_NEAR(tags.lengthMs, 2000, 150);
        if (!cover) {
            EXPECT_EQ(tags.artPath, "");
            continue;
        }
        // Saved in the cache folder under its content's hash, a picture any reader opens.
        ASSERT_EQ(tags.artPath.rfind(dir + "/cache/veltra/art/", 0), 0u) << tags.artPath;
        const QImage art(QString::fromStdString(tags.artPath));
        ASSERT_FALSE(art.isNull());
        EXPECT_EQ(art.size(), QSize(48, 48));
        EXPECT_GT(qRed(art.pixel(24, 24)), 200);
        // Written once: reading the file again keeps the same picture file.
        struct stat before {
        }, after{};
        ASSERT_EQ(::stat(tags.artPath.c_str(), &before), 0);
        EXPECT_EQ(TagReader::ReadFile(path).artPath, tags.artPath);
        ASSERT_EQ(::stat(tags.artPath.c_str(), &after), 0);
        EXPECT_EQ(before.st_ino, after.st_ino);
    }
}

TEST_F(TagsTest, FolderPictureServesFilesWithoutTheirOwnAndJunkReadsAsNothing) {
    const std::string plain = testmedia::Tone(dir, "plain.wav", 1.0);
    EXPECT_EQ(TagReader::ReadFile(plain).artPath, "");
    const std::string folderArt = testmedia::Picture(dir, "folder.jpg");
    const MediaTags tags = TagReader::ReadFile(plain);
    EXPECT_EQ(tags.artPath, folderArt);
    EXPECT_EQ(tags.title, "");
    EXPECT_NEAR(tags.lengthMs, 1000, 100);

    const MediaTags junk =
        TagReader::ReadFile(testmedia::WriteBytes(dir, "junk.mp3", "not a song"));
    EXPECT_EQ(junk.title, "");
    EXPECT_TRUE(junk.artists.empty());
    EXPECT_EQ(TagReader::ReadFile(dir + "/gone/missing.mp3"), MediaTags{});
}

TEST_F(TagsTest, ColumnsFillInWithoutChangingTheClassicOnesAndTellTwinNamesApart) {
    PlaylistCtrl list;
    list.SetOggLoaded(true);
    const std::string mp3 = Song("song.mp3", {"Blue", "Ann, Bob", "Sky", false});
    const std::string ogg = Song("song.ogg", {});
    ASSERT_EQ(list.AddPath(mp3), AddResult::Added);
    ASSERT_EQ(list.AddPath(ogg), AddResult::Added);
    const std::string junk = testmedia::WriteBytes(dir, "junk.mp3", "x");
    ASSERT_EQ(list.AddPath(junk), AddResult::Added);
    // Before anything is read the title column already tells the two songs apart.
    EXPECT_EQ(list.ItemText(0, PlaylistModel::kColumnTitle), "song.mp3");
    EXPECT_EQ(list.ItemText(1, PlaylistModel::kColumnTitle), "song.ogg");

    ASSERT_TRUE(PumpUntil([&] { return list.Tags()->Outstanding() == 0; }, 30000));
    ASSERT_TRUE(
        PumpUntil([&] { return list.ItemText(0, PlaylistModel::kColumnTitle) == "Blue"; }, 30000));
    EXPECT_EQ(list.ItemText(0, PlaylistModel::kColumnArtist), "Ann, Bob");
    EXPECT_EQ(list.ItemText(0, PlaylistModel::kColumnAlbum), "Sky");
    EXPECT_EQ(list.ItemText(0, PlaylistModel::kColumnLength), "0:02");
    EXPECT_EQ(list.ItemText(1, PlaylistModel::kColumnTitle), "song.ogg");
    EXPECT_EQ(list.ItemText(1, PlaylistModel::kColumnLength), "0:02");
    EXPECT_EQ(list.ItemText(2, PlaylistModel::kColumnTitle), "junk.mp3");
    EXPECT_EQ(list.ItemText(2, PlaylistModel::kColumnLength), "");
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.ItemText(row, PlaylistModel::kColumnPath), list.PathAt(row));
        EXPECT_EQ(list.ItemText(row, PlaylistModel::kColumnSize).find(" KB") + 3,
                  list.ItemText(row, PlaylistModel::kColumnSize).size());
    }
    EXPECT_EQ(list.ItemText(0, PlaylistModel::kColumnName), "song");
    EXPECT_EQ(list.ItemText(1, PlaylistModel::kColumnName), "song");

    PlaylistModel* model = list.Model();
    EXPECT_EQ(model->columnCount(), 7);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Name");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "State");
    EXPECT_EQ(model->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "タイトル");
    EXPECT_EQ(model->headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), "長さ");
}

TEST_F(TagsTest, SortingByTheAddedColumns) {
    PlaylistCtrl list;
    for (const char* name : {"b.mp3", "a.mp3", "c.mp3"})
        ASSERT_EQ(list.AddPath(testmedia::WriteBytes(dir, name, "x")), AddResult::Added);
    ASSERT_TRUE(PumpUntil([&] { return list.Tags()->Outstanding() == 0; }, 30000));
    auto tag = [&](const char* name, const char* title, long long ms) {
        MediaTags t;
        t.title = title;
        t.lengthMs = ms;
        ASSERT_GE(list.Model()->SetTags(dir + "/" + name, t), 0);
    };
    tag("a.mp3", "zeta", 9000);
    tag("b.mp3", "Alpha", 61000);
    tag("c.mp3", "beta", 10000);
    auto names = [&] {
        std::string s;
        for (int row = 0; row < list.RowCount(); ++row)
            s += list.ItemText(row, PlaylistModel::kColumnName);
        return s;
    };
    // Titles regardless of letter case; lengths by number (9 s before 10 s before 1:01).
    list.SortByColumnClick(PlaylistModel::kColumnTitle);
    EXPECT_EQ(names(), "bca");
    list.SortByColumnClick(PlaylistModel::kColumnTitle);
    EXPECT_EQ(names(), "acb");
    list.SortByColumnClick(PlaylistModel::kColumnLength);
    EXPECT_EQ(names(), "acb");
    list.SortByColumnClick(PlaylistModel::kColumnLength);
    EXPECT_EQ(names(), "bca");
    EXPECT_EQ(list.SortDirection(PlaylistModel::kColumnTitle), 2);
    EXPECT_EQ(list.SortDirection(PlaylistModel::kColumnLength), 2);
    // The classic name column still sorts by its bytes.
    list.SortByColumnClick(PlaylistModel::kColumnName);
    EXPECT_EQ(names(), "abc");
    EXPECT_EQ(PlaylistModel::LengthText(3723000), "1:02:03");
}

TEST_F(TagsTest, LongListsAreAllReadThroughTheBoundedQueueAndChangesMeanwhileAreSafe) {
    PlaylistCtrl list;
    const std::string song = Song("tagged.mp3", {"Found", "", "", false});
    constexpr int kRows = 40;
    for (int i = 0; i < kRows; ++i)
        list.AddPath(testmedia::WriteBytes(dir, "f" + std::to_string(i) + ".mp3", "x"));
    list.AddPath(testmedia::Picture(dir, "pic.jpg"));  // pictures are not read
    ASSERT_EQ(list.AddPath(song), AddResult::Added);
    EXPECT_GT(list.Tags()->Outstanding(), TagReader::kQueueLimit) << "the rest waits its turn";
    EXPECT_EQ(list.Tags()->Outstanding(), static_cast<std::size_t>(kRows + 1));
    // Rows go and are sorted while their files wait or are read.
    for (int i = 0; i < 10; ++i) list.RemoveRow(0);
    list.SortByColumnClick(PlaylistModel::kColumnName);
    ASSERT_TRUE(PumpUntil([&] { return list.Tags()->Outstanding() == 0; }, 30000));
    const int row = list.FindPath(song);
    ASSERT_GE(row, 0);
    ASSERT_TRUE(PumpUntil(
        [&] { return list.ItemText(row, PlaylistModel::kColumnTitle) == "Found"; }, 30000));

    // Cleared with reads pending: nothing arrives for the rows that went.
    for (int i = 0; i < kRows; ++i)
        list.AddPath(testmedia::WriteBytes(dir, "g" + std::to_string(i) + ".mp3", "x"));
    list.ClearList();
    ASSERT_TRUE(PumpUntil([&] { return list.Tags()->Outstanding() == 0; }, 30000));
    EXPECT_EQ(list.RowCount(), 0);
}

}  // namespace

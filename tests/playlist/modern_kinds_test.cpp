// Today's containers and codecs in the list: classified, offered by the Open dialog,
// found by folder walks and drops, kept by both playlist flavours and by numbered copies.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QMimeData>
#include <algorithm>

#include "playlist/file_prompt.h"
#include "playlist/list_copy.h"
#include "playlist/media_kind.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_ctrl.h"
#include "playlist/playlist_file.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

struct NewKind {
    const char* ext;  // as a file name carries it
    MediaKind kind;
};

const NewKind kNewKinds[] = {
    {"mp4", MediaKind::Video},  {"m4v", MediaKind::Video},  {"mkv", MediaKind::Video},
    {"webm", MediaKind::Video}, {"mov", MediaKind::Video},  {"ogv", MediaKind::Video},
    {"3gp", MediaKind::Video},  {"flv", MediaKind::Video},  {"ts", MediaKind::Video},
    {"m2ts", MediaKind::Video}, {"flac", MediaKind::Audio}, {"opus", MediaKind::Audio},
    {"m4a", MediaKind::Audio},  {"aac", MediaKind::Audio},  {"oga", MediaKind::Audio},
    {"aiff", MediaKind::Audio}, {"aif", MediaKind::Audio},  {"ape", MediaKind::Audio},
    {"wv", MediaKind::Audio},   {"mka", MediaKind::Audio},  {"jpeg", MediaKind::Image},
    {"png", MediaKind::Image},  {"gif", MediaKind::Image},  {"webp", MediaKind::Image},
    {"tif", MediaKind::Image},  {"tiff", MediaKind::Image},
};

int IconFor(MediaKind kind) {
    return kind == MediaKind::Image   ? kIconImage
           : kind == MediaKind::Audio ? kIconAudio
                                      : kIconVideo;
}

// The entries of a dialog filter: display text, then patterns, one pair after another.
std::vector<std::pair<std::string, std::string>> FilterEntries(const std::string& filter) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<std::string> parts;
    std::string part;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    for (size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2)
        entries.emplace_back(parts[i], parts[i + 1]);
    return entries;
}

class ModernKindsListTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("modern_kinds"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    // One small file of every new kind (the list never decodes them), in the given folder.
    std::vector<std::string> OneOfEach(const std::string& sub) {
        ::mkdir((dir + "/" + sub).c_str(), 0755);
        std::vector<std::string> paths;
        for (const NewKind& k : kNewKinds)
            paths.push_back(
                testmedia::WriteBytes(dir + "/" + sub, std::string("item.") + k.ext, "data"));
        return paths;
    }
    static std::vector<std::string> Sorted(std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    std::string dir;
    ScriptedPrompts prompts;
};

}  // namespace

TEST(ModernKinds, EachHasItsKindTheGraphEngineAndItsIcon) {
    for (const NewKind& k : kNewKinds) {
        SCOPED_TRACE(k.ext);
        const std::string ext = UpperExtensionOf(std::string("/m/clip.") + k.ext);
        EXPECT_EQ(MediaKindOf(ext, false), k.kind);
        EXPECT_TRUE(IsKnownExtension(ext, false));
        EXPECT_EQ(EngineForExtension(ext), EngineGraph);
        EXPECT_EQ(IconForExtension(ext, false), IconFor(k.kind));
        EXPECT_EQ(IsAudioExtension(ext, false), k.kind == MediaKind::Audio);
    }
    // Mixed case is upper-cased like any other extension.
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/Clip.WebM"), false), MediaKind::Video);
    // Ogg audio under its own name is the graph's, whatever tunewell does; .ogg stays
    // tunewell's alone.
    EXPECT_EQ(EngineForExtension("OGA"), EngineGraph);
    EXPECT_EQ(EngineForExtension("OGG"), EngineOgg);
    EXPECT_FALSE(IsKnownExtension("OGG", false));
    // Near misses stay unknown.
    for (const char* ext : {"MP5", "M4", "TIFFF", "WEB", "MKV2", "T"})
        EXPECT_FALSE(IsKnownExtension(ext, true)) << ext;
}

TEST(ModernKinds, OpenDialogOffersThemInTheEntriesOfTheirKind) {
    for (bool ogg : {false, true}) {
        const auto entries = FilterEntries(OpenMediaFilter(ogg));
        ASSERT_EQ(entries.size(), 5u);
        // The first patterns of each entry are the ones the list always knew.
        EXPECT_EQ(entries[0].second.rfind("*.avi; *.mpg; *.mpeg; *.wmv; *.asf;", 0), 0u);
        EXPECT_EQ(entries[1].second.rfind(ogg ? "*.wav; *.mp3; *.wma; *.ogg; *.mid; *.midi;"
                                              : "*.wav; *.mp3; *.wma; *.mid; *.midi;",
                                          0),
                  0u);
        EXPECT_EQ(entries[2].second.rfind("*.bmp; *.jpg; *.jpeg;", 0), 0u);
        EXPECT_EQ(
            entries[3],
            std::make_pair(std::string("Playlist Files (*.vpl; *.m3u; *.m3u8; *.pls; *.xspf)"),
                           std::string("*.vpl; *.m3u; *.m3u8; *.pls; *.xspf")));
        for (const NewKind& k : kNewKinds) {
            const auto& entry = entries[k.kind == MediaKind::Video   ? 0
                                        : k.kind == MediaKind::Audio ? 1
                                                                     : 2];
            const std::string pattern = std::string("*.") + k.ext;
            const std::string patterns = "; " + entry.second + ";";
            EXPECT_NE(patterns.find("; " + pattern + ";"), std::string::npos) << pattern;
            // The display text spells out exactly the patterns it filters by.
            EXPECT_NE(entry.first.find("(" + entry.second + ")"), std::string::npos);
        }
    }
}

TEST_F(ModernKindsListTest, FolderWalksAndDropsListEveryKindWithItsIcon) {
    const std::vector<std::string> files = OneOfEach("walk");
    testmedia::WriteBytes(dir + "/walk", "notes.txt", "x");
    testmedia::WriteBytes(dir + "/walk", "movie.mp4.part", "x");
    PlaylistCtrl list;
    list.AddFolder(dir + "/walk");
    EXPECT_EQ(Sorted(list.Paths()), Sorted(files));
    for (int row = 0; row < list.RowCount(); ++row) {
        const std::string ext = UpperExtensionOf(list.PathAt(row));
        EXPECT_EQ(list.IconAt(row), IconFor(MediaKindOf(ext, false))) << ext;
        EXPECT_EQ(list.ItemText(row, 0), "item");
    }

    // A drop of single files and of a folder takes them the same way.
    const std::vector<std::string> more = OneOfEach("drop");
    PlaylistCtrl dropped;
    QMimeData mime;
    mime.setData("text/uri-list", QByteArray::fromStdString("file://" + more[0] + "\r\nfile://" +
                                                            dir + "/drop\r\n"));
    EXPECT_TRUE(dropped.DropMimeData(&mime));
    ASSERT_EQ(dropped.RowCount(), static_cast<int>(more.size()));
    EXPECT_EQ(dropped.PathAt(0), more[0]);
    EXPECT_EQ(Sorted(dropped.Paths()), Sorted(more));
}

TEST_F(ModernKindsListTest, BothPlaylistFlavoursKeepTheirRows) {
    const std::vector<std::string> rows = OneOfEach("media");
    std::vector<std::string> sound;
    for (size_t i = 0; i < rows.size(); ++i)
        if (kNewKinds[i].kind == MediaKind::Audio)
            sound.push_back(rows[i]);
    ASSERT_EQ(sound.size(), 10u);

    std::vector<std::string> read;
    ASSERT_TRUE(PlaylistWriter::Write(dir + "/all.vpl", rows, false).ok);
    ASSERT_TRUE(PlaylistReader::Read(dir + "/all.vpl", false, &read).ok);
    EXPECT_EQ(read, rows);

    // M3U keeps the sound rows only, now including every new sound kind.
    ASSERT_TRUE(PlaylistWriter::Write(dir + "/songs.m3u", rows, false).ok);
    ASSERT_TRUE(PlaylistReader::Read(dir + "/songs.m3u", false, &read).ok);
    EXPECT_EQ(read, sound);

    // Loading through the list replaces it with the playlist's rows, icons and all.
    PlaylistCtrl list;
    ASSERT_TRUE(list.LoadPlaylist(dir + "/all.vpl"));
    EXPECT_EQ(list.Paths(), rows);
}

TEST(ModernKinds, NumberedCopiesKeepTheirKind) {
    for (const NewKind& k : kNewKinds) {
        const std::string copy = NumberedCopyName("/out", "trip", 7, std::string("/a/x.") + k.ext);
        EXPECT_EQ(MediaKindOf(UpperExtensionOf(copy), false), k.kind) << copy;
    }
    EXPECT_EQ(NumberedCopyName("/out", "trip", 7, "/a/x.webm"), "/out/trip007.WEBM");
}

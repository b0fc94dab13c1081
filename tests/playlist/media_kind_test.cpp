#include <gtest/gtest.h>

#include "playlist/media_kind.h"
#include "playlist/path_helpers.h"
#include "playlist/uri_list.h"

TEST(MediaKind, ClassifiesByUpperCasedExtensionOnly) {
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/song.Mp3"), false), MediaKind::Audio);
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/clip.vob"), false), MediaKind::Video);
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/a.MIDI"), false), MediaKind::Audio);
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/list.vpl"), false), MediaKind::Playlist);
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/photo.jpeg"), false), MediaKind::Image);
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/notes.txt"), false), MediaKind::Unknown);
    EXPECT_EQ(MediaKindOf(UpperExtensionOf("/m/noext"), false), MediaKind::Unknown);
    EXPECT_FALSE(IsKnownExtension("mp3", false)) << "the tests expect upper-cased input";
}

TEST(MediaKind, OggNeedsTunewellButAlwaysMapsToItsEngine) {
    EXPECT_FALSE(IsAudioExtension("OGG", false));
    EXPECT_FALSE(IsKnownExtension("OGG", false));
    EXPECT_TRUE(IsAudioExtension("OGG", true));
    EXPECT_EQ(EngineForExtension("OGG"), EngineOgg);
    EXPECT_EQ(EngineForExtension("MP3"), EngineGraph);
    EXPECT_EQ(EngineForExtension("JPG"), EngineGraph);
    EXPECT_EQ(EngineForExtension("M3U"), EngineNone);
    EXPECT_EQ(EngineForExtension("TXT"), EngineNone);
    EXPECT_EQ(IconForExtension("OGG", true), kIconAudio);
    EXPECT_EQ(IconForExtension("BMP", false), kIconImage);
    EXPECT_EQ(IconForExtension("VPL", false), kIconVideo);
}

TEST(PathHelpers, SplitNamesFoldersAndExtensions) {
    EXPECT_EQ(FileNameOf("/a/b/c.mp3"), "c.mp3");
    EXPECT_EQ(FileNameOf("/x.mp3"), "x.mp3");
    EXPECT_EQ(FileNameOf("c.mp3"), "c.mp3");
    EXPECT_EQ(BaseNameOf("/a/b.c/d.e.mp3"), "d.e");
    EXPECT_EQ(BaseNameOf("/a/.hidden"), ".hidden");
    EXPECT_EQ(BaseNameOf("/a/noext"), "noext");
    EXPECT_EQ(UpperExtensionOf("/a/b.tar.Gz"), "GZ");
    EXPECT_EQ(UpperExtensionOf("/a/noext"), "/A/NOEXT");
    EXPECT_EQ(FolderOf("/a/b/c.vpl"), "/a/b");
    EXPECT_EQ(FolderOf("/c.vpl"), "");
    EXPECT_EQ(FolderOf("c.vpl"), ".");
    // Bytes above ASCII are left alone by the upper-casing.
    EXPECT_EQ(UpperExtensionOf("/a/\xe9t\xe9.mp3"), "MP3");
    EXPECT_EQ(UpperAscii("\xc3\xa9x"), "\xc3\xa9X");
}

TEST(PathHelpers, LengthLimitAndUtf8Check) {
    EXPECT_TRUE(FitsMaxPath(std::string(kMaxPath - 1, 'a')));
    EXPECT_FALSE(FitsMaxPath(std::string(kMaxPath, 'a')));
    EXPECT_FALSE(FitsMaxPath(std::string("/a\0b.mp3", 8)));
    EXPECT_TRUE(IsValidUtf8("/曲/歌.mp3"));
    EXPECT_FALSE(IsValidUtf8("/a\xff.mp3"));
    EXPECT_FALSE(IsValidUtf8("\xe6\x9b"));      // cut in the middle of a character
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));      // overlong form of '/'
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // surrogate
}

TEST(UriList, KeepsLocalFilesByteForByte) {
    const std::string list =
        "# comment\r\n"
        "file:///tmp/a%20b.mp3\r\n"
        "file://localhost/tmp/raw%FF.wav\r\n"
        "http://example.org/x.mp3\r\n"
        "file://otherhost.invalid/tmp/remote.mp3\r\n"
        "file:///tmp/nul%00.mp3\r\n"
        "file:///tmp/last.avi";
    const std::vector<std::string> paths = LocalPathsFromUriList(list);
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0], "/tmp/a b.mp3");
    EXPECT_EQ(paths[1], "/tmp/raw\xff.wav");
    EXPECT_EQ(paths[2], "/tmp/last.avi");
}

// Lists written by other players: M3U in every encoding and line end, extended titles,
// file: URIs, PLS and XSPF; and what the list does with one that reads as nothing.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QString>

#include "playlist/file_prompt.h"
#include "playlist/m3u_reader.h"
#include "playlist/playlist_ctrl.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_loader.h"
#include "playlist/playlist_text.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

class ForeignListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("foreign_list");
        song = testmedia::WriteBytes(dir, "d\xc3\xa9j\xc3\xa0 vu.mp3", "x");
        clip = testmedia::WriteBytes(dir, "clip.avi", "x");
    }
    void TearDown() override { testmedia::RemoveTree(dir); }

    std::vector<std::string> Paths(const std::vector<PlaylistItem>& items) {
        std::vector<std::string> paths;
        for (const PlaylistItem& item : items) paths.push_back(item.path);
        return paths;
    }
    PlaylistLoad Parse(const std::string& name, const std::string& bytes) {
        return PlaylistLoader::Parse(dir + "/" + name, bytes, false);
    }

    std::string dir;
    std::string song;
    std::string clip;
};

std::string Utf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : QString::fromUtf8(utf8.c_str()).toStdU16String()) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

}  // namespace

TEST_F(ForeignListTest, M3uReadsTheSameInEveryEncodingAndLineEnd) {
    const std::string lines[] = {"#EXTM3U", "#EXTINF:187,Singer - D\xc3\xa9j\xc3\xa0 vu",
                                 "d\xc3\xa9j\xc3\xa0 vu.mp3", "clip.avi"};
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        std::string text;
        for (const std::string& line : lines) text += line + end;
        text.resize(text.size() - end.size());  // no end after the last line
        for (const std::string& bytes :
             {text, "\xEF\xBB\xBF" + text, Utf16(text, false), Utf16(text, true)}) {
            for (const char* name : {"list.m3u", "list.m3u8"}) {
                const PlaylistLoad load = Parse(name, bytes);
                ASSERT_TRUE(load.ok) << load.error;
                EXPECT_EQ(Paths(load.items), (std::vector<std::string>{song, clip}))
                    << QByteArray::fromStdString(bytes).toHex().toStdString();
                EXPECT_EQ(load.items[0].title, "Singer - D\xc3\xa9j\xc3\xa0 vu");
                EXPECT_EQ(load.items[0].seconds, 187);
                EXPECT_EQ(load.items[1].title, "") << "a title belongs to one entry only";
                EXPECT_EQ(load.items[1].seconds, -1);
            }
        }
    }
}

TEST_F(ForeignListTest, M3uTakesFileUrisAndSkipsWhatIsNotHere) {
    ASSERT_EQ(::mkdir((dir + "/sub").c_str(), 0755), 0);
    const std::string sub = testmedia::WriteBytes(dir + "/sub", "a#b c.wav", "x");
    std::string uriPath;
    for (const char c : sub) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '/' || c == '.' || c == '_' || c == '-')
            uriPath += c;
        else
            uriPath += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toStdString();
    }
    const std::string text =
        "#EXTM3U\n"
        "#EXTINF:-1 tvg-name=\"a, b\",Title, with comma\n"
        "file://" +
        uriPath +
        "\n"
        "#EXTINF:5,gone\n"
        "http://example.org/stream.mp3\n"
        "file://elsewhere" +
        sub +
        "\n"
        "file://localhost" +
        uriPath.substr(0, uriPath.size() - 4) +
        "%00.wav\n"
        "missing.mp3\n"
        "FILE://LOCALHOST" +
        uriPath + "\n" +  // the same file again
        clip + "\n";
    const std::vector<PlaylistItem> items = M3uReader::Parse(dir + "/l.m3u", text, false);
    EXPECT_EQ(Paths(items), (std::vector<std::string>{sub, sub, clip}));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].title, "Title, with comma");
    EXPECT_EQ(items[0].seconds, -1);
    EXPECT_EQ(items[1].title, "") << "the title of a skipped entry goes with it";
}

TEST_F(ForeignListTest, PlsKeepsNumberOrderAndRefusesWhatIsNoPls) {
    const PlaylistLoad load = Parse("l.pls",
                                    "[playlist]\r\n"
                                    "NumberOfEntries=3\r\n"
                                    "File2=clip.avi\r\n"
                                    "Title2=The clip\r\n"
                                    "Length2=42\r\n"
                                    "file1 = file://" +
                                        song +
                                        "\r\n"
                                        "File3=http://radio.example/stream\r\n"
                                        "Version=2\r\n");
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_EQ(Paths(load.items), (std::vector<std::string>{song, clip}));
    EXPECT_EQ(load.items[1].title, "The clip");
    EXPECT_EQ(load.items[1].seconds, 42);

    for (const std::string& bytes : {std::string("File1=clip.avi\n"), std::string("\0\1\2", 3)}) {
        const PlaylistLoad refused = Parse("bad.pls", bytes);
        EXPECT_FALSE(refused.ok);
        EXPECT_NE(refused.error.find(dir + "/bad.pls"), std::string::npos) << refused.error;
    }
}

TEST_F(ForeignListTest, XspfResolvesLocationsAndRefusesBrokenXml) {
    const std::string good =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\"><title>x</title><trackList>"
        "<track><location>d%C3%A9j%C3%A0%20vu.mp3</location><title> Song </title>"
        "<duration>187500</duration></track>"
        "<track><location>https://example.org/a.mp3</location></track>"
        "<track><extension application=\"x\"><location>nope.mp3</location></extension>"
        "<location>file://" +
        clip +
        "</location></track>"
        "</trackList></playlist>";
    const PlaylistLoad load = Parse("l.xspf", good);
    ASSERT_TRUE(load.ok) << load.error;
    EXPECT_EQ(Paths(load.items), (std::vector<std::string>{song, clip}));
    EXPECT_EQ(load.items[0].title, "Song");
    EXPECT_EQ(load.items[0].seconds, 187);

    for (const std::string& bytes :
         {good.substr(0, good.size() - 20), std::string("<html><body/></html>"),
          std::string("#EXTM3U\nclip.avi\n")}) {
        const PlaylistLoad refused = Parse("bad.xspf", bytes);
        EXPECT_FALSE(refused.ok) << bytes;
        EXPECT_NE(refused.error.find("bad.xspf"), std::string::npos);
    }
}

TEST_F(ForeignListTest, ListThatNamesNothingKeepsTheRowsAndSaysWhichFile) {
    ScriptedPrompts prompts;
    PlaylistCtrl list;
    list.AddPath(song);
    for (const auto& [name, bytes] :
         std::vector<std::pair<std::string, std::string>>{{"empty.m3u", ""},
                                                          {"cr.m3u", "gone.mp3\rother.wav\r"},
                                                          {"empty.vpl", "\r\n"},
                                                          {"nothing.pls", "[playlist]\n"}}) {
        const std::string path = testmedia::WriteBytes(dir, name, bytes);
        prompts.QueueFiles({path});
        OpenMediaFile(nullptr, list);
        EXPECT_EQ(list.Paths(), (std::vector<std::string>{song})) << name;
        ASSERT_FALSE(prompts.Boxes().empty()) << name;
        EXPECT_NE(prompts.Boxes().back().text.find(path), std::string::npos)
            << prompts.Boxes().back().text;
    }
}

TEST_F(ForeignListTest, TitlesShowInTheListAndGoBackIntoSavedM3u) {
    const std::string listPath = testmedia::WriteBytes(
        dir, "in.m3u8",
        "#EXTM3U\n#EXTINF:187,Singer - Song\r\n" + std::string("d\xc3\xa9j\xc3\xa0 vu.mp3\n"));
    PlaylistCtrl list;
    ASSERT_TRUE(list.LoadPlaylist(listPath));
    ASSERT_EQ(list.RowCount(), 1);
    auto shown = [&](int column) {
        return list.Model()->data(list.Model()->index(0, column), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(shown(PlaylistModel::kColumnTitle), QStringLiteral("Singer - Song"));
    EXPECT_EQ(shown(PlaylistModel::kColumnLength), QStringLiteral("3:07"));
    EXPECT_EQ(list.ItemText(0, 0), "d\xc3\xa9j\xc3\xa0 vu") << "the row keeps its file name";

    ScriptedPrompts prompts;
    prompts.QueueFiles({dir + "/out.m3u8"});
    SavePlaylist(nullptr, list);
    EXPECT_EQ(testmedia::ReadFile(dir + "/out.m3u8"),
              "#EXTM3U\r\n#EXTINF:187,Singer - Song\r\nd\xc3\xa9j\xc3\xa0 vu.mp3\r\n");
    PlaylistCtrl again;
    ASSERT_TRUE(again.LoadPlaylist(dir + "/out.m3u8"));
    EXPECT_EQ(again.Model()->At(0).title, "Singer - Song");
    EXPECT_EQ(again.Model()->At(0).seconds, 187);
}

TEST(PlaylistText, LinesSplitAtEveryEndAndDropOverlongOnes) {
    EXPECT_EQ(PlaylistLines("a\r\nb\rc\n\nd", 10),
              (std::vector<std::string>{"a", "b", "c", "", "d"}));
    EXPECT_EQ(PlaylistLines("short\n" + std::string(11, 'x') + "\rok", 10),
              (std::vector<std::string>{"short", "ok"}));
    EXPECT_EQ(
        PlaylistTextAsUtf8(std::string("\xFF\xFE", 2) + std::string("a\0\x3d\xd8\x00\xde", 6)),
        "a\xF0\x9F\x98\x80")
        << "surrogate pairs become one character";
    EXPECT_EQ(LocalPathOfFileUri("file:///a%2Fb%zz"), "/a/b%zz");
    EXPECT_EQ(LocalPathOfFileUri("file:/a"), "");
    EXPECT_FALSE(HasUriScheme("c:x.mp3"));
    EXPECT_FALSE(HasUriScheme("ab:c.mp3"));
    EXPECT_TRUE(HasUriScheme("smb://host/a.mp3"));
}

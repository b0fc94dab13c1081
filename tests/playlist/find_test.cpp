// The find field narrows what the list shows, never the list itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "playlist/find_bar.h"
#include "playlist/playlist_ctrl.h"
#include "tests/support/media_factory.h"

namespace {

void Key(QWidget* target, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
}

void Type(QWidget* target, const QString& text) {
    for (QChar c : text) Key(target, c.toUpper().unicode(), QString(c));
}

class FindTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("find");
        for (const char* name : {"alpha.mp3", "Beta.mp3", "gamma.wav", "delta.mp3"})
            ASSERT_EQ(list.AddPath(testmedia::WriteBytes(dir, name, "x")), AddResult::Added);
        MediaTags t;
        t.title = "Morning Song";
        t.artists = {"Zoë Band"};
        t.album = "Sunrise";
        ASSERT_EQ(list.Model()->SetTags(dir + "/gamma.wav", t), 2);
        list.resize(400, 300);
        list.show();
    }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string Shown() {
        std::string s;
        for (int row = 0; row < list.RowCount(); ++row)
            if (list.RowShown(row))
                s += list.ItemText(row, PlaylistModel::kColumnName) + " ";
        return s;
    }

    std::string dir;
    PlaylistCtrl list;
};

TEST_F(FindTest, NarrowsByNameTitleArtistAndAlbumIgnoringCase) {
    list.SetFilter("BETA");
    EXPECT_EQ(Shown(), "Beta ");
    list.SetFilter("morning");
    EXPECT_EQ(Shown(), "gamma ");
    list.SetFilter("zoË");
    EXPECT_EQ(Shown(), "gamma ");
    list.SetFilter("sunrise");
    EXPECT_EQ(Shown(), "gamma ");
    list.SetFilter("a");
    EXPECT_EQ(Shown(), "alpha Beta gamma delta ");
    list.SetFilter("nothing like it");
    EXPECT_EQ(Shown(), "");
    list.SetFilter("");
    EXPECT_EQ(Shown(), "alpha Beta gamma delta ");
}

TEST_F(FindTest, RowsTagsAndSortsMeanwhileAreMatchedAgain) {
    list.SetFilter("ta");
    EXPECT_EQ(Shown(), "Beta delta ");
    ASSERT_TRUE(list.InsertEntry(0, testmedia::WriteBytes(dir, "tango.mp3", "x")));
    ASSERT_TRUE(list.InsertEntry(0, testmedia::WriteBytes(dir, "omega.mp3", "x")));
    EXPECT_EQ(Shown(), "tango Beta delta ");
    MediaTags t;
    t.album = "Fiesta";
    list.Model()->SetTags(dir + "/alpha.mp3", t);
    EXPECT_EQ(Shown(), "tango alpha Beta delta ");
    list.SortRows(PlaylistModel::kColumnName, 1);  // Beta alpha delta gamma omega tango
    EXPECT_EQ(Shown(), "Beta alpha delta tango ");
}

TEST_F(FindTest, TheListItselfThePlayingMarkAndTheOrderStay) {
    const std::vector<std::string> before = list.Paths();
    list.Model()->SetPlayingRow(2);
    list.SelectRow(2);
    list.SetFilter("delta");
    EXPECT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Paths(), before);
    EXPECT_EQ(list.Model()->PlayingRow(), 2) << "the mark stays on its row, shown or not";
    // The selection follows to a row one sees, so Play acts on a match.
    EXPECT_EQ(list.SelectedRow(), 3);
    list.SetFilter("");
    EXPECT_EQ(list.SelectedRow(), 3);
}

TEST_F(FindTest, TheFieldOpensTypesClosesWithEscAndEnterAsksToPlay) {
    EXPECT_FALSE(list.Find()->isVisible());
    list.OpenFind();
    EXPECT_TRUE(list.Find()->isVisible());
    int plays = 0;
    QObject::connect(&list, &PlaylistCtrl::PlayRequested, [&] { ++plays; });
    Type(list.Find(), "GAM");
    EXPECT_EQ(list.Filter(), "GAM");
    EXPECT_EQ(Shown(), "gamma ");
    EXPECT_EQ(list.SelectedRow(), 2);
    Key(list.Find(), Qt::Key_Return);
    EXPECT_EQ(plays, 1);
    Key(list.Find(), Qt::Key_Escape);
    EXPECT_FALSE(list.Find()->isVisible());
    EXPECT_EQ(list.Filter(), "");
    EXPECT_EQ(Shown(), "alpha Beta gamma delta ");
    // Opened again, it starts from an empty field.
    list.OpenFind();
    EXPECT_EQ(list.Find()->text(), "");
}

}  // namespace

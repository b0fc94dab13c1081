// The mark on the row being played stays on that row when the list around it changes.
#include <gtest/gtest.h>

#include <QFont>
#include <QIcon>

#include "playlist/playlist_ctrl.h"
#include "playlist/playlist_model.h"
#include "tests/support/media_factory.h"

namespace {

class PlayingRowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("playing_row");
        for (const char* name : {"b.mp3", "d.mp3", "a.mp3", "c.mp3"})
            ASSERT_EQ(list.AddPath(testmedia::WriteBytes(dir, name, "x")), AddResult::Added);
    }
    void TearDown() override { testmedia::RemoveTree(dir); }

    std::string NameAt(int row) { return list.ItemText(row, PlaylistModel::kColumnName); }
    std::string Playing() {
        int row = list.Model()->PlayingRow();
        return row < 0 ? "" : NameAt(row);
    }
    bool Bold(int row) {
        QVariant font = list.Model()->data(list.Model()->index(row, 0), Qt::FontRole);
        return font.isValid() && font.value<QFont>().bold();
    }

    std::string dir;
    PlaylistCtrl list;
};

TEST_F(PlayingRowTest, FollowsItsRowThroughSortingInsertionsAndRemovals) {
    PlaylistModel* model = list.Model();
    int changed = 0;
    QObject::connect(model, &PlaylistModel::dataChanged, [&] { ++changed; });
    model->SetPlayingRow(1);
    EXPECT_EQ(Playing(), "d");
    EXPECT_EQ(changed, 1) << "the row is redrawn";

    list.SortRows(PlaylistModel::kColumnName, 1);  // a b c d
    EXPECT_EQ(Playing(), "d");
    EXPECT_EQ(model->PlayingRow(), 3);
    list.SortRows(PlaylistModel::kColumnName, 2);  // d c b a
    EXPECT_EQ(model->PlayingRow(), 0);

    ASSERT_TRUE(list.InsertEntry(0, testmedia::WriteBytes(dir, "e.mp3", "x")));
    EXPECT_EQ(Playing(), "d");
    ASSERT_TRUE(list.RemoveRow(0));  // e, before it
    ASSERT_TRUE(list.RemoveRow(2));  // b, after it
    EXPECT_EQ(Playing(), "d");
    EXPECT_TRUE(Bold(0));
    EXPECT_FALSE(Bold(1));

    ASSERT_TRUE(list.RemoveRow(0));  // its own row: the mark goes
    EXPECT_EQ(model->PlayingRow(), -1);
    EXPECT_FALSE(Bold(0));

    model->SetPlayingRow(1);
    list.ClearList();
    EXPECT_EQ(model->PlayingRow(), -1);
    model->SetPlayingRow(5);  // no such row
    EXPECT_EQ(model->PlayingRow(), -1);
}

TEST_F(PlayingRowTest, TheMarkedRowIsBoldWithAMarkedIcon) {
    PlaylistModel* model = list.Model();
    const QModelIndex first = model->index(0, 0), second = model->index(1, 0);
    const QIcon plain = model->data(first, Qt::DecorationRole).value<QIcon>();
    model->SetPlayingRow(0);
    EXPECT_TRUE(Bold(0));
    for (int column = 0; column < PlaylistModel::kColumnCount; ++column)
        EXPECT_TRUE(model->data(model->index(0, column), Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(Bold(1));
    const QIcon marked = model->data(first, Qt::DecorationRole).value<QIcon>();
    ASSERT_FALSE(marked.isNull());
    EXPECT_NE(marked.pixmap(16).toImage(), plain.pixmap(16).toImage());
    // Both rows are sounds: the unmarked one keeps the plain icon.
    EXPECT_EQ(model->data(second, Qt::DecorationRole).value<QIcon>().pixmap(16).toImage(),
              plain.pixmap(16).toImage());
    // The display text is untouched.
    EXPECT_EQ(model->data(first, Qt::DisplayRole).toString(), QStringLiteral("b"));
}

}  // namespace

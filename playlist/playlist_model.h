// The rows of the playlist: (name text, size text, path, icon). The path column is the
// row's identity; a hash set of paths keeps the duplicate check constant-time, so adding
// or re-adding thousands of files stays fast.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <string>
#include <unordered_set>
#include <vector>

#include "playlist/media_tags.h"

struct PlaylistEntry {
    std::string name;  // column 0: BaseNameOf(path)
    std::string size;  // column 1: "%d KB"
    std::string path;  // column 2: the full path, bytes as on disk
    int icon = 0;
    // What a playlist file of another player said about the row: its title, shown in the
    // name column in place of the file name, and its length (-1 unknown).
    std::string title;
    int seconds = -1;
    MediaTags tags;  // the added columns; filled in once the file has been read
};

class PlaylistModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kColumnName = 0;
    static constexpr int kColumnSize = 1;
    static constexpr int kColumnPath = 2;
    // Added after the three classic columns, from the file's tags.
    static constexpr int kColumnTitle = 3;  // the tag, else the file name with its extension
    static constexpr int kColumnArtist = 4;
    static constexpr int kColumnAlbum = 5;
    static constexpr int kColumnLength = 6;
    static constexpr int kColumnCount = 7;

    explicit PlaylistModel(QObject* parent = nullptr);
    ~PlaylistModel() override;

    // Rows including those staged by an open batch.
    int Count() const;
    const PlaylistEntry& At(int row) const;
    bool Contains(const std::string& path) const;

    // Inserts at row (clamped to 0..Count()); false for a duplicate path.
    bool Insert(int row, PlaylistEntry entry);
    bool Remove(int row);
    // The title and length a playlist file gave for the row (staged rows included).
    void SetListTitle(int row, std::string title, int seconds);
    void Clear();
    // Reorders the rows: newOrder[i] is the old row now at i (a permutation).
    void Reorder(const std::vector<int>& newOrder);

    // While a batch is open, appends are staged and reach views in one insertion when the
    // batch closes (or before any other change). Batches nest.
    void BeginBatch();
    void EndBatch();

    // Gives the row of path its tags; the row, or -1 when no row has that path.
    int SetTags(const std::string& path, const MediaTags& tags);
    // A column's text as shown, and the key a sort by that column compares byte for byte:
    // the text itself for the classic columns, case-folded for the tag texts, and a
    // fixed-width number for the length.
    static std::string Text(const PlaylistEntry& entry, int column);
    static std::string SortKey(const PlaylistEntry& entry, int column);
    // "m:ss" or "h:mm:ss"; "" for 0.
    static std::string LengthText(long long ms);

    void SetIcons(std::vector<QIcon> icons);

    // The row being played, shown in bold with a play mark on its icon; -1 for none. The
    // mark stays with its row when other rows are inserted, removed or sorted, and goes
    // when its own row is removed.
    void SetPlayingRow(int row);
    int PlayingRow() const { return m_nPlaying; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void Flush();
    void RefreshRow(int row);

    std::vector<PlaylistEntry> m_Entries;
    std::vector<PlaylistEntry> m_Staged;
    std::unordered_set<std::string> m_Paths;
    std::vector<QIcon> m_Icons;
    mutable std::vector<QIcon> m_PlayingIcons;  // m_Icons with the play mark, made on first need
    int m_nBatch = 0;
    int m_nPlaying = -1;
};

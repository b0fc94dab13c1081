// The rows of the playlist: (name text, size text, path, icon). The path column is the
// row's identity; a hash set of paths keeps the duplicate check constant-time, so adding
// or re-adding thousands of files stays fast.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <string>
#include <unordered_set>
#include <vector>

struct PlaylistEntry {
    std::string name;  // column 0: BaseNameOf(path)
    std::string size;  // column 1: "%d KB"
    std::string path;  // column 2: the full path, bytes as on disk
    int icon = 0;
    // What a playlist file of another player said about the row: its title, shown in the
    // name column in place of the file name, and its length (-1 unknown).
    std::string title;
    int seconds = -1;
};

class PlaylistModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kColumnName = 0;
    static constexpr int kColumnSize = 1;
    static constexpr int kColumnPath = 2;
    static constexpr int kColumnCount = 3;

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

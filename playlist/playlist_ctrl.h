// The playlist control of the main window: its rows are the playlist. Report view with
// the columns Name / Size / State (full path), plus icon, small-icon and list views over
// the same rows and selection.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "playlist/add_policy.h"
#include "playlist/media_kind.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_views.h"

class QDropEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QMimeData;
class QAbstractItemView;
class TagCollector;
class FindBar;

// What the list needs from whoever plays its rows (the main window). The current row is
// a row index the host keeps; the list only reads it and clears it when that very row is
// removed or its file deleted. Hosts that want their index to follow rows moved by other
// changes listen to RowInserted, RowRemoved, Sorted and ListCleared.
class PlaybackHost {
  public:
    virtual ~PlaybackHost() = default;
    virtual int CurrentRow() const = 0;
    virtual void SetCurrentRow(int row) = 0;
    virtual void Stop() = 0;
};

class PlaylistCtrl : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kControlId = 1002;

    explicit PlaylistCtrl(QWidget* parent = nullptr);
    ~PlaylistCtrl() override;

    // Whether tunewell is loaded: decides if Ogg files are audio (and thus listed).
    void SetOggLoaded(bool loaded) { m_bOggLoaded = loaded; }
    bool OggLoaded() const { return m_bOggLoaded; }
    void SetPlaybackHost(PlaybackHost* host) { m_pHost = host; }
    PlaybackHost* Host() const { return m_pHost; }

    // Rows.
    int RowCount() const;
    std::string PathAt(int row) const;  // "" for a row that does not exist
    std::string ItemText(int row, int column) const;
    int IconAt(int row) const;
    int FindPath(const std::string& path) const;  // row index or -1 (linear)
    std::vector<std::string> Paths() const;

    // Adding. report may be null.
    AddResult AddPath(const std::string& path, AddReport* report = nullptr);
    void AddFolder(const std::string& folder, AddReport* report = nullptr);
    // TRUE when a row was inserted at index (clamped to the row count).
    bool InsertEntry(int index, const std::string& path);
    // Replaces the list with the playlist file's entries (stops playback first).
    // False when the file cannot be read; the list is then left as it was.
    bool LoadPlaylist(const std::string& path);
    // Same; error (when given) gets the message that names the file when it fails.
    bool LoadPlaylist(const std::string& path, std::string* error);
    // Dropped items: folders are walked, anything else goes to AddPath.
    void AddDroppedPaths(const std::vector<std::string>& paths, AddReport* report = nullptr);
    // text/uri-list (or plain URLs) of a drop, local files only; shows what was refused.
    bool DropMimeData(const QMimeData* mime);

    // Removing. These follow the host's current row as the main window expects.
    void ClearList();         // Stop, then remove every row; the current row is kept
    void RemoveSelected();    // removes the selected row; Stop when it was current
    bool RemoveRow(int row);  // plain removal, no playback logic
    // Context row: set by a right-click on a selected row; -1 for none.
    int ContextRow() const { return m_nContext; }
    void SetContextRow(int row) { m_nContext = row; }
    // Trash the context row's file after asking; see trash.h.
    void DeleteContextFile();

    // Selection.
    int SelectedRow() const;  // -1 for none
    void SelectRow(int row);  // selects, focuses and scrolls to the row

    // Sorting: each column keeps its own direction (0 unsorted, 1 ascending, 2 descending);
    // a click flips it, the first click sorts ascending. A click on a column header of the
    // report view calls SortByColumnClick itself; ColumnClicked only tells about it.
    void SortByColumnClick(int column);
    int SortDirection(int column) const;
    // Sorts the rows by the column's texts, byte-wise; ascending when direction is 1.
    void SortRows(int column, int direction);

    // View modes 0..3 (icon, report, small icon, list).
    void SetViewMode(int mode);
    int GetViewMode() const { return m_pViews->Mode(); }
    // 32777..32780 -> view mode, or -1.
    static int ViewModeForCommand(int command);
    // "大きいアイコン", "詳細", "小さいアイコン", "一覧".
    static const char* ViewModeStatusText(int mode);

    PlaylistModel* Model() const { return m_pModel; }
    TagCollector* Tags() const { return m_pTags; }
    QAbstractItemView* ActiveView() const;

    // Finding: the find field narrows what the views show to the rows whose name, title,
    // artist or album contains the text, ignoring letter case. Only the view changes: rows,
    // their order, the playing mark, Next and Previous and saved lists are untouched.
    void OpenFind();   // shows the field and gives it the focus
    void CloseFind();  // hides it and shows every row again
    void SetFilter(const QString& text);
    QString Filter() const { return m_Filter; }
    bool RowShown(int row) const;
    FindBar* Find() const { return m_pFind; }

    // Shows the messages for what an add refused (owner: this control's window).
    void ShowAddReport(const AddReport& report);

  signals:
    void PlayRequested();  // double-click on a row
    void RowInserted(int row);
    void RowRemoved(int row);
    void ListCleared();
    // After a sort: newRowOfOldRow[old] is where that row went.
    void Sorted(const std::vector<int>& newRowOfOldRow);
    void ColumnClicked(int column);
    void ViewModeChanged(int mode);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowContextMenu(const QPoint& globalPos);
    bool Matches(int row) const;
    void ApplyFilter();

    PlaylistModel* m_pModel = nullptr;
    std::unique_ptr<PlaylistViews> m_pViews;
    PlaybackHost* m_pHost = nullptr;
    bool m_bOggLoaded = false;
    int m_nContext = -1;
    int m_SortDir[PlaylistModel::kColumnCount] = {};
    TagCollector* m_pTags = nullptr;
    FindBar* m_pFind = nullptr;
    QString m_Filter;
    bool m_bHiding = false;  // some row may be hidden
};

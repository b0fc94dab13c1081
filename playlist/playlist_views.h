// The list's four views over one model and one selection: the report view with its
// columns, and one list view that shows large icons, small icons or the list.
#pragma once

#include <array>

class QAbstractItemView;
class QListView;
class QStackedLayout;
class QTreeView;
class QWidget;
class PlaylistModel;

enum ViewMode { ViewIcon = 0, ViewReport = 1, ViewSmallIcon = 2, ViewList = 3 };

// 32777..32780 -> view mode, or -1.
int ViewModeOfCommand(int command);
// "大きいアイコン", "詳細", "小さいアイコン", "一覧"; "" for no mode.
const char* StatusTextOfViewMode(int mode);

class PlaylistViews {
  public:
    // The views are children of parent; Stack() goes into its layout.
    PlaylistViews(QWidget* parent, PlaylistModel* model);

    QTreeView* Report() const { return m_pReport; }
    QStackedLayout* Stack() const { return m_pStack; }
    std::array<QAbstractItemView*, 2> Both() const;

    // Shows the mode's view (0..3; anything else is ignored, false).
    bool Show(int mode);
    int Mode() const { return m_nMode; }
    QAbstractItemView* Active() const;

    int SelectedRow() const;  // -1 for none
    // Makes the row the only selected one and scrolls the active view to it.
    void Select(int row);
    bool RowHidden(int row) const;
    void SetRowHidden(int row, bool hide);

  private:
    PlaylistModel* m_pModel;
    QStackedLayout* m_pStack = nullptr;
    QTreeView* m_pReport = nullptr;
    QListView* m_pIcons = nullptr;
    int m_nMode = ViewReport;
};

#include "playlist/playlist_views.h"

#include <QHeaderView>
#include <QListView>
#include <QStackedLayout>
#include <QTreeView>

#include "playlist/playlist_model.h"

namespace {

// Width of a cell of the large-icon view, room for a short name on one line.
constexpr int kIconCellWidth = 96;

}  // namespace

int ViewModeOfCommand(int command) {
    switch (command) {
        case 32777:
            return ViewIcon;
        case 32778:
            return ViewReport;
        case 32779:
            return ViewSmallIcon;
        case 32780:
            return ViewList;
    }
    return -1;
}

const char* StatusTextOfViewMode(int mode) {
    switch (mode) {
        case ViewIcon:
            return "大きいアイコン";
        case ViewReport:
            return "詳細";
        case ViewSmallIcon:
            return "小さいアイコン";
        case ViewList:
            return "一覧";
    }
    return "";
}

PlaylistViews::PlaylistViews(QWidget* parent, PlaylistModel* model) : m_pModel(model) {
    m_pReport = new QTreeView(parent);
    m_pReport->setModel(model);
    m_pReport->setRootIsDecorated(false);
    m_pReport->setItemsExpandable(false);
    m_pReport->setUniformRowHeights(true);
    m_pReport->setAllColumnsShowFocus(true);
    m_pReport->setWordWrap(false);
    m_pReport->setTextElideMode(Qt::ElideRight);
    m_pReport->setIconSize(QSize(16, 16));
    m_pReport->header()->setSectionsClickable(true);
    m_pReport->header()->setSectionsMovable(false);
    m_pReport->header()->setStretchLastSection(false);
    m_pReport->setColumnWidth(PlaylistModel::kColumnName, 100);
    m_pReport->setColumnWidth(PlaylistModel::kColumnSize, 70);
    m_pReport->setColumnWidth(PlaylistModel::kColumnPath, 160);
    m_pReport->setColumnWidth(PlaylistModel::kColumnTitle, 160);
    m_pReport->setColumnWidth(PlaylistModel::kColumnArtist, 110);
    m_pReport->setColumnWidth(PlaylistModel::kColumnAlbum, 110);
    m_pReport->setColumnWidth(PlaylistModel::kColumnLength, 56);

    m_pIcons = new QListView(parent);
    m_pIcons->setModel(model);
    m_pIcons->setModelColumn(PlaylistModel::kColumnName);
    m_pIcons->setSelectionModel(m_pReport->selectionModel());
    m_pIcons->setResizeMode(QListView::Adjust);
    m_pIcons->setMovement(QListView::Static);
    // Each name takes the room it needs: uniform sizes would make every item as narrow as
    // the first row's name. Long lists are laid out in batches so adding stays quick.
    m_pIcons->setUniformItemSizes(false);
    m_pIcons->setLayoutMode(QListView::Batched);
    m_pIcons->setBatchSize(500);
    m_pIcons->setWordWrap(false);

    for (QAbstractItemView* view : Both()) {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragDropMode(QAbstractItemView::NoDragDrop);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    }

    m_pStack = new QStackedLayout;
    m_pStack->setContentsMargins(0, 0, 0, 0);
    m_pStack->addWidget(m_pReport);
    m_pStack->addWidget(m_pIcons);
    m_pStack->setCurrentWidget(m_pReport);
}

std::array<QAbstractItemView*, 2> PlaylistViews::Both() const {
    return {m_pReport, m_pIcons};
}

bool PlaylistViews::Show(int mode) {
    if (mode < ViewIcon || mode > ViewList)
        return false;
    m_nMode = mode;
    if (mode == ViewReport) {
        m_pStack->setCurrentWidget(m_pReport);
        return true;
    }
    m_pIcons->setViewMode(mode == ViewIcon ? QListView::IconMode : QListView::ListMode);
    m_pIcons->setIconSize(mode == ViewIcon ? QSize(32, 32) : QSize(16, 16));
    if (mode == ViewIcon) {
        // Large icons stand in even cells with their names wrapped below them in up to
        // two lines, cut with an ellipsis beyond that.
        const int line = m_pIcons->fontMetrics().height();
        m_pIcons->setGridSize(QSize(kIconCellWidth, 32 + 2 * line + 8));
        m_pIcons->setWordWrap(true);
        m_pIcons->setTextElideMode(Qt::ElideRight);
    } else {
        m_pIcons->setGridSize(QSize());
        m_pIcons->setWordWrap(false);
        m_pIcons->setTextElideMode(Qt::ElideNone);
    }
    // Small icons run in rows, the list in columns, as the two views always did.
    m_pIcons->setFlow(mode == ViewList ? QListView::TopToBottom : QListView::LeftToRight);
    m_pIcons->setWrapping(true);
    m_pIcons->setMovement(QListView::Static);
    m_pStack->setCurrentWidget(m_pIcons);
    return true;
}

QAbstractItemView* PlaylistViews::Active() const {
    if (m_nMode == ViewReport)
        return m_pReport;
    return m_pIcons;
}

int PlaylistViews::SelectedRow() const {
    const QModelIndexList rows = m_pReport->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PlaylistViews::Select(int row) {
    const QModelIndex index = m_pModel->index(row, 0);
    m_pReport->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Active()->scrollTo(index);
}

bool PlaylistViews::RowHidden(int row) const {
    return m_pReport->isRowHidden(row, QModelIndex());
}

void PlaylistViews::SetRowHidden(int row, bool hide) {
    m_pReport->setRowHidden(row, QModelIndex(), hide);
    m_pIcons->setRowHidden(row, hide);
}

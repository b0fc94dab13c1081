#include "playlist/playlist_ctrl.h"

#include <QCoreApplication>

#include <QAction>
#include <QByteArray>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStackedLayout>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

#include "platform/file_system.h"
#include "platform/user_prompts.h"
#include "playlist/find_bar.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_icons.h"
#include "playlist/playlist_loader.h"
#include "playlist/tag_collector.h"
#include "playlist/trash.h"
#include "playlist/uri_list.h"

namespace {

constexpr const char* kProgramName = "VELTRA";
constexpr int kCommandRemoveFromList = 32788;
constexpr int kCommandDeleteFile = 32784;
// Guards the stack against a file system that keeps producing new directories; a tree
// of one-letter folder names can still go deeper within the path limit, and what the
// cap leaves out is reported.
constexpr int kMaxFolderDepth = 1024;
constexpr std::size_t kMaxNamesInMessage = 10;
// Width of a cell of the large-icon view, room for a short name on one line.
constexpr int kIconCellWidth = 96;

std::string Lossy(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string NameList(const std::vector<std::string>& paths) {
    std::string text;
    for (std::size_t i = 0; i < paths.size() && i < kMaxNamesInMessage; ++i)
        text += "\n" + Lossy(paths[i]);
    if (paths.size() > kMaxNamesInMessage)
        text += QCoreApplication::translate("PlaylistCtrl", "\nほか %1 件")
                    .arg(QString::number(paths.size() - kMaxNamesInMessage))
                    .toStdString();
    return text;
}

class BatchScope {
  public:
    explicit BatchScope(PlaylistModel* model) : m_pModel(model) { m_pModel->BeginBatch(); }
    ~BatchScope() { m_pModel->EndBatch(); }
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

  private:
    PlaylistModel* m_pModel;
};

}  // namespace

PlaylistCtrl::PlaylistCtrl(QWidget* parent) : QWidget(parent) {
    m_pModel = new PlaylistModel(this);
    m_pModel->SetIcons(MakePlaylistIcons());
    m_pTags = new TagCollector(m_pModel);

    m_pReport = new QTreeView(this);
    m_pReport->setModel(m_pModel);
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
    connect(m_pReport->header(), &QHeaderView::sectionClicked, this,
            &PlaylistCtrl::SortByColumnClick);

    m_pIcons = new QListView(this);
    m_pIcons->setModel(m_pModel);
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

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_pReport), static_cast<QAbstractItemView*>(m_pIcons)}) {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragDropMode(QAbstractItemView::NoDragDrop);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex&) { emit PlayRequested(); });
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
            if (SelectedRow() < 0)
                return;
            m_nContext = SelectedRow();
            ShowContextMenu(view->viewport()->mapToGlobal(pos));
        });
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_pFind = new FindBar(this);
    m_pFind->hide();
    column->addWidget(m_pFind);
    m_pStack = new QStackedLayout;
    m_pStack->setContentsMargins(0, 0, 0, 0);
    m_pStack->addWidget(m_pReport);
    m_pStack->addWidget(m_pIcons);
    m_pStack->setCurrentWidget(m_pReport);
    column->addLayout(m_pStack, 1);
    connect(m_pFind, &QLineEdit::textChanged, this, &PlaylistCtrl::SetFilter);
    connect(m_pFind, &FindBar::CloseRequested, this, &PlaylistCtrl::CloseFind);
    connect(m_pFind, &FindBar::PlayRequested, this, &PlaylistCtrl::PlayRequested);
    connect(m_pFind, &FindBar::ListRequested, this, [this] { ActiveView()->setFocus(); });
    // New rows, sorted rows and tags that arrive are matched again.
    connect(m_pModel, &PlaylistModel::rowsInserted, this, [this] { ApplyFilter(); });
    connect(m_pModel, &PlaylistModel::layoutChanged, this, [this] { ApplyFilter(); });
    connect(m_pModel, &PlaylistModel::dataChanged, this, [this] { ApplyFilter(); });
    setAcceptDrops(true);
}

PlaylistCtrl::~PlaylistCtrl() = default;

int PlaylistCtrl::RowCount() const {
    return m_pModel->Count();
}

std::string PlaylistCtrl::PathAt(int row) const {
    if (row < 0 || row >= RowCount())
        return {};
    return m_pModel->At(row).path;
}

std::string PlaylistCtrl::ItemText(int row, int column) const {
    if (row < 0 || row >= RowCount())
        return {};
    return PlaylistModel::Text(m_pModel->At(row), column);
}

int PlaylistCtrl::IconAt(int row) const {
    if (row < 0 || row >= RowCount())
        return -1;
    return m_pModel->At(row).icon;
}

int PlaylistCtrl::FindPath(const std::string& path) const {
    if (!m_pModel->Contains(path))
        return -1;
    for (int row = 0; row < RowCount(); ++row) {
        if (m_pModel->At(row).path == path)
            return row;
    }
    return -1;
}

std::vector<std::string> PlaylistCtrl::Paths() const {
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(RowCount()));
    for (int row = 0; row < RowCount(); ++row) paths.push_back(m_pModel->At(row).path);
    return paths;
}

bool PlaylistCtrl::InsertEntry(int index, const std::string& path) {
    if (!FitsMaxPath(path) || m_pModel->Contains(path))
        return false;
    // Regular files only: a fifo or device named like media would otherwise hang the open
    // or be played as an endless stream.
    const std::optional<std::uint64_t> size = RegularFileSize(path);
    if (!size)
        return false;

    PlaylistEntry entry;
    entry.name = BaseNameOf(path);
    entry.size = std::to_string(*size >> 10) + " KB";
    entry.path = path;
    entry.icon = IconForExtension(UpperExtensionOf(path), m_bOggLoaded);
    index = std::clamp(index, 0, RowCount());
    if (!m_pModel->Insert(index, std::move(entry)))
        return false;
    emit RowInserted(index);
    return true;
}

AddResult PlaylistCtrl::AddPath(const std::string& path, AddReport* report) {
    const std::string ext = UpperExtensionOf(path);
    if (!IsKnownExtension(ext, m_bOggLoaded))
        return AddResult::Ignored;
    if (!FitsMaxPath(path)) {
        if (report)
            report->tooLong.push_back(path);
        return AddResult::TooLong;
    }
    if (IsPlaylistExtension(ext)) {
        std::string why;
        if (LoadPlaylist(path, &why))
            return AddResult::PlaylistLoaded;
        if (report)
            report->failedPlaylists.push_back(why.empty() ? path : why);
        return AddResult::PlaylistFailed;
    }
    if (m_pModel->Contains(path))
        return AddResult::Ignored;
    if (!InsertEntry(RowCount(), path))
        return AddResult::Unreadable;
    if (report)
        ++report->added;
    return AddResult::Added;
}

void PlaylistCtrl::AddFolder(const std::string& folder, AddReport* report) {
    if (!FitsMaxPath(folder)) {
        if (report)
            report->tooLong.push_back(folder);
        return;
    }
    BatchScope batch(m_pModel);
    std::set<std::pair<unsigned long, unsigned long>> visited;
    WalkFolder(folder, report, 0, &visited);
}

void PlaylistCtrl::WalkFolder(const std::string& folder, AddReport* report, int depth,
                              std::set<std::pair<unsigned long, unsigned long>>* visited) {
    if (depth > kMaxFolderDepth) {
        if (report)
            report->tooDeep.push_back(folder);
        return;
    }
    const FolderListing listing = ListFolder(folder);
    // A folder reached twice (through a symlink loop or a bind mount) is walked once.
    if (!listing.ok || !visited
                            ->insert({static_cast<unsigned long>(listing.device),
                                      static_cast<unsigned long>(listing.inode)})
                            .second)
        return;
    for (const FolderEntry& entry : listing.entries) {
        const std::string child = JoinPath(folder, entry.name);
        const bool isDir = entry.kind == PathKind::Folder;
        const bool isFile = entry.kind == PathKind::File;
        if (isDir) {
            if (!FitsMaxPath(child)) {
                if (report)
                    report->tooLong.push_back(child);
                continue;
            }
            WalkFolder(child, report, depth + 1, visited);
        } else if (isFile) {
            AddPath(child, report);
        }
    }
}

bool PlaylistCtrl::LoadPlaylist(const std::string& path) {
    return LoadPlaylist(path, nullptr);
}

bool PlaylistCtrl::LoadPlaylist(const std::string& path, std::string* error) {
    // The file is read before the list is touched, so a playlist that cannot be read, or
    // names nothing to list, leaves the current list as it was.
    const PlaylistLoad read = PlaylistLoader::Load(path, m_bOggLoaded);
    if (!read.ok) {
        qWarning() << "playlist: cannot load" << QByteArray::fromStdString(path);
        if (error)
            *error = read.error;
        return false;
    }
    ClearList();
    BatchScope batch(m_pModel);
    for (const PlaylistItem& item : read.items) {
        if (InsertEntry(RowCount(), item.path) && (!item.title.empty() || item.seconds >= 0))
            m_pModel->SetListTitle(RowCount() - 1, item.title, item.seconds);
    }
    return true;
}

void PlaylistCtrl::AddDroppedPaths(const std::vector<std::string>& paths, AddReport* report) {
    for (const std::string& path : paths) {
        // An item whose attributes cannot be read is treated as a folder: the walk then
        // simply finds nothing.
        const PathKind kind = KindOf(path);
        if (kind == PathKind::Missing || kind == PathKind::Folder)
            AddFolder(path, report);
        else
            AddPath(path, report);
    }
}

bool PlaylistCtrl::DropMimeData(const QMimeData* mime) {
    if (!mime)
        return false;
    std::vector<std::string> paths;
    if (mime->hasFormat(QStringLiteral("text/uri-list"))) {
        paths = LocalPathsFromUriList(mime->data(QStringLiteral("text/uri-list")).toStdString());
    } else {
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile())
                paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
    if (paths.empty())
        return false;
    AddReport report;
    AddDroppedPaths(paths, &report);
    ShowAddReport(report);
    return true;
}

void PlaylistCtrl::ShowAddReport(const AddReport& report) {
    if (!report.tooLong.empty()) {
        Prompts().MessageBox(
            window(),
            QCoreApplication::translate("PlaylistCtrl",
                                        "パスが長すぎるため、次の項目を追加できませんでした。")
                    .toStdString() +
                NameList(report.tooLong),
            kProgramName, MB_OK | MB_ICONWARNING);
    }
    if (!report.tooDeep.empty()) {
        Prompts().MessageBox(
            window(),
            QCoreApplication::translate("PlaylistCtrl",
                                        "フォルダーの階層が深すぎるため、次のフォル"
                                        "ダーの中は追加しませんでした。")
                    .toStdString() +
                NameList(report.tooDeep),
            kProgramName, MB_OK | MB_ICONWARNING);
    }
    if (!report.failedPlaylists.empty()) {
        Prompts().MessageBox(
            window(),
            QCoreApplication::translate("PlaylistCtrl", "次のプレイリストを開けませんでした。")
                    .toStdString() +
                NameList(report.failedPlaylists),
            kProgramName, MB_OK | MB_ICONWARNING);
    }
}

void PlaylistCtrl::ClearList() {
    if (m_pHost)
        m_pHost->Stop();
    m_pModel->Clear();
    m_nContext = -1;
    emit ListCleared();
}

bool PlaylistCtrl::RemoveRow(int row) {
    if (!m_pModel->Remove(row))
        return false;
    if (m_nContext == row)
        m_nContext = -1;
    else if (m_nContext > row)
        --m_nContext;
    emit RowRemoved(row);
    return true;
}

void PlaylistCtrl::RemoveSelected() {
    const int row = SelectedRow();
    if (row < 0 || !RemoveRow(row))
        return;
    if (m_pHost && m_pHost->CurrentRow() == row) {
        m_pHost->SetCurrentRow(-1);
        m_pHost->Stop();
    }
}

void PlaylistCtrl::DeleteContextFile() {
    const int row = m_nContext;
    if (row < 0 || row >= RowCount()) {
        m_nContext = -1;
        return;
    }
    m_nContext = -1;
    if (m_pHost && m_pHost->CurrentRow() == row) {
        m_pHost->SetCurrentRow(-1);
        m_pHost->Stop();
    }
    const std::string path = PathAt(row);
    if (!NameExists(path))
        return;
    const int answer = Prompts().MessageBox(
        window(),
        QCoreApplication::translate("PlaylistCtrl", "%1 を削除して、ごみ箱へ移動してもよいですか？")
            .arg(QString::fromStdString(Lossy(FileNameOf(path))))
            .toStdString(),
        QCoreApplication::translate("PlaylistCtrl", "選択ファイル削除").toStdString(),
        MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES)
        return;
    const TrashResult trashed = MoveToTrash(path);
    if (!trashed.ok) {
        // The file is still there, so its row stays too.
        Prompts().MessageBox(window(), trashed.error, kProgramName, MB_OK | MB_ICONWARNING);
        return;
    }
    // The question box may have let other commands run; find the row again by its path.
    const int now = PathAt(row) == path ? row : FindPath(path);
    if (now >= 0)
        RemoveRow(now);
}

int PlaylistCtrl::SelectedRow() const {
    const QModelIndexList rows = m_pReport->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PlaylistCtrl::SelectRow(int row) {
    if (row < 0 || row >= m_pModel->rowCount())
        return;
    const QModelIndex index = m_pModel->index(row, 0);
    m_pReport->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ActiveView()->scrollTo(index);
    ActiveView()->setFocus();
}

void PlaylistCtrl::SortByColumnClick(int column) {
    if (column < 0 || column >= PlaylistModel::kColumnCount)
        return;
    emit ColumnClicked(column);
    m_SortDir[column] = m_SortDir[column] == 1 ? 2 : 1;
    SortRows(column, m_SortDir[column]);
}

int PlaylistCtrl::SortDirection(int column) const {
    if (column < 0 || column >= PlaylistModel::kColumnCount)
        return 0;
    return m_SortDir[column];
}

void PlaylistCtrl::SortRows(int column, int direction) {
    m_pModel->BeginBatch();
    m_pModel->EndBatch();  // make every staged row visible to the reorder
    const int n = RowCount();
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::vector<std::string> keys(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        keys[static_cast<std::size_t>(i)] = PlaylistModel::SortKey(m_pModel->At(i), column);
    // Byte order, which for UTF-8 is code point order; equal texts keep their order.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto& ka = keys[static_cast<std::size_t>(a)];
        const auto& kb = keys[static_cast<std::size_t>(b)];
        return direction == 2 ? kb < ka : ka < kb;
    });
    m_pModel->Reorder(order);
    std::vector<int> newRowOfOld(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        newRowOfOld[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    if (m_nContext >= 0 && m_nContext < n)
        m_nContext = newRowOfOld[static_cast<std::size_t>(m_nContext)];
    emit Sorted(newRowOfOld);
}

void PlaylistCtrl::SetViewMode(int mode) {
    if (mode < ViewIcon || mode > ViewList)
        return;
    m_nViewMode = mode;
    if (mode == ViewReport) {
        m_pStack->setCurrentWidget(m_pReport);
    } else {
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
    }
    emit ViewModeChanged(mode);
}

int PlaylistCtrl::ViewModeForCommand(int command) {
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

const char* PlaylistCtrl::ViewModeStatusText(int mode) {
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

QAbstractItemView* PlaylistCtrl::ActiveView() const {
    if (m_nViewMode == ViewReport)
        return m_pReport;
    return m_pIcons;
}

void PlaylistCtrl::OpenFind() {
    m_pFind->show();
    m_pFind->setFocus();
    m_pFind->selectAll();
}

void PlaylistCtrl::CloseFind() {
    m_pFind->clear();  // shows every row again
    m_pFind->hide();
    SetFilter(QString());
    if (SelectedRow() >= 0)
        ActiveView()->scrollTo(m_pModel->index(SelectedRow(), 0));
    ActiveView()->setFocus();
}

void PlaylistCtrl::SetFilter(const QString& text) {
    if (text == m_Filter)
        return;
    m_Filter = text;
    ApplyFilter();
}

bool PlaylistCtrl::RowShown(int row) const {
    return row >= 0 && row < m_pModel->rowCount() && !m_pReport->isRowHidden(row, QModelIndex());
}

bool PlaylistCtrl::Matches(int row) const {
    if (m_Filter.isEmpty())
        return true;
    const PlaylistEntry& e = m_pModel->At(row);
    for (int column : {PlaylistModel::kColumnName, PlaylistModel::kColumnTitle,
                       PlaylistModel::kColumnArtist, PlaylistModel::kColumnAlbum}) {
        const std::string text = PlaylistModel::Text(e, column);
        if (QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                .contains(m_Filter, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void PlaylistCtrl::ApplyFilter() {
    // Without a filter and with no row hidden there is nothing to do: adding a long list
    // must not walk it once per row.
    if (m_Filter.isEmpty() && !m_bHiding)
        return;
    m_bHiding = !m_Filter.isEmpty();
    const int rows = m_pModel->rowCount();
    int firstShown = -1;
    for (int row = 0; row < rows; ++row) {
        const bool hide = !Matches(row);
        // Only changes are passed on: the icon views look their hidden rows up one by one.
        if (m_pReport->isRowHidden(row, QModelIndex()) != hide) {
            m_pReport->setRowHidden(row, QModelIndex(), hide);
            m_pIcons->setRowHidden(row, hide);
        }
        if (!hide && firstShown < 0)
            firstShown = row;
    }
    // The selection follows to the first match, so Enter and Play act on a row one sees.
    const int selected = SelectedRow();
    if (!m_Filter.isEmpty() && firstShown >= 0 && (selected < 0 || !RowShown(selected))) {
        const QModelIndex index = m_pModel->index(firstShown, 0);
        m_pReport->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ActiveView()->scrollTo(index);
    }
}

void PlaylistCtrl::ShowContextMenu(const QPoint& globalPos) {
    window()->raise();
    window()->activateWindow();
    QMenu menu(this);
    QAction* remove = menu.addAction(tr("リストから削除(&C)"));
    remove->setData(kCommandRemoveFromList);
    remove->setShortcut(QKeySequence::Delete);  // shown only: the list answers the key itself
    remove->setShortcutVisibleInContextMenu(true);
    QAction* trash = menu.addAction(tr("ファイルの削除(&D)"));
    trash->setData(kCommandDeleteFile);
    QAction* chosen = menu.exec(globalPos);
    if (chosen == remove)
        RemoveSelected();
    else if (chosen == trash)
        DeleteContextFile();
}

void PlaylistCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlaylistCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlaylistCtrl::dropEvent(QDropEvent* event) {
    if (DropMimeData(event->mimeData()))
        event->acceptProposedAction();
}

bool PlaylistCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        RemoveSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

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
#include "playlist/folder_walk.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_icons.h"
#include "playlist/playlist_loader.h"
#include "playlist/tag_collector.h"
#include "playlist/trash_dialog.h"
#include "playlist/uri_list.h"

namespace {

constexpr const char* kProgramName = "VELTRA";
constexpr int kCommandRemoveFromList = 32788;
constexpr int kCommandDeleteFile = 32784;

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

    m_pViews = std::make_unique<PlaylistViews>(this, m_pModel);
    connect(m_pViews->Report()->header(), &QHeaderView::sectionClicked, this,
            &PlaylistCtrl::SortByColumnClick);
    for (QAbstractItemView* view : m_pViews->Both()) {
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
    column->addLayout(m_pViews->Stack(), 1);
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
    switch (AddStepFor(path, m_bOggLoaded)) {
        case AddStep::Ignore:
            return AddResult::Ignored;
        case AddStep::RefuseTooLong:
            if (report)
                report->tooLong.push_back(path);
            return AddResult::TooLong;
        case AddStep::LoadPlaylist: {
            std::string why;
            if (LoadPlaylist(path, &why))
                return AddResult::PlaylistLoaded;
            if (report)
                report->failedPlaylists.push_back(why.empty() ? path : why);
            return AddResult::PlaylistFailed;
        }
        case AddStep::Insert:
            break;
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
    // Where a refused folder is noted; nowhere without a report.
    auto noteIn = [report](std::vector<std::string> AddReport::*list) {
        return [report, list](const std::string& path) {
            if (report)
                (report->*list).push_back(path);
        };
    };
    const auto noteTooLong = noteIn(&AddReport::tooLong);
    if (!FitsMaxPath(folder)) {
        noteTooLong(folder);
        return;
    }
    BatchScope batch(m_pModel);
    FolderWalk walk;
    walk.onFile = [this, report](const std::string& file) { AddPath(file, report); };
    walk.onTooLong = noteTooLong;
    walk.onTooDeep = noteIn(&AddReport::tooDeep);
    WalkFolderTree(folder, walk);
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
    for (const std::string& message : AddReportMessages(report))
        Prompts().MessageBox(window(), message, kProgramName, MB_OK | MB_ICONWARNING);
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
    // A file the move left where it was keeps its row too.
    if (AskAndTrash(window(), path) != TrashAnswer::Trashed)
        return;
    // The question box may have let other commands run; find the row again by its path.
    const int now = PathAt(row) == path ? row : FindPath(path);
    if (now >= 0)
        RemoveRow(now);
}

int PlaylistCtrl::SelectedRow() const {
    return m_pViews->SelectedRow();
}

void PlaylistCtrl::SelectRow(int row) {
    if (row < 0 || row >= m_pModel->rowCount())
        return;
    m_pViews->Select(row);
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
    if (m_pViews->Show(mode))
        emit ViewModeChanged(mode);
}

int PlaylistCtrl::ViewModeForCommand(int command) {
    return ViewModeOfCommand(command);
}

const char* PlaylistCtrl::ViewModeStatusText(int mode) {
    return StatusTextOfViewMode(mode);
}

QAbstractItemView* PlaylistCtrl::ActiveView() const {
    return m_pViews->Active();
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
    return row >= 0 && row < m_pModel->rowCount() && !m_pViews->RowHidden(row);
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
        if (m_pViews->RowHidden(row) != hide)
            m_pViews->SetRowHidden(row, hide);
        if (!hide && firstShown < 0)
            firstShown = row;
    }
    // The selection follows to the first match, so Enter and Play act on a row one sees.
    const int selected = SelectedRow();
    if (!m_Filter.isEmpty() && firstShown >= 0 && (selected < 0 || !RowShown(selected)))
        m_pViews->Select(firstShown);
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

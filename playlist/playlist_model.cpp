#include "playlist/playlist_model.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>

#include "playlist/path_helpers.h"

namespace {

// Display only: bytes that are not UTF-8 show as replacement characters, the stored
// path stays untouched.
QString Display(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

PlaylistModel::PlaylistModel(QObject* parent) : QAbstractTableModel(parent) {}
PlaylistModel::~PlaylistModel() = default;

int PlaylistModel::Count() const {
    return static_cast<int>(m_Entries.size() + m_Staged.size());
}

const PlaylistEntry& PlaylistModel::At(int row) const {
    const auto r = static_cast<std::size_t>(row);
    return r < m_Entries.size() ? m_Entries[r] : m_Staged[r - m_Entries.size()];
}

bool PlaylistModel::Contains(const std::string& path) const {
    return m_Paths.count(path) != 0;
}

bool PlaylistModel::Insert(int row, PlaylistEntry entry) {
    if (Contains(entry.path))
        return false;
    const int count = Count();
    row = std::clamp(row, 0, count);
    m_Paths.insert(entry.path);
    if (m_nBatch > 0 && row == count) {
        m_Staged.push_back(std::move(entry));
        return true;
    }
    Flush();
    beginInsertRows(QModelIndex(), row, row);
    m_Entries.insert(m_Entries.begin() + row, std::move(entry));
    if (m_nPlaying >= row)
        ++m_nPlaying;
    endInsertRows();
    return true;
}

bool PlaylistModel::Remove(int row) {
    if (row < 0 || row >= Count())
        return false;
    Flush();
    beginRemoveRows(QModelIndex(), row, row);
    m_Paths.erase(m_Entries[static_cast<std::size_t>(row)].path);
    m_Entries.erase(m_Entries.begin() + row);
    if (m_nPlaying == row)
        m_nPlaying = -1;
    else if (m_nPlaying > row)
        --m_nPlaying;
    endRemoveRows();
    return true;
}

void PlaylistModel::SetListTitle(int row, std::string title, int seconds) {
    if (row < 0 || row >= Count())
        return;
    const auto r = static_cast<std::size_t>(row);
    PlaylistEntry& e = r < m_Entries.size() ? m_Entries[r] : m_Staged[r - m_Entries.size()];
    e.title = std::move(title);
    e.seconds = seconds;
    RefreshRow(row);
}

void PlaylistModel::Clear() {
    beginResetModel();
    m_Entries.clear();
    m_Staged.clear();
    m_Paths.clear();
    m_nPlaying = -1;
    endResetModel();
}

void PlaylistModel::Reorder(const std::vector<int>& newOrder) {
    Flush();
    if (newOrder.size() != m_Entries.size())
        return;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRowOfOld(m_Entries.size());
    std::vector<PlaylistEntry> reordered;
    reordered.reserve(m_Entries.size());
    for (std::size_t i = 0; i < newOrder.size(); ++i) {
        reordered.push_back(std::move(m_Entries[static_cast<std::size_t>(newOrder[i])]));
        newRowOfOld[static_cast<std::size_t>(newOrder[i])] = static_cast<int>(i);
    }
    m_Entries = std::move(reordered);
    if (m_nPlaying >= 0)
        m_nPlaying = newRowOfOld[static_cast<std::size_t>(m_nPlaying)];
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.push_back(
            this->index(newRowOfOld[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void PlaylistModel::BeginBatch() {
    ++m_nBatch;
}

void PlaylistModel::EndBatch() {
    if (m_nBatch > 0 && --m_nBatch == 0)
        Flush();
}

void PlaylistModel::Flush() {
    if (m_Staged.empty())
        return;
    const int first = static_cast<int>(m_Entries.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(m_Staged.size()) - 1);
    std::move(m_Staged.begin(), m_Staged.end(), std::back_inserter(m_Entries));
    m_Staged.clear();
    endInsertRows();
}

int PlaylistModel::SetTags(const std::string& path, const MediaTags& tags) {
    if (!Contains(path))
        return -1;
    for (int row = 0; row < Count(); ++row) {
        const auto r = static_cast<std::size_t>(row);
        PlaylistEntry& e = r < m_Entries.size() ? m_Entries[r] : m_Staged[r - m_Entries.size()];
        if (e.path != path)
            continue;
        e.tags = tags;
        if (r < m_Entries.size())
            emit dataChanged(index(row, kColumnTitle), index(row, kColumnLength));
        return row;
    }
    return -1;
}

std::string PlaylistModel::LengthText(long long ms) {
    if (ms <= 0)
        return {};
    const long long seconds = ms / 1000;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

std::string PlaylistModel::Text(const PlaylistEntry& e, int column) {
    switch (column) {
        case kColumnName:
            return e.name;
        case kColumnSize:
            return e.size;
        case kColumnPath:
            return e.path;
        case kColumnTitle:
            // The file's own tag first, then what a list of another player said; without
            // either the extension still tells song.mp3 from song.ogg.
            if (!e.tags.title.empty())
                return e.tags.title;
            return e.title.empty() ? FileNameOf(e.path) : e.title;
        case kColumnArtist: {
            std::string joined;
            for (const std::string& artist : e.tags.artists)
                joined += (joined.empty() ? "" : ", ") + artist;
            return joined;
        }
        case kColumnAlbum:
            return e.tags.album;
        case kColumnLength:
            return LengthText(e.tags.lengthMs > 0 ? e.tags.lengthMs : e.seconds * 1000LL);
    }
    return {};
}

std::string PlaylistModel::SortKey(const PlaylistEntry& e, int column) {
    switch (column) {
        case kColumnTitle:
        case kColumnArtist:
        case kColumnAlbum:
            return Display(Text(e, column)).toCaseFolded().toStdString();
        case kColumnLength: {
            char key[24];
            std::snprintf(key, sizeof key, "%020lld", std::max(0LL, e.tags.lengthMs));
            return key;
        }
    }
    return Text(e, column);
}

void PlaylistModel::SetIcons(std::vector<QIcon> icons) {
    m_Icons = std::move(icons);
    m_PlayingIcons.clear();
}

namespace {

// A small green badge with a white triangle in the icon's lower right corner.
QIcon WithPlayMark(const QIcon& icon) {
    QIcon marked;
    for (int size : {16, 32}) {
        QPixmap pixmap = icon.pixmap(size, size);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size, size);
            pixmap.fill(Qt::transparent);
        }
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal d = size * 0.62, x = size - d, y = size - d;
        p.setPen(QPen(Qt::white, size / 16.0));
        p.setBrush(QColor(30, 160, 60));
        p.drawEllipse(QRectF(x, y, d, d));
        QPainterPath play;
        play.moveTo(x + d * 0.38, y + d * 0.25);
        play.lineTo(x + d * 0.78, y + d * 0.5);
        play.lineTo(x + d * 0.38, y + d * 0.75);
        play.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(play);
        p.end();
        // Also as it is on a selected row, where icons are otherwise tinted: the mark must
        // stand out most where the selection is.
        marked.addPixmap(pixmap, QIcon::Normal);
        marked.addPixmap(pixmap, QIcon::Selected);
    }
    return marked;
}

}  // namespace

void PlaylistModel::SetPlayingRow(int row) {
    if (row < -1 || row >= static_cast<int>(m_Entries.size()))
        row = -1;
    if (row == m_nPlaying)
        return;
    const int old = m_nPlaying;
    m_nPlaying = row;
    RefreshRow(old);
    RefreshRow(row);
}

void PlaylistModel::RefreshRow(int row) {
    if (row >= 0 && row < static_cast<int>(m_Entries.size()))
        emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_Entries.size());
}

int PlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_Entries.size()))
        return {};
    const PlaylistEntry& e = m_Entries[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (index.column() >= 0 && index.column() < kColumnCount)
            return Display(Text(e, index.column()));
    } else if (role == Qt::TextAlignmentRole && index.column() == kColumnLength) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    } else if (role == Qt::DecorationRole && index.column() == kColumnName) {
        if (e.icon >= 0 && static_cast<std::size_t>(e.icon) < m_Icons.size()) {
            const auto i = static_cast<std::size_t>(e.icon);
            if (index.row() != m_nPlaying)
                return m_Icons[i];
            if (m_PlayingIcons.empty())
                for (const QIcon& icon : m_Icons) m_PlayingIcons.push_back(WithPlayMark(icon));
            return m_PlayingIcons[i];
        }
    } else if (role == Qt::FontRole && index.row() == m_nPlaying) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
        case kColumnName:
            return tr("Name");
        case kColumnSize:
            return tr("Size");
        case kColumnPath:
            return tr("State");
        case kColumnTitle:
            return tr("タイトル");
        case kColumnArtist:
            return tr("アーティスト");
        case kColumnAlbum:
            return tr("アルバム");
        case kColumnLength:
            return tr("長さ");
    }
    return {};
}

#include "playlist/tag_collector.h"

#include <algorithm>

#include "playlist/media_kind.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_model.h"

TagCollector::TagCollector(PlaylistModel* model) : QObject(model), m_pModel(model) {
    connect(model, &PlaylistModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { Offer(first, last); });
    connect(model, &PlaylistModel::modelReset, this, &TagCollector::Forget);
    connect(&m_Reader, &TagReader::Read, this, &TagCollector::Arrived);
}

TagCollector::~TagCollector() = default;

void TagCollector::Offer(int first, int last) {
    for (int row = first; row <= last; ++row) {
        const std::string& path = m_pModel->At(row).path;
        const std::string ext = UpperExtensionOf(path);
        if (IsImageExtension(ext) || IsPlaylistExtension(ext))
            continue;
        m_Backlog.push_back(path);
    }
    Feed();
}

void TagCollector::Feed() {
    while (!m_Backlog.empty()) {
        // A row removed while it waited is not read.
        if (!m_pModel->Contains(m_Backlog.front())) {
            m_Backlog.pop_front();
            continue;
        }
        if (!m_Reader.Request(m_Backlog.front()))
            break;
        m_Backlog.pop_front();
        ++m_nInFlight;
    }
}

void TagCollector::Arrived(const std::string& path, const MediaTags& tags) {
    if (m_nInFlight > 0)
        --m_nInFlight;
    m_pModel->SetTags(path, tags);
    Feed();
}

void TagCollector::Forget() {
    m_Backlog.clear();
    // The file being read now still arrives, and finds no row.
    const std::size_t dropped = m_Reader.CancelPending();
    m_nInFlight -= std::min(dropped, m_nInFlight);
}

#include "player/list_session.h"

#include <QAbstractSlider>
#include <QTimer>

#include "player/playback_controller.h"
#include "player/player_log.h"
#include "player/timed_item.h"
#include "playlist/playlist_ctrl.h"
#include "playlist/session_store.h"

namespace player {

ListSession::ListSession(PlaylistCtrl& list, PlaybackController& controller, QAbstractSlider& seek,
                         std::function<void(int)> seekTo)
    : m_list(list), m_controller(controller), m_seek(seek), m_seekTo(std::move(seekTo)) {
    connect(&m_seek, &QAbstractSlider::rangeChanged, this, [this] {
        // An item was opened; it starts right after, and only then can it be moved.
        if (m_bResumePending)
            QTimer::singleShot(0, this, [this] { ResumeIfFirst(); });
    });
}

void ListSession::Restore() {
    SessionState state;
    if (!SessionStore().Load(&state))
        return;
    // Rows whose files went meanwhile are skipped like any unreadable file.
    for (const std::string& path : state.paths) m_list.InsertEntry(m_list.RowCount(), path);
    m_strResumePath = state.resumePath;
    m_nResumeTenths = state.resumeTenths;
    m_bResumePending = !m_strResumePath.empty() && m_nResumeTenths > 0;
}

void ListSession::Save() const {
    SessionState state;
    state.paths = m_list.Paths();
    const int row = m_controller.CurrentRow();
    if (HasTimeLine(m_controller.Mode()) && row >= 0 && row < m_list.RowCount()) {
        state.resumePath = m_list.PathAt(row);
        state.resumeTenths = m_seek.value();
    }
    if (int error = SessionStore().Save(state); error != 0)
        qCWarning(lcPlayer) << "the list could not be kept for the next run:" << error;
}

void ListSession::ResumeIfFirst() {
    // Only the first item of the run may resume; any other first choice ends the offer.
    if (!m_bResumePending || !HasTimeLine(m_controller.Mode()))
        return;
    m_bResumePending = false;
    const int row = m_controller.CurrentRow();
    if (m_list.PathAt(row) != m_strResumePath || m_nResumeTenths >= m_seek.maximum())
        return;
    qCInfo(lcPlayer) << "resuming at" << m_nResumeTenths;
    m_seekTo(m_nResumeTenths);
}

}  // namespace player

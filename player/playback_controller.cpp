#include "player/playback_controller.h"

#include <QCoreApplication>
#include <QString>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/max_path.h"
#include "player/player_log.h"

namespace player {

namespace {

// How long before a sound item's end the next one is prepared: time enough to open any
// file, late enough that the list is as the user left it.
constexpr int kPrepareAheadTenths = 50;
constexpr const char* kSoundDeviceFailed =
    QT_TRANSLATE_NOOP("MainWindow", "DirectSoundの作成に失敗しました。");

bool FileExists(const std::string& path) {
    return KindOf(path) == PathKind::File;
}

}  // namespace

bool PlaybackController::ItemOpen() {
    if (m_Engine == kEngineOgg)
        return m_p.ogg->IsActive() != 0;
    return m_p.graph->HasGraph();
}

void PlaybackController::SetCurrentRow(int row) {
    m_nCurrent = row;
    m_currentPath = row >= 0 ? m_p.list->PathOf(row) : std::string();
}

int PlaybackController::CurrentRow() {
    FollowCurrentRow();
    return m_nCurrent;
}

void PlaybackController::FollowCurrentRow() {
    if (m_nCurrent < 0)
        return;
    // While the item is open the list carries its mark along with the row.
    const int marked = m_p.list->PlayingRow();
    if (marked >= 0) {
        m_nCurrent = marked;
        return;
    }
    if (m_currentPath.empty() || m_p.list->PathOf(m_nCurrent) == m_currentPath)
        return;
    // Stopped, the mark is gone: look for the item itself, nearest to where it was, since
    // a list may hold one file twice.
    const int rows = m_p.list->RowCount();
    for (int d = 1; d < rows; ++d) {
        for (int row : {m_nCurrent - d, m_nCurrent + d}) {
            if (row >= 0 && row < rows && m_p.list->PathOf(row) == m_currentPath) {
                m_nCurrent = row;
                return;
            }
        }
    }
}

void PlaybackController::StopPlayback() {
    ++m_openSerial;
    ForgetPreparedItem();
    CloseCurrent();
}

void PlaybackController::CloseCurrent() {
    m_pending.reset();
    if (m_Engine == kEngineOgg) {
        m_p.ogg->Close();
        m_p.display->DropStaleOggReports();
    } else {
        m_p.graph->Close();
        m_p.display->DropStaleGraphReports();
    }
}

void PlaybackController::ResetPlayDisplay() {
    // Last chance to learn where the item's row went before its mark is taken away.
    FollowCurrentRow();
    m_Engine = kEngineNone;
    m_Mode = ModeNone;
    m_p.list->MarkPlaying(-1);
    if (m_p.viewer->Exists()) {
        m_p.viewer->SetPicture(false);
        m_p.viewer->ShowVideoArea(false);
    }
    m_p.display->ShowPauseButton(false);
    m_p.display->EnableSeek(false);
    m_p.display->SetSeekPos(0);
}

void PlaybackController::ReleaseSoundDevice() {
    // tunewell may still be playing out the end of the last Ogg item on the device, on a
    // thread of its own: it lets go of the device (once that end has been heard) before
    // the device goes, so the device is never torn down from that thread.
    if (m_p.sound->Device() && m_p.ogg->IsLoaded())
        m_p.ogg->Init(nullptr);
    m_p.sound->Release();
}

void PlaybackController::Stop() {
    StopPlayback();
    ResetPlayDisplay();
    qCInfo(lcPlayer) << "stopped";
}

void PlaybackController::CreateViewer() {
    if (!m_p.viewer->Create())
        return;
    m_p.viewer->SetEngine(m_Engine);
    m_p.viewer->SetPicture(false);
    m_p.viewer->ShowVideoArea(false);
    m_p.viewer->Show();
}

void PlaybackController::ToggleViewer() {
    if (m_p.viewer->Exists()) {
        if (m_p.viewer->IsVisible())
            m_p.viewer->Hide();
        else
            m_p.viewer->Show();
        return;
    }
    CreateViewer();
}

bool PlaybackController::EnsureViewerShown() {
    if (m_p.viewer->Exists())
        m_p.viewer->Show();
    else
        CreateViewer();
    return m_p.viewer->Exists();
}

bool PlaybackController::OpenAndPlay(const std::string& path) {
    m_currentPath = path;
    ForgetPreparedItem();
    const unsigned serial = ++m_openSerial;
    const Start start = OpenAndStart(path);
    if (serial != m_openSerial)
        return start != Start::Failed;  // overtaken while a message was shown
    if (start == Start::Pending) {
        // The row is the open item's from now on, so that it is followed through sorts
        // and moves while the file is read.
        m_p.list->MarkPlaying(m_nCurrent);
        return true;
    }
    EndOpen(start == Start::Started, path);
    return start == Start::Started;
}

void PlaybackController::EndOpen(bool ok, const std::string& path) {
    // Whatever was open before is closed now, so the mark goes either way.
    m_p.list->MarkPlaying(ok ? m_nCurrent : -1);
    LogOpen(ok, path);
}

void PlaybackController::LogOpen(bool ok, const std::string& path) {
    qCInfo(lcPlayer).nospace().noquote()
        << "open row " << m_nCurrent << " mode " << m_Mode << " engine " << m_Engine
        << (ok ? " ok: " : " failed: ") << QString::fromStdString(path);
}

PlaybackController::Start PlaybackController::OpenAndStart(const std::string& path) {
    // Whatever was open goes first, or is given up while it opens.
    if (m_Engine == kEngineOgg || m_Engine == kEngineGraph)
        CloseCurrent();
    m_pending.reset();
    if (path.size() >= kMaxPath || !FileExists(path))
        return Start::Failed;

    const std::string ext = m_p.rules->UpperExtensionOf(path);
    m_Engine = m_p.rules->EngineForExtension(ext);
    if (m_p.viewer->Exists())
        m_p.viewer->SetEngine(m_Engine);

    if (m_Engine == kEngineOgg && m_p.ogg->IsLoaded()) {
        if (!m_p.sound->Create()) {
            m_p.display->ShowMessage(
                QCoreApplication::translate("MainWindow", kSoundDeviceFailed).toStdString());
            return Start::Failed;
        }
        m_p.ogg->Init(m_p.sound->Device());
    } else if (m_Engine != kEngineOgg) {
        // The graph's own sound output must not compete with a device we hold.
        ReleaseSoundDevice();
    }

    if (m_p.rules->IsVideoExtension(ext) || m_p.rules->IsImageExtension(ext)) {
        if (!EnsureViewerShown())
            return Start::Failed;
        m_p.viewer->SetPicture(true);
        m_p.viewer->ShowVideoArea(true);
        QRect area = m_p.viewer->VideoAreaRect();
        m_p.graph->SetWindows(m_p.viewer->VideoArea(), &area);
        return BeginGraphOpen(path, ext);
    }
    if (m_p.rules->IsAudioExtension(ext)) {
        if (m_p.viewer->Exists()) {
            m_p.viewer->SetPicture(false);
            m_p.viewer->ShowVideoArea(false);
        }
        if (m_Engine != kEngineOgg) {
            m_p.graph->SetWindows(nullptr, nullptr);
            return BeginGraphOpen(path, ext);
        }
        double seconds = 0.0;
        if (m_p.ogg->Open(path, &seconds) == 0)
            return Start::Failed;
        m_Mode = ModeAudio;
        return StartItem(static_cast<int>(seconds * 10)) ? Start::Started : Start::Failed;
    }
    m_Mode = ModeNone;
    return Start::Failed;
}

PlaybackController::Start PlaybackController::BeginGraphOpen(const std::string& path,
                                                             const std::string& ext) {
    // Nothing shows until the graph has read the file.
    m_Mode = ModeNone;
    const unsigned serial = m_openSerial;
    const GraphPort::OpenResult result = m_p.graph->OpenAsync(path);
    Tell(result.notices);
    if (result.opened != GraphPort::Opened::Yes || serial != m_openSerial)
        return Start::Failed;
    m_pending = PendingOpen{path, ext, m_bAdvancing};
    return Start::Pending;
}

bool PlaybackController::OnGraphOpened(intptr_t ticket) {
    if (!m_pending || m_Engine != kEngineGraph)
        return false;
    const PendingOpen pending = *m_pending;
    const unsigned serial = m_openSerial;
    const GraphPort::OpenResult result = m_p.graph->FinishOpen(ticket);
    Tell(result.notices);
    if (result.opened == GraphPort::Opened::Stale || serial != m_openSerial)
        return false;
    m_pending.reset();
    FollowCurrentRow();
    m_bStartAdvancing = pending.advancing;
    const bool ok = result.opened == GraphPort::Opened::Yes && ShowOrStartOpened(pending.ext);
    EndOpen(ok, pending.path);
    if (!ok && pending.advancing) {
        qCInfo(lcPlayer) << "skipping row" << m_nCurrent << "that could not be played";
        AdvanceAfterEnd();
    }
    return ok;
}

void PlaybackController::Tell(const Notices& notices) {
    for (const Notice& notice : notices) m_p.display->ShowNotice(notice);
}

bool PlaybackController::ShowOrStartOpened(const std::string& ext) {
    if (!m_p.rules->IsVideoExtension(ext) && !m_p.rules->IsImageExtension(ext)) {
        m_Mode = ModeAudio;
        return StartItem(m_p.graph->GetDuration());
    }
    int w = 0, h = 0;
    if (!m_p.graph->GetVideoDimensions(&w, &h))
        return false;
    m_p.viewer->FitToVideo(w, std::abs(h), !m_bKeepWindowSize);
    if (m_p.rules->IsImageExtension(ext)) {
        // A picture stays cued on its only frame; nothing runs and nothing advances.
        // Nothing plays either, so the transport shows Play and the seek slider rests:
        // a pause button here would run the picture's graph, which ends at once.
        m_Mode = ModeImage;
        m_p.display->ShowPauseButton(false);
        m_p.display->EnableSeek(false);
        m_p.display->SetSeekPos(0);
        return true;
    }
    m_Mode = ModeVideo;
    return StartItem(m_p.graph->GetDuration());
}

bool PlaybackController::StartItem(int length) {
    ShowLength(length);
    ApplyVolume();
    bool started = m_Engine == kEngineOgg ? m_p.ogg->Play() != 0 : m_p.graph->Restart();
    if (!started)
        return false;
    m_p.display->ShowPauseButton(true);
    return true;
}

void PlaybackController::PlaySelected() {
    int row = m_p.list->SelectedRow();
    if (row < 0) {
        // Play with nothing chosen starts the list from its top, as every player does.
        if (m_p.list->RowCount() <= 0)
            return;
        row = 0;
        m_p.list->SelectAndFocus(row);
    }
    m_nCurrent = row;
    const std::string path = m_p.list->PathOf(row);
    if (m_pending && m_pending->path == path && m_p.graph->Opening()) {
        m_p.list->MarkPlaying(m_nCurrent);  // it is on its way already
        return;
    }
    if (m_Engine == kEngineOgg && m_p.ogg->IsActive() && m_p.ogg->GetFile() == path) {
        m_p.display->ShowPauseButton(true);
        m_p.list->MarkPlaying(m_nCurrent);
        m_p.ogg->Play();
        qCInfo(lcPlayer) << "resumed";
        return;
    }
    if (m_Mode != ModeImage && m_p.graph->HasGraph() && m_p.graph->GetFileName() == path) {
        m_p.display->ShowPauseButton(true);
        m_p.list->MarkPlaying(m_nCurrent);
        if (m_p.graph->GetState() == GraphPort::Paused) {
            m_p.graph->PlayPause();
            qCInfo(lcPlayer) << "resumed";
        }
        return;
    }
    OpenAndPlay(path);
}

void PlaybackController::Pause() {
    // A picture is not playing (running its graph would end it at once); an item being
    // opened is not playing yet.
    if (m_Mode == ModeImage || m_pending)
        return;
    if (m_Engine == kEngineOgg) {
        if (!m_p.ogg->IsActive() || m_p.ogg->IsPause())
            return;
        m_p.ogg->Pause();
    } else {
        if (!m_p.graph->HasGraph() || m_p.graph->GetState() == GraphPort::Paused)
            return;
        m_p.graph->PlayPause();
    }
    m_p.display->ShowPauseButton(false);
    qCInfo(lcPlayer) << "paused";
}

void PlaybackController::PlayPrevious() {
    FollowCurrentRow();
    if (m_nCurrent == -1 || m_nCurrent - 1 < 0)
        return;
    const std::string path = m_p.list->PathOf(m_nCurrent - 1);
    --m_nCurrent;
    OpenAndPlay(path);
}

bool PlaybackController::HasNext() {
    return m_nCurrent != -1 && m_nCurrent + 1 <= m_p.list->RowCount() - 1;
}

bool PlaybackController::StepNext() {
    const std::string path = m_p.list->PathOf(m_nCurrent + 1);
    ++m_nCurrent;
    m_p.list->SelectAndFocus(m_nCurrent);
    return OpenAndPlay(path);
}

void PlaybackController::PlayNext() {
    FollowCurrentRow();
    if (HasNext())
        StepNext();
}

void PlaybackController::AdvanceAfterEnd() {
    // The next item follows at once: any wait here is heard as silence between items.
    // A row that cannot be played (gone, damaged, unknown) does not end the list: the
    // advance goes on with the row after it.
    // An item of the graph is on its way when StepNext returns; should its open fail, the
    // advance goes on from OnGraphOpened.
    m_bAdvancing = true;
    while (HasNext()) {
        if (StepNext())
            break;
        qCInfo(lcPlayer) << "skipping row" << m_nCurrent << "that could not be played";
    }
    m_bAdvancing = false;
}

void PlaybackController::ShowLength(int tenths) {
    m_length = tenths;
    if (tenths > 0)
        m_p.display->EnableSeek(true);
    m_p.display->SetSeekRange(tenths);
}

void PlaybackController::OnGraphPosition(int tenths) {
    m_p.display->SetSeekPos(tenths);
    PrepareNextItem(tenths);
}

void PlaybackController::ForgetPreparedItem() {
    // The graph that prepared it is closed or takes it now; either way it is no longer
    // pending here.
    m_preparedPath.clear();
    m_bNextTried = false;
}

void PlaybackController::PrepareNextItem(int tenths) {
    if (m_bNextTried || m_Engine != kEngineGraph || m_Mode != ModeAudio)
        return;
    if (m_length > 0 && m_length - tenths > kPrepareAheadTenths)
        return;
    m_bNextTried = true;
    FollowCurrentRow();
    if (!HasNext())
        return;
    const std::string path = m_p.list->PathOf(m_nCurrent + 1);
    const std::string ext = m_p.rules->UpperExtensionOf(path);
    if (path.size() >= kMaxPath || !FileExists(path) ||
        m_p.rules->EngineForExtension(ext) != kEngineGraph || !m_p.rules->IsAudioExtension(ext))
        return;
    if (m_p.graph->QueueNext(path))
        m_preparedPath = path;
}

void PlaybackController::OnGraphNextStarted(bool heard) {
    if (m_preparedPath.empty() || m_Engine != kEngineGraph)
        return;
    const std::string next = m_preparedPath;
    m_preparedPath.clear();
    if (!heard) {
        // It will fail again when the advance reaches it, and be skipped then.
        m_p.graph->DropQueuedItem();
        return;
    }
    qCInfo(lcPlayer) << "end of row" << m_nCurrent;
    FollowCurrentRow();
    if (!HasNext() || m_p.list->PathOf(m_nCurrent + 1) != next || !m_p.graph->TakeQueuedItem()) {
        // The list changed under the prepared item: the advance goes by the list as it is.
        Stop();
        AdvanceAfterEnd();
        return;
    }
    ++m_nCurrent;
    m_currentPath = next;
    m_bNextTried = false;
    m_p.list->SelectAndFocus(m_nCurrent);
    m_p.list->MarkPlaying(m_nCurrent);
    // Reports still queued are the previous item's.
    m_p.display->DropStaleGraphReports();
    ShowLength(m_p.graph->GetDuration());
    m_p.display->SetSeekPos(0);
    LogOpen(true, next);
}

void PlaybackController::OnGraphSeekDone(bool landed) {
    if (!landed && m_Engine == kEngineGraph && m_Mode != ModeImage)
        m_p.display->SetSeekPos(0);
}

void PlaybackController::OnGraphRewound(bool ok) {
    // A report of an item closed since comes before anything of the next one: it finds
    // the item stopped, or the next one still opening.
    if (ok || m_Engine != kEngineGraph || m_pending || (m_Mode != ModeAudio && m_Mode != ModeVideo))
        return;
    LogOpen(false, m_currentPath);
    const bool advancing = m_bStartAdvancing;
    Stop();
    if (advancing) {
        qCInfo(lcPlayer) << "skipping row" << m_nCurrent << "that could not be played";
        AdvanceAfterEnd();
    }
}

void PlaybackController::OnGraphDuration(int tenths) {
    if (m_Engine == kEngineGraph && m_Mode != ModeImage && m_length <= 0 && tenths > 0)
        ShowLength(tenths);
}

void PlaybackController::OnGraphComplete(intptr_t code) {
    // Pictures never end by themselves: should their graph report an end, it is not one.
    // Nor does an item that is still being opened (a late report of the closed one).
    if (code != 15 || m_Mode == ModeImage || m_pending)
        return;
    qCInfo(lcPlayer) << "end of row" << m_nCurrent;
    Stop();
    AdvanceAfterEnd();
}

void PlaybackController::OnOggPosition(int tenths) {
    m_p.display->SetSeekPos(tenths);
}

void PlaybackController::OnOggEnd() {
    qCInfo(lcPlayer) << "end of row" << m_nCurrent;
    // The file is closed here, on the user-interface thread, so the sound device is never
    // released (by the next item) while tunewell still holds a stream on it.
    if (m_Engine == kEngineOgg) {
        m_p.ogg->Close();
        m_p.display->DropStaleOggReports();
    }
    ResetPlayDisplay();
    AdvanceAfterEnd();
}

void PlaybackController::OnSeekScroll(bool endOfScroll) {
    if (m_Mode == ModeImage || m_pending)
        return;  // nothing to seek in (yet), and no graph to run
    if (!endOfScroll) {
        // Hold playback while the thumb moves, so position reports do not fight the drag.
        if (m_Engine == kEngineOgg && m_p.ogg->IsPlay()) {
            m_bResumeAfterSeek = true;
            m_p.ogg->Pause();
        } else if (m_p.graph->GetState() == GraphPort::Running) {
            m_bResumeAfterSeek = true;
            m_p.graph->PlayPause();
        }
        return;
    }
    m_p.display->SetWaitCursor(true);
    int pos = m_p.display->SeekPos();
    bool ok = m_Engine == kEngineOgg ? m_p.ogg->SetTime(static_cast<double>(pos / 10)) != 0
                                     : m_p.graph->Seek(static_cast<double>(pos));
    qCInfo(lcPlayer) << "seek to" << pos << (ok ? "ok" : "failed");
    if (!ok)
        m_p.display->SetSeekPos(0);
    if (m_bResumeAfterSeek) {
        m_bResumeAfterSeek = false;
        if (m_Engine == kEngineOgg)
            m_p.ogg->Play();
        else
            m_p.graph->PlayPause();
    }
    m_p.display->SetWaitCursor(false);
}

void PlaybackController::OnVolumeScroll(bool endOfScroll) {
    if (endOfScroll && ItemOpen())
        ApplyVolume();
}

int PlaybackController::LevelOfSlider(int position) {
    // One curve for both engines, so a mixed list keeps its loudness from item to item;
    // the bottom of the slider is silence, not merely quiet.
    if (position <= 0)
        return -10000;
    if (position >= 100)
        return 0;
    return -30 * (100 - position);
}

void PlaybackController::ApplyVolume() {
    const int level = LevelOfSlider(m_p.display->VolumePos());
    if (m_Engine == kEngineOgg)
        m_p.sound->SetPrimaryVolume(level);
    else
        m_p.graph->SetVolume(level);
}

}  // namespace player

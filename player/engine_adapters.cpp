#include "player/engine_adapters.h"

#include <vector>

#include "engine/media_graph.h"
#include "engine/ogg_backend.h"

namespace player {

bool GraphAdapter::SetWindows(VideoSurface* owner, const QRect* rect) {
    return m_graph.SetWindows(m_notify, owner, rect) != FALSE;
}

GraphPort::OpenResult GraphAdapter::OpenAsync(const std::string& path) {
    const HRESULT hr = m_graph.OpenAsync(path.c_str(), FALSE);
    return {SUCCEEDED(hr) ? Opened::Yes : Opened::No, m_graph.TakeNotices()};
}

bool GraphAdapter::Opening() {
    return m_graph.Opening();
}

GraphPort::OpenResult GraphAdapter::FinishOpen(intptr_t ticket) {
    const HRESULT hr = m_graph.FinishOpen(static_cast<uintptr_t>(ticket));
    const Opened opened = hr == S_FALSE ? Opened::Stale : SUCCEEDED(hr) ? Opened::Yes : Opened::No;
    return {opened, m_graph.TakeNotices()};
}

bool GraphAdapter::GetVideoDimensions(int* width, int* height) {
    int32_t w = 0, h = 0;
    if (!m_graph.GetVideoDimensions(&w, &h))
        return false;
    *width = w;
    *height = h;
    return true;
}

int GraphAdapter::GetDuration() {
    return m_graph.GetDuration();
}
bool GraphAdapter::Restart() {
    return m_graph.Restart() != FALSE;
}
bool GraphAdapter::PlayPause() {
    // The window takes no stills: it never waits for a pause to complete.
    return m_graph.PlayPauseAsync() != FALSE;
}
bool GraphAdapter::Seek(double tenths) {
    // The window goes on answering while the graph repositions; a refusal comes back as
    // UM_GRAPH_SEEK_DONE.
    return m_graph.SeekAsync(tenths) != FALSE;
}
bool GraphAdapter::SetVolume(int hundredthsDb) {
    return m_graph.SetVolume(hundredthsDb) != FALSE;
}

std::string GraphAdapter::GetFileName() {
    std::vector<char> buffer(kMaxPath, '\0');
    m_graph.GetFileName(buffer.data());
    buffer.back() = '\0';
    return std::string(buffer.data());
}

void GraphAdapter::Close() {
    m_graph.Close();
}
GraphPort::State GraphAdapter::GetState() {
    return static_cast<State>(m_graph.State());
}
bool GraphAdapter::HasGraph() {
    return m_graph.HasGraph();
}
bool GraphAdapter::QueueNext(const std::string& path) {
    return m_graph.QueueNext(path.c_str()) != FALSE;
}
bool GraphAdapter::TakeQueuedItem() {
    return m_graph.TakeQueuedItem() != FALSE;
}
void GraphAdapter::DropQueuedItem() {
    m_graph.DropQueuedItem();
}

bool OggAdapter::IsLoaded() {
    return m_ogg.IsLoaded();
}
void OggAdapter::Init(IDirectSound* device) {
    m_ogg.VorbisLibInit(device, m_callback);
}
int OggAdapter::Open(const std::string& path, double* seconds) {
    return m_ogg.VorbisLibOpen(path, seconds);
}
void OggAdapter::Close() {
    m_ogg.VorbisLibClose();
}
int OggAdapter::Play() {
    return m_ogg.VorbisLibPlay();
}
void OggAdapter::Pause() {
    m_ogg.VorbisLibPause();
}
int OggAdapter::SetTime(double seconds) {
    return m_ogg.VorbisLibSetTime(seconds);
}
int OggAdapter::IsActive() {
    return m_ogg.VorbisLibIsActive();
}
int OggAdapter::IsPlay() {
    return m_ogg.VorbisLibIsPlay();
}
int OggAdapter::IsPause() {
    return m_ogg.VorbisLibIsPause();
}
std::string OggAdapter::GetFile() {
    return m_ogg.VorbisLibGetFile();
}

}  // namespace player

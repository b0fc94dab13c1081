#include "editor/graph_preview.h"

#include "engine/media_graph.h"

namespace editor {

bool GraphPreview::Open(const std::string& path, QObject* notify, VideoSurface* owner,
                        const QRect& rect) {
    m_Graph.SetWindows(notify, owner, owner ? &rect : nullptr);
    return m_Graph.OpenAsync(path.c_str(), FALSE) == S_OK;
}

PreviewPort::Opened GraphPreview::FinishOpen(intptr_t ticket) {
    const HRESULT hr = m_Graph.FinishOpen(static_cast<uintptr_t>(ticket));
    if (hr == S_FALSE)
        return Opened::Stale;
    return SUCCEEDED(hr) ? Opened::Yes : Opened::No;
}

Notices GraphPreview::TakeNotices() {
    return m_Graph.TakeNotices();
}

void GraphPreview::SetVolume(int hundredthsDb) {
    m_Graph.SetVolume(hundredthsDb);
}
MediaContent GraphPreview::Content() const {
    return m_Graph.Content();
}
int GraphPreview::Duration() const {
    return m_Graph.GetDuration();
}
int GraphPreview::Position() {
    return m_Graph.GetPosition();
}
bool GraphPreview::Seek(double tenths) {
    return m_Graph.SeekAsync(tenths) != FALSE;
}
void GraphPreview::PlayPause() {
    m_Graph.PlayPauseAsync();
}
void GraphPreview::AwaitPaused() {
    m_Graph.AwaitPaused();
}
void GraphPreview::StopAndRewind() {
    m_Graph.StopAndRewind();
}
void GraphPreview::Close() {
    m_Scan.Cancel();
    m_Copy.Cancel();  // a copy under way leaves nothing under the target's name
    m_Graph.Close();
}
bool GraphPreview::HasGraph() const {
    return m_Graph.HasGraph();
}
bool GraphPreview::IsRunning() const {
    return m_Graph.State() == GraphState::Running;
}

bool GraphPreview::Convert(const std::string& source, ConversionMode mode,
                           const std::string& target, double startTenths, double stopTenths,
                           int extra) {
    return m_Graph.ConvertAsync(source.c_str(), mode, target.c_str(), startTenths, stopTenths,
                                extra) != FALSE;
}

bool GraphPreview::ConvertEncoded(const std::string& source, EncodedKind kind,
                                  const std::string& target, double startTenths, double stopTenths,
                                  int volumePercent) {
    return m_Graph.ConvertEncodedAsync(source.c_str(), kind, target.c_str(), startTenths,
                                       stopTenths, volumePercent) != FALSE;
}

PreviewPort::Started GraphPreview::FinishConversion(intptr_t ticket) {
    const HRESULT hr = m_Graph.FinishConversion(static_cast<uintptr_t>(ticket));
    if (hr == S_FALSE)
        return Started::Stale;
    return SUCCEEDED(hr) ? Started::Yes : Started::No;
}

bool GraphPreview::CopyCut(const std::string& source, const std::string& target,
                           double startSeconds, double endSeconds, QObject* notify) {
    return m_Copy.Start(source, target, startSeconds, endSeconds, notify);
}

void GraphPreview::ScanFrames(const std::string& source, QObject* notify) {
    m_Scan.Start(source, notify);
}

bool GraphPreview::TakeFrameTimes(FrameTimes* times) {
    return m_Scan.Take(times);
}

bool GraphPreview::CaptureCurrentImage(uint8_t** dib) {
    return m_Graph.CaptureCurrentImage(dib) != FALSE;
}

bool GraphPreview::VideoFormat(int* width, int* height, double* framesPerSecond) {
    int32_t w = 0, h = 0;
    int num = 0, den = 1;
    if (!m_Graph.GetVideoDimensions(&w, &h) || !m_Graph.GetFrameRate(&num, &den))
        return false;
    *width = w;
    *height = h;
    *framesPerSecond = double(num) / den;
    return true;
}

void GraphPreview::PlaceVideo(const QRect& rect) {
    m_Graph.SetVideoPosition(rect);
}

}  // namespace editor

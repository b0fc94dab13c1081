// The editor's preview port over its own MediaGraph.
#pragma once

#include "editor/copy_cut_job.h"
#include "editor/editor_ports.h"
#include "editor/frame_scan.h"

class MediaGraph;

namespace editor {

class GraphPreview : public PreviewPort {
  public:
    explicit GraphPreview(MediaGraph& graph) : m_Graph(graph) {}

    bool Open(const std::string& path, QObject* notify, VideoSurface* owner,
              const QRect& rect) override;
    Notices TakeNotices() override;
    Opened FinishOpen(intptr_t ticket) override;
    void SetVolume(int hundredthsDb) override;
    MediaContent Content() const override;
    int Duration() const override;
    int Position() override;
    bool Seek(double tenths) override;
    void PlayPause() override;
    void AwaitPaused() override;
    void StopAndRewind() override;
    void Close() override;
    bool HasGraph() const override;
    bool IsRunning() const override;
    bool Convert(const std::string& source, ConversionMode mode, const std::string& target,
                 double startTenths, double stopTenths, int extra) override;
    bool ConvertEncoded(const std::string& source, EncodedKind kind, const std::string& target,
                        double startTenths, double stopTenths, int volumePercent) override;
    Started FinishConversion(intptr_t ticket) override;
    bool CopyCut(const std::string& source, const std::string& target, double startSeconds,
                 double endSeconds, QObject* notify) override;
    void ScanFrames(const std::string& source, QObject* notify) override;
    bool TakeFrameTimes(FrameTimes* times) override;
    bool CaptureCurrentImage(uint8_t** dib) override;
    void PlaceVideo(const QRect& rect) override;
    bool VideoFormat(int* width, int* height, double* framesPerSecond) override;

  private:
    MediaGraph& m_Graph;
    CopyCutJob m_Copy;
    FrameScan m_Scan;
};

}  // namespace editor

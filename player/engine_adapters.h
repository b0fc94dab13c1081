// The real engines behind the playing logic's ports: the main window's MediaGraph and
// its tunewell binding, and the playlist's extension rules.
#pragma once

#include "player/playback_ports.h"
#include "tunewell/tunewell.h"

class MediaGraph;
class OggBackend;
class QObject;

namespace player {

class GraphAdapter : public GraphPort {
  public:
    // notify: the window that receives the graph's position and end messages.
    GraphAdapter(MediaGraph& graph, QObject* notify) : m_graph(graph), m_notify(notify) {}
    bool SetWindows(VideoSurface* owner, const QRect* rect) override;
    OpenResult OpenAsync(const std::string& path) override;
    OpenResult FinishOpen(intptr_t ticket) override;
    bool Opening() override;
    bool GetVideoDimensions(int* width, int* height) override;
    int GetDuration() override;
    bool Restart() override;
    bool PlayPause() override;
    bool Seek(double tenths) override;
    bool SetVolume(int hundredthsDb) override;
    std::string GetFileName() override;
    void Close() override;
    State GetState() override;
    bool HasGraph() override;
    bool QueueNext(const std::string& path) override;
    bool TakeQueuedItem() override;
    void DropQueuedItem() override;

  private:
    MediaGraph& m_graph;
    QObject* m_notify;
};

class OggAdapter : public OggPort {
  public:
    OggAdapter(OggBackend& ogg, VorbisLibCallback callback) : m_ogg(ogg), m_callback(callback) {}
    bool IsLoaded() override;
    void Init(IDirectSound* device) override;
    int Open(const std::string& path, double* seconds) override;
    void Close() override;
    int Play() override;
    void Pause() override;
    int SetTime(double seconds) override;
    int IsActive() override;
    int IsPlay() override;
    int IsPause() override;
    std::string GetFile() override;

  private:
    OggBackend& m_ogg;
    VorbisLibCallback m_callback;
};

class PlaylistRules : public MediaRulesPort {
  public:
    explicit PlaylistRules(OggBackend& ogg) : m_ogg(ogg) {}
    std::string UpperExtensionOf(const std::string& path) override;
    EngineId EngineForExtension(const std::string& ext) override;
    bool IsVideoExtension(const std::string& ext) override;
    bool IsImageExtension(const std::string& ext) override;
    bool IsAudioExtension(const std::string& ext) override;

  private:
    OggBackend& m_ogg;
};

}  // namespace player

#include "bench/gapless/seek_probe.h"

#include <QCoreApplication>
#include <QObject>
#include <algorithm>
#include <chrono>

#include "bench/gapless/recording.h"
#include "engine/media_graph.h"
#include "engine/ogg_backend.h"
#include "platform/sound_device.h"

namespace gapless {

namespace {

using Clock = std::chrono::steady_clock;

void PumpFor(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int OnOggNotify(int, int, int) {
    return 0;
}

// Plays through one engine: start, seek, close. False with a note when it cannot.
class Player {
  public:
    virtual ~Player() = default;
    virtual bool Start(const std::string& file, std::string* note) = 0;
    virtual bool SeekToSixSeconds() = 0;
    virtual void Close() = 0;
};

class GraphPlayer : public Player {
  public:
    bool Start(const std::string& file, std::string* note) override {
        m_graph.SetWindows(&m_notify, nullptr, nullptr);
        if (FAILED(m_graph.Open(file.c_str(), FALSE))) {
            *note = "the graph did not open the file";
            return false;
        }
        m_graph.SetVolume(-1500);
        return m_graph.Restart() != 0;
    }
    // As the main window seeks.
    bool SeekToSixSeconds() override { return m_graph.SeekAsync(60.0) != 0; }
    void Close() override { m_graph.Close(); }

  private:
    QObject m_notify;
    MediaGraph m_graph;
};

class OggPlayer : public Player {
  public:
    bool Start(const std::string& file, std::string* note) override {
        if (!m_ogg.Load(VELTRA_BIN_DIR)) {
            *note = "libtunewell.so did not load from " VELTRA_BIN_DIR;
            return false;
        }
        if (!m_device.Create(nullptr)) {
            *note = "no sound device";
            return false;
        }
        m_device.SetPrimaryVolume(-1500);
        m_ogg.VorbisLibInit(m_device.Device(), OnOggNotify);
        double seconds = 0;
        if (!m_ogg.VorbisLibOpen(file, &seconds)) {
            *note = "tunewell did not open the file";
            return false;
        }
        return m_ogg.VorbisLibPlay() != 0;
    }
    bool SeekToSixSeconds() override { return m_ogg.VorbisLibSetTime(6.0) != 0; }
    void Close() override {
        m_ogg.Unload();
        m_device.Release();
    }

  private:
    OggBackend m_ogg;
    SoundDevice m_device{false};
};

}  // namespace

SeekFigure ProbeSeek(const PrivateSoundServer& server, SeekEngine engine, const std::string& file,
                     const std::string& scratch) {
    SeekFigure figure;
    const std::string raw = scratch + "/seek.raw";
    MonitorRecorder recorder(server, QString::fromStdString(raw));
    if (!recorder.Started()) {
        figure.note = "parec did not start";
        return figure;
    }
    std::unique_ptr<Player> player;
    if (engine == SeekEngine::Graph)
        player = std::make_unique<GraphPlayer>();
    else
        player = std::make_unique<OggPlayer>();
    if (!player->Start(file, &figure.note)) {
        if (figure.note.empty())
            figure.note = "playback did not start";
        return figure;
    }
    PumpFor(1500);
    const auto called = Clock::now();
    const bool sought = player->SeekToSixSeconds();
    PumpFor(1500);
    player->Close();
    recorder.Stop();
    if (!sought) {
        figure.note = "the seek failed";
        return figure;
    }
    const double from = std::chrono::duration<double>(called - recorder.Origin()).count();
    const Recording heard = Recording::FromRawFile(raw);
    const double at = heard.FirstOf(kSeekHigh, {kSeekLow, kSeekHigh}, from);
    if (at < 0)
        figure.note = "the new position was never heard (sound from " +
                      std::to_string(heard.FirstSound()) + " s of " +
                      std::to_string(heard.Seconds()) + " s, seek at " + std::to_string(from) +
                      " s)";
    else  // the recording is read in 10-ms blocks: one that began just before the call
        figure.heardMs = std::max(0.0, (at - from) * 1000);
    return figure;
}

}  // namespace gapless

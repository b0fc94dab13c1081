// A PulseAudio of the benchmark's own, with one null sink, and a recorder of that sink's
// monitor. Nothing of the desktop's own sound is touched: the server's socket, runtime
// folder and home are a scratch folder.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <chrono>

namespace gapless {

class PrivateSoundServer {
  public:
    explicit PrivateSoundServer(const QString& folder);
    ~PrivateSoundServer();
    bool Running() const { return m_up; }
    // The environment a client needs to reach this server and no other.
    QProcessEnvironment Environment() const;
    QString SinkName() const { return QStringLiteral("gapless_bench"); }

  private:
    QString m_folder;
    QProcess m_server;
    bool m_up = false;
};

// parec on the sink's monitor, 16-bit stereo at 44.1 kHz, into a raw file. A stream of
// silence plays into the sink while it records: a sink without streams goes idle and its
// monitor records nothing, so silence between items (or before a seek is heard) would be
// missing from the file and its length would not be the time it ran.
class MonitorRecorder {
  public:
    MonitorRecorder(const PrivateSoundServer& server, const QString& file);
    ~MonitorRecorder() { Stop(); }
    // True once the recording runs (its first bytes are in the file), not merely parec.
    bool Started() const { return m_started; }
    // Wall time the first recorded byte stands for, known once stopped (to within the
    // recorder's latency, a few milliseconds).
    std::chrono::steady_clock::time_point Origin() const { return m_origin; }
    void Stop();

  private:
    QProcess m_silence;
    QProcess m_parec;
    bool m_started = false;
    std::chrono::steady_clock::time_point m_origin;
    QString m_file;
};

}  // namespace gapless

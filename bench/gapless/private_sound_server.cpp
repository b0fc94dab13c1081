#include "bench/gapless/private_sound_server.h"

#include <QDir>
#include <QFileInfo>
#include <thread>

namespace gapless {

namespace {

bool Answers(const QProcessEnvironment& env) {
    QProcess pactl;
    pactl.setProcessEnvironment(env);
    pactl.start("pactl", {"info"});
    return pactl.waitForFinished(10000) && pactl.exitCode() == 0 &&
           pactl.readAllStandardOutput().contains("Server String");
}

}  // namespace

PrivateSoundServer::PrivateSoundServer(const QString& folder) : m_folder(folder) {
    QDir().mkpath(folder);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // PulseAudio 16's shared-memory blocks stall clients that share a process with another
    // client now and then; plain copies over the socket cost nothing at these rates.
    QFile config(folder + "/client.conf");
    if (config.open(QIODevice::WriteOnly))
        config.write("enable-memfd = no\nenable-shm = no\n");
    config.close();
    m_server.setProcessEnvironment(Environment());
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.setStandardErrorFile(QProcess::nullDevice());
    // Real-time where the system allows it, as a desktop's server runs, so that a busy
    // machine measures the players rather than a starved server.
    m_server.start(
        "pulseaudio",
        {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--realtime=yes",
         "--high-priority=yes", "-L", "module-native-protocol-unix socket=" + folder + "/native",
         "-L", "module-null-sink sink_name=" + SinkName() + " rate=44100 channels=2 format=s16le"});
    if (!m_server.waitForStarted(10000))
        return;
    for (int i = 0; i < 300 && !m_up; ++i) {
        m_up = Answers(Environment());
        if (!m_up)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

PrivateSoundServer::~PrivateSoundServer() {
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished(10000);
    }
}

QProcessEnvironment PrivateSoundServer::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_folder);
    env.insert("XDG_RUNTIME_DIR", m_folder);
    env.insert("PULSE_RUNTIME_PATH", m_folder);
    env.insert("PULSE_SERVER", "unix:" + m_folder + "/native");
    env.insert("PULSE_SINK", SinkName());
    env.insert("PULSE_CLIENTCONFIG", m_folder + "/client.conf");
    return env;
}

MonitorRecorder::MonitorRecorder(const PrivateSoundServer& server, const QString& file) {
    m_silence.setProcessEnvironment(server.Environment());
    m_silence.setStandardInputFile("/dev/zero");
    m_silence.setStandardOutputFile(QProcess::nullDevice());
    m_silence.setStandardErrorFile(QProcess::nullDevice());
    m_silence.start("pacat", {"--raw", "--format=s16le", "--rate=44100", "--channels=2",
                              "--latency-msec=20", "--client-name=gapless-bench-silence"});
    m_silence.waitForStarted(10000);
    // Until the stream is connected the sink may still be idle.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m_parec.setProcessEnvironment(server.Environment());
    m_parec.setStandardOutputFile(file);
    m_parec.start("parec", {"-d", server.SinkName() + ".monitor", "--raw", "--format=s16le",
                            "--rate=44100", "--channels=2", "--latency-msec=5"});
    m_started = m_parec.waitForStarted(10000);
    m_file = file;
    // parec's stream starts well after its process does (about 1.7 s on a loaded machine),
    // and what plays before it is lost: a seek timed in that span would be heard, wrongly,
    // where the recording begins, or not at all. Only a recording that runs is a recorder.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (m_started && QFileInfo(file).size() == 0) {
        if (std::chrono::steady_clock::now() > until) {
            m_started = false;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_origin = std::chrono::steady_clock::now();
}

void MonitorRecorder::Stop() {
    if (m_parec.state() != QProcess::NotRunning) {
        // The recorder runs in real time, so the file's length tells when its first byte
        // was heard more closely than the start of the process does.
        const auto stopped = std::chrono::steady_clock::now();
        const qint64 bytes = QFileInfo(m_file).size();
        m_origin = stopped - std::chrono::microseconds(bytes * 1000000 / (4 * 44100));
    }
    for (QProcess* p : {&m_parec, &m_silence}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

}  // namespace gapless

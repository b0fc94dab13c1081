// A PulseAudio of the test's own, in a folder of its own, with null outputs named as the
// test asks; pactl reads back the streams the desktop's mixer would list.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/wait_until.h"

namespace testsound {

struct NullOutput {
    std::string name;
    std::string description;
};

class PrivateSoundServer {
  public:
    ~PrivateSoundServer() {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished(30000);
        }
    }

    // False (with why) when no server could be started or it never answered.
    bool Start(const std::string& dir, const std::vector<NullOutput>& outputs, std::string* why) {
        m_dir = QString::fromStdString(dir);
        // Real-time where the system allows it, as a desktop's server runs: on a busy test
        // machine a server left behind would be heard to stop every client it serves.
        QStringList args = {"-n",
                            "--daemonize=no",
                            "--exit-idle-time=-1",
                            "--disallow-exit",
                            "--realtime=yes",
                            "--high-priority=yes"};
        for (const NullOutput& o : outputs)
            args << "-L"
                 << QString::fromStdString("module-null-sink sink_name=" + o.name +
                                           " sink_properties='device.description=\"" +
                                           o.description + "\"'");
        args << "-L"
             << "module-native-protocol-unix";
        m_server.setProcessEnvironment(Environment());
        m_server.start("pulseaudio", args);
        if (!m_server.waitForStarted(30000)) {
            *why = "pulseaudio is needed for this check";
            return false;
        }
        if (!WaitFor([&] { return Pactl({"info"}).contains("Server String"); }, 30000)) {
            *why = "the private sound server did not answer";
            return false;
        }
        return true;
    }

    std::string Address() const { return "unix:" + m_dir.toStdString() + "/native"; }

    // What a client of this server (pactl, the program) runs with.
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_dir);
        env.insert("XDG_RUNTIME_DIR", m_dir);
        env.insert("PULSE_RUNTIME_PATH", m_dir);
        env.insert("PULSE_SERVER", QString::fromStdString(Address()));
        return env;
    }

    QString Pactl(const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start("pactl", args);
        if (!p.waitForFinished(30000))
            return {};
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // The name of the output that a stream whose listing holds `needle` plays on, once one
    // does (empty when none comes within the time).
    std::string OutputOfStream(const QString& needle, int timeoutMs, QString* listing = nullptr) {
        std::string output;
        WaitFor(
            [&] {
                const QString all = Pactl({"list", "sink-inputs"});
                if (listing)
                    *listing = all;
                for (const QString& block : all.split("Sink Input #")) {
                    if (!block.contains(needle))
                        continue;
                    auto m = QRegularExpression(R"(\n\s*Sink: (\d+))").match(block);
                    if (m.hasMatch())
                        output = OutputName(m.captured(1));
                }
                return !output.empty();
            },
            timeoutMs);
        return output;
    }

    // The mixer's listing of the stream whose listing holds `needle`, starting with its
    // number, once there is one; empty when none comes within the time.
    QString StreamWith(const QString& needle, int timeoutMs) const {
        QString found;
        WaitFor(
            [&] {
                for (const QString& block : Pactl({"list", "sink-inputs"}).split("Sink Input #"))
                    if (block.contains(needle))
                        found = block;
                return !found.isEmpty();
            },
            timeoutMs);
        return found;
    }
    // The stream's number in a listing of StreamWith; -1 for none.
    static int StreamNumber(const QString& listing) {
        bool ok = false;
        const int n = listing.section('\n', 0, 0).trimmed().toInt(&ok);
        return ok ? n : -1;
    }

    // Every look asks pactl, a process of its own: a tenth of a second between looks.
    static bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
        return WaitUntilEvery(done, timeoutMs, 100);
    }

  private:
    std::string OutputName(const QString& index) const {
        for (const QString& line : Pactl({"list", "short", "sinks"}).split('\n')) {
            const QStringList cols = line.split('\t');
            if (cols.size() > 1 && cols[0] == index)
                return cols[1].toStdString();
        }
        return {};
    }

    QString m_dir;
    QProcess m_server;
};

}  // namespace testsound

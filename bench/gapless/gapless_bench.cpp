// Silence between the items of a list, heard. For each kind (MP3, FLAC, WAV, 44.1 kHz
// stereo Ogg Vorbis, 22.05 kHz mono Ogg Vorbis) a list of three 3-s tones of different
// pitch plays through a PulseAudio null sink of the benchmark's own, recorded from its
// monitor: in the real program (started with the list as its start file), and in mpv with
// and without gapless audio, in the same run; a mixed list (Ogg, MP3, Ogg) measures the
// hand-over between the two engines. Printed per kind and player: the silence
// before items 2 and 3, the time from the start to the first sound, and the level (RMS,
// dB of full scale; the program at its default volume) and, for the program, its streams
// as the mixer listed them (number and title). Then how soon a seek is heard in each
// engine.
//
//   bench_gapless [--before FOLDER] [--kinds mp3,flac,wav,ogg,ogg22,mixed] [--no-mpv] [--no-seek]
//
// --before names the program folder of an older build, measured the same way in the run.
#include <gst/gst.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/gapless/private_sound_server.h"
#include "bench/gapless/recording.h"
#include "bench/gapless/seek_probe.h"
#include "bench/support/bench_support.h"

namespace fs = std::filesystem;
using namespace gapless;

namespace {

constexpr double kGoalGraphMs = 20;
constexpr double kGoalOggMs = 20;
constexpr double kGoalLevelDb = 0.5;
constexpr double kGoalSeekMs = 100;
const std::vector<double> kTones = {440, 587, 784};

struct Kind {
    std::string name;
    std::string extension;
    std::string codec;  // ffmpeg's arguments for the file
    int rate;
    int channels;
    bool ogg;
};

const std::vector<Kind> kKinds = {
    {"mp3", "mp3", "-c:a libmp3lame -b:a 192k", 44100, 2, false},
    {"flac", "flac", "-c:a flac", 44100, 2, false},
    {"wav", "wav", "-c:a pcm_s16le", 44100, 2, false},
    {"ogg", "ogg", "-c:a libvorbis -q:a 5", 44100, 2, true},
    {"ogg22", "ogg", "-c:a libvorbis -q:a 5", 22050, 1, true},
    // Ogg, MP3, Ogg: the hand-over from tunewell to the graph, then back.
    {"mixed", "", "", 44100, 2, true},
};

// A tone made by ffmpeg, kept for later runs; `expression` is the sample at time t.
std::string MakeTone(const Kind& kind, const std::string& name, const std::string& expression,
                     double seconds) {
    const std::string folder = BENCH_MEDIA_DIR "/gapless";
    const std::string out = folder + "/" + name + "." + kind.extension;
    std::error_code ec;
    if (fs::is_regular_file(out, ec) && fs::file_size(out, ec) > 0)
        return out;
    fs::create_directories(folder, ec);
    std::string channels = expression;
    for (int c = 1; c < kind.channels; ++c) channels += "|" + expression;
    const std::string partial = folder + "/part-" + name + "." + kind.extension;
    const std::string command = "ffmpeg -v error -y -f lavfi -i \"aevalsrc=exprs='" + channels +
                                "':s=" + std::to_string(kind.rate) +
                                ":d=" + std::to_string(seconds) + "\" " + kind.codec + " '" +
                                partial + "' </dev/null";
    if (std::system(command.c_str()) != 0 || !fs::is_regular_file(partial, ec))
        return {};
    fs::rename(partial, out, ec);
    return ec ? std::string() : out;
}

std::vector<std::string> MakeList(const Kind& kind);

// The tones of the Ogg and MP3 lists, taken in turn from each.
std::vector<std::string> MakeMixedList() {
    const std::vector<std::string> ogg = MakeList(kKinds[3]);
    const std::vector<std::string> mp3 = MakeList(kKinds[0]);
    if (ogg.empty() || mp3.empty())
        return {};
    return {ogg[0], mp3[1], ogg[2]};
}

std::vector<std::string> MakeList(const Kind& kind) {
    if (kind.name == "mixed")
        return MakeMixedList();
    std::vector<std::string> files;
    for (size_t i = 0; i < kTones.size(); ++i) {
        char expression[96];
        std::snprintf(expression, sizeof expression, "0.5*sin(2*PI*%.0f*t)", kTones[i]);
        files.push_back(MakeTone(kind, kind.name + "-" + std::to_string(i + 1), expression, 3.0));
        if (files.back().empty())
            return {};
    }
    return files;
}

struct Run {
    std::string player;
    std::vector<HeardItem> items;
    double start = -1;  // seconds from launch to the first sound
    std::string note;
    // The program's streams as the desktop's mixer listed them while it played: each new
    // pair of stream number and title, in the order seen.
    std::vector<std::string> streams;
};

// Adds what the mixer lists now of the program's streams ("#number title") to `seen`,
// where it differs from the last entry.
void NoteProgramStreams(const PrivateSoundServer& server, std::vector<std::string>* seen) {
    QProcess pactl;
    pactl.setProcessEnvironment(server.Environment());
    pactl.start("pactl", {"list", "sink-inputs"});
    if (!pactl.waitForFinished(5000))
        return;
    const QString all = QString::fromUtf8(pactl.readAllStandardOutput());
    for (const QString& block : all.split("Sink Input #")) {
        if (!block.contains("application.name = \"VELTRA\""))
            continue;
        const int at = block.indexOf("media.name = \"");
        if (at < 0)
            continue;
        const int from = at + static_cast<int>(std::strlen("media.name = \""));
        const QString title = block.mid(from, block.indexOf('"', from) - from);
        const std::string entry =
            "#" + block.section('\n', 0, 0).trimmed().toStdString() + " " + title.toStdString();
        if (seen->empty() || seen->back() != entry)
            seen->push_back(entry);
    }
}

double SecondsBetween(std::chrono::steady_clock::time_point a,
                      std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

std::string ReadText(const std::string& path) {
    std::ifstream f(path);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Records while `player` plays the list; `finished` tells when it has played all of it.
Run Record(const PrivateSoundServer& server, const std::string& scratch, const std::string& name,
           QProcess& player, const QString& program, const QStringList& args,
           const std::function<bool()>& finished) {
    Run run;
    run.player = name;
    const std::string raw = scratch + "/list.raw";
    MonitorRecorder recorder(server, QString::fromStdString(raw));
    if (!recorder.Started()) {
        run.note = "parec did not start";
        return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto launched = std::chrono::steady_clock::now();
    player.start(program, args);
    if (!player.waitForStarted(10000)) {
        run.note = "cannot start " + program.toStdString();
        return run;
    }
    if (!WaitUntil(finished, 60000))
        run.note = "the list did not finish within 60 s";
    // The last item's end reaches the sink's monitor a little after its report.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    recorder.Stop();
    player.terminate();
    if (!player.waitForFinished(5000)) {
        player.kill();
        player.waitForFinished(5000);
    }
    const Recording heard = Recording::FromRawFile(raw);
    run.items = heard.Items(kTones);
    const double first = heard.FirstSound();
    if (first >= 0)
        run.start = first - SecondsBetween(recorder.Origin(), launched);
    return run;
}

Run RunVeltra(const PrivateSoundServer& server, const std::string& scratch,
              const std::string& binDir, const std::string& label,
              const std::vector<std::string>& files) {
    const std::string root = scratch + "/veltra";
    std::error_code ec;
    fs::remove_all(root, ec);
    for (const char* dir : {"home", "config", "state"}) fs::create_directories(root + "/" + dir);
    const std::string listFile = scratch + "/list.m3u";
    {
        std::ofstream list(listFile);
        for (const auto& f : files) list << f << "\n";
    }
    const std::string log = root + "/log";
    QProcess program;
    QProcessEnvironment env = server.Environment();
    env.insert("HOME", QString::fromStdString(root + "/home"));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(root + "/config"));
    env.insert("XDG_STATE_HOME", QString::fromStdString(root + "/state"));
    env.insert("VELTRA_REGISTRY", QString::fromStdString(root + "/config/registry"));
    env.insert("GST_PLUGIN_PATH", QString::fromStdString(binDir));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_LOGGING_RULES", "veltra.player.info=true");
    env.remove("SDL_AUDIODRIVER");
    env.remove("VELTRA_FAKE_AUDIO");
    env.remove("VELTRA_SOUND_DEVICE");
    program.setProcessEnvironment(env);
    program.setStandardOutputFile(QString::fromStdString(log));
    program.setStandardErrorFile(QString::fromStdString(log));
    const std::string last = "end of row " + std::to_string(files.size() - 1);
    std::vector<std::string> streams;
    int polls = 0;
    Run run = Record(server, scratch, label, program, QString::fromStdString(binDir + "/veltra"),
                     {QString::fromStdString(listFile)}, [&] {
                         // About five looks a second, so that the listing costs the player
                         // little.
                         if (polls++ % 10 == 0)
                             NoteProgramStreams(server, &streams);
                         return ReadText(log).find(last) != std::string::npos;
                     });
    run.streams = streams;
    if (run.items.empty() || !run.items.back().found)
        run.note +=
            (run.note.empty() ? "" : "; ") + std::string("log: ") + ReadText(log).substr(0, 300);
    return run;
}

Run RunMpv(const PrivateSoundServer& server, const std::string& scratch, bool gapless,
           const std::vector<std::string>& files) {
    QProcess mpv;
    mpv.setProcessEnvironment(server.Environment());
    mpv.setStandardOutputFile(QProcess::nullDevice());
    mpv.setStandardErrorFile(QProcess::nullDevice());
    // Without a terminal mpv would wait for one at the end of the list.
    QStringList args = {"--no-config",
                        "--no-video",
                        "--ao=pulse",
                        "--idle=no",
                        "--input-terminal=no",
                        "--keep-open=no",
                        gapless ? "--gapless-audio=yes" : "--gapless-audio=no"};
    for (const auto& f : files) args << QString::fromStdString(f);
    return Record(server, scratch, gapless ? "mpv gapless" : "mpv not gapless", mpv, "mpv", args,
                  // No event loop runs here: the wait itself notices that it ended.
                  [&] { return mpv.state() == QProcess::NotRunning || mpv.waitForFinished(1); });
}

std::string Gap(const HeardItem& item) {
    if (!item.found)
        return "  -- ";
    char text[32];
    std::snprintf(text, sizeof text, "%5.0f", item.gapBefore);
    return text;
}

// The level of the list: the mean of its items' levels.
double ListLevel(const Run& run) {
    double sum = 0;
    int n = 0;
    for (const auto& item : run.items)
        if (item.found)
            sum += item.levelDb, ++n;
    return n ? sum / n : -200;
}

void Print(const Kind& kind, const Run& run) {
    std::printf("  %-6s %-18s", kind.name.c_str(), run.player.c_str());
    if (run.items.size() == kTones.size())
        std::printf(" %s ms %s ms", Gap(run.items[1]).c_str(), Gap(run.items[2]).c_str());
    else
        std::printf("    --      --   ");
    std::printf("   start %6.0f ms   level %6.1f dB", run.start * 1000, ListLevel(run));
    if (!run.note.empty())
        std::printf("   (%s)", run.note.c_str());
    std::printf("\n");
    if (!run.streams.empty()) {
        std::printf("         streams in the mixer:");
        for (const std::string& s : run.streams) std::printf("  %s", s.c_str());
        std::printf("\n");
    }
    std::fflush(stdout);
}

bool Met(const Run& run, double goalMs) {
    if (run.items.size() != kTones.size())
        return false;
    for (size_t k = 1; k < run.items.size(); ++k)
        if (!run.items[k].found || run.items[k].gapBefore > goalMs)
            return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string before;
    std::string kinds = "mp3,flac,wav,ogg,ogg22,mixed";
    bool withMpv = true, withSeek = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--before") {
            before = next();
        } else if (a == "--kinds") {
            kinds = "," + next() + ",";
        } else if (a == "--no-mpv") {
            withMpv = false;
        } else if (a == "--no-seek") {
            withSeek = false;
        } else {
            std::fprintf(
                stderr,
                "usage: %s [--before FOLDER] [--kinds mp3,flac,wav,ogg,ogg22,mixed] [--no-mpv] "
                "[--no-seek]\n",
                argv[0]);
            return 2;
        }
    }
    if (kinds.front() != ',')
        kinds = "," + kinds + ",";
    for (const char* tool : {"pulseaudio", "parec", "pactl", "ffmpeg"}) {
        if (std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()) != 0) {
            std::printf("bench_gapless: %s is not installed; nothing measured\n", tool);
            return 0;
        }
    }
    withMpv = withMpv && std::system("command -v mpv >/dev/null") == 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratchDir(QDir::tempPath() + "/veltra-bench-gapless-XXXXXX");
    const std::string scratch = scratchDir.path().toStdString();
    PrivateSoundServer server(scratchDir.path() + "/pulse");
    if (!server.Running()) {
        std::fprintf(stderr, "bench_gapless: the private PulseAudio did not start\n");
        return 1;
    }
    std::printf(
        "silence before items 2 and 3 (goal: graph kinds <= %.0f ms, Ogg <= %.0f ms; "
        "levels within %.1f dB)\n",
        kGoalGraphMs, kGoalOggMs, kGoalLevelDb);
    int failures = 0;
    double lowest = 1e9, highest = -1e9;
    for (const Kind& kind : kKinds) {
        if (kinds.find("," + kind.name + ",") == std::string::npos)
            continue;
        const std::vector<std::string> files = MakeList(kind);
        if (files.empty()) {
            std::fprintf(stderr, "bench_gapless: cannot make the %s tones\n", kind.name.c_str());
            return 1;
        }
        const Run ours = RunVeltra(server, scratch, VELTRA_BIN_DIR, "veltra", files);
        Print(kind, ours);
        if (!before.empty())
            Print(kind, RunVeltra(server, scratch, before, "veltra before", files));
        if (withMpv) {
            Print(kind, RunMpv(server, scratch, true, files));
            Print(kind, RunMpv(server, scratch, false, files));
        }
        if (!Met(ours, kind.ogg ? kGoalOggMs : kGoalGraphMs))
            ++failures;
        lowest = std::min(lowest, ListLevel(ours));
        highest = std::max(highest, ListLevel(ours));
    }
    if (highest >= lowest)
        std::printf("level spread of the program across kinds: %.2f dB (goal <= %.1f)\n",
                    highest - lowest, kGoalLevelDb);
    if (withSeek) {
        // The engines play in this process: it becomes a client of the private server.
        const QProcessEnvironment env = server.Environment();
        for (const char* name : {"PULSE_SERVER", "PULSE_SINK", "PULSE_RUNTIME_PATH",
                                 "PULSE_CLIENTCONFIG", "XDG_RUNTIME_DIR"})
            qputenv(name, env.value(name).toLocal8Bit());
        qunsetenv("SDL_AUDIODRIVER");
        qunsetenv("VELTRA_FAKE_AUDIO");
        qunsetenv("VELTRA_SOUND_DEVICE");
        gst_init(nullptr, nullptr);
        std::printf("seek heard after the call (goal <= %.0f ms), three tries each:\n",
                    kGoalSeekMs);
        const Kind& wav = kKinds[2];
        const Kind& ogg = kKinds[3];
        const Kind& ogg22 = kKinds[4];
        const std::string halves = "0.5*sin(2*PI*if(lt(t,5),440,880)*t)";
        struct Probe {
            const char* name;
            SeekEngine engine;
            std::string file;
        };
        const std::vector<Probe> probes = {
            {"graph (wav)", SeekEngine::Graph, MakeTone(wav, "halves", halves, 10)},
            {"tunewell (ogg)", SeekEngine::Ogg, MakeTone(ogg, "halves", halves, 10)},
            {"tunewell (ogg22)", SeekEngine::Ogg, MakeTone(ogg22, "halves22", halves, 10)},
        };
        for (const Probe& p : probes) {
            std::vector<double> figures;
            std::string note;
            for (int round = 0; round < 3; ++round) {
                SeekFigure f = ProbeSeek(server, p.engine, p.file, scratch);
                if (f.heardMs >= 0)
                    figures.push_back(f.heardMs);
                else
                    note = f.note;
            }
            std::printf("  %-18s median %6.0f ms   tries:", p.name, bench::Median(figures));
            for (double f : figures) std::printf(" %.0f", f);
            if (!note.empty())
                std::printf("   (%s)", note.c_str());
            std::printf("\n");
            if (figures.empty() || bench::Median(figures) > kGoalSeekMs)
                ++failures;
        }
    }
    std::printf("goals missed: %d\n", failures);
    return 0;
}

// Opening and playing through MediaGraph against playbin with synchronised fakesinks, one
// after the other in this process: the time until the first position report (playbin:
// until it reaches PLAYING) and the process CPU time of a stretch of playback.
//
//   bench_graph_open [--quick]     --quick plays 5 s per CPU sample instead of 20 s
#include <gst/gst.h>
#include <sys/wait.h>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "platform/window_message.h"

namespace fs = std::filesystem;

namespace {

constexpr int kOpenRepeats = 5;
constexpr int kCpuRepeats = 3;
constexpr double kOpenTarget = 1.2;
// Playing costs no more than GStreamer's own player with the same sinks.
constexpr double kCpuTarget = 1.0;

using bench::Clock;
using bench::Median;
using bench::Since;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::string Generate(const std::string& name, const std::string& pipeline) {
    return bench::GenerateMedia(BENCH_MEDIA_DIR, name, pipeline);
}

std::string Mp3Tone(double seconds) {
    return Generate("tone30.mp3", bench::ToneSource(seconds) +
                                      " ! audioconvert ! lamemp3enc ! filesink location=@OUT@");
}

std::string AviPattern(double seconds) {
    return Generate("pattern30.avi", bench::AviPatternPipeline(seconds, 640, 480));
}

// H.264 (8-bit 4:2:0, as cameras and downloads have it) and AAC in MP4 at 1280x720.
std::string Mp4Pattern(double seconds) {
    return Generate("pattern30_720p_420.mp4",
                    "mp4mux name=m ! filesink location=@OUT@ " +
                        bench::PatternSource(seconds, 1280, 720) +
                        " ! videoconvert ! video/x-raw,format=I420 ! x264enc "
                        "speed-preset=veryfast bitrate=3000 ! video/x-h264,profile=high ! "
                        "h264parse ! queue ! m. " +
                        bench::ToneSource(seconds, 48000) +
                        " ! audioconvert ! avenc_aac ! aacparse ! queue ! m.");
}

// FLAC, the lossless sound kind of today's music collections.
std::string FlacTone(double seconds) {
    return Generate("tone30.flac", bench::ToneSource(seconds) +
                                       " ! audioconvert ! flacenc ! filesink location=@OUT@");
}

// Stands in for the main window: records when the first position report arrives.
class Notify : public QObject {
  public:
    bool event(QEvent* e) override {
        int message = WindowMessage::MessageOf(e);
        if (message < 0)
            return QObject::event(e);
        if (message == UM_GRAPH_POSITION)
            ++positions;
        else if (message == UM_GRAPH_STOPPED || message == UM_GRAPH_COMPLETE)
            ended = true;
        if (loop && (positions > 0 || ended))
            loop->quit();
        return true;
    }
    int positions = 0;
    bool ended = false;
    QEventLoop* loop = nullptr;
};

// Runs the event loop until the first position report or the end; false on time-out.
bool WaitFirstPosition(Notify& notify, int timeoutMs) {
    if (notify.positions > 0)
        return true;
    QEventLoop loop;
    notify.loop = &loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    notify.loop = nullptr;
    return notify.positions > 0;
}

void SpinEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Sample {
    double seconds = -1;  // wall time to the first position / to PLAYING
    double built = -1;    // wall time until Open returned (engine only)
    double cpu = -1;      // process CPU time, open included, over the playback stretch
};

// playSeconds 0: only the open is timed.
Sample EngineRun(const std::string& path, double playSeconds) {
    Sample s;
    Notify notify;
    MediaGraph graph;
    double cpu0 = CpuSeconds();
    auto t0 = Clock::now();
    // No owner window: the sound-file path of the main window. A video's frames still
    // pass through the graph's own renderer; they are just not painted.
    graph.SetWindows(&notify, nullptr, nullptr);
    HRESULT opened = graph.Open(path.c_str(), TRUE);
    s.built = Since(t0);
    if (FAILED(opened) || !WaitFirstPosition(notify, 15000)) {
        graph.Close();
        return s;
    }
    s.seconds = Since(t0);
    if (playSeconds > 0) {
        SpinEventLoop(static_cast<int>(playSeconds * 1000 - s.seconds * 1000));
        s.cpu = CpuSeconds() - cpu0;
    }
    graph.Close();
    QCoreApplication::removePostedEvents(&notify);
    return s;
}

// convert: the video sink first turns frames into the 32-bit RGB the engine's renderer
// hands to its widget, which tells the cost of that conversion apart from the rest.
Sample PlaybinRun(const std::string& path, double playSeconds, bool convert = false) {
    Sample s;
    double cpu0 = CpuSeconds();
    auto t0 = Clock::now();
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* asink = gst_element_factory_make("fakesink", nullptr);
    GstElement* vsink =
        convert ? gst_parse_bin_from_description(
                      "videoconvert ! video/x-raw,format=BGRx ! fakesink sync=true", TRUE, nullptr)
                : gst_element_factory_make("fakesink", nullptr);
    if (!playbin || !asink || !vsink)
        return s;
    g_object_set(asink, "sync", TRUE, nullptr);
    if (!convert)
        g_object_set(vsink, "sync", TRUE, nullptr);
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    g_object_set(playbin, "uri", uri, "audio-sink", asink, "video-sink", vsink, nullptr);
    g_free(uri);
    GstBus* bus = gst_element_get_bus(playbin);
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    bool playing = false;
    auto deadline = Clock::now() + std::chrono::seconds(15);
    while (!playing && Clock::now() < deadline) {
        GstMessage* msg = gst_bus_timed_pop_filtered(
            bus, 100 * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_STATE_CHANGED | GST_MESSAGE_ERROR));
        if (!msg)
            continue;
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
            gst_message_unref(msg);
            break;
        }
        if (GST_MESSAGE_SRC(msg) == GST_OBJECT(playbin)) {
            GstState newState;
            gst_message_parse_state_changed(msg, nullptr, &newState, nullptr);
            playing = newState == GST_STATE_PLAYING;
        }
        gst_message_unref(msg);
    }
    if (playing) {
        s.seconds = Since(t0);
        if (playSeconds > 0) {
            auto left = static_cast<GstClockTime>((playSeconds - s.seconds) * GST_SECOND);
            if (GstMessage* m = gst_bus_timed_pop_filtered(
                    bus, left, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS)))
                gst_message_unref(m);
            s.cpu = CpuSeconds() - cpu0;
        }
    }
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(playbin);
    return s;
}

void Report(const char* what, double engine, double reference, const char* unit, double target) {
    double ratio = reference > 0 ? engine / reference : 0;
    std::printf("  %-28s engine %8.3f %s   playbin %8.3f %s   ratio %5.2fx (target <= %.1fx) %s\n",
                what, engine, unit, reference, unit, ratio, target,
                ratio <= target ? "ok" : "OVER TARGET");
}

void BenchFile(const char* label, const std::string& path, double playSeconds) {
    std::printf("%s: %s\n", label, path.c_str());
    // One untimed round each warms the registry of plug-ins and the page cache.
    EngineRun(path, 0);
    PlaybinRun(path, 0);
    std::vector<double> eOpen, eBuilt, rOpen, eCpu, rCpu, cCpu;
    for (int i = 0; i < kOpenRepeats; ++i) {
        // Alternating keeps drifts of the machine from favouring one side.
        Sample e = EngineRun(path, 0);
        Sample r = PlaybinRun(path, 0);
        if (e.seconds < 0 || r.seconds < 0) {
            std::printf("  open failed (engine %.3f, playbin %.3f)\n", e.seconds, r.seconds);
            return;
        }
        eOpen.push_back(e.seconds);
        eBuilt.push_back(e.built);
        rOpen.push_back(r.seconds);
    }
    Report("open to first position", Median(eOpen) * 1000, Median(rOpen) * 1000, "ms", kOpenTarget);
    // Where the engine's time goes: building and prerolling, then the event thread's
    // first round.
    std::printf("  %-28s engine %8.3f ms   (first position %.3f ms later)\n",
                "of which Open() returns", Median(eBuilt) * 1000,
                (Median(eOpen) - Median(eBuilt)) * 1000);
    for (int i = 0; i < kCpuRepeats; ++i) {
        Sample e = EngineRun(path, playSeconds);
        Sample r = PlaybinRun(path, playSeconds);
        Sample c = PlaybinRun(path, playSeconds, true);
        cCpu.push_back(c.cpu);
        if (e.cpu < 0 || r.cpu < 0) {
            std::printf("  playback failed\n");
            return;
        }
        eCpu.push_back(e.cpu);
        rCpu.push_back(r.cpu);
    }
    char what[64];
    std::snprintf(what, sizeof what, "CPU over %.0f s of playback", playSeconds);
    Report(what, Median(eCpu) * 1000, Median(rCpu) * 1000, "ms", kCpuTarget);
    std::printf("  %-28s playbin with BGRx conversion %8.3f ms (engine / that %.2fx)\n",
                "  diagnostic:", Median(cCpu) * 1000, Median(eCpu) / Median(cCpu));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The engine's synchronised fakesink replaces the sound device, as in the reference.
    setenv("VELTRA_FAKE_AUDIO", "1", 1);
    double playSeconds = 20.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            playSeconds = 5.0;
        } else {
            std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
            return 2;
        }
    }
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);

    std::string mp3 = Mp3Tone(30.0);
    std::string avi = AviPattern(30.0);
    std::string mp4 = Mp4Pattern(30.0);
    std::string flac = FlacTone(30.0);
    if (mp3.empty() || avi.empty() || mp4.empty() || flac.empty()) {
        std::fprintf(stderr, "bench_graph_open: cannot generate the media under %s\n",
                     BENCH_MEDIA_DIR);
        return 1;
    }
    std::printf("graph_open: median of %d opens and %d playbacks of %.0f s\n", kOpenRepeats,
                kCpuRepeats, playSeconds);
    BenchFile("MP3 30 s tone", mp3, playSeconds);
    BenchFile("AVI 30 s MJPEG 640x480 + PCM", avi, playSeconds);
    BenchFile("MP4 30 s H.264 1280x720 + AAC", mp4, playSeconds);
    BenchFile("FLAC 30 s tone", flac, playSeconds);
    return 0;
}

// Starting a conversion (an AVI's range to AVI, the source read anew) through Convert, which
// waits for the start as the editor did, and through ConvertAsync, which does not, next to
// a plain pipeline prerolling the same file.
//
// Closing a graph whose source stalls (a pipe whose writer holds back) and one decoding a
// 7000x7000 picture, against a plain GStreamer pipeline over the same file stopped on the
// calling thread, which is how long a close that stops its pipeline where it is called
// keeps the window waiting.
//
//   bench_graph_close
#include <fcntl.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/bench_support.h"
#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "platform/window_message.h"

namespace {

using bench::Clock;

// The stall is released this long after the close was asked for.
constexpr int kReleaseMs = 2000;
// Close keeps the window waiting no longer than this.
constexpr double kCloseTargetMs = 50.0;

void PutLe(std::vector<char>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A WAV header promising 20 s of 44.1 kHz stereo and half a second of silence after it.
std::vector<char> StalledWav() {
    const uint32_t rate = 44100, block = 4, data = 20 * rate * block;
    std::vector<char> b;
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + std::strlen(t)); };
    tag("RIFF");
    PutLe(b, data + 36, 4);
    tag("WAVEfmt ");
    PutLe(b, 16, 4);
    PutLe(b, 1, 2);
    PutLe(b, 2, 2);
    PutLe(b, rate, 4);
    PutLe(b, rate * block, 4);
    PutLe(b, block, 2);
    PutLe(b, 16, 2);
    tag("data");
    PutLe(b, data, 4);
    b.resize(b.size() + rate / 2 * block, 0);
    return b;
}

// A pipe that gives the header and half a second, then nothing until released.
class StalledPipe {
  public:
    explicit StalledPipe(const std::string& path) : m_path(path) {
        ::unlink(path.c_str());
        ::mkfifo(path.c_str(), 0600);
        m_keeper = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
        m_fd = ::open(path.c_str(), O_WRONLY);
        m_writer = std::thread([this] {
            const std::vector<char> bytes = StalledWav();
            size_t done = 0;
            while (done < bytes.size() && !m_released) {
                ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
                if (n <= 0)
                    break;
                done += static_cast<size_t>(n);
            }
        });
    }
    ~StalledPipe() {
        Release();
        ::unlink(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }
    // Ends the pipe: the reader sees its end.
    void Release() {
        m_released = true;
        if (m_writer.joinable())
            m_writer.join();
        for (int* fd : {&m_fd, &m_keeper})
            if (*fd >= 0)
                ::close(std::exchange(*fd, -1));
    }
    // Releases the pipe after ms on a thread of its own.
    std::thread ReleaseAfter(int ms) {
        return std::thread([this, ms] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            Release();
        });
    }

  private:
    std::string m_path;
    int m_fd = -1;
    int m_keeper = -1;
    std::atomic<bool> m_released{false};
    std::thread m_writer;
};

void Pump(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// A plain pipeline brought to `state`, then stopped where it is called: the time of the stop.
double PlainStopMs(const std::string& description, GstState state, int settleMs,
                   StalledPipe* pipe) {
    GstElement* p = gst_parse_launch(description.c_str(), nullptr);
    if (!p)
        return -1;
    gst_element_set_state(p, state);
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    std::thread release;
    if (pipe)
        release = pipe->ReleaseAfter(kReleaseMs);
    const auto t0 = Clock::now();
    gst_element_set_state(p, GST_STATE_NULL);
    const double ms = Ms(t0);
    if (release.joinable())
        release.join();
    gst_object_unref(p);
    return ms;
}

// The graph's close after the same start.
double GraphCloseMs(MediaGraph& graph, int settleMs, StalledPipe* pipe) {
    Pump(settleMs);
    std::thread release;
    if (pipe)
        release = pipe->ReleaseAfter(kReleaseMs);
    const auto t0 = Clock::now();
    graph.Close();
    const double ms = Ms(t0);
    if (release.joinable())
        release.join();
    if (!graph.AwaitRetired(30000))
        std::printf("  (the pipeline given up was not freed within 30 s)\n");
    return ms;
}

bool Report(const char* what, double graphMs, double plainMs) {
    const bool ok = graphMs >= 0 && graphMs < kCloseTargetMs;
    std::printf("%-34s MediaGraph::Close %8.1f ms   plain pipeline stopped in place %8.1f ms  %s\n",
                what, graphMs, plainMs, ok ? "ok" : "SLOW");
    return ok;
}

// Notes when the conversion's start is reported.
class StartWatch : public QObject {
  public:
    bool event(QEvent* e) override {
        const int m = WindowMessage::MessageOf(e);
        if (m == UM_GRAPH_CONVERSION_STARTED) {
            ticket = static_cast<WindowMessage*>(e)->wParam();
            at = Clock::now();
        }
        if (m == UM_GRAPH_COMPLETE || m == UM_GRAPH_STOPPED)
            ended = true;
        return m >= 0 || QObject::event(e);
    }
    intptr_t ticket = -1;
    Clock::time_point at;
    bool ended = false;
};

void PumpUntilDone(const std::function<bool()>& done) {
    const auto until = Clock::now() + std::chrono::seconds(60);
    while (!done() && Clock::now() < until) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool ReportConversionStart(const std::string& media) {
    const std::string avi =
        bench::GenerateMedia(media, "pattern10.avi", bench::AviPatternPipeline(10, 640, 480));
    if (avi.empty())
        return false;
    const std::string target = media + "/start-cut.avi";
    GstElement* plain =
        gst_parse_launch(("filesrc location=" + avi + " ! decodebin ! fakesink").c_str(), nullptr);
    auto t0 = Clock::now();
    gst_element_set_state(plain, GST_STATE_PAUSED);
    gst_element_get_state(plain, nullptr, nullptr, 30 * GST_SECOND);
    const double prerollMs = Ms(t0);
    gst_element_set_state(plain, GST_STATE_NULL);
    gst_object_unref(plain);

    double waitedMs = -1;
    {
        StartWatch watch;
        MediaGraph graph;
        graph.SetWindows(&watch, nullptr, nullptr);
        t0 = Clock::now();
        if (graph.Convert(avi.c_str(), ConversionMode::Avi, target.c_str(), 20.0, 40.0, 0))
            waitedMs = Ms(t0);
        PumpUntilDone([&] { return watch.ended; });
    }
    double returnedMs = -1, startedMs = -1;
    {
        StartWatch watch;
        MediaGraph graph;
        graph.SetWindows(&watch, nullptr, nullptr);
        t0 = Clock::now();
        if (graph.ConvertAsync(avi.c_str(), ConversionMode::Avi, target.c_str(), 20.0, 40.0, 0)) {
            returnedMs = Ms(t0);
            PumpUntilDone([&] { return watch.ticket >= 0; });
            startedMs = std::chrono::duration<double, std::milli>(watch.at - t0).count();
            if (graph.FinishConversion(static_cast<uintptr_t>(watch.ticket)) == S_OK)
                PumpUntilDone([&] { return watch.ended; });
        }
    }
    std::remove(target.c_str());
    const bool ok = returnedMs >= 0 && returnedMs < kCloseTargetMs;
    std::printf(
        "conversion start (AVI range)       Convert waits %8.1f ms   ConvertAsync returns "
        "%6.1f ms, started after %8.1f ms   plain preroll %8.1f ms  %s\n",
        waitedMs, returnedMs, startedMs, prerollMs, ok ? "ok" : "SLOW");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    gst_init(&argc, &argv);
    const std::string media = BENCH_MEDIA_DIR;
    std::filesystem::create_directories(media);
    QObject notify;
    bool ok = true;

    {
        const std::string fifo = media + "/stalled.wav";
        double plain = 0, graphMs = 0;
        {
            StalledPipe pipe(fifo);
            plain = PlainStopMs(
                "filesrc location=" + fifo + " ! decodebin ! audioconvert ! fakesink sync=true",
                GST_STATE_PLAYING, 800, &pipe);
        }
        {
            MediaGraph graph;
            graph.SetWindows(&notify, nullptr, nullptr);
            StalledPipe pipe(fifo);
            if (graph.Open(fifo.c_str(), TRUE) == S_OK)
                graphMs = GraphCloseMs(graph, 800, &pipe);
            else
                graphMs = -1;
        }
        ok &= Report("stalled pipe (playing)", graphMs, plain);
    }

    {
        const std::string picture = bench::GenerateMedia(
            media, "huge7000-snow.png",
            // Noise, as little compressible as a photograph: its decoding takes a while.
            "videotestsrc num-buffers=1 pattern=snow ! video/x-raw,width=7000,height=7000 ! "
            "videoconvert ! pngenc compression-level=1 ! filesink location=@OUT@");
        if (picture.empty()) {
            std::printf("could not make the picture\n");
            return 1;
        }
        const double plain = PlainStopMs("filesrc location=" + picture + " ! decodebin ! fakesink",
                                         GST_STATE_PAUSED, 300, nullptr);
        double graphMs = -1;
        {
            MediaGraph graph;
            graph.SetWindows(&notify, nullptr, nullptr);
            if (graph.OpenAsync(picture.c_str(), FALSE) == S_OK)
                graphMs = GraphCloseMs(graph, 300, nullptr);
        }
        ok &= Report("7000x7000 PNG being decoded", graphMs, plain);
    }
    ok &= ReportConversionStart(media);
    return ok ? 0 : 1;
}

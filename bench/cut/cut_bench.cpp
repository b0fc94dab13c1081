// Cutting 4:00-5:00 out of ten-minute files through MediaGraph::Convert, as the editor
// does (preview open, then the cut), against hand-written GStreamer pipelines doing the
// same work in this process, and against ffmpeg where it is installed.
//
// It also shows that the cut starts at its range: the cut is set beside decoding
// 0:00-5:00 of the same file, and the bytes the process read during the cut beside the
// file's size.
//
//   bench_cut [--quick]     --quick: one round instead of three
#include <gst/gst.h>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "platform/window_message.h"

namespace fs = std::filesystem;

namespace {

constexpr double kTarget = 1.2;
constexpr double kStartSeconds = 240.0;
constexpr double kStopSeconds = 300.0;
constexpr double kFileSeconds = 600.0;
constexpr int kTimeoutMs = 120000;

using bench::Clock;
using bench::Median;
using bench::Since;

// Bytes this process has read so far through read(2) and the like.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

long long SizeOf(const std::string& path) {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    return ec ? -1 : static_cast<long long>(size);
}

std::string MediaDir() {
    return BENCH_MEDIA_DIR;
}

std::string Generate(const std::string& name, const std::string& pipeline) {
    return bench::GenerateMedia(MediaDir(), name, pipeline);
}

std::string Mp3Tone() {
    return Generate("tone600.mp3", bench::ToneSource(kFileSeconds) +
                                       " ! audioconvert ! lamemp3enc ! filesink location=@OUT@");
}

std::string AviPattern() {
    return Generate("pattern600.avi", bench::AviPatternPipeline(kFileSeconds, 320, 240));
}

// Stands in for the editor: ends the event loop when the conversion reports its end.
class Notify : public QObject {
  public:
    bool event(QEvent* e) override {
        int message = WindowMessage::MessageOf(e);
        if (message < 0)
            return QObject::event(e);
        if (message == UM_GRAPH_COMPLETE && static_cast<WindowMessage*>(e)->wParam() == 15)
            complete = true;
        else if (message == UM_GRAPH_STOPPED)
            stopped = true;
        if (loop && (complete || stopped))
            loop->quit();
        return true;
    }
    bool complete = false;
    bool stopped = false;
    QEventLoop* loop = nullptr;
};

struct Result {
    double seconds = -1;
    long long bytesRead = -1;
    long long outSize = -1;
    double convertReturned = -1;  // engine: when Convert itself returned
};

// The editor's way: the preview is open (not timed), then Convert runs to its end.
Result EngineCut(const std::string& source, ConversionMode mode, const std::string& target) {
    Result r;
    Notify notify;
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    if (FAILED(graph.Open(source.c_str(), FALSE)))
        return r;
    long long read0 = BytesRead();
    auto t0 = Clock::now();
    if (!graph.Convert(source.c_str(), mode, target.c_str(), kStartSeconds * 10, kStopSeconds * 10,
                       100)) {
        std::printf("  engine: Convert failed (0x%x)\n",
                    static_cast<unsigned>(graph.GetLastError()));
        return r;
    }
    r.convertReturned = Since(t0);
    QEventLoop loop;
    notify.loop = &loop;
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    if (!notify.complete && !notify.stopped)
        loop.exec();
    notify.loop = nullptr;
    double seconds = Since(t0);
    long long read1 = BytesRead();
    graph.Close();
    QCoreApplication::removePostedEvents(&notify);
    if (!notify.complete) {
        std::printf("  engine: the cut did not complete (0x%x)\n",
                    static_cast<unsigned>(graph.GetLastError()));
        return r;
    }
    r.seconds = seconds;
    r.bytesRead = read1 - read0;
    r.outSize = SizeOf(target);
    return r;
}

// What the hand-written pipeline does with each decoded stream.
enum class Branch { Wav, Avi, Discard };

GstElement* AddParsed(GstElement* pipeline, const char* description) {
    GError* err = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description, TRUE, &err);
    if (!bin) {
        std::printf("  reference: %s\n", err ? err->message : "cannot build");
        if (err)
            g_error_free(err);
        return nullptr;
    }
    gst_bin_add(GST_BIN(pipeline), bin);
    return bin;
}

GstElement* MakeBranch(GstElement* pipeline, Branch branch, const std::string& target) {
    std::string d;
    switch (branch) {
        case Branch::Wav:
            d = "audioconvert ! audioresample ! wavenc ! filesink location=\"" + target + "\"";
            break;
        case Branch::Avi:
            d = "videoconvert ! video/x-raw,format=BGR ! avimux ! filesink location=\"" + target +
                "\"";
            break;
        case Branch::Discard:
            d = "fakesink sync=false async=false";
            break;
    }
    return AddParsed(pipeline, d.c_str());
}

// Branches are made as the file's streams appear: a branch without a stream would refuse
// the seek.
struct Reference {
    GstElement* pipeline = nullptr;
    Branch audio = Branch::Discard;
    Branch video = Branch::Discard;
    std::string target;
    bool haveAudio = false;
    bool haveVideo = false;
};

void LinkDecoded(GstElement*, GstPad* pad, gpointer data) {
    auto* ref = static_cast<Reference*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const char* media = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    bool audio = g_str_has_prefix(media, "audio/");
    bool video = g_str_has_prefix(media, "video/");
    gst_caps_unref(caps);
    bool* have = audio ? &ref->haveAudio : &ref->haveVideo;
    if ((!audio && !video) || *have)
        return;
    *have = true;
    GstElement* branch = MakeBranch(ref->pipeline, audio ? ref->audio : ref->video, ref->target);
    if (!branch)
        return;
    gst_element_sync_state_with_parent(branch);
    GstPad* sink = gst_element_get_static_pad(branch, "sink");
    gst_pad_link(pad, sink);
    gst_object_unref(sink);
}

GstMessage* WaitFor(GstBus* bus, GstMessageType type) {
    return gst_bus_timed_pop_filtered(bus, static_cast<GstClockTime>(kTimeoutMs) * GST_MSECOND,
                                      static_cast<GstMessageType>(type | GST_MESSAGE_ERROR));
}

bool Expect(GstBus* bus, GstMessageType type) {
    GstMessage* msg = WaitFor(bus, type);
    bool ok = msg && GST_MESSAGE_TYPE(msg) == type;
    if (msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
        GError* err = nullptr;
        gst_message_parse_error(msg, &err, nullptr);
        std::printf("  reference: %s\n", err ? err->message : "error");
        if (err)
            g_error_free(err);
    }
    if (msg)
        gst_message_unref(msg);
    return ok;
}

// Sinks that do not preroll (the discard branches) post no ASYNC_DONE, so the state is
// asked for instead of waited for on the bus.
bool Prerolled(GstElement* pipeline) {
    GstState state = GST_STATE_NULL;
    GstStateChangeReturn r = gst_element_get_state(
        pipeline, &state, nullptr, static_cast<GstClockTime>(kTimeoutMs) * GST_MSECOND);
    if (r == GST_STATE_CHANGE_FAILURE || r == GST_STATE_CHANGE_ASYNC)
        std::printf("  reference: the pipeline did not preroll\n");
    return r == GST_STATE_CHANGE_SUCCESS || r == GST_STATE_CHANGE_NO_PREROLL;
}

// filesrc ! decodebin into the given branches: paused, sought (flush, accurate) to the
// range, played to its end. The whole of it is timed.
Result ReferenceCut(const std::string& source, Branch audio, Branch video,
                    const std::string& target, double start, double stop) {
    Result r;
    long long read0 = BytesRead();
    auto t0 = Clock::now();
    Reference ref;
    ref.pipeline = gst_pipeline_new("reference");
    ref.audio = audio;
    ref.video = video;
    ref.target = target;
    GstElement* src = gst_element_factory_make("filesrc", nullptr);
    GstElement* decode = gst_element_factory_make("decodebin", nullptr);
    g_object_set(src, "location", source.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(ref.pipeline), src, decode, nullptr);
    gst_element_link(src, decode);
    g_signal_connect(decode, "pad-added", G_CALLBACK(LinkDecoded), &ref);
    GstBus* bus = gst_element_get_bus(ref.pipeline);
    bool ok = gst_element_set_state(ref.pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE &&
              Prerolled(ref.pipeline);
    ok = ok &&
         gst_element_seek(ref.pipeline, 1.0, GST_FORMAT_TIME,
                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                          GST_SEEK_TYPE_SET, static_cast<gint64>(start * GST_SECOND),
                          GST_SEEK_TYPE_SET, static_cast<gint64>(stop * GST_SECOND));
    ok = ok && Prerolled(ref.pipeline);
    ok = ok && gst_element_set_state(ref.pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE &&
         Expect(bus, GST_MESSAGE_EOS);
    gst_element_set_state(ref.pipeline, GST_STATE_NULL);
    double seconds = Since(t0);
    long long read1 = BytesRead();
    gst_object_unref(bus);
    gst_object_unref(ref.pipeline);
    if (!ok)
        return r;
    r.seconds = seconds;
    r.bytesRead = read1 - read0;
    r.outSize = target.empty() ? -1 : SizeOf(target);
    return r;
}

Result FfmpegCut(const std::string& ffmpeg, const std::string& source, const std::string& args,
                 const std::string& target) {
    Result r;
    char range[64];
    std::snprintf(range, sizeof range, "-ss %.0f -to %.0f", kStartSeconds, kStopSeconds);
    std::string cmd = ffmpeg + " -nostdin -v error -y " + range + " -i \"" + source + "\" " + args +
                      " \"" + target + "\"";
    auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0)
        return r;
    r.seconds = Since(t0);
    r.outSize = SizeOf(target);
    return r;
}

std::string Which(const char* program) {
    std::string cmd = std::string("command -v ") + program + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return {};
    char buf[4096] = {};
    std::string out = std::fgets(buf, sizeof buf, p) ? buf : "";
    pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

void Remove(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

struct Case {
    const char* label;
    std::string source;
    ConversionMode mode;
    Branch audio;
    Branch video;
    const char* ext;
    const char* ffmpegArgs;
};

void RunCase(const Case& c, int rounds, const std::string& outDir, const std::string& ffmpeg) {
    std::printf("%s\n", c.label);
    std::string engineOut = outDir + "/engine" + c.ext;
    std::string refOut = outDir + "/reference" + c.ext;
    std::vector<double> eT, rT, dT;
    Result e, r, d;
    for (int i = 0; i < rounds; ++i) {
        // Alternating keeps drifts of the machine from favouring one side.
        e = EngineCut(c.source, c.mode, engineOut);
        r = ReferenceCut(c.source, c.audio, c.video, refOut, kStartSeconds, kStopSeconds);
        // Decoding everything up to the range's end, written nowhere: what a cut that
        // decoded from the file's beginning would cost at the least.
        d = ReferenceCut(c.source, Branch::Discard, Branch::Discard, "", 0.0, kStopSeconds);
        if (e.seconds < 0 || r.seconds < 0 || d.seconds < 0) {
            std::printf("  failed (engine %.3f, pipeline %.3f, decode %.3f)\n", e.seconds,
                        r.seconds, d.seconds);
            Remove(engineOut);
            Remove(refOut);
            return;
        }
        eT.push_back(e.seconds);
        rT.push_back(r.seconds);
        dT.push_back(d.seconds);
        if (i + 1 < rounds) {
            Remove(engineOut);
            Remove(refOut);
        }
    }
    double em = Median(eT), rm = Median(rT), dm = Median(dT);
    double ratio = em / rm;
    std::printf("  engine Convert      %8.3f s   (output %lld bytes)\n", em, e.outSize);
    std::printf("  hand-written pipe   %8.3f s   (output %lld bytes)   ratio %5.2fx  %s\n", rm,
                r.outSize, ratio, ratio <= kTarget ? "ok" : "OVER TARGET");
    if (!ffmpeg.empty()) {
        std::string ffOut = outDir + "/ffmpeg" + c.ext;
        std::vector<double> fT;
        Result f;
        for (int i = 0; i < rounds; ++i) {
            f = FfmpegCut(ffmpeg, c.source, c.ffmpegArgs, ffOut);
            if (f.seconds >= 0)
                fT.push_back(f.seconds);
        }
        if (fT.empty())
            std::printf("  ffmpeg              failed\n");
        else
            std::printf("  ffmpeg              %8.3f s   (output %lld bytes)   ratio %5.2fx\n",
                        Median(fT), f.outSize, em / Median(fT));
        Remove(ffOut);
    } else {
        std::printf("  ffmpeg              not installed, skipped\n");
    }
    long long size = SizeOf(c.source);
    // Either the cut is much cheaper than decoding up to its end, or it reads no more of
    // the file than the hand-written pipeline's seek does (a parser may scan a file
    // without an index to find the range, which is reading, not decoding).
    bool seeks = em < 0.5 * dm || (e.bytesRead >= 0 && e.bytesRead <= r.bytesRead * 13 / 10);
    std::printf("  decode 0:00-5:00    %8.3f s   cut / decode-to-end %.2f  %s\n", dm, em / dm,
                seeks ? "ok: the cut does not decode from the start"
                      : "SUSPECT: the cut may decode from the start");
    std::printf("  engine: Convert returned after %.3f s, its end was reported %.3f s later\n",
                e.convertReturned, e.seconds - e.convertReturned);
    std::printf(
        "  bytes read by the process: engine cut %lld, pipeline cut %lld, decode 0-5:00 "
        "%lld, file %lld (range is %.0f%% of the file)\n",
        e.bytesRead, r.bytesRead, d.bytesRead, size,
        100.0 * (kStopSeconds - kStartSeconds) / kFileSeconds);
    std::fflush(stdout);
    Remove(engineOut);
    Remove(refOut);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("VELTRA_FAKE_AUDIO", "1", 1);
    // The wavsink filter is found through the program folder's plug-in and a registration
    // store of the bench's own, so a run never touches the user's.
    setenv("VELTRA_BIN_DIR", VELTRA_BIN_DIR, 0);
    setenv("VELTRA_REGISTRY", (MediaDir() + "/registry").c_str(), 0);
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            rounds = 1;
        } else {
            std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
            return 2;
        }
    }
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);

    std::string mp3 = Mp3Tone();
    std::string avi = AviPattern();
    if (mp3.empty() || avi.empty()) {
        std::fprintf(stderr, "bench_cut: cannot generate the media under %s\n", MediaDir().c_str());
        return 1;
    }
    std::string outDir = MediaDir() + "/out";
    std::error_code ec;
    fs::create_directories(outDir, ec);
    std::string ffmpeg = Which("ffmpeg");

    std::printf("cut: 4:00-5:00 of 10-minute files, median of %d, target %.1fx\n", rounds, kTarget);
    std::vector<Case> cases = {
        {"MP3 -> WAV", mp3, ConversionMode::Wav, Branch::Wav, Branch::Discard, ".wav",
         "-vn -c:a pcm_s16le"},
        {"AVI -> WAV", avi, ConversionMode::Wav, Branch::Wav, Branch::Discard, ".wav",
         "-vn -c:a pcm_s16le"},
        {"AVI -> AVI (uncompressed video, no sound)", avi, ConversionMode::Avi, Branch::Discard,
         Branch::Avi, ".avi", "-an -c:v rawvideo -pix_fmt bgr24"},
    };
    for (const Case& c : cases) RunCase(c, rounds, outDir, ffmpeg);
    return 0;
}

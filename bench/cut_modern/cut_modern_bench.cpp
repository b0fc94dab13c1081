// A minute out of a ten-minute 1080p H.264 + AAC MP4, three ways, each next to the ffmpeg
// command a user would type for the same file:
//   - the copy in the source's own format from a keyframe, against `ffmpeg -ss -to -c copy`
//     (goal: at most 1.5 times its time);
//   - the copy from between two keyframes (the head re-encoded), against a full
//     `libx264 -preset veryfast` re-encode of the range (goal: at most 0.2 times);
//   - the MP4 kind (H.264 + AAC), against ffmpeg with the same encoder settings (goal: at
//     most 1.1 times).
// The source is made once by ffmpeg (-preset ultrafast, a keyframe every 2 s) and kept in
// the build folder.
//
//   bench_cut_modern [--quick]   --quick: a two-minute source and a 20-s range, one round
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "engine/encoded_kinds.h"
#include "engine/media_graph.h"
#include "engine/stream_copy_cut.h"
#include "platform/messages.h"
#include "platform/window_message.h"

namespace fs = std::filesystem;

namespace {

using bench::Clock;
using bench::Median;
using bench::Since;

struct Setup {
    double fileSeconds = 600;
    double start = 240;  // on a keyframe (every 2 s)
    double length = 60;
    int rounds = 3;
};

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

std::string Source(const Setup& s) {
    const std::string dir = BENCH_MEDIA_DIR;
    const std::string name =
        dir + "/h264_1080p_" + std::to_string(static_cast<int>(s.fileSeconds)) + ".mp4";
    std::error_code ec;
    if (fs::is_regular_file(name, ec) && fs::file_size(name, ec) > 0)
        return name;
    fs::create_directories(dir, ec);
    std::printf("generating %s (once) ...\n", name.c_str());
    std::fflush(stdout);
    const std::string partial = name + ".part.mp4";
    const std::string seconds = std::to_string(static_cast<int>(s.fileSeconds));
    const bool made =
        Run("ffmpeg -v error -y -nostdin -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=" +
            seconds + " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" + seconds +
            " -c:v libx264 -preset ultrafast -g 50 -keyint_min 50 -sc_threshold 0 "
            "-pix_fmt yuv420p -c:a aac -b:a 128k " +
            Quote(partial)) &&
        fs::is_regular_file(partial, ec);
    if (!made) {
        fs::remove(partial, ec);
        return {};
    }
    fs::rename(partial, name, ec);
    return ec ? std::string() : name;
}

double TimeCommand(const std::string& command) {
    const auto t0 = Clock::now();
    if (!Run(command))
        return -1;
    return Since(t0);
}

double TimeCopy(const std::string& source, const std::string& target, double start, double end) {
    const auto t0 = Clock::now();
    const CopyCutResult r = StreamCopyCut::Run(source, target, start, end);
    if (r.error != CopyCutError::None) {
        std::printf("  copy failed: %d %s\n", static_cast<int>(r.error), r.detail.c_str());
        return -1;
    }
    return Since(t0);
}

// Stands in for the editor: ends the loop at the conversion's end.
class Notify : public QObject {
  public:
    bool event(QEvent* e) override {
        const int message = WindowMessage::MessageOf(e);
        if (message < 0)
            return QObject::event(e);
        if (message == UM_GRAPH_COMPLETE || message == UM_GRAPH_STOPPED) {
            done = true;
            ok = message == UM_GRAPH_COMPLETE;
            if (loop)
                loop->quit();
        }
        return true;
    }
    bool done = false;
    bool ok = false;
    QEventLoop* loop = nullptr;
};

// The editor's way: the preview is open (not timed), then the MP4 kind runs to its end.
double TimeEncoded(const std::string& source, const std::string& target, double start, double end) {
    Notify notify;
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    if (FAILED(graph.Open(source.c_str(), FALSE)))
        return -1;
    const auto t0 = Clock::now();
    if (!graph.ConvertEncoded(source.c_str(), EncodedKind::Mp4, target.c_str(), start * 10,
                              end * 10, 100))
        return -1;
    QEventLoop loop;
    notify.loop = &loop;
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    if (!notify.done)
        loop.exec();
    notify.loop = nullptr;
    const double seconds = Since(t0);
    graph.Close();
    QCoreApplication::removePostedEvents(&notify);
    return notify.ok ? seconds : -1;
}

// The settings x264 wrote into the stream (its version note), key by key.
std::map<std::string, std::string> X264Settings(const std::string& file) {
    std::map<std::string, std::string> settings;
    std::ifstream in(file, std::ios::binary);
    std::string head(8 << 20, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    const size_t note = head.find("x264 - core");
    const size_t options = note == std::string::npos ? note : head.find("options: ", note);
    if (options == std::string::npos)
        return settings;
    std::istringstream words(head.substr(options + 9, head.find('\0', options) - options - 9));
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        if (eq != std::string::npos)
            settings[word.substr(0, eq)] = word.substr(eq + 1);
    }
    return settings;
}

// Whether the two encodes ran with the same x264 settings and the same sound; what
// differs, if anything, so that the ratio is read for what it is.
void CompareSettings(const std::string& ours, const std::string& reference) {
    const auto a = X264Settings(ours), b = X264Settings(reference);
    std::string differ;
    for (const auto& [key, value] : a) {
        auto other = b.find(key);
        if (other == b.end() || other->second != value)
            differ += " " + key + "=" + value + "/" + (other == b.end() ? "-" : other->second);
    }
    if (a.empty() || b.empty())
        differ = " (no x264 note found)";
    auto sound = [](const std::string& f) {
        std::string out;
        FILE* p = popen(("ffprobe -v error -select_streams a:0 -show_entries "
                         "stream=codec_name,sample_rate,channels -of csv=p=0 " +
                         Quote(f))
                            .c_str(),
                        "r");
        char line[256] = {};
        if (p && std::fgets(line, sizeof line, p))
            out = line;
        if (p)
            pclose(p);
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
        return out;
    };
    std::error_code ec;
    std::printf(
        "  MP4 kind against ffmpeg: x264 settings %s; sound %s / %s; files %.1f / %.1f MB\n",
        differ.empty() ? "identical" : ("differ:" + differ).c_str(), sound(ours).c_str(),
        sound(reference).c_str(), fs::file_size(ours, ec) / 1e6,
        fs::file_size(reference, ec) / 1e6);
}

struct Figure {
    std::vector<double> ours, reference;
};

void Report(const char* what, const Figure& f, double goal, const char* reference) {
    const double ours = Median(f.ours);
    const double ref = Median(f.reference);
    if (f.ours.empty() || f.reference.empty() || ours < 0 || ref <= 0) {
        std::printf("%-34s  failed\n", what);
        return;
    }
    const double ratio = ours / ref;
    std::printf("%-34s  %8.3f s   %-28s %8.3f s   ratio %5.2f  (goal <= %.2f)  %s\n", what, ours,
                reference, ref, ratio, goal, ratio <= goal ? "met" : "MISSED");
}

void Add(std::vector<double>* v, double t) {
    if (t >= 0)
        v->push_back(t);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Setup s;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--quick") == 0) {
            s.fileSeconds = 120;
            s.start = 40;
            s.length = 20;
            s.rounds = 1;
        }
    QApplication app(argc, argv);
    if (!Run("ffmpeg -version")) {
        std::printf("ffmpeg is needed to make the source and as the reference\n");
        return 1;
    }
    const std::string source = Source(s);
    if (source.empty()) {
        std::printf("the source could not be made\n");
        return 1;
    }
    const std::string out = std::string(BENCH_MEDIA_DIR) + "/cut_modern_out";
    std::error_code ec;
    fs::create_directories(out, ec);
    const double inside = s.start + 1.0;  // half-way between two keyframes
    auto range = [](double a, double b) {
        return " -ss " + std::to_string(a) + " -to " + std::to_string(b) + " -i ";
    };
    std::printf("source %s: %.0f s of 1920x1080 H.264 + AAC; ranges of %.0f s; %d round(s)\n",
                source.c_str(), s.fileSeconds, s.length, s.rounds);

    Figure onKey, between, encoded;
    for (int round = 0; round < s.rounds; ++round) {
        Add(&onKey.ours, TimeCopy(source, out + "/copy_key.mp4", s.start, s.start + s.length));
        Add(&onKey.reference,
            TimeCommand("ffmpeg -v error -y -nostdin" + range(s.start, s.start + s.length) +
                        Quote(source) + " -c copy " + Quote(out + "/ff_copy.mp4")));
        Add(&between.ours, TimeCopy(source, out + "/copy_mid.mp4", inside, inside + s.length));
        Add(&between.reference,
            TimeCommand("ffmpeg -v error -y -nostdin" + range(inside, inside + s.length) +
                        Quote(source) + " -c:v libx264 -preset veryfast -c:a aac " +
                        Quote(out + "/ff_x264.mp4")));
        Add(&encoded.ours, TimeEncoded(source, out + "/encoded.mp4", inside, inside + s.length));
        // The MP4 kind's own settings: x264 veryfast at constant quality 21, AAC at 192 kb/s.
        Add(&encoded.reference,
            TimeCommand("ffmpeg -v error -y -nostdin" + range(inside, inside + s.length) +
                        Quote(source) +
                        " -c:v libx264 -preset veryfast -crf 21 -c:a aac -b:a 192k "
                        "-movflags +faststart " +
                        Quote(out + "/ff_encoded.mp4")));
    }
    Report("copy from a keyframe", onKey, 1.5, "ffmpeg -c copy");
    Report("copy from between keyframes", between, 0.2, "ffmpeg libx264 veryfast");
    Report("MP4 kind (H.264 + AAC)", encoded, 1.1, "ffmpeg same settings");
    CompareSettings(out + "/encoded.mp4", out + "/ff_encoded.mp4");
    return 0;
}

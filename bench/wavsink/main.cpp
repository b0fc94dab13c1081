// Writes generated 16-bit stereo PCM (one hour by default) through wavedestex and through
// GStreamer's wavenc into files, in the same run, and prints the times and their ratios:
// wavedestex at volume 100 (samples passed as they are) and at volume 150 (every sample
// scaled) against wavenc, which never scales. Then the volume pass alone on one buffer of
// the stream's size, next to a plain copy of that buffer.
//
//   bench_wavsink [minutes] [folder] [--before FOLDER]
//
// The folder defaults to the temp folder; name /dev/shm to compare the writers without the
// disk. Each writer runs five times, interleaved, and its best time counts. --before runs
// the same figures with the plug-in of an older build (its program folder) in a second
// process.
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "wavsink/sample_volume.h"

namespace {

constexpr int kRounds = 5;
constexpr double kTargetFull = 1.00;
constexpr double kTargetScaled = 1.05;

double RunOnce(const std::string& writer, const std::string& path, int buffers) {
    std::string line =
        "audiotestsrc wave=silence samplesperbuffer=4410 num-buffers=" + std::to_string(buffers) +
        " ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! " + writer +
        " ! filesink location=\"" + path + "\"";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(line.c_str(), &error);
    if (!pipeline) {
        std::fprintf(stderr, "bench_wavsink: %s\n", error ? error->message : "cannot build");
        std::exit(2);
    }
    auto start = std::chrono::steady_clock::now();
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* m = gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bool ok = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
    if (m)
        gst_message_unref(m);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (!ok) {
        std::fprintf(stderr, "bench_wavsink: %s failed\n", writer.c_str());
        std::exit(2);
    }
    return seconds;
}

// The volume pass over one buffer of the stream's size, many times, against memcpy of it:
// gigabytes per second of samples.
void PassFigures() {
    const size_t bytes = 4410 * 4;
    const int repeats = 20000;
    std::vector<uint8_t> a(bytes), b(bytes);
    for (size_t i = 0; i < bytes; ++i) a[i] = static_cast<uint8_t>(i * 7);
    auto rate = [&](auto&& pass) {
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            auto t0 = std::chrono::steady_clock::now();
            for (int r = 0; r < repeats; ++r) {
                pass();
                asm volatile("" ::: "memory");
            }
            best = std::min(
                best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        return bytes * static_cast<double>(repeats) / best / 1e9;
    };
    double copy = rate([&] { std::memcpy(b.data(), a.data(), bytes); });
    std::printf("volume pass on a %zu-byte buffer (in cache), GB/s:\n", bytes);
    std::printf("  plain copy (memcpy)  %6.1f\n", copy);
    for (int volume : {150, 110, 137, 75}) {
        double scaled = rate([&] { ScaleSamplesS16(a.data(), bytes / 2, volume); });
        std::printf("  volume %3d           %6.1f\n", volume, scaled);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int minutes = 60;
    std::string folder = std::filesystem::temp_directory_path().string();
    std::string before;
    bool child = false;
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--before" && i + 1 < argc)
            before = argv[++i];
        else if (a == "--child")
            child = true;
        else
            plain.push_back(a);
    }
    if (!plain.empty() && std::atoi(plain[0].c_str()) > 0)
        minutes = std::atoi(plain[0].c_str());
    if (plain.size() > 1)
        folder = plain[1];
    // The plug-in is found in the program folder unless the caller points elsewhere.
    setenv("GST_PLUGIN_PATH", VELTRA_BIN_DIR, 0);
    gst_init(&argc, &argv);
    int buffers = minutes * 60 * 10;  // 4410 frames per buffer: a tenth of a second
    std::string path = folder + "/bench_wavsink.wav";

    RunOnce("wavenc", path, buffers / 10 + 1);  // warm the page cache and the registry
    double wavenc = 1e9, ours = 1e9, loud = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        wavenc = std::min(wavenc, RunOnce("wavenc", path, buffers));
        ours = std::min(ours, RunOnce("wavedestex", path, buffers));
        loud = std::min(loud, RunOnce("wavedestex volume=150", path, buffers));
    }
    double mb = buffers * 4410.0 * 4 / 1e6;
    if (!child)
        std::printf("%d min of 16-bit stereo PCM (%.0f MB) to %s, best of %d\n", minutes, mb,
                    folder.c_str(), kRounds);
    else
        std::printf("with the plug-in from %s:\n", std::getenv("GST_PLUGIN_PATH"));
    std::printf("  wavenc              %7.3f s\n", wavenc);
    std::printf("  wavedestex          %7.3f s  ratio %.3f (target <= %.2f) %s\n", ours,
                ours / wavenc, kTargetFull, ours / wavenc <= kTargetFull ? "ok" : "OVER TARGET");
    std::printf("  wavedestex vol 150  %7.3f s  ratio %.3f (target <= %.2f) %s\n", loud,
                loud / wavenc, kTargetScaled,
                loud / wavenc <= kTargetScaled ? "ok" : "OVER TARGET");
    std::fflush(stdout);
    if (child)
        return 0;
    PassFigures();
    std::fflush(stdout);
    if (!before.empty()) {
        std::string command = "GST_PLUGIN_PATH='" + before + "' '" + argv[0] + "' --child " +
                              std::to_string(minutes) + " '" + folder + "'";
        return std::system(command.c_str()) == 0 ? 0 : 1;
    }
    return 0;
}

// Writes generated 16-bit stereo PCM (one hour by default) through wavedestex and through
// GStreamer's wavenc into files, in the same run, and prints the times and their ratios.
// Usage: bench_wavsink [minutes] [folder]. The folder defaults to the temp folder; name
// /dev/shm to compare the writers without the disk. Each writer runs three times,
// interleaved, and its best time counts.
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

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

}  // namespace

int main(int argc, char** argv) {
    int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
    std::string folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    if (minutes <= 0)
        minutes = 60;
    // The plug-in is found in the program folder unless the caller points elsewhere.
    setenv("GST_PLUGIN_PATH", VELTRA_BIN_DIR, 0);
    gst_init(&argc, &argv);
    int buffers = minutes * 60 * 10;  // 4410 frames per buffer: a tenth of a second
    std::string path = folder + "/bench_wavsink.wav";

    RunOnce("wavenc", path, buffers / 10 + 1);  // warm the page cache and the registry
    double wavenc = 1e9, ours = 1e9, loud = 1e9;
    for (int round = 0; round < 3; ++round) {
        wavenc = std::min(wavenc, RunOnce("wavenc", path, buffers));
        ours = std::min(ours, RunOnce("wavedestex", path, buffers));
        loud = std::min(loud, RunOnce("wavedestex volume=150", path, buffers));
    }
    double mb = buffers * 4410.0 * 4 / 1e6;
    std::printf("%d min of 16-bit stereo PCM (%.0f MB)\n", minutes, mb);
    std::printf("wavenc              %7.2f s\n", wavenc);
    std::printf("wavedestex          %7.2f s  ratio %.2f (target <= 1.00)\n", ours, ours / wavenc);
    std::printf("wavedestex vol 150  %7.2f s  ratio %.2f (target <= 1.30)\n", loud, loud / wavenc);
    return 0;
}

#pragma once

// What the benchmark programs share: timing, medians, and generated media that are made
// once with gst-launch-1.0 and kept for later runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

template <typename Fn>
double TimeMs(Fn&& fn) {
    const auto start = Clock::now();
    fn();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// A sine tone of that length as raw 16-bit stereo, 1024 samples a buffer, for a pipeline
// to encode.
inline std::string ToneSource(double seconds, int rate = 44100) {
    auto buffers = static_cast<long>(seconds * rate / 1024 + 0.5);
    return "audiotestsrc wave=sine freq=440 samplesperbuffer=1024 num-buffers=" +
           std::to_string(buffers) + " ! audio/x-raw,rate=" + std::to_string(rate) +
           ",channels=2,format=S16LE";
}

// The SMPTE pattern of that length and size at 25 frames a second as raw video, for a
// pipeline to encode.
inline std::string PatternSource(double seconds, int width, int height) {
    auto frames = static_cast<long>(seconds * 25 + 0.5);
    return "videotestsrc pattern=smpte num-buffers=" + std::to_string(frames) +
           " ! video/x-raw,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
           ",framerate=25/1";
}

// MJPEG and PCM in AVI, the video kind the player meets most: the demuxer has an index to
// seek by.
inline std::string AviPatternPipeline(double seconds, int width, int height) {
    return "avimux name=m ! filesink location=@OUT@ " + PatternSource(seconds, width, height) +
           " ! videoconvert ! jpegenc ! queue ! m. " + ToneSource(seconds) + " ! queue ! m.";
}

// folder/name, made by the pipeline unless a non-empty file is there already. The
// pipeline names its file "@OUT@"; the file takes its final name only once complete.
inline std::string GenerateMedia(const std::string& folder, const std::string& name,
                                 std::string pipeline) {
    namespace fs = std::filesystem;
    const std::string out = folder + "/" + name;
    std::error_code ec;
    if (fs::is_regular_file(out, ec) && fs::file_size(out, ec) > 0)
        return out;
    fs::create_directories(folder, ec);
    const std::string partial = out + ".part";
    pipeline.replace(pipeline.find("@OUT@"), 5, "'" + partial + "'");
    std::printf("generating %s ...\n", out.c_str());
    std::fflush(stdout);
    const bool made =
        std::system(("gst-launch-1.0 -q " + pipeline + " >/dev/null 2>&1").c_str()) == 0 &&
        fs::is_regular_file(partial, ec) && fs::file_size(partial, ec) > 0;
    if (!made) {
        fs::remove(partial, ec);
        return {};
    }
    fs::rename(partial, out, ec);
    return ec ? std::string() : out;
}

}  // namespace bench

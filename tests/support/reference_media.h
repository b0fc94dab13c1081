// Media whose content is known sample for sample and frame for frame, and independent
// readers that tell what a written file really holds. A picture carries its own frame
// number as a grid of dark and light blocks; the sound is a sweep whose every stretch is
// unique within a second and a half, so a cut's first sample can be found in a full
// decode of its source by cross-correlation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace refmedia {

constexpr int kFrameRate = 25;       // frames a second of every numbered video
constexpr int kSoundRate = 44100;    // samples a second of every known sound
constexpr double kSweepLevel = 0.3;  // peak of the sweep: 300 % still fits 16 bits

// One sample of the known sound (both channels alike) at sample index n.
double SweepSample(int64_t n);

// A video of `seconds` at 25 frames a second whose frame i shows the number i, with the
// known sound. Container and codecs by extension: .avi (MJPEG + PCM), .mpg (MPEG-1 + MP2
// program stream), .vob (MPEG-2 + MP2 program stream), .wmv and .asf (WMV2 + WMA2); all
// but .avi are encoded by ffmpeg. busy (ffmpeg kinds only) adds grain, so the file has
// the data rate of a real one. Returns the path, or "" when the file could not be made
// (also when ffmpeg is missing).
std::string NumberedVideo(const std::string& dir, const std::string& name, double seconds,
                          int width = 320, int height = 240, bool busy = false);

// A phone clip held upright: the pictures are stored sideways (height x width) and the
// stream says to turn them a quarter clockwise, so only a reader that applies the turn
// sees the frame numbers. H.264 + AAC in MP4, by ffmpeg. "" on failure.
std::string PhoneVideo(const std::string& dir, const std::string& name, double seconds,
                       int width = 240, int height = 320);

// The known sound alone: .wav (16-bit PCM), .mp3, .wma, .aac (ADTS). "" on failure.
std::string KnownSound(const std::string& dir, const std::string& name, double seconds);

// The frame number a luma picture shows, or -1 when its blocks do not form one.
int FrameNumberOf(const uint8_t* luma, int width, int height, int stride);

// What GStreamer's own demuxers and decoders make of a file, in a pipeline of its own.
struct Decoded {
    bool ok = false;  // read to its end without an error
    std::string error;
    bool hasVideo = false;
    bool hasAudio = false;
    int width = 0, height = 0;
    int fpsNum = 0, fpsDen = 1;
    std::vector<int> frames;        // frame number of each decoded picture (-1 unreadable)
    std::vector<int64_t> framePts;  // its timestamp, ns
    int rate = 0, channels = 0;
    std::vector<float> sound;    // first channel, -1 ... 1
    int64_t firstAudioPts = -1;  // ns
};
Decoded Decode(const std::string& path, bool wantSound = true);

// ffprobe and ffmpeg from the system, when installed: another program's opinion.
bool HaveFfmpeg();
struct Probed {
    bool ok = false;
    std::string warnings;  // whatever ffprobe or a full ffmpeg decode said at level warning
    std::vector<std::string> streams;                 // codec_type per stream
    std::vector<std::string> codecs;                  // codec_name per stream
    int rotation = 0;                                 // of the first stream that has one
    std::string audioSampleFormat;                    // e.g. "s16"
    double duration = -1;                             // container duration, seconds
    double firstVideoTime = -1, firstAudioTime = -1;  // first packet times, seconds
    int videoPackets = 0;
};
Probed Probe(const std::string& path);

// A WAV file read by its own rules: format tag, channels, rate, bits and samples of the
// first channel (-1 ... 1). ok only for a complete, consistent RIFF WAVE file.
struct WavFile {
    bool ok = false;
    int formatTag = 0, channels = 0, rate = 0, bits = 0;
    std::vector<float> sound;
};
WavFile ReadWav(const std::string& path);

// Where `piece` starts within `whole`, in samples, searched around `expected` within
// +-window; also how well it matched (normalised correlation, 1 is a perfect match).
struct Match {
    int64_t offset = -1;
    double score = 0;
};
Match FindStart(const std::vector<float>& whole, const std::vector<float>& piece, int64_t expected,
                int64_t window, size_t length = 4410);

// Root mean square of `samples` over [from, from + count).
double Rms(const std::vector<float>& samples, size_t from, size_t count);

}  // namespace refmedia

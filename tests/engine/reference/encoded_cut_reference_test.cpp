// Cuts into today's formats, read back by GStreamer's own decoders in a pipeline of their
// own and by ffprobe: codecs, the frames and sound of the range, size, turn and level.
#include <gtest/gtest.h>

#include <QRect>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "engine/encoded_kinds.h"
#include "engine/media_graph.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/engine/reference/cut_fixture.h"
#include "tests/support/media_factory.h"
#include "tests/support/reference_media.h"

namespace fs = std::filesystem;
using refmedia::kFrameRate;

namespace {

constexpr double kSourceSeconds = 6.0;
constexpr int kCutTimeoutMs = 90000;

using reference::Fixed;
using reference::Note;

class EncodedCut : public reference::SourcedCutTest<EncodedCut> {
  public:
    static constexpr const char* kSourcesName = "encoded";
    static void MakeSources(const std::string& dir, std::map<std::string, std::string>* path) {
        for (const char* ext : {"avi", "mp4"})
            (*path)[ext] = refmedia::NumberedVideo(dir, std::string("clip.") + ext, kSourceSeconds);
        (*path)["wav"] = refmedia::KnownSound(dir, "sound.wav", kSourceSeconds);
        (*path)["phone"] = refmedia::PhoneVideo(dir, "phone.mp4", kSourceSeconds);
        // Remuxed, ffmpeg's Matroska keeps the MP4's B-frame delay: frames a fraction of a
        // frame off the rate's grid, as many files in the wild are.
        const std::string mkv = dir + "/offset.mkv";
        if (!(*path)["mp4"].empty() &&
            std::system(("ffmpeg -v error -y -nostdin -i '" + (*path)["mp4"] + "' -c copy '" + mkv +
                         "' >/dev/null 2>&1")
                            .c_str()) == 0)
            (*path)["mkv"] = mkv;
        // Fine detail in motion, where a starved encoder or a colour mismatch shows.
        const std::string detail = dir + "/detail.mp4";
        if (std::system(("ffmpeg -v error -y -nostdin -f lavfi -i testsrc2=size=640x360:rate=" +
                         std::to_string(kFrameRate) +
                         ":duration=4 -f lavfi -i sine=frequency=440:sample_rate=48000:"
                         "duration=4 -c:v libx264 -bf 2 -g 50 -pix_fmt yuv420p -c:a aac '" +
                         detail + "' >/dev/null 2>&1")
                            .c_str()) == 0)
            (*path)["detail"] = detail;
    }

  protected:
    const std::string& Source(const std::string& key) { return reference::SuiteSource(key, false); }

    bool Cut(const std::string& source, EncodedKind kind, const std::string& target, double start,
             double stop, int volume) {
        return RunCut(
            source, target,
            [&] {
                return graph.ConvertEncoded(source.c_str(), kind, target.c_str(), start * 10.0,
                                            stop * 10.0, volume) == TRUE;
            },
            kCutTimeoutMs);
    }
    using CutTest::Cut;
};

// The rate cap (vbv_maxrate, kb/s) in the settings x264 notes in its stream; a large
// number when there is none, 0 when there is no note.
long X264RateCap(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t note = bytes.find("x264 - core");
    if (note == std::string::npos)
        return 0;
    const size_t end = bytes.find('\0', note);
    const size_t cap = bytes.find("vbv_maxrate=", note);
    return cap == std::string::npos || cap > end ? 1L << 30 : std::atol(bytes.c_str() + cap + 12);
}

// The frames on screen during [start, stop): sources of this suite count from zero.
void ExpectFramesOfRange(const refmedia::Decoded& d, double start, double stop,
                         const std::string& what) {
    ASSERT_FALSE(d.frames.empty()) << what;
    const int first = static_cast<int>(std::lround(start * kFrameRate));
    const int last = static_cast<int>(std::lround(stop * kFrameRate)) - 1;
    Note(what + ": first frame " + std::to_string(d.frames.front()) + " (want " +
         std::to_string(first) + "), last " + std::to_string(d.frames.back()) + " (want " +
         std::to_string(last) + "), " + std::to_string(d.frames.size()) + " frames");
    EXPECT_EQ(d.frames.front(), first) << what;
    EXPECT_EQ(d.frames.back(), last) << what;
    EXPECT_EQ(static_cast<int>(d.frames.size()), last - first + 1) << what;
    for (size_t i = 1; i < d.frames.size(); ++i)
        EXPECT_EQ(d.frames[i], d.frames[i - 1] + 1) << what << " at " << i;
}

// What a command printed, or empty when it failed.
std::string Output(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    return pclose(p) == 0 ? out : std::string();
}

// Every picture of the file on the grid of a constant rate, counted from its start, and
// the rate the file states the source's.
void ExpectFramesOnTheRatesGrid(const std::string& file, const std::string& what) {
    std::istringstream times(
        Output("ffprobe -v error -select_streams v:0 -show_entries "
               "packet=pts_time -of csv=p=0 '" +
               file + "'"));
    std::vector<double> pts;
    for (double t; times >> t;) pts.push_back(t);
    std::sort(pts.begin(), pts.end());
    ASSERT_FALSE(pts.empty()) << what;
    int off = 0;
    for (size_t n = 0; n < pts.size(); ++n)
        off += std::fabs(pts[n] - static_cast<double>(n) / kFrameRate) > 0.001;
    Note(what + ": " + std::to_string(off) + " of " + std::to_string(pts.size()) +
         " frames off n/fps, first ones at " + Fixed(pts[0], 4) + ", " +
         Fixed(pts.size() > 1 ? pts[1] : -1, 4));
    EXPECT_EQ(off, 0) << what;
    std::string rate = Output(
        "ffprobe -v error -select_streams v:0 -show_entries "
        "stream=avg_frame_rate -of csv=p=0 '" +
        file + "'");
    while (!rate.empty() && std::isspace(static_cast<unsigned char>(rate.back()))) rate.pop_back();
    EXPECT_EQ(rate, std::to_string(static_cast<int>(kFrameRate)) + "/1") << what;
}

// The lowest PSNR (dB, over Y, U and V together) of the file's pictures against the
// source's pictures from start on, frame by frame, as ffmpeg decodes both; -1 when it
// could not be measured.
double LowestPsnr(const std::string& file, const std::string& source, double start) {
    std::istringstream lines(Output(
        "ffmpeg -v error -nostdin -i '" + file + "' -ss " + Fixed(start, 3) + " -i '" + source +
        "' -lavfi '[0:v]setpts=N/TB[a];[1:v]setpts=N/TB[b];[a][b]psnr=shortest=1:stats_file=-' -f "
        "null -"));
    double lowest = -1;
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("psnr_avg:");
        if (at == std::string::npos)
            continue;
        const double db = line.compare(at + 9, 3, "inf") == 0 ? 99 : std::atof(&line[at + 9]);
        lowest = lowest < 0 ? db : std::min(lowest, db);
    }
    return lowest;
}

// Where the cut's sound starts in the source's, in milliseconds off, and its level
// against the source's at that place.
void ExpectSoundOfRange(const refmedia::Decoded& full, const refmedia::Decoded& cut, double start,
                        double stop, int volume, const std::string& what) {
    ASSERT_FALSE(cut.sound.empty()) << what;
    const int64_t want = std::llround(start * cut.rate);
    std::vector<float> source = full.sound;
    if (full.rate != cut.rate) {
        // Opus is always 48 kHz: the source's sweep, sampled again.
        std::vector<float> at;
        for (int64_t n = 0; n < static_cast<int64_t>(kSourceSeconds * cut.rate); ++n)
            at.push_back(
                static_cast<float>(refmedia::SweepSample(n * refmedia::kSoundRate / cut.rate)));
        source = at;
    }
    // AAC and MP3 start with their encoder's priming, which neither MP4 nor a plain MP3
    // stream tells the reader to skip: up to one codec frame early, and as much longer.
    const bool primed = what.rfind("mp4", 0) == 0 || what.rfind("mp3", 0) == 0;
    const double frameMs = primed ? 1152 * 1000.0 / cut.rate : 0;
    refmedia::Match m = refmedia::FindStart(source, cut.sound, want, cut.rate / 2);
    const double errorMs = (m.offset - want) * 1000.0 / cut.rate;
    const double lengthMs = (cut.sound.size() / double(cut.rate) - (stop - start)) * 1000.0;
    const size_t n = std::min<size_t>(cut.sound.size(), cut.rate);
    const double ratio =
        refmedia::Rms(cut.sound, 0, n) /
        refmedia::Rms(source, static_cast<size_t>(std::max<int64_t>(0, m.offset)), n);
    Note(what + ": sound starts " + Fixed(errorMs, 2) + " ms off (match " + Fixed(m.score, 3) +
         "), length " + Fixed(lengthMs, 1) + " ms off, level " + Fixed(ratio, 3) + " for " +
         Fixed(volume / 100.0, 2));
    EXPECT_GT(m.score, primed ? 0.75 : 0.9) << what;
    EXPECT_LE(std::fabs(errorMs), 5.0 + frameMs) << what;
    EXPECT_LE(std::fabs(lengthMs), 10.0 + 2 * frameMs) << what;
    EXPECT_NEAR(ratio, volume / 100.0, 0.05 * volume / 100.0) << what;
}

TEST_F(EncodedCut, VideoKindsHoldTheRangeAtTheSourcesSizeWithItsSound) {
    const double start = 1.0, stop = 3.0;
    struct Want {
        EncodedKind kind;
        const char* video;
        const char* audio;
    };
    for (const char* ext : {"avi", "mp4"}) {
        if (Source(ext).empty())
            continue;
        const refmedia::Decoded& full = reference::SuiteSources().decoded[ext];
        for (Want want :
             {Want{EncodedKind::Mp4, "h264", "aac"}, Want{EncodedKind::WebM, "vp9", "opus"}}) {
            const std::string what = std::string(KindExtension(want.kind)) + " cut of ." + ext;
            SCOPED_TRACE(what);
            std::string out = dir + "/cut_" + ext + "." + KindExtension(want.kind);
            ASSERT_TRUE(Cut(Source(ext), want.kind, out, start, stop, 100));
            refmedia::Decoded d = refmedia::Decode(out);
            ASSERT_TRUE(d.ok) << d.error;
            EXPECT_EQ(d.width, full.width);
            EXPECT_EQ(d.height, full.height);
            EXPECT_EQ(d.fpsNum * full.fpsDen, full.fpsNum * d.fpsDen);
            ExpectFramesOfRange(d, start, stop, what);
            ExpectSoundOfRange(full, d, start, stop, 100, what);
            refmedia::Probed p = refmedia::Probe(out);
            EXPECT_TRUE(p.ok);
            EXPECT_EQ(p.warnings, "");
            ASSERT_EQ(p.codecs.size(), 2u);
            EXPECT_EQ(p.codecs[0], want.video);
            EXPECT_EQ(p.codecs[1], want.audio);
            Note(what + ": container length " + Fixed(p.duration, 3) + " s for " +
                 Fixed(stop - start, 3));
            EXPECT_NEAR(p.duration, stop - start, 1.0 / kFrameRate + 0.03);
            if (want.kind == EncodedKind::Mp4) {
                // Constant quality with no rate cap that could bind (x264enc makes one of
                // its 2 Mb/s default): x264's own note of its settings says so.
                EXPECT_GE(X264RateCap(out), 1000000) << "kb/s";
            }
        }
    }
}

// The pictures keep the source's times and colours: a frame every 1/fps from the start,
// whatever offset the source's own stamps carry, and no visible loss against the source
// at the kinds' quality.
TEST_F(EncodedCut, VideoKindsKeepTheSourcesFrameTimesAndColours) {
    const double start = 1.0, stop = 3.0;
    for (const char* key : {"mp4", "mkv", "detail"}) {
        if (Source(key).empty())
            continue;
        for (EncodedKind kind : {EncodedKind::Mp4, EncodedKind::WebM}) {
            const std::string what = std::string(KindExtension(kind)) + " cut of ." + key;
            SCOPED_TRACE(what);
            std::string out = dir + "/grid_" + key + "." + KindExtension(kind);
            ASSERT_TRUE(Cut(Source(key), kind, out, start, stop, 100));
            ExpectFramesOnTheRatesGrid(out, what);
            if (std::string(key) != "detail")
                continue;
            const double psnr = LowestPsnr(out, Source(key), start);
            Note(what + ": lowest PSNR against the source " + Fixed(psnr, 1) + " dB");
            EXPECT_GE(psnr, 35.0) << what;
            const std::string colour = Output(
                "ffprobe -v error -select_streams v:0 -show_entries "
                "stream=color_range,color_space,color_primaries -of csv=p=0 '" +
                out + "'");
            EXPECT_EQ(colour.find("unknown"), std::string::npos) << what << ": " << colour;
        }
    }
}

TEST_F(EncodedCut, SoundKindsStartOnTheirSampleAtTheVolumeAskedFor) {
    const double start = 1.3, stop = 3.7;
    struct Want {
        EncodedKind kind;
        const char* codec;
    };
    for (const char* key : {"wav", "mp4"}) {
        if (Source(key).empty())
            continue;
        const refmedia::Decoded& full = reference::SuiteSources().decoded[key];
        for (Want want : {Want{EncodedKind::Flac, "flac"}, Want{EncodedKind::Opus, "opus"},
                          Want{EncodedKind::Mp3, "mp3"}}) {
            for (int volume : {100, 50, 200}) {
                const std::string what = std::string(KindExtension(want.kind)) + " cut of ." + key +
                                         " at " + std::to_string(volume) + " %";
                SCOPED_TRACE(what);
                std::string out =
                    dir + "/cut_" + key + std::to_string(volume) + "." + KindExtension(want.kind);
                ASSERT_TRUE(Cut(Source(key), want.kind, out, start, stop, volume));
                refmedia::Decoded d = refmedia::Decode(out);
                ASSERT_TRUE(d.ok) << d.error;
                EXPECT_FALSE(d.hasVideo);
                ExpectSoundOfRange(full, d, start, stop, volume, what);
                refmedia::Probed p = refmedia::Probe(out);
                EXPECT_TRUE(p.ok);
                EXPECT_EQ(p.warnings, "");
                ASSERT_EQ(p.codecs.size(), 1u);
                EXPECT_EQ(p.codecs[0], want.codec);
            }
        }
    }
}

TEST_F(EncodedCut, ASoundSourceGivesASoundOnlyMp4) {
    if (Source("wav").empty())
        return;
    std::string out = dir + "/sound.mp4";
    ASSERT_TRUE(Cut(Source("wav"), EncodedKind::Mp4, out, 0.5, 2.5, 100));
    refmedia::Probed p = refmedia::Probe(out);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.streams, std::vector<std::string>{"audio"});
    refmedia::Decoded d = refmedia::Decode(out);
    ASSERT_TRUE(d.ok) << d.error;
    ExpectSoundOfRange(reference::SuiteSources().decoded["wav"], d, 0.5, 2.5, 100,
                       "mp4 cut of .wav");
}

// The phone's pictures come out upright in every kind that keeps pictures, and no turn is
// left in the file for a player to apply a second time.
TEST_F(EncodedCut, APhoneClipHeldUprightComesOutUpright) {
    if (Source("phone").empty())
        return;
    const refmedia::Decoded& full = reference::SuiteSources().decoded["phone"];
    ASSERT_TRUE(full.ok) << full.error;
    ASSERT_GT(full.width, full.height);  // stored sideways
    const double start = 1.0, stop = 2.0;
    for (EncodedKind kind : {EncodedKind::Mp4, EncodedKind::WebM}) {
        const std::string what = std::string("phone clip to ") + KindExtension(kind);
        SCOPED_TRACE(what);
        std::string out = dir + "/phone." + KindExtension(kind);
        ASSERT_TRUE(Cut(Source("phone"), kind, out, start, stop, 100));
        refmedia::Decoded d = refmedia::Decode(out);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.width, full.height);
        EXPECT_EQ(d.height, full.width);
        ExpectFramesOfRange(d, start, stop, what);
        EXPECT_EQ(refmedia::Probe(out).rotation, 0);
    }
    std::string avi = dir + "/phone.avi";
    ASSERT_TRUE(Cut(Source("phone"), ConversionMode::Avi, avi, start, stop, 0));
    refmedia::Decoded d = refmedia::Decode(avi);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.width, full.height);
    ExpectFramesOfRange(d, start, stop, "phone clip to avi");
}

TEST_F(EncodedCut, NothingToWriteLeavesNoFile) {
    if (Source("wav").empty())
        return;
    // A range past the end, and a kind out of the table.
    std::string out = dir + "/none.flac";
    EXPECT_FALSE(graph.ConvertEncoded(Source("wav").c_str(), EncodedKind::Flac, out.c_str(), 90.0,
                                      95.0 * 10, 100));
    EXPECT_FALSE(graph.ConvertEncoded(Source("wav").c_str(), static_cast<EncodedKind>(9),
                                      out.c_str(), 0, 10, 100));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace

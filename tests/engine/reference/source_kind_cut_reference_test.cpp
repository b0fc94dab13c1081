// The classic cut kinds from the sources people bring today: a transport stream whose
// clock starts an hour in, an interlaced DVD stream, a phone-style clip whose frame rate
// varies, VP9 and AV1 WebM, and an MP3 with its encoder's gapless note. Each is made from
// the numbered pictures and the known sound, so a cut is judged by what it shows and
// sounds like, not by its timestamps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "tests/engine/reference/cut_fixture.h"
#include "tests/support/reference_media.h"

namespace fs = std::filesystem;
using reference::Fixed;
using reference::Note;
using reference::Quoted;
using refmedia::kFrameRate;

namespace {

constexpr double kSourceSeconds = 6.0;
constexpr char kEncode[] = "ffmpeg -v error -y -nostdin -i ";

// Every source below is made by ffmpeg from these two, so its frames and sound are known.
void MakeSourceKinds(const std::string& dir, std::map<std::string, std::string>* path) {
    if (!refmedia::HaveFfmpeg())
        return;
    const std::string base = refmedia::NumberedVideo(dir, "base.avi", kSourceSeconds);
    const std::string sound = refmedia::KnownSound(dir, "base.wav", kSourceSeconds);
    auto make = [&](const std::string& key, const std::string& name, const std::string& from,
                    const std::string& options) {
        const std::string out = dir + "/" + name;
        (*path)[key] =
            reference::Shell(kEncode + Quoted(from) + " " + options + " " + Quoted(out)) ? out : "";
    };
    // A broadcast recording: the clock starts at an hour, ahead of which the muxer puts
    // its own delay.
    make("ts", "clip.ts", base,
         "-c:v mpeg2video -b:v 4000k -g 12 -c:a mp2 -b:a 192k -output_ts_offset 3600 -f mpegts");
    make("interlaced", "clip.vob", base,
         "-c:v mpeg2video -b:v 6000k -flags +ilme+ildct -top 1 -c:a mp2 -b:a 192k -f vob");
    // A stretch of 5 frames a second between 2 s and 4 s, each frame kept at its time.
    make("vfr", "vfr.mp4", base,
         "-vf \"select='lt(t\\,2)+gte(t\\,4)+not(mod(n\\,5))'\" -fps_mode vfr -c:v libx264 "
         "-pix_fmt yuv420p -g 50 -c:a aac -b:a 192k -f mp4");
    make("vp9", "clip.webm", base,
         "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 2M -g 50 -c:a libopus -f webm");
    make("av1", "av1.webm", base,
         "-c:v libsvtav1 -preset 8 -crf 10 -g 50 -pix_fmt yuv420p -c:a libopus -f webm");
    make("mp3", "sound.mp3", sound, "-c:a libmp3lame -b:a 192k -f mp3");
}

class SourceKindCut : public reference::SourcedCutTest<SourceKindCut> {
  public:
    static constexpr const char* kSourcesName = "source-kinds";
    static void MakeSources(const std::string& dir, std::map<std::string, std::string>* path) {
        MakeSourceKinds(dir, path);
    }

  protected:
    // The source of that key; "" only on a machine without ffmpeg, which makes them all.
    const std::string& Source(const std::string& key) { return reference::SuiteSource(key, true); }
    const refmedia::Decoded& Full(const std::string& key) {
        return reference::SuiteSources().decoded[key];
    }
};

// The source's frame nearest to `seconds`. Every source keeps each numbered frame at
// the time it had in the numbered video, so the number tells the time, whatever a
// demuxer makes of edit lists and start times.
int NearestAt(const refmedia::Decoded& d, double seconds) {
    const double at = seconds * kFrameRate;
    int nearest = -1;
    for (int n : d.frames)
        if (n >= 0 && (nearest < 0 || std::fabs(n - at) < std::fabs(nearest - at)))
            nearest = n;
    return nearest;
}

// A cut at a constant rate shows, at each of its frame times, the source's frame of that
// time: repeated through a slower stretch, none skipped or added elsewhere.
void ExpectConstantRatePictures(const refmedia::Decoded& full, const refmedia::Decoded& cut,
                                double start, double stop, const std::string& what) {
    ASSERT_FALSE(cut.frames.empty()) << what;
    ASSERT_GT(cut.fpsNum, 0) << what;
    const double fps = double(cut.fpsNum) / cut.fpsDen;
    const int want = static_cast<int>(std::lround((stop - start) * fps));
    int wrong = 0;
    std::string firstWrong;
    for (size_t i = 0; i < cut.frames.size(); ++i) {
        const int expected = NearestAt(full, start + i / fps);
        if (cut.frames[i] != expected && ++wrong == 1)
            firstWrong = std::to_string(i) + " (" + std::to_string(cut.frames[i]) + " for " +
                         std::to_string(expected) + ")";
    }
    const double lasts = cut.frames.size() / fps;
    Note(what + ": " + std::to_string(cut.frames.size()) + " frames at " + Fixed(fps, 3) +
         " fps (" + Fixed(lasts, 2) + " s for " + Fixed(stop - start, 2) + "), first " +
         std::to_string(cut.frames.front()) + " (want " + std::to_string(NearestAt(full, start)) +
         "), " + std::to_string(wrong) + " frames other than the source's at their time");
    EXPECT_NEAR(static_cast<int>(cut.frames.size()), want, 1) << what;
    EXPECT_EQ(wrong, 0) << what << ", first at output frame " << firstWrong;
}

// How far the cut's sound starts from the known sound at `start`, in samples of the cut.
double SoundStartError(const refmedia::Decoded& cut, double start, double* score) {
    std::vector<float> truth;
    const int64_t samples = static_cast<int64_t>(kSourceSeconds * cut.rate);
    for (int64_t n = 0; n < samples; ++n)
        truth.push_back(
            static_cast<float>(refmedia::SweepSample(n * refmedia::kSoundRate / cut.rate)));
    const int64_t want = std::llround(start * cut.rate);
    refmedia::Match m = refmedia::FindStart(truth, cut.sound, want, cut.rate / 4);
    *score = m.score;
    return static_cast<double>(m.offset - want);
}

TEST_F(SourceKindCut, AnHourLateTransportStreamIsCutOnItsOwnTimeLine) {
    if (Source("ts").empty())
        return;
    const refmedia::Decoded& full = Full("ts");
    ASSERT_TRUE(full.ok) << full.error;
    // Its length counts from its first timestamp to its last.
    ASSERT_EQ(graph.Open(Source("ts").c_str(), FALSE), S_OK);
    const double length = graph.GetDuration() / 10.0;
    graph.Close();
    Note("length of the .ts from 3600 s: " + Fixed(length, 1) + " s for " +
         Fixed(kSourceSeconds, 1));
    EXPECT_NEAR(length, kSourceSeconds, 0.1);

    const double start = 1.0, stop = 3.0;
    const std::string avi = dir + "/ts.avi";
    ASSERT_TRUE(Cut(Source("ts"), ConversionMode::Avi, avi, start, stop, 0));
    refmedia::Decoded d = refmedia::Decode(avi);
    ASSERT_TRUE(d.ok) << d.error;
    ExpectConstantRatePictures(full, d, start, stop, "AVI cut of the .ts from 3600 s");

    const std::string asf = dir + "/ts.asf";
    ASSERT_TRUE(Cut(Source("ts"), ConversionMode::Asf, asf, start, stop, 0));
    refmedia::Decoded v = refmedia::Decode(asf);
    ASSERT_TRUE(v.ok) << v.error;
    ASSERT_FALSE(v.frames.empty());
    Note("ASF cut of the .ts from 3600 s: first frame " + std::to_string(v.frames.front()) +
         " (want " + std::to_string(NearestAt(full, start)) + "), " +
         std::to_string(v.frames.size()) + " frames");
    EXPECT_NEAR(v.frames.front(), NearestAt(full, start), 1);
    EXPECT_NEAR(static_cast<double>(v.frames.size()), (stop - start) * kFrameRate, 1);

    const std::string wav = dir + "/ts.wav";
    ASSERT_TRUE(Cut(Source("ts"), ConversionMode::Wav, wav, start, stop, 100));
    refmedia::Decoded s = refmedia::Decode(wav);
    ASSERT_TRUE(s.ok) << s.error;
    double score = 0;
    // The sound encoder's own delay (MP2: 481 samples after decoding) is the stream's.
    const double offset = SoundStartError(s, start, &score);
    Note("WAV cut of the .ts from 3600 s: sound starts " + Fixed(offset * 1000 / s.rate, 2) +
         " ms off, " + Fixed(s.sound.size() / double(s.rate), 3) + " s long");
    EXPECT_GT(score, 0.95);
    EXPECT_LE(std::fabs(offset * 1000 / s.rate), 15.0);
    EXPECT_NEAR(s.sound.size() / double(s.rate), stop - start, 0.01);
}

TEST_F(SourceKindCut, AVariableRateClipBecomesAConstantRateAvi) {
    if (Source("vfr").empty())
        return;
    const refmedia::Decoded& full = Full("vfr");
    ASSERT_TRUE(full.ok) << full.error;
    ASSERT_LT(full.frames.size(), size_t(kSourceSeconds * kFrameRate));  // the slow stretch
    const double start = 1.0, stop = 5.0;
    const std::string avi = dir + "/vfr.avi";
    ASSERT_TRUE(Cut(Source("vfr"), ConversionMode::Avi, avi, start, stop, 0));
    refmedia::Decoded d = refmedia::Decode(avi);
    ASSERT_TRUE(d.ok) << d.error;
    ExpectConstantRatePictures(full, d, start, stop, "AVI cut of the variable-rate .mp4");
    EXPECT_EQ(d.fpsNum * 1, kFrameRate * d.fpsDen);
}

TEST_F(SourceKindCut, AnInterlacedDvdStreamCutsToEveryKind) {
    if (Source("interlaced").empty())
        return;
    const refmedia::Decoded& full = Full("interlaced");
    ASSERT_TRUE(full.ok) << full.error;
    const double start = 1.0, stop = 3.0;
    const std::string asf = dir + "/interlaced.asf";
    ASSERT_TRUE(Cut(Source("interlaced"), ConversionMode::Asf, asf, start, stop, 0));
    refmedia::Decoded d = refmedia::Decode(asf);
    ASSERT_TRUE(d.ok) << d.error;
    ASSERT_FALSE(d.frames.empty());
    int unreadable = 0;
    for (int n : d.frames) unreadable += n < 0;
    Note("ASF cut of the interlaced .vob: first frame " + std::to_string(d.frames.front()) +
         " (want " + std::to_string(NearestAt(full, start)) + "), " +
         std::to_string(d.frames.size()) + " frames, " + std::to_string(unreadable) +
         " unreadable");
    EXPECT_EQ(unreadable, 0);
    EXPECT_NEAR(d.frames.front(), NearestAt(full, start), 1);
    EXPECT_TRUE(d.hasAudio);
    const std::string avi = dir + "/interlaced.avi";
    ASSERT_TRUE(Cut(Source("interlaced"), ConversionMode::Avi, avi, start, stop, 0));
    refmedia::Decoded a = refmedia::Decode(avi);
    ASSERT_TRUE(a.ok) << a.error;
    ExpectConstantRatePictures(full, a, start, stop, "AVI cut of the interlaced .vob");
}

TEST_F(SourceKindCut, Vp9AndAv1CutsStartOnTheFrameOfTheStart) {
    const double start = 1.0, stop = 3.0;
    for (const char* key : {"vp9", "av1"}) {
        SCOPED_TRACE(key);
        if (Source(key).empty())
            continue;
        const refmedia::Decoded& full = Full(key);
        ASSERT_TRUE(full.ok) << full.error;
        const std::string avi = dir + "/" + key + ".avi";
        ASSERT_TRUE(Cut(Source(key), ConversionMode::Avi, avi, start, stop, 0));
        refmedia::Decoded d = refmedia::Decode(avi);
        ASSERT_TRUE(d.ok) << d.error;
        ExpectConstantRatePictures(full, d, start, stop, std::string("AVI cut of the ") + key);
    }
}

// An MP3 made by LAME starts with the encoder's delay and ends with its padding; the note
// it leaves in its first frame says how long both are.
TEST_F(SourceKindCut, Mp3SoundCutsStartOnTheSampleOfTheStart) {
    if (Source("mp3").empty())
        return;
    const double start = 1.3, stop = 3.7;
    const std::string wav = dir + "/mp3.wav";
    ASSERT_TRUE(Cut(Source("mp3"), ConversionMode::Wav, wav, start, stop, 100));
    refmedia::Decoded d = refmedia::Decode(wav);
    ASSERT_TRUE(d.ok) << d.error;
    double score = 0;
    const double offset = SoundStartError(d, start, &score);
    const double lengthMs = (d.sound.size() / double(d.rate) - (stop - start)) * 1000;
    Note("WAV cut of the LAME .mp3: sound starts " + Fixed(offset, 0) + " samples (" +
         Fixed(offset * 1000 / d.rate, 2) + " ms) off, length " + Fixed(lengthMs, 1) + " ms off");
    EXPECT_GT(score, 0.98);
    EXPECT_LE(std::fabs(offset), 1.0);
    EXPECT_LE(std::fabs(lengthMs), 1.0);
}

}  // namespace

// Cuts of every kind from every kind of source, read back by readers that share nothing
// with the engine: GStreamer's demuxers and decoders in a pipeline of their own, a WAV
// parser of our own, and ffprobe/ffmpeg where installed. The sources show their frame
// number in the picture and carry a sound whose every sample is known, so a range is
// checked by content: first and last frame, first sample, level.
#include <gtest/gtest.h>

#include <QRect>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "engine/media_graph.h"
#include "engine/profiles.h"
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
using reference::Fixed;
using reference::Note;

// By extension, with or without the path before it.
bool IsProgramStream(const std::string& path) {
    auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? path : path.substr(dot + 1);
    return ext == "mpg" || ext == "vob";
}

class CutReference : public reference::SourcedCutTest<CutReference> {
  public:
    static constexpr const char* kSourcesName = "reference";
    static void MakeSources(const std::string& dir, std::map<std::string, std::string>* path) {
        for (const char* ext : {"avi", "mpg", "vob", "wmv", "asf"})
            (*path)[ext] = refmedia::NumberedVideo(dir, std::string("clip.") + ext, kSourceSeconds);
        for (const char* ext : {"wav", "mp3", "wma", "aac"})
            (*path)[ext] = refmedia::KnownSound(dir, std::string("sound.") + ext, kSourceSeconds);
        (*path)["mid"] = testmedia::Midi(dir, "tune.mid");
    }

  protected:
    // The source of that kind; "" (and a note why) when it could not be made, which only
    // the kinds that ffmpeg encodes may be, on a machine without it.
    const std::string& Source(const std::string& ext) {
        return reference::SuiteSource(ext, ext != "avi");
    }

    // What another program says about the file: nothing but a clean bill.
    void ExpectCleanForFfmpeg(const std::string& file, const std::string& what,
                              refmedia::Probed* out = nullptr) {
        if (!refmedia::HaveFfmpeg())
            return;
        refmedia::Probed p = refmedia::Probe(file);
        EXPECT_TRUE(p.ok) << what;
        EXPECT_EQ(p.warnings, "") << what;
        if (out)
            *out = p;
    }
};

// Where a source's time line starts for the user: a program stream counts from its first
// timestamp, as every player shows it; the other containers count from zero.
int64_t TimeBaseOf(const std::string& ext) {
    const refmedia::Decoded& d = reference::SuiteSources().decoded[ext];
    if (!IsProgramStream(ext))
        return 0;
    int64_t base = d.framePts.empty() ? d.firstAudioPts : d.framePts.front();
    if (d.firstAudioPts >= 0 && d.firstAudioPts < base)
        base = d.firstAudioPts;
    return base;
}

// The source frames on screen during [start, stop) by the full decode's own clock: the
// first is the one the preview shows at the start point.
struct FrameRange {
    int first = -1, last = -1, count = 0;
};
FrameRange ExpectedFrames(const std::string& ext, double start, double stop) {
    const refmedia::Decoded& d = reference::SuiteSources().decoded[ext];
    const int64_t base = TimeBaseOf(ext), slack = 500000;  // half a millisecond
    const int64_t frame = 1000000000 / kFrameRate;
    FrameRange r;
    for (size_t i = 0; i < d.frames.size(); ++i) {
        int64_t t = d.framePts[i] - base;
        if (t + frame > int64_t(start * 1e9) + slack && t < int64_t(stop * 1e9) - slack) {
            if (r.first < 0)
                r.first = d.frames[i];
            r.last = d.frames[i];
            ++r.count;
        }
    }
    return r;
}

// Index in the source's full decode of the sample at `seconds` on the user's time line.
int64_t ExpectedSample(const std::string& ext, double seconds) {
    const refmedia::Decoded& d = reference::SuiteSources().decoded[ext];
    double t = seconds + (TimeBaseOf(ext) - std::max<int64_t>(0, d.firstAudioPts)) / 1e9;
    return static_cast<int64_t>(std::llround(t * d.rate));
}

TEST_F(CutReference, SourcesShowTheirNumbersAtTheirTimes) {
    for (const char* ext : {"avi", "mpg", "vob", "wmv", "asf"}) {
        SCOPED_TRACE(ext);
        if (reference::SuiteSources().path[ext].empty())
            continue;  // reported by the cuts
        const refmedia::Decoded& d = reference::SuiteSources().decoded[ext];
        ASSERT_TRUE(d.ok) << d.error;
        ASSERT_EQ(d.frames.size(), static_cast<size_t>(kSourceSeconds * kFrameRate));
        for (size_t i = 0; i < d.frames.size(); ++i) {
            ASSERT_EQ(d.frames[i], static_cast<int>(i));
            EXPECT_NEAR((d.framePts[i] - d.framePts[0]) / 1e9, i / double(kFrameRate), 0.002);
        }
        // The sound is the sweep, sample for sample, a codec delay aside.
        std::vector<float> second;
        for (int i = 0; i < 4410; ++i)
            second.push_back(refmedia::SweepSample(refmedia::kSoundRate + i));
        refmedia::Match m = refmedia::FindStart(d.sound, second, refmedia::kSoundRate, 4000);
        EXPECT_GT(m.score, 0.99);
    }
}

TEST_F(CutReference, VideoCutsHoldExactlyTheFramesOfTheRange) {
    const double start = 1.0, stop = 3.0;
    for (const char* ext : {"avi", "mpg", "vob", "wmv", "asf"}) {
        SCOPED_TRACE(ext);
        if (Source(ext).empty())
            continue;
        FrameRange want = ExpectedFrames(ext, start, stop);
        std::string out = dir + "/cut_" + ext + ".avi";
        ASSERT_TRUE(Cut(Source(ext), ConversionMode::Avi, out, start, stop, 0));
        refmedia::Decoded d = refmedia::Decode(out);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_TRUE(d.hasVideo);
        EXPECT_FALSE(d.hasAudio);
        ASSERT_FALSE(d.frames.empty());
        int tolerance = IsProgramStream(ext) ? 1 : 0;
        Note(std::string("AVI cut of .") + ext + " 1.0-3.0 s: first frame " +
             std::to_string(d.frames.front()) + " (want " + std::to_string(want.first) +
             "), last " + std::to_string(d.frames.back()) + " (want " + std::to_string(want.last) +
             "), " + std::to_string(d.frames.size()) + " frames");
        // An AVI runs at one rate: the range's time in frames. Where the source's frames
        // straddle the start, the one nearer to it opens the cut.
        const int frameSlots = static_cast<int>(std::lround((stop - start) * kFrameRate));
        const int straddling = std::max(0, want.count - frameSlots);
        EXPECT_NEAR(d.frames.front(), want.first, tolerance + straddling);
        EXPECT_NEAR(d.frames.back(), want.last, tolerance);
        EXPECT_NEAR(static_cast<int>(d.frames.size()), frameSlots, tolerance);
        // Every frame once, in order, none skipped.
        for (size_t i = 1; i < d.frames.size(); ++i)
            EXPECT_EQ(d.frames[i], d.frames[i - 1] + 1) << "at " << i;
        ExpectCleanForFfmpeg(out, out);
    }
}

// A WAV cut: 16-bit PCM whatever the source decodes to, starting on its sample, as long
// as its range, at the level asked for.
TEST_F(CutReference, SoundCutsAre16BitAndStartOnTheirSample) {
    const double start = 1.3, stop = 3.7;
    for (const char* ext : {"avi", "mpg", "vob", "wmv", "asf", "wav", "mp3", "wma", "aac"}) {
        SCOPED_TRACE(ext);
        if (Source(ext).empty())
            continue;
        const refmedia::Decoded& full = reference::SuiteSources().decoded[ext];
        ASSERT_TRUE(full.ok) << full.error;
        for (int volume : {100, 50}) {
            std::string out = dir + "/cut_" + ext + "_" + std::to_string(volume) + ".wav";
            ASSERT_TRUE(Cut(Source(ext), ConversionMode::Wav, out, start, stop, volume)) << volume;
            refmedia::WavFile wav = refmedia::ReadWav(out);
            ASSERT_TRUE(wav.ok);
            EXPECT_EQ(wav.formatTag, 1);
            EXPECT_EQ(wav.bits, 16);
            EXPECT_EQ(wav.rate, full.rate);
            EXPECT_EQ(wav.channels, 2);
            int64_t want = ExpectedSample(ext, start);
            refmedia::Match m = refmedia::FindStart(full.sound, wav.sound, want, full.rate);
            double errorMs = (m.offset - want) * 1000.0 / full.rate;
            double lengthError = wav.sound.size() / double(wav.rate) - (stop - start);
            size_t n = std::min<size_t>(wav.sound.size(), full.rate);
            double ratio =
                refmedia::Rms(wav.sound, 0, n) /
                refmedia::Rms(full.sound, static_cast<size_t>(std::max<int64_t>(0, m.offset)), n);
            if (volume == 100)
                Note(std::string("WAV cut of .") + ext + " 1.3-3.7 s: start " + Fixed(errorMs, 2) +
                     " ms off (match " + Fixed(m.score, 4) + "), length " +
                     Fixed(lengthError * 1000, 1) + " ms off");
            Note(std::string("WAV cut of .") + ext + " at " + std::to_string(volume) +
                 " %: level ratio " + Fixed(ratio, 4));
            EXPECT_GT(m.score, 0.98);
            EXPECT_LE(std::fabs(errorMs), 5.0);
            EXPECT_LE(std::fabs(lengthError), 0.005);
            EXPECT_NEAR(ratio, volume / 100.0, 0.01 * volume / 100.0);
            ExpectCleanForFfmpeg(out, out);
        }
    }
}

TEST_F(CutReference, SoundCutsTakeEveryVolume) {
    const double start = 0.5, stop = 2.5;
    for (const char* ext : {"wmv", "wav", "mid"}) {
        SCOPED_TRACE(ext);
        if (Source(ext).empty())
            continue;
        std::string plain = dir + "/" + ext + "_100.wav";
        ASSERT_TRUE(Cut(Source(ext), ConversionMode::Wav, plain, start, stop, 100));
        refmedia::WavFile reference = refmedia::ReadWav(plain);
        ASSERT_TRUE(reference.ok);
        double base = refmedia::Rms(reference.sound, 0, reference.sound.size());
        ASSERT_GT(base, 0.002);
        for (int volume : {10, 50, 200, 300}) {
            std::string out = dir + "/" + ext + "_" + std::to_string(volume) + ".wav";
            ASSERT_TRUE(Cut(Source(ext), ConversionMode::Wav, out, start, stop, volume)) << volume;
            refmedia::WavFile wav = refmedia::ReadWav(out);
            ASSERT_TRUE(wav.ok);
            EXPECT_EQ(wav.formatTag, 1);
            EXPECT_EQ(wav.bits, 16);
            EXPECT_EQ(wav.sound.size(), reference.sound.size());
            double ratio = refmedia::Rms(wav.sound, 0, wav.sound.size()) / base;
            Note(std::string("WAV cut of .") + ext + " at " + std::to_string(volume) +
                 " % against 100 %: level ratio " + Fixed(ratio, 4));
            // The filter truncates each sample toward zero: on a quiet source that is up to
            // one step of 16 bits below the exact level.
            EXPECT_NEAR(ratio, volume / 100.0, 0.01 * volume / 100.0 + 1.5 / 32768 / base);
        }
    }
}

// An ASF cut: both streams on one clock from zero, the range's frames, the profile's
// picture, and nothing another reader complains about.
void CheckAsf(const std::string& file, const std::string& ext, double start, double stop,
              const SystemProfile& profile, const std::string& what) {
    refmedia::Decoded d = refmedia::Decode(file);
    ASSERT_TRUE(d.ok) << what << ": " << d.error;
    EXPECT_TRUE(d.hasVideo) << what;
    EXPECT_TRUE(d.hasAudio) << what;
    ASSERT_FALSE(d.frames.empty()) << what;
    EXPECT_EQ(d.width, profile.videoWidth) << what;
    EXPECT_EQ(d.height, profile.videoHeight) << what;
    EXPECT_EQ(d.rate, profile.audioRate) << what;
    FrameRange want = ExpectedFrames(ext, start, stop);
    double fps = double(profile.frameRateNum) / profile.frameRateDen;
    int tolerance = IsProgramStream(ext) ? 1 : 0;
    // A profile's own rate shows each source frame at the time it falls on: the last
    // picture may be up to one source frame per output frame early.
    int lastTolerance = tolerance + static_cast<int>(std::ceil(kFrameRate / fps));
    int unreadable = 0;
    for (int n : d.frames) unreadable += n < 0;
    double audioSeconds = d.sound.size() / double(std::max(1, d.rate));
    double firstVideo = d.framePts.front() / 1e9, firstAudio = d.firstAudioPts / 1e9;
    // Where the sound's first and last stretches lie in the source (same rate only).
    const refmedia::Decoded& full = reference::SuiteSources().decoded[ext];
    std::string soundAt;
    if (d.rate == full.rate && d.sound.size() > size_t(d.rate)) {
        const size_t quarter = d.rate / 4;
        std::vector<float> head(d.sound.begin() + quarter, d.sound.begin() + 2 * quarter);
        std::vector<float> tail(d.sound.end() - 2 * quarter, d.sound.end() - quarter);
        refmedia::Match h = refmedia::FindStart(
            full.sound, head, ExpectedSample(ext, start) + quarter, d.rate, head.size());
        refmedia::Match t =
            refmedia::FindStart(full.sound, tail, ExpectedSample(ext, stop) - 2 * int64_t(quarter),
                                d.rate, tail.size());
        const auto q = static_cast<int64_t>(quarter);
        double headMs = double(h.offset - q - ExpectedSample(ext, start)) * 1000.0 / d.rate;
        double tailMs = double(t.offset + 2 * q - ExpectedSample(ext, stop)) * 1000.0 / d.rate;
        soundAt =
            ", sound starts " + Fixed(headMs, 1) + " ms and ends " + Fixed(tailMs, 1) + " ms off";
        // The sound encoder works in blocks of 2048 samples (46 ms at 44.1 kHz): it puts
        // one of its own in front, which decoders here do not take away, and the last,
        // partly filled one may be left out.
        const double blockMs = 2048 * 1000.0 / d.rate;
        EXPECT_GE(headMs, -blockMs - 5) << what;
        EXPECT_LE(headMs, 5) << what;
        EXPECT_LE(std::fabs(tailMs), blockMs) << what;
    }
    Note("ASF " + what + ": first frame " + std::to_string(d.frames.front()) + " (want " +
         std::to_string(want.first) + "), last " + std::to_string(d.frames.back()) + " (want " +
         std::to_string(want.last) + "), " + std::to_string(d.frames.size()) + " frames at " +
         Fixed(fps, 0) + " fps, sound " + Fixed(audioSeconds, 3) + " s, first picture " +
         Fixed(firstVideo, 3) + " s, first sound " + Fixed(firstAudio, 3) + " s" + soundAt);
    EXPECT_EQ(unreadable, 0) << what;
    EXPECT_NEAR(d.frames.front(), want.first, tolerance) << what;
    EXPECT_NEAR(d.frames.back(), want.last, lastTolerance) << what;
    EXPECT_NEAR(static_cast<double>(d.frames.size()), (stop - start) * fps, 1.0 + tolerance)
        << what;
    EXPECT_NEAR(audioSeconds, stop - start, 0.1) << what;
    EXPECT_NEAR(firstVideo, firstAudio, 0.1) << what;
    EXPECT_LT(firstVideo, 0.2) << what;
    if (refmedia::HaveFfmpeg()) {
        refmedia::Probed p = refmedia::Probe(file);
        EXPECT_TRUE(p.ok) << what;
        EXPECT_EQ(p.warnings, "") << what;
        EXPECT_NEAR(p.duration, stop - start, 0.2) << what;
        EXPECT_NEAR(p.firstVideoTime, p.firstAudioTime, 0.1) << what;
    }
}

TEST_F(CutReference, AsfCutsStartWithTheSoundFromEverySource) {
    ListProfiles(1, nullptr);
    SystemProfile profile;
    ASSERT_EQ(MapProfile(0, &profile), S_OK);
    const double start = 1.0, stop = 3.0;
    for (const char* ext : {"avi", "mpg", "vob", "wmv", "asf"}) {
        SCOPED_TRACE(ext);
        if (Source(ext).empty())
            continue;
        std::string out = dir + "/cut_" + ext + ".asf";
        ASSERT_TRUE(Cut(Source(ext), ConversionMode::Asf, out, start, stop, 0));
        CheckAsf(out, ext, start, stop, profile, std::string("cut of .") + ext + " profile 0");
    }
}

TEST_F(CutReference, EveryProfileOfEveryVersionWrites) {
    const double start = 2.0, stop = 3.0;
    for (uint32_t version : {0x40000u, 0x70000u, 0x80000u}) {
        SetProfileVersion(version);
        for (int32_t index = 0;; ++index) {
            SystemProfile profile;
            testing::internal::CaptureStdout();
            HRESULT hr = MapProfile(index, &profile);
            testing::internal::GetCapturedStdout();
            if (hr != S_OK)
                break;
            std::string what = "version " + std::to_string(version >> 16) + " profile " +
                               std::to_string(index) + " (" + profile.name + ")";
            SCOPED_TRACE(what);
            std::string out = dir + "/profile_" + std::to_string(version >> 16) + "_" +
                              std::to_string(index) + ".asf";
            if (!Cut(Source("avi"), ConversionMode::Asf, out, start, stop, index)) {
                ADD_FAILURE() << what << " did not write";
                continue;
            }
            CheckAsf(out, "avi", start, stop, profile, "cut of .avi, " + what);
        }
    }
    SetProfileVersion(0x70000);
}

// The number shown by a packed 24-bit bitmap as CaptureCurrentImage hands it out.
int NumberInDib(const uint8_t* dib) {
    int32_t w, h;
    std::memcpy(&w, dib + 4, 4);
    std::memcpy(&h, dib + 8, 4);
    const size_t stride = ((static_cast<size_t>(w) * 24 + 31) / 32) * 4;
    std::vector<uint8_t> luma(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = dib + 40 + stride * (h - 1 - y);
        for (int x = 0; x < w; ++x) luma[y * w + x] = row[3 * x + 1];  // gray: green will do
    }
    return refmedia::FrameNumberOf(luma.data(), w, h, w);
}

int NumberInImage(const QImage& image) {
    if (image.isNull())
        return -2;
    QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    return refmedia::FrameNumberOf(gray.constBits(), gray.width(), gray.height(),
                                   static_cast<int>(gray.bytesPerLine()));
}

// What the preview shows and reports: the frame of a sought position, positions inside the
// length, and a still taken while playing is the frame left on screen.
TEST_F(CutReference, PreviewShowsAndReportsTheRightFrame) {
    for (const char* ext : {"avi", "mpg", "vob", "wmv"}) {
        SCOPED_TRACE(ext);
        if (Source(ext).empty())
            continue;
        const int tolerance = IsProgramStream(ext) ? 1 : 0;
        widget.resize(320, 240);
        QRect r(0, 0, 320, 240);
        graph.SetWindows(&notify, &widget, &r);
        ASSERT_EQ(graph.Open(Source(ext).c_str(), FALSE), S_OK);
        EXPECT_NEAR(graph.GetDuration(), kSourceSeconds * 10, 1);
        EXPECT_EQ(graph.GetPosition(), 0);

        ASSERT_TRUE(SeekAndWait(graph, notify, 40));
        uint8_t* dib = nullptr;
        ASSERT_TRUE(graph.CaptureCurrentImage(&dib));
        int shown = NumberInDib(dib);
        CoTaskMemFree(dib);
        int want = ExpectedFrames(ext, 4.0, 4.04).first;
        Note(std::string("seek to 40 on .") + ext + ": frame " + std::to_string(shown) + " (want " +
             std::to_string(want) + "), position " + std::to_string(graph.GetPosition()));
        EXPECT_NEAR(shown, want, tolerance);
        EXPECT_EQ(graph.GetPosition(), 40);
        Pump(100);
        EXPECT_EQ(NumberInImage(widget.CurrentFrame()), shown);

        // A still asked for before a seek has reported is the new place's frame.
        ASSERT_TRUE(graph.SeekAsync(20));
        graph.AwaitPaused();
        ASSERT_TRUE(graph.CaptureCurrentImage(&dib));
        EXPECT_NEAR(NumberInDib(dib), ExpectedFrames(ext, 2.0, 2.04).first, tolerance);
        CoTaskMemFree(dib);

        // A still taken while playing: pause, as the still command does, then capture.
        ASSERT_TRUE(graph.PlayPause());
        Pump(400);
        ASSERT_TRUE(graph.PlayPause());
        ASSERT_TRUE(graph.CaptureCurrentImage(&dib));
        int still = NumberInDib(dib);
        CoTaskMemFree(dib);
        Pump(300);
        int onScreen = NumberInImage(widget.CurrentFrame());
        Note(std::string("still while playing .") + ext + ": captured " + std::to_string(still) +
             ", on screen " + std::to_string(onScreen));
        EXPECT_EQ(still, onScreen);

        // Playing to the end: no report past the length, one completion.
        notify.messages.clear();
        ASSERT_TRUE(SeekAndWait(graph, notify, 50));
        ASSERT_TRUE(graph.PlayPause());
        ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_COMPLETE) > 0; }, 10000));
        int last = -1;
        for (const auto& m : notify.messages)
            if (m.message == UM_GRAPH_POSITION) {
                EXPECT_GE(m.wParam, 50);
                EXPECT_LE(m.wParam, graph.GetDuration());
                last = static_cast<int>(m.wParam);
            }
        Note(std::string("playing .") + ext + " from 5.0 s: last report " + std::to_string(last) +
             ", length " + std::to_string(graph.GetDuration()));
        graph.Close();
    }
}

}  // namespace

// Today's containers and codecs through the real graph: each kind is generated, played to
// its end, shown, captured and cut, and every result is read back by a reader of its own
// (a separate decoding pipeline, a RIFF parser written here, Qt's BMP reader).
#include <gtest/gtest.h>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QImage>
#include <QRect>
#include <QWidget>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "engine/adts_length.h"
#include "engine/media_graph.h"
#include "engine/mp3_length.h"
#include "engine/profiles.h"
#include "engine/still_capture.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"
#include "tests/support/modern_media.h"

namespace fs = std::filesystem;
using testmedia::ModernClass;
using testmedia::ModernKind;

namespace {

constexpr double kSeconds = 1.0;  // length of every generated file
constexpr double kMark = 0.5;     // where its tone starts
constexpr int kBarRow = 30;       // a row inside the colour bars

// Channel 0 of a sound, as 16-bit samples.
struct Pcm {
    int rate = 0;
    std::vector<int16_t> samples;
    double firstTime = 0;  // seconds of stream time of the first sample
    double Seconds() const { return rate ? double(samples.size()) / rate : 0.0; }
};

// Decodes the sound of any file with a pipeline of its own, mixed down to one channel.
// AIFF is pushed, not pulled: GStreamer's AIFF parser loses a race when pulled.
Pcm DecodeSound(const std::string& path) {
    Pcm pcm;
    const bool aiff = path.size() > 4 && (path.compare(path.size() - 4, 4, ".aif") == 0 ||
                                          path.compare(path.size() - 5, 5, ".aiff") == 0);
    std::string desc = std::string("filesrc name=src ! ") + (aiff ? "queue ! " : "") +
                       "decodebin ! audioconvert ! audioresample ! "
                       "audio/x-raw,format=S16LE,channels=1,rate=" +
                       std::to_string(testmedia::kMarkRate) + " ! appsink name=sink sync=false";
    GError* err = nullptr;
    GstElement* pipeline = gst_parse_launch(desc.c_str(), &err);
    if (!pipeline) {
        g_clear_error(&err);
        return pcm;
    }
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_object_unref(src);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND)) {
        GstMapInfo map;
        GstBuffer* buf = gst_sample_get_buffer(sample);
        // Sound that starts after the file's time zero keeps its place in the file.
        if (pcm.samples.empty() && GST_BUFFER_PTS_IS_VALID(buf)) {
            guint64 t = gst_segment_to_stream_time(gst_sample_get_segment(sample), GST_FORMAT_TIME,
                                                   GST_BUFFER_PTS(buf));
            if (t != GST_CLOCK_TIME_NONE) {
                pcm.samples.resize(gst_util_uint64_scale(t, testmedia::kMarkRate, GST_SECOND));
                pcm.firstTime = t / 1e9;
            }
        }
        if (gst_buffer_map(buf, &map, GST_MAP_READ)) {
            const auto* s = reinterpret_cast<const int16_t*>(map.data);
            pcm.samples.insert(pcm.samples.end(), s, s + map.size / 2);
            gst_buffer_unmap(buf, &map);
        }
        gst_sample_unref(sample);
    }
    pcm.rate = testmedia::kMarkRate;
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return pcm;
}

// How many pictures an independent decoder finds with times in [start, stop): seeked
// there by a pipeline of its own, with room beyond the stop so that no demuxer ends early.
int FramesIn(const std::string& path, double start, double stop) {
    GstElement* pipeline = gst_parse_launch(
        "filesrc name=src ! decodebin ! videoconvert ! appsink name=sink sync=false", nullptr);
    if (!pipeline)
        return -1;
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_object_unref(src);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND);
    gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME,
                     static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                     GST_SEEK_TYPE_SET, static_cast<gint64>(start * GST_SECOND), GST_SEEK_TYPE_SET,
                     static_cast<gint64>((stop + 1) * GST_SECOND));
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    int frames = 0;
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND)) {
        GstBuffer* buf = gst_sample_get_buffer(sample);
        guint64 t = gst_segment_to_stream_time(gst_sample_get_segment(sample), GST_FORMAT_TIME,
                                               GST_BUFFER_PTS(buf));
        frames += t != GST_CLOCK_TIME_NONE && t < static_cast<guint64>(stop * GST_SECOND);
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return frames;
}

// A RIFF WAVE reader from the format's rule: chunks after "WAVE", PCM "fmt ", "data".
bool ReadWav(const std::string& path, Pcm* pcm, int* channels) {
    std::string f = testmedia::ReadFile(path);
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        std::memcpy(&v, f.data() + at, 4);
        return v;
    };
    auto u16 = [&](size_t at) {
        uint16_t v = 0;
        std::memcpy(&v, f.data() + at, 2);
        return v;
    };
    if (f.size() < 12 || f.compare(0, 4, "RIFF") != 0 || f.compare(8, 4, "WAVE") != 0 ||
        u32(4) != f.size() - 8)
        return false;
    int bits = 0;
    for (size_t at = 12; at + 8 <= f.size();) {
        uint32_t len = u32(at + 4);
        if (at + 8 + len > f.size())
            return false;
        if (f.compare(at, 4, "fmt ") == 0 && len >= 16) {
            if (u16(at + 8) != 1)
                return false;
            *channels = u16(at + 10);
            pcm->rate = static_cast<int>(u32(at + 12));
            bits = u16(at + 22);
        } else if (f.compare(at, 4, "data") == 0) {
            if (bits != 16 || *channels < 1)
                return false;
            for (size_t i = at + 8; i + 2 * *channels <= at + 8 + len; i += 2 * *channels) {
                int16_t s;
                std::memcpy(&s, f.data() + i, 2);
                pcm->samples.push_back(s);
            }
            return true;
        }
        at += 8 + len + (len & 1);
    }
    return false;
}

double Rms(const Pcm& pcm, double from, double to) {
    size_t a = static_cast<size_t>(from * pcm.rate), b = static_cast<size_t>(to * pcm.rate);
    b = std::min(b, pcm.samples.size());
    double sum = 0;
    for (size_t i = a; i < b; ++i) sum += double(pcm.samples[i]) * pcm.samples[i];
    return b > a ? std::sqrt(sum / double(b - a)) : 0.0;
}

// Where the tone begins: the first millisecond whose level passes a third of `level`.
double Onset(const Pcm& pcm, double level) {
    const size_t window = static_cast<size_t>(pcm.rate / 1000);
    for (size_t i = 0; i + window <= pcm.samples.size(); i += window / 4) {
        double sum = 0;
        for (size_t j = i; j < i + window; ++j) sum += double(pcm.samples[j]) * pcm.samples[j];
        if (std::sqrt(sum / double(window)) > level / 3)
            return double(i) / pcm.rate;
    }
    return -1;
}

// The colour bars, within what lossy coding of 4:2:0 pictures leaves of them.
void ExpectBars(const QImage& image, int width) {
    ASSERT_FALSE(image.isNull());
    for (int bar = 0; bar < 7; ++bar) {
        QRgb want = testmedia::kSmpteBars[bar];
        QRgb got = image.pixel((2 * bar + 1) * width / 14, kBarRow);
        EXPECT_NEAR(qRed(got), qRed(want), 48) << "bar " << bar;
        EXPECT_NEAR(qGreen(got), qGreen(want), 48) << "bar " << bar;
        EXPECT_NEAR(qBlue(got), qBlue(want), 48) << "bar " << bar;
    }
}

class StillHost : public StillCaptureHost {
  public:
    StillHost(MediaGraph& graph, std::string path) : m_graph(graph), m_path(std::move(path)) {}
    bool IsOggItem() const override { return false; }
    bool PreviewRunning() const override { return m_graph.State() == GraphState::Running; }
    void PausePreview() override { m_graph.PlayPause(); }
    bool CaptureCurrentImage(uint8_t** dib) override {
        return m_graph.CaptureCurrentImage(dib) != FALSE;
    }
    std::string MediaPath() const override { return m_path; }
    bool ChooseStillPath(const FilePromptRequest&, std::string*) override { return false; }

  private:
    MediaGraph& m_graph;
    std::string m_path;
};

class ModernMediaTest : public ::testing::TestWithParam<ModernKind> {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("modern");
        setenv("VELTRA_REGISTRY", (dir + "/registry").c_str(), 1);
        setenv("VELTRA_BIN_DIR", VELTRA_BIN_DIR, 0);
        widget.resize(160, 120);
    }
    void TearDown() override {
        graph.Close();
        unsetenv("VELTRA_REGISTRY");
        testmedia::RemoveTree(dir);
    }
    void Open(const std::string& path) {
        notify.messages.clear();
        QRect r(0, 0, 160, 120);
        graph.SetWindows(&notify, &widget, &r);
        ASSERT_EQ(graph.Open(path.c_str(), FALSE), S_OK);
    }
    bool Cut(const std::string& src, ConversionMode mode, const std::string& out, double start,
             double stop, int extra) {
        Open(src);
        if (!graph.Convert(src.c_str(), mode, out.c_str(), start, stop, extra)) {
            ADD_FAILURE() << "refused: 0x" << std::hex << graph.GetLastError();
            return false;
        }
        bool done = PumpUntil([&] { return notify.Count(UM_GRAPH_COMPLETE) > 0; }, 20000);
        graph.Close();
        return done;
    }

    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    MediaGraph graph;
};

TEST_P(ModernMediaTest, OpensPlaysToItsEndShowsCapturesAndCuts) {
    const ModernKind kind = GetParam();
    const bool pictures = kind.cls != ModernClass::Audio;
    const bool sound = kind.cls != ModernClass::Picture;
    const std::string src = testmedia::ModernMedia(dir, "clip." + kind.ext, kSeconds, kMark);
    ASSERT_FALSE(src.empty()) << "could not generate a ." << kind.ext << " file";

    // Opened and classified by what it holds; pictures are on screen at once.
    Open(src);
    const MediaContent content = kind.cls == ModernClass::Video   ? MediaContent::AudioVideo
                                 : kind.cls == ModernClass::Audio ? MediaContent::AudioOnly
                                                                  : MediaContent::VideoOnly;
    EXPECT_EQ(graph.Content(), content);
    if (pictures) {
        int32_t w = 0, h = 0;
        ASSERT_TRUE(graph.GetVideoDimensions(&w, &h));
        EXPECT_EQ(w, 160);
        EXPECT_EQ(h, 120);
        ASSERT_TRUE(PumpUntil([&] { return !widget.CurrentFrame().isNull(); }, 5000));
        EXPECT_TRUE(widget.IsVideoVisible());
        // A GIF shows its first frame (the bars), not the black one after it.
        ExpectBars(widget.CurrentFrame(), 160);

        StillHost host(graph, src);
        const std::string still = CaptureStill(host).path;
        ASSERT_EQ(still, dir + "/clip_000.bmp");
        ExpectBars(QImage(QString::fromStdString(still), "BMP"), 160);
        fs::remove(still);
    }

    if (sound) {
        // Plays to its end with position reports along the way, and ends once.
        EXPECT_NEAR(graph.GetDuration(), kSeconds * 10, 1);
        ASSERT_TRUE(graph.Restart());
        ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_COMPLETE) > 0; }, 8000));
        Pump(350);
        EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
        EXPECT_EQ(notify.messages.back().message, UM_GRAPH_COMPLETE);
        int reports = 0, last = -1;
        for (const RecordedMessage& m : notify.messages) {
            if (m.message != UM_GRAPH_POSITION)
                continue;
            ++reports;
            EXPECT_GE(m.wParam, last);
            EXPECT_LE(m.wParam, kSeconds * 10 + 1);
            last = static_cast<int>(m.wParam);
        }
        EXPECT_GE(reports, 2);
    }
    graph.Close();

    // Sound cuts: the range and the volume read back from the file's samples.
    const std::string wav = dir + "/cut.wav";
    if (!sound) {
        Open(src);
        EXPECT_FALSE(graph.Convert(src.c_str(), ConversionMode::Wav, wav.c_str(), 0, 5, 100));
        EXPECT_FALSE(fs::exists(wav));
        graph.Close();
        return;
    }
    if (!fs::exists(std::string(VELTRA_BIN_DIR) + "/libwavsink.so"))
        FAIL() << "libwavsink.so is not built";
    const Pcm source = DecodeSound(src);
    const double level = testmedia::kMarkAmplitude / std::sqrt(2.0);
    // Containers may place the sound a little after their time zero; the tone starts at
    // the mark of the sound's own time.
    const double sourceOnset = Onset(source, level);
    ASSERT_GT(sourceOnset, kMark - 0.06) << "the generated file is not what it should be";
    ASSERT_LT(sourceOnset, kMark + 0.3) << "the generated file is not what it should be";
    const double sourceLevel = Rms(source, sourceOnset + 0.1, sourceOnset + 0.3);

    ASSERT_TRUE(Cut(src, ConversionMode::Wav, wav, 3.0, 8.0, 50));
    Pcm cut;
    int channels = 0;
    ASSERT_TRUE(ReadWav(wav, &cut, &channels));
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(cut.rate, testmedia::kMarkRate);
    EXPECT_NEAR(cut.Seconds(), 0.5, 0.03);
    const double cutOnset = Onset(cut, level / 2);
    // A transport stream's time line starts at its first timestamp, which its demuxer puts
    // after the first clock reference.
    const bool transport = kind.ext == "ts" || kind.ext == "m2ts";
    EXPECT_NEAR(cutOnset, sourceOnset - (transport ? source.firstTime : 0) - 0.3, 0.03);
    EXPECT_NEAR(Rms(cut, cutOnset + 0.03, cutOnset + 0.2) / sourceLevel, 0.5, 0.05);
    EXPECT_LT(Rms(cut, 0.0, cutOnset - 0.05), sourceLevel / 50);

    const std::string avi = dir + "/cut.avi", asf = dir + "/cut.asf";
    if (!pictures) {
        // Without pictures only a sound cut is possible.
        Open(src);
        EXPECT_FALSE(graph.Convert(src.c_str(), ConversionMode::Avi, avi.c_str(), 0, 5, 0));
        graph.Close();
        Open(src);
        EXPECT_FALSE(graph.Convert(src.c_str(), ConversionMode::Asf, asf.c_str(), 0, 5, 0));
        graph.Close();
        EXPECT_FALSE(fs::exists(avi));
        EXPECT_FALSE(fs::exists(asf));
        return;
    }
    ASSERT_TRUE(Cut(src, ConversionMode::Avi, avi, 2.0, 8.0, 0));
    MediaProbe a = ProbeMedia(avi);
    ASSERT_TRUE(a.ok);
    EXPECT_TRUE(a.hasVideo);
    EXPECT_FALSE(a.hasAudio);
    EXPECT_EQ(a.width, 160);
    // The pictures of the range at the AVI's one rate: 15 at 25 a second, the last good
    // one repeated where the source itself has pictures that no decoder recovers
    // (GStreamer's FLV muxer garbles reordered ones).
    const int inRange = FramesIn(src, 0.2, 0.8);
    EXPECT_GE(inRange, 13);
    EXPECT_NEAR(a.videoFrames, 15, 1);

    std::vector<std::string> names;
    ASSERT_TRUE(ListProfiles(1, &names));
    ASSERT_TRUE(Cut(src, ConversionMode::Asf, asf, 2.0, 8.0, 0));
    MediaProbe s = ProbeMedia(asf);
    ASSERT_TRUE(s.ok);
    EXPECT_TRUE(s.hasVideo);
    EXPECT_TRUE(s.hasAudio);
    EXPECT_NEAR(s.audioSeconds, 0.6, 0.06);
}

// The bits per sample of a WAV file's PCM.
int WavBits(const std::string& path) {
    const std::string f = testmedia::ReadFile(path);
    const size_t fmt = f.find("fmt ");
    return fmt == std::string::npos || fmt + 24 > f.size()
               ? 0
               : static_cast<unsigned char>(f[fmt + 22]) | static_cast<unsigned char>(f[fmt + 23])
                                                               << 8;
}

TEST_F(ModernMediaTest, WavCutsAre16BitPcmWhateverTheDecoderGives) {
    if (!fs::exists(std::string(VELTRA_BIN_DIR) + "/libwavsink.so"))
        FAIL() << "libwavsink.so is not built";
    // Opus decodes to floating point: the file gets 16-bit PCM even at full volume, and
    // the samples are the source's.
    const std::string opus = testmedia::ModernMedia(dir, "a.opus", kSeconds, 0.1);
    ASSERT_TRUE(Cut(opus, ConversionMode::Wav, dir + "/a.wav", 2.0, 8.0, 100));
    Pcm cut;
    int channels = 0;
    ASSERT_TRUE(ReadWav(dir + "/a.wav", &cut, &channels));
    const Pcm source = DecodeSound(opus);
    EXPECT_NEAR(Rms(cut, 0.1, 0.5) / Rms(source, 0.3, 0.7), 1.0, 0.03);
    // WavPack decodes to 32-bit integers; a WAV cut is 16-bit whatever the decoder gives.
    const std::string wv = testmedia::ModernMedia(dir, "b.wv", kSeconds, 0.1);
    ASSERT_TRUE(Cut(wv, ConversionMode::Wav, dir + "/full.wav", 2.0, 8.0, 100));
    EXPECT_EQ(WavBits(dir + "/full.wav"), 16);
    ASSERT_TRUE(Cut(wv, ConversionMode::Wav, dir + "/loud.wav", 2.0, 8.0, 200));
    EXPECT_EQ(WavBits(dir + "/loud.wav"), 16);
}

// An ADTS frame header (no CRC) of `bytes` in all, at 48 kHz, with `blocks` blocks of
// 1024 samples, followed by filler.
std::string AdtsFrame(int bytes, int blocks = 1) {
    std::string f(static_cast<size_t>(bytes), '\x55');
    f[0] = '\xFF';
    f[1] = '\xF1';
    f[2] = static_cast<char>(0x40 | (3 << 2));  // AAC LC, 48000 Hz
    f[3] = static_cast<char>(0x80 | ((bytes >> 11) & 0x03));
    f[4] = static_cast<char>((bytes >> 3) & 0xFF);
    f[5] = static_cast<char>(((bytes & 0x07) << 5) | 0x1F);
    f[6] = static_cast<char>(0xFC | (blocks - 1));
    return f;
}

TEST(AdtsLength, CountsTheSamplesOfTheFrameChainOnly) {
    const std::string dir = testmedia::MakeTempDir("adts");
    std::string frames;
    for (int i = 0; i < 10; ++i) frames += AdtsFrame(100 + i);
    frames += AdtsFrame(120, 2);
    const std::string id3 = std::string("ID3\x03\x00\x00\x00\x00\x00\x05", 10) + "abcde";
    // 12 blocks of 1024 samples at 48 kHz, in 100-ns units; a tag in front changes nothing,
    // and what follows the last frame is not counted.
    const int64_t want = 12 * 1024 * 10000000LL / 48000;
    EXPECT_NEAR(AdtsLength(testmedia::WriteBytes(dir, "a.aac", frames)), want, 1);
    EXPECT_NEAR(AdtsLength(testmedia::WriteBytes(dir, "b.aac", id3 + frames + "TAG junk")), want,
                1);
    // One sync word alone may be chance, and MPEG audio is no ADTS.
    EXPECT_EQ(AdtsLength(testmedia::WriteBytes(dir, "c.aac", AdtsFrame(100))), 0);
    EXPECT_EQ(AdtsLength(testmedia::WriteBytes(dir, "d.aac", std::string(64, '\xFF'))), 0);
    const std::string mp3 = testmedia::Tone(dir, "e.mp3", 0.5);
    EXPECT_EQ(AdtsLength(mp3), 0);
    EXPECT_GT(Mp3Length(mp3), 0);
    EXPECT_EQ(AdtsLength(dir + "/missing.aac"), 0);
    testmedia::RemoveTree(dir);
}

std::string KindName(const ::testing::TestParamInfo<ModernKind>& info) {
    return info.param.ext;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ModernMediaTest, ::testing::ValuesIn(testmedia::ModernKinds()),
                         KindName);

}  // namespace

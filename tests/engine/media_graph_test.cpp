#include "engine/media_graph.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "engine/graph_messages.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

class MediaGraphTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("graph"); }
    void TearDown() override {
        graph.Close();
        testmedia::RemoveTree(dir);
    }
    // Opens a sound file with the recorder as notify window and no owner.
    HRESULT OpenSound(const std::string& path, BOOL run = FALSE) {
        graph.SetWindows(&notify, nullptr, nullptr);
        return graph.Open(path.c_str(), run);
    }
    HRESULT OpenVideo(const std::string& path, BOOL run = FALSE) {
        widget.resize(320, 240);
        QRect r(0, 0, 320, 240);
        graph.SetWindows(&notify, &widget, &r);
        return graph.Open(path.c_str(), run);
    }
    bool WaitFor(int message, int timeoutMs) {
        return PumpUntil([&] { return notify.Count(message) > 0; }, timeoutMs);
    }

    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    MediaGraph graph;
};

TEST_F(MediaGraphTest, NothingOpenReadsAsEmpty) {
    EXPECT_EQ(graph.GetDuration(), 0);
    EXPECT_EQ(graph.GetPosition(), 0);
    EXPECT_EQ(graph.Content(), MediaContent::None);
    EXPECT_EQ(graph.State(), GraphState::Ended);
    EXPECT_FALSE(graph.PlayPause());
    EXPECT_FALSE(graph.SeekAsync(10));
    uint8_t* dib = reinterpret_cast<uint8_t*>(1);
    EXPECT_FALSE(graph.CaptureCurrentImage(&dib));
    EXPECT_EQ(dib, nullptr);
    // Volume without a graph is accepted and not stored.
    EXPECT_TRUE(graph.SetVolume(-500));
    EXPECT_EQ(graph.Volume(), 0);
    // An owner without a rectangle is refused.
    QRect r(0, 0, 10, 10);
    EXPECT_FALSE(graph.SetWindows(&notify, &widget, nullptr));
    EXPECT_TRUE(graph.SetWindows(&notify, &widget, &r));
}

TEST_F(MediaGraphTest, SoundFileOpensAudioOnlyWithItsDuration) {
    auto mp3 = testmedia::Tone(dir, "tone.mp3", 3.0);
    ASSERT_FALSE(mp3.empty());
    EXPECT_EQ(OpenSound(mp3), S_OK);
    EXPECT_TRUE(graph.HasGraph());
    EXPECT_EQ(graph.Content(), MediaContent::AudioOnly);
    EXPECT_NEAR(graph.GetDuration(), 30, 1);
    int32_t w = 0, h = 0;
    EXPECT_FALSE(graph.GetVideoDimensions(&w, &h));
    char name[kMaxPath];
    EXPECT_TRUE(graph.GetFileName(name));
    EXPECT_STREQ(name, mp3.c_str());
    EXPECT_TRUE(prompts.texts.empty());
    graph.Close();
    EXPECT_EQ(graph.GetDuration(), 0);
    EXPECT_EQ(graph.Content(), MediaContent::None);
}

TEST_F(MediaGraphTest, VolumeIsClampedAndMappedToLinearGain) {
    EXPECT_DOUBLE_EQ(MediaGraph::LinearGain(0), 1.0);
    EXPECT_NEAR(MediaGraph::LinearGain(-2000), 0.1, 1e-12);
    EXPECT_EQ(MediaGraph::LinearGain(-10000), 0.0) << "the bottom is silence";
    EXPECT_NEAR(MediaGraph::LinearGain(-9999), 1.0012e-5, 1e-8);
    EXPECT_DOUBLE_EQ(MediaGraph::LinearGain(5), 1.0);
    EXPECT_EQ(MediaGraph::LinearGain(-20000), 0.0);

    auto wav = testmedia::Tone(dir, "tone.wav", 1.0);
    ASSERT_EQ(OpenSound(wav), S_OK);
    EXPECT_TRUE(graph.SetVolume(5));
    EXPECT_EQ(graph.Volume(), 0);
    EXPECT_TRUE(graph.SetVolume(-20000));
    EXPECT_EQ(graph.Volume(), -10000);
    EXPECT_TRUE(graph.SetVolume(-1234));
    EXPECT_EQ(graph.Volume(), -1234);
}

TEST_F(MediaGraphTest, PositionsComeWhileRunningAndStopWhilePaused) {
    auto mp3 = testmedia::Tone(dir, "tone.mp3", 5.0);
    ASSERT_EQ(OpenSound(mp3), S_OK);
    ASSERT_TRUE(graph.Restart());
    EXPECT_EQ(graph.State(), GraphState::Running);
    Pump(2000);
    int positions = notify.Count(UM_GRAPH_POSITION);
    EXPECT_GE(positions, 6);  // three to five a second
    EXPECT_LE(positions, 11);
    // Positions advance and stay within the played time.
    intptr_t last = -1;
    for (const auto& m : notify.messages) {
        if (m.message != UM_GRAPH_POSITION)
            continue;
        EXPECT_GE(m.wParam, last);
        last = m.wParam;
    }
    EXPECT_GE(last, 12);
    EXPECT_LE(last, 22);

    ASSERT_TRUE(graph.PlayPause());
    EXPECT_EQ(graph.State(), GraphState::Paused);
    Pump(400);  // a report already on its way may still land
    notify.messages.clear();
    Pump(800);
    EXPECT_EQ(notify.Count(UM_GRAPH_POSITION), 0);
    int32_t pausedAt = graph.GetPosition();
    EXPECT_GE(pausedAt, 12);
    EXPECT_TRUE(graph.PlayPause());
    EXPECT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_POSITION) > 0; }, 1500));
}

TEST_F(MediaGraphTest, EndOfStreamGivesExactlyOneCompleteAndNothingAfter) {
    auto wav = testmedia::Tone(dir, "short.wav", 1.0);
    ASSERT_EQ(OpenSound(wav), S_OK);
    ASSERT_TRUE(graph.Run());
    ASSERT_TRUE(WaitFor(UM_GRAPH_COMPLETE, 5000));
    Pump(800);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
    EXPECT_EQ(notify.Count(UM_GRAPH_STOPPED), 0);
    bool seenComplete = false;
    for (const auto& m : notify.messages) {
        if (m.message == UM_GRAPH_COMPLETE) {
            EXPECT_EQ(m.wParam, 15);
            seenComplete = true;
        } else {
            EXPECT_FALSE(seenComplete) << "message " << m.message << " after the end";
        }
    }
    EXPECT_EQ(graph.State(), GraphState::Ended);
    // A completed graph pauses where it stands and runs on from there.
    EXPECT_TRUE(graph.PlayPause());
    EXPECT_EQ(graph.State(), GraphState::Paused);
    EXPECT_GE(graph.GetPosition(), 9);
}

TEST_F(MediaGraphTest, SeekMovesThePositionPausedAndRunning) {
    auto mp3 = testmedia::Tone(dir, "tone.mp3", 6.0);
    ASSERT_EQ(OpenSound(mp3), S_OK);
    ASSERT_TRUE(SeekAndWait(graph, notify, 25.0));
    EXPECT_NEAR(graph.GetPosition(), 25, 1);
    ASSERT_TRUE(graph.Run());
    Pump(300);
    ASSERT_TRUE(SeekAndWait(graph, notify, 45.0));
    EXPECT_EQ(graph.State(), GraphState::Running);
    // A report already on its way when the seek landed may still arrive; the latest
    // one tells where playback stands.
    notify.messages.clear();
    Pump(500);
    ASSERT_FALSE(notify.messages.empty());
    EXPECT_EQ(notify.messages.back().message, UM_GRAPH_POSITION);
    EXPECT_GE(notify.messages.back().wParam, 45);
    EXPECT_LE(notify.messages.back().wParam, 53);
    // Rewinding to the start while stopped shows the first frame, paused.
    EXPECT_TRUE(graph.StopAndRewind());
    EXPECT_EQ(graph.State(), GraphState::Idle);
    EXPECT_LE(graph.GetPosition(), 1);
    EXPECT_EQ(AwaitReport(notify, UM_GRAPH_REWOUND, 0), 1);
    EXPECT_LE(graph.GetPosition(), 1);
    // A position before the start is the start.
    ASSERT_TRUE(SeekAndWait(graph, notify, 30.0));
    EXPECT_TRUE(SeekAndWait(graph, notify, -5.0));
    EXPECT_LE(graph.GetPosition(), 1);
}

TEST_F(MediaGraphTest, CloseDuringPlaybackEndsTheThreadWithStoppedAndNothingLater) {
    auto mp3 = testmedia::Tone(dir, "tone.mp3", 5.0);
    ASSERT_EQ(OpenSound(mp3), S_OK);
    ASSERT_TRUE(graph.Restart());
    Pump(700);
    auto before = std::chrono::steady_clock::now();
    graph.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    Pump(100);
    EXPECT_EQ(notify.Count(UM_GRAPH_STOPPED), 1);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0);
    size_t seen = notify.messages.size();
    Pump(800);
    EXPECT_EQ(notify.messages.size(), seen);
    EXPECT_FALSE(graph.HasGraph());
    // SetWindows on a playing graph closes it just the same.
    ASSERT_EQ(OpenSound(mp3, TRUE), S_OK);
    Pump(300);
    EXPECT_TRUE(graph.SetWindows(&notify, nullptr, nullptr));
    EXPECT_FALSE(graph.HasGraph());
    // Opening over a playing graph closes it first: one stop, then the new file alone.
    auto wav = testmedia::Tone(dir, "tone.wav", 2.0);
    ASSERT_EQ(OpenSound(mp3, TRUE), S_OK);
    Pump(300);
    notify.messages.clear();
    ASSERT_EQ(graph.Open(wav.c_str(), TRUE), S_OK);
    EXPECT_NEAR(graph.GetDuration(), 20, 1);
    ASSERT_TRUE(WaitFor(UM_GRAPH_COMPLETE, 5000));
    EXPECT_EQ(notify.Count(UM_GRAPH_STOPPED), 1);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
}

TEST_F(MediaGraphTest, VideoShowsFramesReportsSizeAndCapturesTheTestPattern) {
    auto avi = testmedia::Video(dir, "clip.avi", 2.0, 320, 240);
    ASSERT_FALSE(avi.empty());
    ASSERT_EQ(OpenVideo(avi), S_OK);
    EXPECT_EQ(graph.Content(), MediaContent::AudioVideo);
    int32_t w = 0, h = 0;
    ASSERT_TRUE(graph.GetVideoDimensions(&w, &h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    // The paused graph's first frame reaches the video area.
    ASSERT_TRUE(PumpUntil([&] { return !widget.CurrentFrame().isNull(); }, 3000));
    EXPECT_TRUE(widget.IsVideoVisible());
    EXPECT_EQ(widget.CurrentFrame().size(), QSize(320, 240));

    uint8_t* dib = nullptr;
    ASSERT_TRUE(graph.CaptureCurrentImage(&dib));
    ASSERT_NE(dib, nullptr);
    auto u32 = [&](int at) {
        uint32_t v;
        std::memcpy(&v, dib + at, 4);
        return v;
    };
    auto u16 = [&](int at) {
        uint16_t v;
        std::memcpy(&v, dib + at, 2);
        return v;
    };
    EXPECT_EQ(u32(0), 40u);
    EXPECT_EQ(u32(4), 320u);
    EXPECT_EQ(u32(8), 240u);
    EXPECT_EQ(u16(12), 1);
    EXPECT_EQ(u16(14), 24);
    EXPECT_EQ(u32(16), 0u);
    const int stride = 320 * 3;
    // Rows are stored bottom-up: the last row in memory is the top of the picture, where
    // the pattern's first bar (white) and last bar (blue) are; MJPEG costs a few levels.
    const uint8_t* top = dib + 40 + stride * 239;
    auto pixel = [&](const uint8_t* row, int x, int c) { return int(row[3 * x + c]); };
    EXPECT_GT(pixel(top, 10, 0), 200);  // white bar: B, G, R all high
    EXPECT_GT(pixel(top, 10, 1), 200);
    EXPECT_GT(pixel(top, 10, 2), 200);
    EXPECT_GT(pixel(top, 310, 0), 200);  // blue bar: blue high, red and green low
    EXPECT_LT(pixel(top, 310, 1), 40);
    EXPECT_LT(pixel(top, 310, 2), 40);
    CoTaskMemFree(dib);
}

TEST_F(MediaGraphTest, VideoWithoutSoundDropsTheSoundRenderer) {
    auto avi = testmedia::Video(dir, "silent.avi", 1.0, 160, 120, false);
    ASSERT_EQ(OpenVideo(avi), S_OK);
    EXPECT_EQ(graph.Content(), MediaContent::VideoOnly);
    EXPECT_TRUE(graph.SetVolume(-100));  // nothing to apply it to
    EXPECT_EQ(graph.Volume(), 0);
    ASSERT_TRUE(graph.Run());
    EXPECT_TRUE(WaitFor(UM_GRAPH_COMPLETE, 5000));
}

TEST_F(MediaGraphTest, BrokenInputsFailWithTheRenderFileText) {
    struct Case {
        std::string path;
        const char* why;
    };
    auto junk = testmedia::WriteBytes(dir, "junk.mp3", std::string(4096, '\x5a'));
    std::vector<Case> cases = {{dir + "/missing.mp3", "missing"}, {junk, "not media"}};
    for (const auto& c : cases) {
        HRESULT hr = OpenSound(c.path);
        EXPECT_LT(hr, 0) << c.why;
        const Notices told = graph.TakeNotices();
        ASSERT_EQ(told.size(), 1u) << c.why;
        char expected[128];
        std::snprintf(expected, sizeof expected,
                      "FAILED(hr=0x%x) m_pGB->RenderFile( wFile, NULL )\n",
                      static_cast<unsigned>(hr));
        EXPECT_EQ(told[0], (Notice{expected, "警告", MB_OK})) << c.why;
        EXPECT_EQ(graph.GetDuration(), 0);
    }
    EXPECT_EQ(OpenSound(dir + "/missing.mp3"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(std::filesystem::exists(junk));
}

TEST_F(MediaGraphTest, TruncatedAndDeletedFilesPlayWhatTheyHave) {
    auto mp3 = testmedia::Tone(dir, "tone.mp3", 3.0);
    auto cut = testmedia::Truncated(mp3, dir, "cut.mp3", 12000);
    ASSERT_EQ(OpenSound(cut, TRUE), S_OK);
    EXPECT_TRUE(WaitFor(UM_GRAPH_COMPLETE, 6000));

    notify.messages.clear();
    auto wav = testmedia::Tone(dir, "gone.wav", 1.5);
    ASSERT_EQ(OpenSound(wav, TRUE), S_OK);
    Pump(300);
    std::filesystem::remove(wav);
    EXPECT_TRUE(WaitFor(UM_GRAPH_COMPLETE, 6000));
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
}

// Every kind the playlist plays opens here, with the content it really has.
TEST_F(MediaGraphTest, EveryPlayableKindOpens) {
    struct Case {
        std::string path;
        MediaContent content;
    };
    std::vector<Case> cases = {
        {testmedia::Tone(dir, "t.wma", 1.0), MediaContent::AudioOnly},
        {testmedia::Tone(dir, "t.wav", 1.0), MediaContent::AudioOnly},
        {testmedia::Midi(dir, "t.mid"), MediaContent::AudioOnly},
        {testmedia::Video(dir, "v.mpg", 1.0, 160, 120), MediaContent::AudioVideo},
        {testmedia::Video(dir, "v.mp4", 1.0, 160, 120), MediaContent::AudioVideo},
        {testmedia::Video(dir, "v.mov", 1.0, 160, 120), MediaContent::AudioVideo},
        {testmedia::Video(dir, "v.vob", 1.0, 160, 120), MediaContent::AudioVideo},
        // GStreamer's ASF muxer falls over when it gets both streams; WMA is above.
        {testmedia::Video(dir, "v.wmv", 1.0, 160, 120, false), MediaContent::VideoOnly},
        {testmedia::Video(dir, "v.asf", 1.0, 160, 120, false), MediaContent::VideoOnly},
        {testmedia::Picture(dir, "p.png"), MediaContent::VideoOnly},
        {testmedia::Picture(dir, "p.jpg"), MediaContent::VideoOnly},
        {testmedia::Picture(dir, "p.bmp"), MediaContent::VideoOnly},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.path.empty());
        prompts.texts.clear();
        HRESULT hr = c.content == MediaContent::AudioOnly ? OpenSound(c.path) : OpenVideo(c.path);
        EXPECT_EQ(hr, S_OK) << c.path;
        EXPECT_EQ(graph.Content(), c.content) << c.path;
        EXPECT_TRUE(prompts.texts.empty()) << c.path;
        if (c.content != MediaContent::AudioOnly) {
            int32_t w = 0, h = 0;
            EXPECT_TRUE(graph.GetVideoDimensions(&w, &h)) << c.path;
            EXPECT_EQ(w, 160) << c.path;
        }
    }
}

}  // namespace

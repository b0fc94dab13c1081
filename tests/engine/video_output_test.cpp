// The picture side of a graph: frames painted at the video area's size and never scaled
// again, stills at the video's own size whatever the area, the picture following a resize
// while paused, frames kept for capture when nothing shows them, the frame on screen
// rather than a newer one, bitmaps laid out bottom-up with padded rows, and a video area
// that goes away under a playing graph.
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/media_graph.h"
#include "engine/recent_frames.h"
#include "engine/still_scaler.h"
#include "engine/video_sink_choice.h"
#include "engine/video_widget.h"
#include "platform/com.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

const QRgb kBars[7] = {qRgb(235, 235, 235), qRgb(235, 235, 16), qRgb(16, 235, 235),
                       qRgb(16, 235, 16),   qRgb(235, 16, 235), qRgb(235, 16, 16),
                       qRgb(16, 16, 235)};

bool Near(QRgb a, QRgb b, int tolerance = 40) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The test pattern's top bars across the image, whatever its size.
void ExpectBars(const QImage& image) {
    ASSERT_FALSE(image.isNull());
    for (int i = 0; i < 7; ++i) {
        QPoint p(image.width() * (2 * i + 1) / 14, image.height() / 3);
        EXPECT_TRUE(Near(image.pixel(p), kBars[i]))
            << "bar " << i << " at " << p.x() << "," << p.y() << " is " << std::hex
            << image.pixel(p) << " in " << std::dec << image.width() << "x" << image.height();
    }
}

// A packed bitmap (40-byte header, 24-bit rows bottom-up) as an image.
QImage DibImage(const uint8_t* dib) {
    int32_t w, h;
    std::memcpy(&w, dib + 4, 4);
    std::memcpy(&h, dib + 8, 4);
    const int stride = ((w * 24 + 31) / 32) * 4;
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = dib + 40 + static_cast<size_t>(stride) * (h - 1 - y);
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return image;
}

GstSample* RgbSample(int width, int height, const std::function<QRgb(int, int)>& colour,
                     GstClockTime pts = 0) {
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_RGB, width, height);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, info.size, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            QRgb c = colour(x, y);
            uint8_t* p = map.data + y * info.stride[0] + 3 * x;
            p[0] = qRed(c);
            p[1] = qGreen(c);
            p[2] = qBlue(c);
        }
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) = pts;
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

class VideoOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gst_init(nullptr, nullptr);
        dir = testmedia::MakeTempDir("video");
    }
    void TearDown() override {
        graph.Close();
        testmedia::RemoveTree(dir);
    }
    HRESULT OpenInArea(const std::string& path, QSize area, BOOL run = FALSE) {
        widget.resize(area);
        QRect r(QPoint(0, 0), area);
        graph.SetWindows(&notify, &widget, &r);
        return graph.Open(path.c_str(), run);
    }
    // A still is the 320 x 240 test pattern at its own size, whatever the area shows.
    void ExpectStillOfTheWholeVideo() {
        uint8_t* dib = nullptr;
        ASSERT_TRUE(graph.CaptureCurrentImage(&dib));
        QImage still = DibImage(dib);
        CoTaskMemFree(dib);
        EXPECT_EQ(still.size(), QSize(320, 240));
        ExpectBars(still);
    }
    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    MediaGraph graph;
};

}  // namespace

TEST_F(VideoOutputTest, FramesArePaintedAtTheAreasSizeAndStillsKeepTheVideosOwn) {
    auto avi = testmedia::Video(dir, "clip.avi", 2.0, 320, 240);
    ASSERT_FALSE(avi.empty());
    ASSERT_EQ(OpenInArea(avi, QSize(160, 120)), S_OK);
    // Without a display the frames are painted, never drawn by an embedded sink.
    EXPECT_EQ(widget.EmbedWindow(), 0u);
    EXPECT_FALSE(widget.IsEmbedded());
    int32_t w = 0, h = 0;
    ASSERT_TRUE(graph.GetVideoDimensions(&w, &h));
    EXPECT_EQ(QSize(w, h), QSize(320, 240));
    ASSERT_TRUE(PumpUntil([&] { return !widget.CurrentFrame().isNull(); }, 3000));
    EXPECT_EQ(widget.CurrentFrame().size(), QSize(160, 120)) << "scaled once, by the graph";
    ExpectBars(widget.CurrentFrame());

    ExpectStillOfTheWholeVideo();
}

TEST_F(VideoOutputTest, APausedPictureFollowsTheAreaAndPlayingKeepsItsSize) {
    auto avi = testmedia::Video(dir, "clip.avi", 3.0, 320, 240);
    ASSERT_FALSE(avi.empty());
    ASSERT_EQ(OpenInArea(avi, QSize(160, 120)), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !widget.CurrentFrame().isNull(); }, 3000));
    // Paused: no frame comes, yet the picture is at once the new size.
    widget.resize(400, 300);
    ASSERT_TRUE(graph.SetVideoPosition(QRect(0, 0, 400, 300)));
    EXPECT_EQ(widget.CurrentFrame().size(), QSize(400, 300));
    ExpectBars(widget.CurrentFrame());
    // Playing, the frames come at that size from the graph.
    ASSERT_TRUE(graph.PlayPause());
    const qint64 first = widget.CurrentFrame().cacheKey();
    ASSERT_TRUE(PumpUntil([&] { return widget.CurrentFrame().cacheKey() != first; }, 3000));
    Pump(300);
    EXPECT_EQ(widget.CurrentFrame().size(), QSize(400, 300));
    ExpectBars(widget.CurrentFrame());
}

TEST_F(VideoOutputTest, WithoutAnAreaFramesAreKeptForStillsOnly) {
    auto avi = testmedia::Video(dir, "clip.avi", 2.0, 320, 240);
    ASSERT_FALSE(avi.empty());
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.Open(avi.c_str(), FALSE), S_OK);
    EXPECT_EQ(graph.Content(), MediaContent::AudioVideo);
    int32_t w = 0, h = 0;
    ASSERT_TRUE(graph.GetVideoDimensions(&w, &h));
    EXPECT_EQ(QSize(w, h), QSize(320, 240));
    ExpectStillOfTheWholeVideo();
}

TEST_F(VideoOutputTest, AnAreaDestroyedUnderAPlayingGraphStopsIt) {
    auto avi = testmedia::Video(dir, "clip.avi", 3.0, 320, 240);
    ASSERT_FALSE(avi.empty());
    auto area = std::make_unique<VideoWidget>();
    area->resize(320, 240);
    QRect r(0, 0, 320, 240);
    graph.SetWindows(&notify, area.get(), &r);
    ASSERT_EQ(graph.Open(avi.c_str(), TRUE), S_OK);
    Pump(300);
    area.reset();
    EXPECT_FALSE(graph.HasGraph());
    EXPECT_EQ(graph.State(), GraphState::Ended);
    EXPECT_FALSE(graph.PlayPause());
    uint8_t* dib = nullptr;
    EXPECT_FALSE(graph.CaptureCurrentImage(&dib));
    Pump(300);
    // The graph plays again, now for sound only.
    graph.SetWindows(&notify, nullptr, nullptr);
    EXPECT_EQ(graph.Open(avi.c_str(), FALSE), S_OK);
}

TEST(FrameBitmaps, StillsAreBottomUpWithPaddedRowsAndStretchedPicturesFill) {
    gst_init(nullptr, nullptr);
    // Three rows, red over green over blue, 322 pixels wide: 966 bytes and 2 of padding.
    const QRgb rows[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    GstSample* sample = RgbSample(322, 3, [&](int, int y) { return rows[y]; });
    uint8_t* dib = FrameDib(sample);
    ASSERT_NE(dib, nullptr);
    auto u32 = [&](int at) {
        uint32_t v;
        std::memcpy(&v, dib + at, 4);
        return v;
    };
    EXPECT_EQ(u32(0), 40u);
    EXPECT_EQ(u32(4), 322u);
    EXPECT_EQ(u32(8), 3u);
    EXPECT_EQ(dib[12], 1);
    EXPECT_EQ(dib[14], 24);
    EXPECT_EQ(u32(20), 968u * 3);
    const uint8_t* bottom = dib + 40;  // the blue row comes first
    EXPECT_EQ(bottom[0], 255);
    EXPECT_EQ(bottom[1], 0);
    EXPECT_EQ(bottom[2], 0);
    const uint8_t* top = dib + 40 + 2 * 968;
    EXPECT_EQ(top[3 * 321 + 2], 255) << "red, stored blue-green-red";
    EXPECT_EQ(top[966], 0);
    EXPECT_EQ(top[967], 0);
    CoTaskMemFree(dib);
    gst_sample_unref(sample);

    // Left red, right blue, two pixels to a picture of 9 x 5: each half keeps its colour.
    GstSample* two =
        RgbSample(2, 1, [](int x, int) { return x == 0 ? qRgb(255, 0, 0) : qRgb(0, 0, 255); });
    QImage stretched = FrameImage(two, QSize(9, 5));
    gst_sample_unref(two);
    ASSERT_EQ(stretched.size(), QSize(9, 5));
    EXPECT_TRUE(Near(stretched.pixel(0, 2), qRgb(255, 0, 0), 8));
    EXPECT_TRUE(Near(stretched.pixel(8, 2), qRgb(0, 0, 255), 8));
}

TEST(FrameBitmaps, TheFrameOnScreenIsTheSinksNotANewerOneWaitingBehindIt) {
    gst_init(nullptr, nullptr);
    // A sink that rendered the first of two frames the renderer took in.
    GstElement* pipeline = gst_parse_launch(
        "appsrc name=src format=time ! fakesink name=sink sync=false enable-last-sample=true",
        nullptr);
    ASSERT_NE(pipeline, nullptr);
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstSample* red = RgbSample(
        4, 4, [](int, int) { return qRgb(255, 0, 0); }, 0);
    GstSample* green = RgbSample(
        4, 4, [](int, int) { return qRgb(0, 255, 0); }, 40 * GST_MSECOND);
    g_object_set(src, "caps", gst_sample_get_caps(red), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    gst_app_src_push_sample(GST_APP_SRC(src), red);
    gst_app_src_end_of_stream(GST_APP_SRC(src));
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_message_unref(gst_bus_timed_pop_filtered(bus, 5 * GST_SECOND, GST_MESSAGE_EOS));

    // The renderer's input saw both: the first, and the next that waits for its time.
    auto recent = std::make_shared<RecentFrames>();
    GstElement* other = gst_parse_launch(
        "appsrc name=src2 format=time ! identity name=id ! "
        "fakesink sync=false",
        nullptr);
    GstElement* src2 = gst_bin_get_by_name(GST_BIN(other), "src2");
    GstElement* id = gst_bin_get_by_name(GST_BIN(other), "id");
    GstPad* seen = gst_element_get_static_pad(id, "sink");
    RecentFrames::Watch(seen, recent);
    gst_object_unref(seen);
    g_object_set(src2, "caps", gst_sample_get_caps(red), nullptr);
    gst_element_set_state(other, GST_STATE_PLAYING);
    gst_app_src_push_sample(GST_APP_SRC(src2), red);
    gst_app_src_push_sample(GST_APP_SRC(src2), green);
    gst_app_src_end_of_stream(GST_APP_SRC(src2));
    GstBus* bus2 = gst_element_get_bus(other);
    gst_message_unref(gst_bus_timed_pop_filtered(bus2, 5 * GST_SECOND, GST_MESSAGE_EOS));

    auto colourOf = [](GstSample* s) {
        QImage image = FrameImage(s, QSize(1, 1));
        gst_sample_unref(s);
        return image.pixel(0, 0);
    };
    EXPECT_TRUE(Near(colourOf(recent->Shown(sink)), qRgb(255, 0, 0), 8)) << "the one shown";
    EXPECT_TRUE(Near(colourOf(recent->Shown(nullptr)), qRgb(0, 255, 0), 8)) << "the newest";

    for (GstElement* p : {pipeline, other}) gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(bus2);
    for (GstElement* e : {src, sink, src2, id, pipeline, other}) gst_object_unref(e);
    gst_sample_unref(red);
    gst_sample_unref(green);
}

TEST(VideoArea, PaintsTheFrameAsItIsInsideItsRectangleAndBlackAround) {
    VideoWidget area;
    area.resize(100, 80);
    area.SetVideoRect(QRect(10, 20, 50, 40));
    area.SetVideoVisible(true);
    QImage frame(50, 40, QImage::Format_RGB32);
    frame.fill(qRgb(200, 30, 40));
    frame.setPixel(0, 0, qRgb(0, 0, 255));  // a corner pixel shows any shift or scaling
    area.PresentFrame(frame);
    QImage shown = area.grab().toImage();
    EXPECT_EQ(shown.pixel(10, 20), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(11, 21), qRgb(200, 30, 40));
    EXPECT_EQ(shown.pixel(59, 59), qRgb(200, 30, 40));
    EXPECT_EQ(shown.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(60, 60), qRgb(0, 0, 0));
    // A frame of another size (from before a resize) still fills the rectangle.
    QImage small(10, 10, QImage::Format_RGB32);
    small.fill(qRgb(0, 200, 0));
    area.PresentFrame(small);
    shown = area.grab().toImage();
    EXPECT_TRUE(Near(shown.pixel(55, 55), qRgb(0, 200, 0), 8));
    EXPECT_EQ(shown.pixel(62, 62), qRgb(0, 0, 0));
    // Detached: blank.
    area.SetVideoVisible(false);
    EXPECT_TRUE(area.CurrentFrame().isNull());
    EXPECT_EQ(area.grab().toImage().pixel(30, 30), qRgb(0, 0, 0));
}

TEST(VideoArea, WithoutADisplayFramesArePainted) {
    const VideoSinkChoice choice = ChooseVideoSink();
    EXPECT_EQ(choice.kind, VideoSinkKind::Painted);
    EXPECT_STREQ(choice.factory, "appsink");
    EXPECT_TRUE(VideoSinkFor(VideoSinkKind::XVideo).scales);
    EXPECT_TRUE(VideoSinkFor(VideoSinkKind::OpenGl).scales);
    EXPECT_FALSE(VideoSinkFor(VideoSinkKind::XImage).scales);
}

TEST(StillScaler, ScalesOnItsOwnThreadAndTellsTheNewestRequest) {
    gst_init(nullptr, nullptr);
    std::mutex mutex;
    std::condition_variable told;
    std::vector<std::pair<QImage, unsigned>> stills;
    std::thread::id caller = std::this_thread::get_id(), scaler;
    {
        StillScaler still([&](const QImage& image, unsigned ticket) {
            std::lock_guard<std::mutex> lock(mutex);
            scaler = std::this_thread::get_id();
            stills.emplace_back(image, ticket);
            told.notify_all();
        });
        // Left half red, right half blue, scaled to a quarter of its size.
        auto halves = [](int x, int) { return x < 200 ? qRgb(255, 0, 0) : qRgb(0, 0, 255); };
        still.Request(RgbSample(400, 200, halves), QSize(100, 50), 1);
        still.Request(RgbSample(400, 200, halves), QSize(80, 40), 2);
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(told.wait_for(lock, std::chrono::seconds(30),
                                  [&] { return !stills.empty() && stills.back().second == 2; }));
        // A request replaced before it began is never scaled.
        EXPECT_LE(stills.size(), 2u);
        const QImage& last = stills.back().first;
        EXPECT_EQ(last.size(), QSize(80, 40));
        EXPECT_EQ(QColor(last.pixel(10, 20)), QColor(255, 0, 0));
        EXPECT_EQ(QColor(last.pixel(70, 20)), QColor(0, 0, 255));
        EXPECT_NE(scaler, caller);
        // What waits when the scaler goes is dropped with it, its sample released.
        lock.unlock();
        still.Request(RgbSample(400, 200, halves), QSize(40, 20), 3);
        still.Drop();
    }
}

// Animated GIFs: their frames come at their own delays, the animation starts over after
// its last frame, and a graph shows it as it runs while staying a picture to its callers
// (no position, no end); a GIF of one frame stays a still.
#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "engine/animated_picture.h"
#include "engine/media_graph.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"
#include "tests/support/modern_media.h"

namespace {

using testmedia::TimedGifFrame;

constexpr unsigned kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

class AnimatedPictureTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("animated"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
};

QRgb Centre(const QImage& image) {
    return image.pixel(image.width() / 2, image.height() / 2) & 0xFFFFFF;
}

TEST_F(AnimatedPictureTest, FramesFollowTheirDelaysAndTheAnimationStartsOver) {
    // 0 and 1 hundredths mean "unset" to browsers, which show such frames for 0.1 s.
    const std::string gif = testmedia::TimedGif(
        dir, "a.gif", 40, 30, {{kRed, 30}, {kGreen, 60}, {kBlue, 0}, {kWhite, 1}});
    QSize size;
    ASSERT_TRUE(IsAnimatedPicture(gif, &size));
    EXPECT_EQ(size, QSize(40, 30));

    AnimatedPicture picture(gif, size);
    const unsigned colours[] = {kRed, kGreen, kBlue, kWhite};
    const int64_t durations[] = {300, 600, 100, 100};
    int64_t expectedPts = 0;
    for (int i = 0; i < 10; ++i) {
        AnimatedPicture::Frame f;
        ASSERT_TRUE(picture.Next(&f)) << "frame " << i;
        EXPECT_EQ(f.image.format(), QImage::Format_RGB32);
        EXPECT_EQ(f.image.size(), size);
        EXPECT_EQ(Centre(f.image), colours[i % 4]) << "frame " << i;
        EXPECT_EQ(f.ptsNs, expectedPts * 1000000) << "frame " << i;
        EXPECT_EQ(f.durationNs, durations[i % 4] * 1000000) << "frame " << i;
        expectedPts += durations[i % 4];
    }
}

TEST_F(AnimatedPictureTest, OnlyGifsOfSeveralFramesAreAnimations) {
    EXPECT_FALSE(
        IsAnimatedPicture(testmedia::TimedGif(dir, "one.gif", 8, 8, {{kRed, 50}}), nullptr));
    const std::string two = testmedia::TimedGif(dir, "two.gif", 8, 8, {{kRed, 5}, {kBlue, 5}});
    EXPECT_TRUE(IsAnimatedPicture(two, nullptr));
    // Known by the kind of the file the list gives it, and by its content.
    std::filesystem::copy_file(two, dir + "/two.png");
    EXPECT_FALSE(IsAnimatedPicture(dir + "/two.png", nullptr));
    std::ofstream(dir + "/text.gif") << "not a picture";
    EXPECT_FALSE(IsAnimatedPicture(dir + "/text.gif", nullptr));
    EXPECT_FALSE(IsAnimatedPicture(dir + "/missing.gif", nullptr));
    std::filesystem::create_directory(dir + "/folder.gif");
    EXPECT_FALSE(IsAnimatedPicture(dir + "/folder.gif", nullptr));
}

TEST_F(AnimatedPictureTest, ADamagedAnimationLoopsOverWhatCanBeRead) {
    const std::string whole =
        testmedia::TimedGif(dir, "whole.gif", 16, 16, {{kRed, 20}, {kGreen, 20}, {kBlue, 20}});
    // Cut in the middle of the last frame's picture data.
    std::string bytes = testmedia::ReadFile(whole);
    const std::string cut = dir + "/cut.gif";
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 200);
    AnimatedPicture picture(cut, QSize(16, 16));
    std::vector<unsigned> seen;
    for (int i = 0; i < 8; ++i) {
        AnimatedPicture::Frame f;
        ASSERT_TRUE(picture.Next(&f));
        seen.push_back(Centre(f.image));
    }
    // The readable frames, over and over (a reader may show the broken one partly).
    EXPECT_EQ(seen[0], kRed);
    EXPECT_EQ(seen[1], kGreen);
    const size_t period = seen[2] == kRed ? 2 : 3;
    for (size_t i = period; i < seen.size(); ++i) EXPECT_EQ(seen[i], seen[i - period]) << i;

    // A file that turns out to hold no frame at all ends the frames instead of spinning.
    std::ofstream(dir + "/empty.gif", std::ios::binary) << bytes.substr(0, 800);
    AnimatedPicture empty(dir + "/empty.gif", QSize(16, 16));
    AnimatedPicture::Frame f;
    EXPECT_FALSE(empty.Next(&f));
    EXPECT_FALSE(empty.Next(&f));
}

class AnimatedGraphTest : public AnimatedPictureTest {
  protected:
    void SetUp() override {
        AnimatedPictureTest::SetUp();
        widget.resize(80, 60);
    }
    void TearDown() override {
        graph.Close();
        AnimatedPictureTest::TearDown();
    }
    void Open(const std::string& path) {
        QRect r(0, 0, 80, 60);
        graph.SetWindows(&notify, &widget, &r);
        notify.messages.clear();
        ASSERT_EQ(graph.Open(path.c_str(), FALSE), S_OK);
    }
    // The colour shown in the middle of the area, and since when, for ms.
    struct Shown {
        unsigned rgb;
        std::chrono::steady_clock::time_point from;
    };
    std::vector<Shown> Watch(int ms) {
        std::vector<Shown> shown;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        PumpUntil(
            [&] {
                const QImage frame = widget.CurrentFrame();
                if (!frame.isNull()) {
                    const unsigned rgb = Centre(frame);
                    if (shown.empty() || shown.back().rgb != rgb)
                        shown.push_back({rgb, std::chrono::steady_clock::now()});
                }
                return std::chrono::steady_clock::now() >= end;
            },
            ms + 1000);
        return shown;
    }

    NotifyRecorder notify;
    VideoWidget widget;
    MediaGraph graph;
};

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

TEST_F(AnimatedGraphTest, TheViewerShowsEachFrameForItsDelayOverAndOver) {
    const std::string gif =
        testmedia::TimedGif(dir, "anim.gif", 40, 30, {{kRed, 30}, {kGreen, 80}, {kBlue, 30}});
    Open(gif);
    EXPECT_EQ(graph.Content(), MediaContent::VideoOnly);
    int32_t w = 0, h = 0;
    ASSERT_TRUE(graph.GetVideoDimensions(&w, &h));
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);

    const std::vector<Shown> shown = Watch(3600);
    ASSERT_GE(shown.size(), 7u) << "the picture did not change often enough";
    // In the file's order, from its first frame, starting over after the last.
    const unsigned order[] = {kRed, kGreen, kBlue};
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i].rgb, order[i % 3]) << "change " << i;
    // Each whole frame stays for its own delay; a loaded machine draws a little late.
    const double delays[] = {300, 800, 300};
    for (size_t i = 1; i + 1 < shown.size(); ++i)
        EXPECT_NEAR(Ms(shown[i + 1].from - shown[i].from), delays[i % 3], 150) << "frame " << i;
    EXPECT_NEAR(Ms(shown[4].from - shown[1].from), 1400, 150) << "one whole loop";

    // A picture to its callers all the while: it neither plays nor ends.
    EXPECT_EQ(graph.State(), GraphState::Idle);
    EXPECT_EQ(graph.GetDuration(), 0);
    EXPECT_EQ(notify.Count(UM_GRAPH_POSITION), 0);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0);

    // Closed, it stops drawing.
    graph.Close();
    const QImage last = widget.CurrentFrame();
    Pump(500);
    EXPECT_EQ(widget.CurrentFrame().cacheKey(), last.cacheKey());
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0);
}

TEST_F(AnimatedGraphTest, AGifOfOneFrameStaysAStill) {
    Open(testmedia::TimedGif(dir, "still.gif", 40, 30, {{kGreen, 10}}));
    ASSERT_TRUE(PumpUntil([&] { return !widget.CurrentFrame().isNull(); }, 10000));
    EXPECT_EQ(Centre(widget.CurrentFrame()), kGreen);
    // Cued on its frame, nothing runs: no event thread, so not even its end is told.
    Pump(400);
    EXPECT_EQ(graph.State(), GraphState::Idle);
    graph.Close();
    Pump(100);
    EXPECT_TRUE(notify.messages.empty());
}

}  // namespace

// A cut longer than half a minute of a 640x480 source into the largest profiles: the
// writer must keep taking both streams to the end and the range must come out whole.
#include <gtest/gtest.h>

#include <QRect>
#include <filesystem>

#include "engine/media_graph.h"
#include "engine/profiles.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"
#include "tests/support/reference_media.h"

namespace fs = std::filesystem;

namespace {

TEST(LongCutReference, A640x480AsfCutOfHalfAMinuteEnds) {
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    VideoWidget widget;
    std::string dir = testmedia::MakeTempDir("longcut");
    ListProfiles(1, nullptr);
    const double start = 1.0, stop = 33.0;
    // A grainy source with the data rate of a camera's: a picture-less one never filled
    // the writer's queues far enough to show a stall.
    std::string source = refmedia::NumberedVideo(dir, "long.wmv", 35.0, 640, 480, true);
    if (source.empty() && !refmedia::HaveFfmpeg())
        FAIL() << "ffmpeg makes the source";
    ASSERT_FALSE(source.empty());
    {
        for (int32_t index : {4}) {
            SystemProfile profile;
            ASSERT_EQ(MapProfile(index, &profile), S_OK);
            std::string out = dir + "/long_" + std::to_string(index) + ".asf";
            MediaGraph graph;
            QRect r(0, 0, 240, 180);
            graph.SetWindows(&notify, &widget, &r);
            ASSERT_EQ(graph.Open(source.c_str(), FALSE), S_OK);
            notify.messages.clear();
            auto began = std::chrono::steady_clock::now();
            ASSERT_TRUE(graph.Convert(source.c_str(), ConversionMode::Asf, out.c_str(), start * 10,
                                      stop * 10, index));
            ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_COMPLETE) > 0; }, 60000))
                << "stuck at " << graph.GetPosition() << " tenths";
            graph.Close();
            std::printf(
                "long cut with profile %d took %.1f s\n", index,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
            refmedia::Decoded d = refmedia::Decode(out);
            ASSERT_TRUE(d.ok) << d.error;
            ASSERT_FALSE(d.frames.empty());
            EXPECT_EQ(d.width, profile.videoWidth);
            // ffmpeg starts the pictures of a Windows Media file 46 ms late: at 1.0 s frame 23
            // is on screen, at 33.0 s frame 823.
            EXPECT_EQ(d.frames.front(), 23);
            EXPECT_NEAR(d.frames.back(), 823, 1);
            double fps = double(profile.frameRateNum) / profile.frameRateDen;
            EXPECT_NEAR(double(d.frames.size()), (stop - start) * fps, 1.0);
            EXPECT_NEAR(d.sound.size() / double(d.rate), stop - start, 0.1);
            if (refmedia::HaveFfmpeg()) {
                refmedia::Probed p = refmedia::Probe(out);
                EXPECT_TRUE(p.ok);
                EXPECT_EQ(p.warnings, "");
                EXPECT_NEAR(p.duration, stop - start, 0.2);
            }
        }
    }
    testmedia::RemoveTree(dir);
}

}  // namespace

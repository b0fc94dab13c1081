// Seeks that do not hold the window: a graph fed through a pipe that stops delivering.
#include <gtest/gtest.h>

#include <chrono>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/engine/held_pipe.h"
#include "tests/support/media_factory.h"

namespace {

TEST(GraphSeekTest, AStalledGraphsSeekLeavesTheWindowAnswering) {
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    const std::string dir = testmedia::MakeTempDir("stall");
    {
        MediaGraph graph;
        StalledPipe pipe(dir, 20.0);
        ASSERT_NO_FATAL_FAILURE(StartStalled(graph, pipe, notify));

        ExpectAnswering("the seek", [&] { EXPECT_TRUE(graph.SeekAsync(100.0)); });
        EXPECT_LT(PingMs(), 50);
        EXPECT_EQ(graph.GetPosition(), 100) << "where it goes, until it gets there";
        // Nor does the player's pause wait for a stalled graph to complete it.
        ExpectAnswering("the pause", [&] { EXPECT_TRUE(graph.PlayPauseAsync()); });
        EXPECT_EQ(graph.State(), GraphState::Paused);

        pipe.Release();
        EXPECT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_SEEK_DONE) > 0; }, 30000))
            << "the seek's end is reported";
    }
    testmedia::RemoveTree(dir);
}

TEST(GraphSeekTest, AnAsynchronousSeekLandsAndIsReported) {
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    const std::string dir = testmedia::MakeTempDir("seekdone");
    const std::string wav = testmedia::Tone(dir, "tone.wav", 6.0);
    {
        MediaGraph graph;
        EXPECT_FALSE(graph.SeekAsync(10.0)) << "nothing open";
        graph.SetWindows(&notify, nullptr, nullptr);
        ASSERT_EQ(graph.Open(wav.c_str(), FALSE), S_OK);
        ASSERT_TRUE(graph.Restart());
        ASSERT_TRUE(graph.SeekAsync(20.0));
        ASSERT_TRUE(graph.SeekAsync(40.0)) << "the newest request wins";
        ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_SEEK_DONE) > 0; }, 30000));
        const RecordedMessage* last = nullptr;
        for (const auto& m : notify.messages)
            if (m.message == UM_GRAPH_SEEK_DONE)
                last = &m;
        ASSERT_TRUE(last);
        EXPECT_EQ(last->wParam, 1);
        EXPECT_TRUE(PumpUntil([&] { return graph.GetPosition() >= 40; }, 30000));
        EXPECT_LT(graph.GetPosition(), 55);
        EXPECT_EQ(graph.State(), GraphState::Running);
    }
    testmedia::RemoveTree(dir);
}

}  // namespace

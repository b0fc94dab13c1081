// Restarts and rewinds that do not hold the window: the graph's state waits run on its
// transport thread and their outcome comes back as UM_GRAPH_REWOUND.
#include <gtest/gtest.h>

#include <chrono>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

class GraphTransportTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("transport"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    // Index of the last `message` received, or -1.
    int LastIndexOf(int message) const {
        for (size_t i = notify.messages.size(); i > 0; --i)
            if (notify.messages[i - 1].message == message)
                return static_cast<int>(i - 1);
        return -1;
    }
    // Runs call, which must succeed, come back at once and leave the window answering.
    template <class Call>
    void ExpectPrompt(const char* what, Call call) {
        ExpectAnswering(what, [&] { EXPECT_TRUE(call()) << what; });
    }
    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
};

TEST_F(GraphTransportTest, AStalledGraphsRestartSeekAndRewindLeaveTheWindowAnswering) {
    MediaGraph graph;
    StalledPipe pipe(dir, 20.0);
    ASSERT_NO_FATAL_FAILURE(StartStalled(graph, pipe, notify));

    // The restart pauses a graph that never completes a pause, then seeks it.
    ExpectPrompt("Restart", [&] { return graph.Restart(); });
    EXPECT_EQ(graph.State(), GraphState::Running);
    EXPECT_EQ(graph.GetPosition(), 0);
    ExpectPrompt("a pause", [&] { return graph.PlayPauseAsync(); });
    // A paused graph's seek waits for the preroll at the new place, which never comes.
    ExpectPrompt("a paused seek", [&] { return graph.SeekAsync(30.0); });
    EXPECT_EQ(graph.GetPosition(), 30);
    ExpectPrompt("StopAndRewind", [&] { return graph.StopAndRewind(); });
    EXPECT_EQ(graph.State(), GraphState::Idle);
    EXPECT_EQ(graph.GetPosition(), 0);
    EXPECT_LT(PingMs(), 50);

    pipe.Release();
    ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_REWOUND) >= 1; }, 30000))
        << "the outcome comes once the graph moves again";
    // The rewind was asked for last: the seek before it never lands after it.
    PumpUntil([&] { return graph.GetPosition() == 0 && LastIndexOf(UM_GRAPH_REWOUND) >= 0; }, 2000);
    EXPECT_LT(LastIndexOf(UM_GRAPH_SEEK_DONE), LastIndexOf(UM_GRAPH_REWOUND));
    EXPECT_EQ(graph.State(), GraphState::Idle);
    graph.Close();
}

TEST_F(GraphTransportTest, ARestartRunsFromTheStartUnlessPausedMeanwhile) {
    const std::string wav = testmedia::Tone(dir, "tone.wav", 6.0);
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    EXPECT_TRUE(graph.Restart()) << "nothing open: nothing to do";
    EXPECT_FALSE(graph.StopAndRewind());
    ASSERT_EQ(graph.Open(wav.c_str(), FALSE), S_OK);
    ASSERT_TRUE(SeekAndWait(graph, notify, 30.0));

    ASSERT_TRUE(graph.Restart());
    EXPECT_EQ(AwaitReport(notify, UM_GRAPH_REWOUND, 0), 1);
    ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_POSITION) > 0; }, 30000));
    EXPECT_LT(graph.GetPosition(), 25) << "it runs from the start";
    EXPECT_EQ(graph.State(), GraphState::Running);

    // Paused right after a restart, it stays paused once the restart has landed.
    size_t from = notify.messages.size();
    ASSERT_TRUE(graph.Restart());
    ASSERT_TRUE(graph.PlayPauseAsync());
    EXPECT_EQ(AwaitReport(notify, UM_GRAPH_REWOUND, from), 1);
    EXPECT_EQ(graph.State(), GraphState::Paused);
    const int32_t standing = graph.GetPosition();
    Pump(500);
    EXPECT_LE(graph.GetPosition(), standing + 1) << "it did not run on";

    // A rewind stands at the start, paused, and a later play runs from there.
    from = notify.messages.size();
    ASSERT_TRUE(graph.PlayPauseAsync());
    ASSERT_TRUE(RewindAndWait(graph, notify));
    EXPECT_EQ(graph.State(), GraphState::Idle);
    EXPECT_LE(graph.GetPosition(), 1);
    graph.Close();
    EXPECT_TRUE(prompts.texts.empty());
}

}  // namespace

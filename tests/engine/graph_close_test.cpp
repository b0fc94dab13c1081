// Closes that do not hold the window: the pipeline given up stops and is freed on a
// thread of its own, and tells nothing more of its file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/max_path.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

class GraphCloseTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("graphclose"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    // Closes the graph, which must come back at once and leave the window answering.
    void ExpectPromptClose(MediaGraph& graph) {
        ExpectAnswering("the close", [&] { graph.Close(); });
    }
    // A closed graph reads as empty.
    static void ExpectEmpty(MediaGraph& graph, const std::string& file) {
        EXPECT_EQ(graph.State(), GraphState::Ended);
        EXPECT_FALSE(graph.HasGraph());
        EXPECT_EQ(graph.Content(), MediaContent::None);
        EXPECT_EQ(graph.GetPosition(), 0);
        EXPECT_EQ(graph.GetDuration(), 0);
        char name[kMaxPath];
        ASSERT_TRUE(graph.GetFileName(name));
        EXPECT_EQ(std::string(name), file) << "the last file's name, as before";
    }
    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
};

TEST_F(GraphCloseTest, AStalledGraphClosesAtOnceAndIsFreedOnceItsSourceLetsGo) {
    MediaGraph graph;
    StalledPipe pipe(dir, 20.0);
    ASSERT_NO_FATAL_FAILURE(StartStalled(graph, pipe, notify));
    // A paused seek never lands on it: the transport thread stays held by the pipeline.
    ASSERT_TRUE(graph.PlayPauseAsync());
    ASSERT_TRUE(graph.SeekAsync(50.0));

    ExpectPromptClose(graph);
    ExpectEmpty(graph, pipe.Path());
    EXPECT_FALSE(graph.AwaitRetired(200)) << "the pipeline cannot stop while its source stalls";
    Pump(100);  // the close's own last word
    const size_t closedAt = notify.messages.size();

    pipe.Release();
    EXPECT_TRUE(graph.AwaitRetired(30000)) << "freed once its source ends";
    Pump(300);
    for (size_t i = closedAt; i < notify.messages.size(); ++i)
        ADD_FAILURE() << "message " << notify.messages[i].message << " of the closed file";
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(GraphCloseTest, ACloseThenAnOpenPlaysTheNextFileWithNothingOfTheFirstAfterIt) {
    const std::string first = testmedia::Tone(dir, "first.wav", 8.0);
    const std::string second = testmedia::Tone(dir, "second.wav", 3.0, 44100, 2, 660);
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.Open(first.c_str(), FALSE), S_OK);
    ASSERT_TRUE(SeekAndWait(graph, notify, 50.0));
    ASSERT_TRUE(graph.Run());
    ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_POSITION) > 0; }, 30000));

    // As the player goes from item to item: the close and the next open in one handler.
    ExpectPromptClose(graph);
    const size_t openedAt = notify.messages.size();
    ASSERT_EQ(graph.Open(second.c_str(), TRUE), S_OK);
    EXPECT_EQ(graph.GetDuration(), 30);
    ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_COMPLETE) > 0; }, 30000))
        << "the second file plays to its end";
    for (size_t i = openedAt; i < notify.messages.size(); ++i) {
        const RecordedMessage& m = notify.messages[i];
        if (m.message == UM_GRAPH_POSITION) {
            EXPECT_LE(m.wParam, 30) << "a position of the first file came after the open";
        } else if (m.message != UM_GRAPH_STOPPED) {
            EXPECT_EQ(m.message, UM_GRAPH_COMPLETE) << "only the second file's end";
        }
    }
    EXPECT_EQ(notify.Count(UM_GRAPH_STOPPED), 1) << "the close's own last word, and no more";
    graph.Close();
    EXPECT_TRUE(graph.AwaitRetired(30000));
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(GraphCloseTest, AHugePictureBeingDecodedClosesAtOnce) {
    // Just under the bound the graph refuses: its decoder fills 49 million pixels.
    const std::string picture = testmedia::Picture(dir, "huge.png", 7000, 7000);
    {
        // GStreamer ready, so that the open goes straight to the picture.
        MediaGraph warm;
        ASSERT_EQ(warm.Open(testmedia::Tone(dir, "warm.wav", 0.5).c_str(), FALSE), S_OK);
    }
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.OpenAsync(picture.c_str(), FALSE), S_OK);
    // The process's first open reads the plugin registry before it makes the graph.
    if (PumpUntil([&] { return notify.Count(UM_GRAPH_OPENED) > 0; }, 100)) {
        EXPECT_EQ(graph.FinishOpen(notify.messages.back().wParam), S_FALSE);
    }
    ASSERT_TRUE(graph.Opening());
    Pump(100);  // the decoder is under way
    ExpectPromptClose(graph);
    ExpectEmpty(graph, picture);
    EXPECT_FALSE(graph.Opening());
    EXPECT_TRUE(graph.AwaitRetired(30000));
}

}  // namespace

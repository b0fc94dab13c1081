// The list's next sound file prepared behind a playing one, in the same graph.
#include <gtest/gtest.h>

#include <chrono>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

class GraphJoinTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("join"); }
    void TearDown() override {
        graph.Close();
        testmedia::RemoveTree(dir);
    }
    bool StartSound(const std::string& path) {
        graph.SetWindows(&notify, nullptr, nullptr);
        return graph.Open(path.c_str(), FALSE) == S_OK && graph.Restart();
    }
    const RecordedMessage* First(int message) const {
        for (const auto& m : notify.messages)
            if (m.message == message)
                return &m;
        return nullptr;
    }
    bool WaitFor(int message) {
        return PumpUntil([&] { return notify.Count(message) > 0; }, 30000);
    }

    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    MediaGraph graph;
};

TEST_F(GraphJoinTest, ThePreparedItemFollowsAndBecomesTheOpenFile) {
    const std::string first = testmedia::Tone(dir, "first.wav", 1.0);
    // An MP3 next: its encoder's delay is skipped as the graph skips it for a first item.
    const std::string next = testmedia::Tone(dir, "next.mp3", 2.0, 44100, 2, 880);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(next.empty());
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartSound(first));
    ASSERT_TRUE(graph.QueueNext(next.c_str()));
    EXPECT_EQ(graph.QueuedFile(), next);
    EXPECT_FALSE(graph.QueueNext(first.c_str())) << "one item is prepared at a time";

    ASSERT_TRUE(WaitFor(UM_GRAPH_NEXT_STARTED));
    EXPECT_EQ(First(UM_GRAPH_NEXT_STARTED)->wParam, 1);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0) << "the first item's end is no end";
    EXPECT_EQ(notify.Count(UM_GRAPH_STOPPED), 0);
    const double heardAfter =
        std::chrono::duration<double>(First(UM_GRAPH_NEXT_STARTED)->at - started).count();
    EXPECT_GT(heardAfter, 0.7) << "the next item comes after the first one has played";
    ASSERT_TRUE(graph.TakeQueuedItem());
    EXPECT_TRUE(graph.QueuedFile().empty());
    char name[kMaxPath];
    graph.GetFileName(name);
    EXPECT_EQ(std::string(name), next);
    EXPECT_NEAR(graph.GetDuration(), 20, 1);
    EXPECT_EQ(graph.State(), GraphState::Running);
    EXPECT_LT(graph.GetPosition(), 10) << "the position counts in the new item";

    ASSERT_TRUE(WaitFor(UM_GRAPH_COMPLETE));
    const double total =
        std::chrono::duration<double>(First(UM_GRAPH_COMPLETE)->at - started).count();
    EXPECT_GT(total, 2.7) << "both items were played through";
    Pump(300);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
    EXPECT_FALSE(graph.TakeQueuedItem());
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(GraphJoinTest, ABrokenNextItemIsReportedAndTheCurrentOnePlaysToItsEnd) {
    const std::string first = testmedia::Tone(dir, "first.wav", 1.0);
    const std::string junk = testmedia::WriteBytes(dir, "junk.wav", std::string(4096, 'j'));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartSound(first));
    ASSERT_TRUE(graph.QueueNext(junk.c_str()));
    ASSERT_TRUE(WaitFor(UM_GRAPH_NEXT_STARTED));
    EXPECT_EQ(First(UM_GRAPH_NEXT_STARTED)->wParam, 0);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 0);
    EXPECT_FALSE(graph.TakeQueuedItem());
    graph.DropQueuedItem();
    ASSERT_TRUE(WaitFor(UM_GRAPH_COMPLETE));
    EXPECT_GT(std::chrono::duration<double>(First(UM_GRAPH_COMPLETE)->at - started).count(), 0.8)
        << "the next item's failure cut the current one short";
    Pump(300);
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
    char name[kMaxPath];
    graph.GetFileName(name);
    EXPECT_EQ(std::string(name), first);
}

TEST_F(GraphJoinTest, OnlyAnOpenSoundOnlyGraphPreparesAnItem) {
    const std::string sound = testmedia::Tone(dir, "sound.wav", 2.0);
    const std::string clip = testmedia::Video(dir, "clip.avi", 1.0);
    ASSERT_FALSE(clip.empty());
    EXPECT_FALSE(graph.QueueNext(sound.c_str())) << "nothing open";
    // A video plays into its area; what follows it opens as before.
    VideoWidget area;
    area.resize(320, 240);
    QRect r(0, 0, 320, 240);
    graph.SetWindows(&notify, &area, &r);
    ASSERT_EQ(graph.Open(clip.c_str(), FALSE), S_OK);
    EXPECT_FALSE(graph.QueueNext(sound.c_str()));
    ASSERT_TRUE(StartSound(sound));
    EXPECT_FALSE(graph.QueueNext(nullptr));
    EXPECT_FALSE(graph.QueueNext(""));
    graph.Close();
    EXPECT_FALSE(graph.QueueNext(sound.c_str())) << "closed";
    EXPECT_TRUE(graph.QueuedFile().empty());
}

}  // namespace

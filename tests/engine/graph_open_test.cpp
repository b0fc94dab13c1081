// Opens that do not hold the window: the file is read on the graph's own thread, and the
// interface thread takes the outcome over when UM_GRAPH_OPENED arrives.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <vector>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "tests/engine/graph_test_support.h"
#include "tests/engine/held_pipe.h"
#include "tests/support/media_factory.h"

namespace {

// The tickets of the UM_GRAPH_OPENED messages received so far, in order.
std::vector<uintptr_t> OpenedTickets(const NotifyRecorder& notify) {
    std::vector<uintptr_t> tickets;
    for (const auto& m : notify.messages)
        if (m.message == UM_GRAPH_OPENED)
            tickets.push_back(static_cast<uintptr_t>(m.wParam));
    return tickets;
}

// Waits for the next UM_GRAPH_OPENED and hands it to the graph; its outcome, or E_FAIL
// when none came.
HRESULT FinishNextOpen(MediaGraph& graph, NotifyRecorder& notify) {
    const size_t seen = OpenedTickets(notify).size();
    if (!PumpUntil([&] { return OpenedTickets(notify).size() > seen; }, 30000))
        return E_FAIL;
    return graph.FinishOpen(OpenedTickets(notify).back());
}

// Waits until an open in progress is finished, through any number of steps.
HRESULT FinishOpening(MediaGraph& graph, NotifyRecorder& notify) {
    HRESULT hr = S_FALSE;
    while (hr == S_FALSE && graph.Opening()) hr = FinishNextOpen(graph, notify);
    return hr;
}

class GraphOpenTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("graphopen"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
};

TEST_F(GraphOpenTest, AFileThatIsSlowToReadLeavesTheWindowAnsweringUntilItIsOpen) {
    const std::string path = dir + "/slow.wav";
    {
        MediaGraph graph;
        // Three bytes, too few to tell the kind, and the rest once released.
        HeldPipe pipe(path, WavSilence(1.0, 1.0), 3);
        ASSERT_TRUE(pipe.Made());
        graph.SetWindows(&notify, nullptr, nullptr);
        ASSERT_EQ(graph.OpenAsync(path.c_str(), FALSE), S_OK);
        EXPECT_TRUE(graph.Opening());
        EXPECT_LT(PingMs(), 50) << "the window did not answer while the file was read";
        EXPECT_LT(PingMs(), 50);
        // Nothing moves a graph whose file is still being read.
        EXPECT_FALSE(graph.Run());
        EXPECT_FALSE(graph.PlayPause());
        EXPECT_FALSE(graph.SeekAsync(5.0));
        EXPECT_EQ(graph.Content(), MediaContent::None);

        pipe.Release();
        EXPECT_EQ(FinishOpening(graph, notify), S_OK);
        EXPECT_FALSE(graph.Opening());
        EXPECT_EQ(graph.Content(), MediaContent::AudioOnly);
        EXPECT_EQ(graph.GetDuration(), 10);
        EXPECT_TRUE(prompts.texts.empty());
        EXPECT_EQ(graph.FinishOpen(OpenedTickets(notify).back()), S_FALSE) << "taken over once";
        EXPECT_TRUE(graph.Restart());
    }
}

TEST_F(GraphOpenTest, TheLaterOpenWinsAndAGivenUpOneLeavesNothingToFinish) {
    const std::string first = testmedia::Tone(dir, "first.wav", 1.0);
    const std::string second = testmedia::Tone(dir, "second.wav", 2.0);
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.OpenAsync(first.c_str(), FALSE), S_OK);
    ASSERT_EQ(graph.OpenAsync(second.c_str(), FALSE), S_OK);
    EXPECT_EQ(FinishOpening(graph, notify), S_OK);
    for (uintptr_t ticket : OpenedTickets(notify))
        EXPECT_EQ(graph.FinishOpen(ticket), S_FALSE) << "every report is spent or stale now";
    std::vector<char> name(kMaxPath);
    graph.GetFileName(name.data());
    EXPECT_STREQ(name.data(), second.c_str());
    EXPECT_EQ(graph.GetDuration(), 20);

    // Closed, or its windows changed, while it reads: nothing is left to finish.
    ASSERT_EQ(graph.OpenAsync(first.c_str(), FALSE), S_OK);
    graph.Close();
    EXPECT_FALSE(graph.Opening());
    EXPECT_FALSE(graph.HasGraph());
    ASSERT_EQ(graph.OpenAsync(first.c_str(), FALSE), S_OK);
    graph.SetWindows(&notify, nullptr, nullptr);
    EXPECT_FALSE(graph.Opening());
    for (uintptr_t ticket : OpenedTickets(notify)) EXPECT_EQ(graph.FinishOpen(ticket), S_FALSE);
    EXPECT_FALSE(graph.HasGraph());

    // Going away while an open reads its file is safe too.
    auto doomed = std::make_unique<MediaGraph>();
    doomed->SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(doomed->OpenAsync(second.c_str(), FALSE), S_OK);
    doomed.reset();
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(GraphOpenTest, AFailedOpenIsAValueWithItsMessageAndLeavesNothingOpen) {
    const std::string junk = testmedia::WriteBytes(dir, "junk.mp3", std::string(4096, '\x5a'));
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    ASSERT_EQ(graph.OpenAsync(junk.c_str(), FALSE), S_OK) << "refused only once read";
    const HRESULT hr = FinishOpening(graph, notify);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(graph.GetLastError(), hr);
    EXPECT_FALSE(graph.HasGraph()) << "a failed open leaves nothing behind";
    const Notices told = graph.TakeNotices();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].text.find("RenderFile"), std::string::npos) << told[0].text;
    EXPECT_TRUE(graph.TakeNotices().empty()) << "handed over once";

    // A path the graph cannot hold is refused at once, with nothing on its way.
    const std::string tooLong = dir + "/" + std::string(kMaxPath, 'a') + ".mp3";
    EXPECT_TRUE(FAILED(graph.OpenAsync(tooLong.c_str(), FALSE)));
    EXPECT_FALSE(graph.Opening());
    EXPECT_EQ(graph.TakeNotices().size(), 1u);
    // The synchronous open says the same as a value.
    EXPECT_TRUE(FAILED(graph.Open(junk.c_str(), FALSE)));
    EXPECT_FALSE(graph.HasGraph());
}

}  // namespace

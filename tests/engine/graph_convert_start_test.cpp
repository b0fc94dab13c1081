// Conversion starts that do not hold the window: the source is read and the writers are
// readied on the graph's open thread, and UM_GRAPH_CONVERSION_STARTED tells the outcome.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

class GraphConvertStartTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = testmedia::MakeTempDir("convertstart"); }
    void TearDown() override { testmedia::RemoveTree(dir); }
    // The start's report, or null when none came within the bound.
    const RecordedMessage* AwaitStarted(int timeoutMs = 30000) {
        PumpUntil([&] { return notify.Count(UM_GRAPH_CONVERSION_STARTED) > 0; }, timeoutMs);
        for (const auto& m : notify.messages)
            if (m.message == UM_GRAPH_CONVERSION_STARTED)
                return &m;
        return nullptr;
    }
    std::string dir;
    GraphTestPrompts prompts;
    NotifyRecorder notify;
};

TEST_F(GraphConvertStartTest, AStartOnAStalledSourceLeavesTheWindowAnsweringUntilItFails) {
    const std::string target = dir + "/cut.wav";
    {
        // As in the editor, whose preview has read a file before: GStreamer is ready.
        MediaGraph warm;
        ASSERT_EQ(warm.Open(testmedia::Tone(dir, "warm.wav", 0.5).c_str(), FALSE), S_OK);
    }
    MediaGraph graph;
    StalledPipe pipe(dir, 20.0);
    graph.SetWindows(&notify, nullptr, nullptr);
    // Only the graph is made here (its elements, on this thread as for any open); the
    // source, which never gives more, is read elsewhere.
    BOOL accepted = FALSE;
    ExpectAnswering(
        "the start",
        [&] {
            accepted = graph.ConvertAsync(pipe.Path().c_str(), ConversionMode::Wav, target.c_str(),
                                          0.0, 3.0, 100);
        },
        250);
    ASSERT_TRUE(accepted);
    EXPECT_TRUE(graph.Opening());
    EXPECT_FALSE(graph.Run()) << "nothing moves a graph being started";
    Pump(300);
    EXPECT_EQ(notify.Count(UM_GRAPH_CONVERSION_STARTED), 0) << "the stalled source holds it";

    // The pipe ends and is gone: the writers' graph cannot read it again.
    pipe.Release();
    std::remove(pipe.Path().c_str());
    const RecordedMessage* started = AwaitStarted();
    ASSERT_TRUE(started);
    EXPECT_EQ(graph.FinishOpen(started->wParam), S_FALSE) << "not an open's ticket";
    const HRESULT hr = graph.FinishConversion(started->wParam);
    EXPECT_TRUE(FAILED(hr)) << "the source cannot be read again";
    EXPECT_TRUE(FAILED(graph.GetLastError()));
    EXPECT_FALSE(graph.Opening());
    EXPECT_FALSE(graph.HasGraph()) << "nothing is left open";
    EXPECT_FALSE(std::filesystem::exists(target)) << "no file is left behind";
    EXPECT_EQ(graph.FinishConversion(started->wParam), S_FALSE) << "taken over once";
}

TEST_F(GraphConvertStartTest, AStartIsCheckedAtOnceAndItsConversionWritesTheRange) {
    const std::string source = testmedia::Tone(dir, "tone.wav", 3.0);
    const std::string target = dir + "/cut.wav";
    MediaGraph graph;
    graph.SetWindows(&notify, nullptr, nullptr);
    // Refused before anything is read.
    EXPECT_FALSE(
        graph.ConvertAsync(source.c_str(), ConversionMode::Wav, source.c_str(), 5.0, 15.0, 100));
    EXPECT_EQ(graph.GetLastError(), E_INVALIDARG) << "over its own source";
    EXPECT_FALSE(
        graph.ConvertAsync(source.c_str(), ConversionMode::Wav, target.c_str(), 15.0, 5.0, 100));
    EXPECT_EQ(graph.GetLastError(), E_INVALIDARG) << "an inverted range";
    EXPECT_FALSE(graph.Opening());

    ASSERT_TRUE(
        graph.ConvertAsync(source.c_str(), ConversionMode::Wav, target.c_str(), 5.0, 15.0, 100));
    const RecordedMessage* started = AwaitStarted();
    ASSERT_TRUE(started);
    const intptr_t ticket = started->wParam;
    EXPECT_EQ(graph.FinishConversion(ticket + 1), S_FALSE) << "another start's ticket";
    ASSERT_EQ(graph.FinishConversion(ticket), S_OK);
    ASSERT_TRUE(PumpUntil(
        [&] { return notify.Count(UM_GRAPH_COMPLETE) + notify.Count(UM_GRAPH_STOPPED) > 0; },
        30000));
    EXPECT_EQ(notify.Count(UM_GRAPH_COMPLETE), 1);
    EXPECT_EQ(notify.Count(UM_GRAPH_STOPPED), 0);
    const MediaProbe probe = ProbeMedia(target);
    ASSERT_TRUE(probe.ok);
    EXPECT_TRUE(probe.hasAudio);
    EXPECT_NEAR(probe.audioSeconds, 1.0, 0.05);
    EXPECT_TRUE(prompts.texts.empty());
}

}  // namespace

// Seeks that do not hold the window: a graph fed through a pipe that stops delivering.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "platform/messages.h"
#include "tests/engine/graph_test_support.h"
#include "tests/support/media_factory.h"

namespace {

using Clock = std::chrono::steady_clock;

void PutLe(std::vector<char>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A WAV header promising `seconds` of 44.1 kHz 16-bit stereo, and half a second of it.
std::vector<char> WavStart(double seconds) {
    const uint32_t rate = 44100, block = 4, data = static_cast<uint32_t>(seconds * rate) * block;
    std::vector<char> b;
    for (char c : std::string("RIFF")) b.push_back(c);
    PutLe(b, data + 36, 4);
    for (char c : std::string("WAVEfmt ")) b.push_back(c);
    PutLe(b, 16, 4);
    PutLe(b, 1, 2);
    PutLe(b, 2, 2);
    PutLe(b, rate, 4);
    PutLe(b, rate * block, 4);
    PutLe(b, block, 2);
    PutLe(b, 16, 2);
    for (char c : std::string("data")) b.push_back(c);
    PutLe(b, data, 4);
    b.resize(b.size() + rate / 2 * block, 0);
    return b;
}

TEST(GraphSeekTest, AStalledGraphsSeekLeavesTheWindowAnswering) {
    GraphTestPrompts prompts;
    NotifyRecorder notify;
    const std::string dir = testmedia::MakeTempDir("stall");
    const std::string pipe = dir + "/stalled.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // A graph that gives up on the pipe closes it under the writer: a failed write, not
    // the end of the test program.
    std::signal(SIGPIPE, SIG_IGN);
    std::atomic<bool> release{false};
    // The writer gives the start of the file and then nothing more until released.
    std::thread writer([&] {
        int fd = ::open(pipe.c_str(), O_WRONLY);
        if (fd < 0)
            return;
        const std::vector<char> start = WavStart(20.0);
        size_t done = 0;
        while (done < start.size()) {
            ssize_t n = ::write(fd, start.data() + done, start.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::close(fd);
    });
    // Ends the writer before the graph closes, whatever the checks found: a graph reading
    // a pipe that is still open closes only once the pipe ends.
    struct Release {
        std::atomic<bool>& flag;
        std::thread& thread;
        ~Release() {
            flag = true;
            if (thread.joinable())
                thread.join();
        }
    };
    {
        MediaGraph graph;
        Release guard{release, writer};
        graph.SetWindows(&notify, nullptr, nullptr);
        ASSERT_EQ(graph.Open(pipe.c_str(), FALSE), S_OK);
        ASSERT_TRUE(graph.Run());
        // Past what was delivered, the graph starves: its sink waits for data that does
        // not come, and a pause (as a seek used to make) never completes.
        ASSERT_TRUE(PumpUntil([&] { return notify.Count(UM_GRAPH_POSITION) > 0; }, 30000));
        // Half a second of sound is all there is; whether or not it has all been heard by
        // then, the graph can only stall from here on.
        PumpUntil([&] { return graph.GetPosition() >= 5; }, 2000);

        const auto called = Clock::now();
        EXPECT_TRUE(graph.SeekAsync(100.0));
        const double callMs =
            std::chrono::duration<double, std::milli>(Clock::now() - called).count();
        EXPECT_LT(callMs, 50) << "the call waited for the graph";
        EXPECT_LT(PingMs(), 50) << "the window did not answer while the graph stalled";
        EXPECT_LT(PingMs(), 50);
        // Nor does the player's pause wait for a stalled graph to complete it.
        const auto paused = Clock::now();
        EXPECT_TRUE(graph.PlayPauseAsync());
        using Ms = std::chrono::duration<double, std::milli>;
        EXPECT_LT(Ms(Clock::now() - paused).count(), 50) << "the pause waited for the graph";
        EXPECT_EQ(graph.State(), GraphState::Paused);
        EXPECT_LT(PingMs(), 50);

        release = true;
        writer.join();
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

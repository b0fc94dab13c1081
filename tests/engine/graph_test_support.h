// Shared pieces of the media engine tests: a notify window that records the graph's
// messages, scripted prompts, and event pumping.
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/user_prompts.h"
#include "tests/engine/held_pipe.h"
#include "tests/support/wait_until.h"

struct RecordedMessage {
    int message;
    intptr_t wParam;
    std::chrono::steady_clock::time_point at;
};

class NotifyRecorder : public QObject {
  public:
    bool event(QEvent* e) override;
    int Count(int message) const;
    std::vector<RecordedMessage> messages;
};

// The engine tells its failures as values (MediaGraph::TakeNotices) and never shows a box
// itself: any box asked for while these prompts are in place fails the test.
class GraphTestPrompts : public UserPrompts {
  public:
    GraphTestPrompts() { SetUserPrompts(this); }
    ~GraphTestPrompts() override { SetUserPrompts(nullptr); }
    int MessageBox(QWidget*, const std::string& text, const std::string& caption,
                   unsigned) override {
        ADD_FAILURE() << "the engine showed a box of its own: " << caption << ": " << text;
        texts.push_back(text);
        captions.push_back(caption);
        return IDOK;
    }
    bool PromptForFiles(QWidget*, const FilePromptRequest&, std::vector<std::string>*) override {
        return false;
    }
    bool PromptForFolder(QWidget*, const std::string&, std::string*) override { return false; }
    std::vector<std::string> texts;
    std::vector<std::string> captions;
};

// Processes events for the given time.
void Pump(int ms);

class MediaGraph;

// Hands the graph a seek and waits until it reports having landed (or refused it); true
// when it landed. A paused graph shows the new place's frame by then.
bool SeekAndWait(MediaGraph& graph, NotifyRecorder& notify, double tenths);
// Hands the graph a rewind and waits for its report; true when it stands at the start.
bool RewindAndWait(MediaGraph& graph, NotifyRecorder& notify);
// The wParam of the last `message` received since `from` (an index into messages), or -1
// when none came within the bound.
intptr_t AwaitReport(NotifyRecorder& notify, int message, size_t from, int timeoutMs = 30000);

// A WAV file in a pipe whose writer gives the header and half a second of sound of the
// `seconds` it promises, then nothing more until released: a graph playing it starves, and
// a pause, a preroll or a seek never completes. The writer is released, at the latest,
// when this goes (before the graph closes, as a graph reading an open pipe closes only
// once the pipe ends).
class StalledPipe : public HeldPipe {
  public:
    StalledPipe(const std::string& dir, double seconds);
    const std::string& Path() const { return m_path; }
    // Lets the writer end the pipe, and waits until it has.
    void Release() { Finish(); }

  private:
    std::string m_path;
};

// Opens `pipe` in `graph`, starts it and waits while it plays the half second the pipe
// gives: from there on the graph can only stall. Call it inside ASSERT_NO_FATAL_FAILURE.
void StartStalled(MediaGraph& graph, const StalledPipe& pipe, NotifyRecorder& notify);

// Milliseconds until the event loop answers a ping posted now: how long the interface
// thread keeps a user waiting.
double PingMs();

// Runs `call`, which must come back within `boundMs` and leave the window answering a ping
// in under 50 ms: the interface thread did not wait on the graph.
template <class Call>
void ExpectAnswering(const std::string& what, Call call, double boundMs = 50) {
    const auto called = std::chrono::steady_clock::now();
    call();
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - called;
    EXPECT_LT(took.count(), boundMs) << what << " waited for the graph";
    EXPECT_LT(PingMs(), 50) << "the window did not answer after " << what;
}

// A WAV file's bytes: a header promising `promisedSeconds` of 44.1 kHz 16-bit stereo, and
// `givenSeconds` of silence after it.
std::vector<char> WavSilence(double promisedSeconds, double givenSeconds);

// What a decoded file holds, read back with a plain decoding pipeline.
struct MediaProbe {
    bool ok = false;
    bool hasVideo = false;
    bool hasAudio = false;
    int width = 0;
    int height = 0;
    int fpsNum = 0;
    int fpsDen = 1;
    int videoFrames = 0;
    double audioSeconds = 0;  // from the decoded sample count
};
MediaProbe ProbeMedia(const std::string& path);

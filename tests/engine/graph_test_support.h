// Shared pieces of the media engine tests: a notify window that records the graph's
// messages, scripted prompts, and event pumping.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/user_prompts.h"
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

class GraphTestPrompts : public UserPrompts {
  public:
    GraphTestPrompts() { SetUserPrompts(this); }
    ~GraphTestPrompts() override { SetUserPrompts(nullptr); }
    int MessageBox(QWidget*, const std::string& text, const std::string& caption,
                   unsigned) override {
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

// Milliseconds until the event loop answers a ping posted now: how long the interface
// thread keeps a user waiting.
double PingMs();

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

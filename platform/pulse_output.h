// The sound device's stream as a client of the PulseAudio server (or PipeWire's pulse
// server): it renames the stream where it stands, so that a list played without a break
// shows each item in the mixer, and its volume is the stream volume the mixer shows.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/mix_output.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

class PulseOutput final : public MixOutput {
  public:
    // A client named `appName` of the server the environment points at; null when none
    // answers within `bound` (a server is never started for it).
    static std::unique_ptr<PulseOutput> Connect(const std::string& appName,
                                                std::chrono::milliseconds bound);
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    bool Open(const WAVEFORMATEX& format, const OutputDevice& output, const std::string& title,
              MixSource& source) override;
    void Close() override;
    bool IsOpen() override;
    bool Retitle(const std::string& title) override;
    bool SetVolume(float linear) override;

  private:
    PulseOutput(std::string appName, std::chrono::milliseconds bound);
    // Under the loop's lock. A context that has failed (the server went away) is made anew.
    bool EnsureContextLocked();
    bool ConnectStreamLocked(const WAVEFORMATEX& format, const char* sink,
                             const std::string& title);
    void DropStreamLocked();
    void ApplyVolumeLocked();
    // Waits (the loop's lock held) until `done` or the bound has passed.
    template <typename Done>
    bool WaitLocked(Done done);
    static void OnContextState(pa_context* c, void* self);
    static void OnStreamState(pa_stream* s, void* self);
    static void OnWrite(pa_stream* s, size_t bytes, void* self);

    const std::string m_appName;
    const std::chrono::milliseconds m_bound;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    MixSource* m_source = nullptr;
    size_t m_frameBytes = 0;
    int m_channels = 2;
    float m_volume = 1.0f;
    bool m_raised = false;  // the loop's thread only
};

// The sound device's stream on SDL audio.
#pragma once

#include <memory>
#include <string>

#include "platform/mix_output.h"
#include "platform/sdl_api.h"

namespace mixing {

// The device's output on SDL audio: the fallback where no PulseAudio server answers, and
// what a forced SDL driver (the suite's dummy) gets. SDL names a stream only when it opens.
class SdlOutput final : public MixOutput {
  public:
    ~SdlOutput() override {
        Close();
        Sdl().QuitSubSystem(SDL_INIT_AUDIO);
    }
    bool Open(const WAVEFORMATEX& format, const OutputDevice& output, const std::string& title,
              MixSource& source) override;
    void Close() override {
        if (m_audio)
            Sdl().CloseAudioDevice(m_audio);  // waits for a running callback
        m_audio = 0;
    }
    bool IsOpen() override { return m_audio != 0; }
    bool Retitle(const std::string&) override { return false; }
    bool SetVolume(float) override { return false; }

  private:
    static void SDLCALL Callback(void* user, Uint8* stream, int len) {
        static_cast<MixSource*>(user)->Render(stream, static_cast<size_t>(std::max(len, 0)));
    }

    SDL_AudioDeviceID m_audio = 0;
};

// Starts SDL's audio for the program (its name in the mixer, no signal handlers of its
// own) and makes an output on it; null when SDL has no audio.
std::unique_ptr<MixOutput> MakeSdlOutput(const char* programName);

}  // namespace mixing

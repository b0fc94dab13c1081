// Where the sound device's mix is heard: one stream of the sound server at the mix's own
// format, which pulls the mix on a thread of its own. SDL audio and the PulseAudio client
// are the two kinds; the device takes one when it is made and keeps its mixing to itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dsound.h"
#include "platform/output_device.h"

namespace mixing {
// Frames an output asks the mix for at a time; the mix is sized for it.
constexpr uint16_t kMixCallbackFrames = 512;
// The stream's name in the desktop's mixer while nothing names an item.
constexpr char kMixProgramName[] = "VELTRA";
}  // namespace mixing

// What a stream plays. Render runs on the output's thread.
class MixSource {
  public:
    // Fills `bytes` bytes of interleaved samples at the format the stream was opened with.
    virtual void Render(uint8_t* out, size_t bytes) = 0;

  protected:
    ~MixSource() = default;
};

class MixOutput {
  public:
    virtual ~MixOutput() = default;

    // Opens a stream at `format` (8- or 16-bit PCM) on `output`, or on the server's default
    // when that one is gone, named `title` in the desktop's mixer and pulling from `source`.
    // False when no stream opens.
    virtual bool Open(const WAVEFORMATEX& format, const OutputDevice& output,
                      const std::string& title, MixSource& source) = 0;
    // Ends the stream; no Render runs once it returns. Not from within Render.
    virtual void Close() = 0;
    virtual bool IsOpen() = 0;
    // Renames the open stream where it stands; false when only reopening it could. Also
    // from within Render.
    virtual bool Retitle(const std::string& title) = 0;
    // The stream's own volume as the mixer shows it (linear factor), kept for the next
    // stream too; false when the output has none and the mix must apply it.
    virtual bool SetVolume(float linear) = 0;
};

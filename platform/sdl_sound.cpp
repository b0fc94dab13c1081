#include "platform/sdl_sound.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/mix_device.h"
#include "platform/pulse_output.h"
#include "platform/sdl_output.h"

namespace {

// A server that does not answer this soon is not there for us.
constexpr auto kServerBound = std::chrono::milliseconds(2000);

// The sound server's own stream, where it is PulseAudio (or PipeWire's pulse server) and
// SDL is not told to use another driver; SDL's otherwise.
std::unique_ptr<MixOutput> MakeOutput() {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (!driver || !*driver || std::strcmp(driver, "pulseaudio") == 0) {
        if (std::unique_ptr<MixOutput> server =
                PulseOutput::Connect(mixing::kMixProgramName, kServerBound)) {
            // SDL's resampler still converts buffers of other rates: loaded now, not on the
            // output's thread in the middle of a sound.
            mixing::Sdl();
            return server;
        }
    }
    return mixing::MakeSdlOutput(mixing::kMixProgramName);
}

}  // namespace

float LinearGainFromHundredthsDb(LONG hundredthsDb) {
    if (hundredthsDb <= DSBVOLUME_MIN)
        return 0.0f;
    if (hundredthsDb >= 0)
        return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, IUnknown* outer) {
    if (!out)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (device)
        return DSERR_NODRIVER;  // only the default device exists
    return CreateMixingDevice(MakeOutput(), out);
}

HRESULT CreateMixingDevice(std::unique_ptr<MixOutput> output, IDirectSound8** out) {
    if (!out)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!output)
        return DSERR_NODRIVER;
    mixing::MixDevice* d = new (std::nothrow) mixing::MixDevice(std::move(output));
    if (!d)
        return DSERR_OUTOFMEMORY;
    *out = d;
    return S_OK;
}

// The sound device: one stream at the primary buffer's format, whose output pulls a mix of
// every playing secondary buffer straight out of its ring, so the play cursor moves in
// real time (also under SDL's dummy driver). The stream is PulseAudio's own where a server
// answers, SDL2 audio otherwise. Callers use only the interfaces of platform/dsound.h.
#pragma once

#include <memory>

#include "platform/dsound.h"
#include "platform/mix_output.h"

// Creates the default device (device must be null: there is only one). *out gets one
// reference. DSERR_NODRIVER when SDL has no audio output, CLASS_E_NOAGGREGATION with
// an outer object.
HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, IUnknown* outer);
// The same device over an output of the caller's (a test's own). *out gets one reference.
HRESULT CreateMixingDevice(std::unique_ptr<MixOutput> output, IDirectSound8** out);

// 1/100 dB (0 full, -10000 silent) to the linear factor 10^(dB/2000); -10000 and below is 0.
float LinearGainFromHundredthsDb(LONG hundredthsDb);

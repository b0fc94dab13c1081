// The sound device on SDL2 audio. The device opens one SDL output at the primary
// buffer's format and its callback mixes every playing secondary buffer straight out of
// its ring, so the play cursor moves in real time (also under SDL's dummy driver).
// Callers use only the interfaces of platform/dsound.h.
#pragma once

#include "platform/dsound.h"

// Creates the default device (device must be null: there is only one). *out gets one
// reference. DSERR_NODRIVER when SDL has no audio output, CLASS_E_NOAGGREGATION with
// an outer object.
HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, IUnknown* outer);

// 1/100 dB (0 full, -10000 silent) to the linear factor 10^(dB/2000); -10000 and below is 0.
float LinearGainFromHundredthsDb(LONG hundredthsDb);

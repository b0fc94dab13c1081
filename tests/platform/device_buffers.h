// The buffers a sound-device check makes: a looping second that plays, as tunewell's ring
// does, and the primary buffer that carries the program's volume. They are released
// together, before the device that made them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/dsound.h"

namespace testsound {

inline WAVEFORMATEX Pcm16(int rate, int channels) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<WORD>(channels);
    f.nSamplesPerSec = static_cast<DWORD>(rate);
    f.wBitsPerSample = 16;
    f.nBlockAlign = static_cast<WORD>(2 * channels);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    return f;
}

inline WAVEFORMATEX Pcm16Stereo() {
    return Pcm16(44100, 2);
}

class DeviceBuffers {
  public:
    // A second of 16-bit stereo at 44.1 kHz, playing in a loop; `sample(i)` gives its i-th
    // sample (both channels counted). Null, with a failure recorded, when the device refused.
    IDirectSoundBuffer* Looping(IDirectSound8* ds, const std::function<int16_t(DWORD)>& sample) {
        const WAVEFORMATEX f = Pcm16Stereo();
        DSBUFFERDESC d{};
        d.dwSize = 36;
        d.dwBufferBytes = f.nAvgBytesPerSec;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = Made(ds, d);
        if (!b)
            return nullptr;
        void* part = nullptr;
        DWORD bytes = 0;
        EXPECT_EQ(b->Lock(0, d.dwBufferBytes, &part, &bytes, nullptr, nullptr, 0), S_OK);
        for (DWORD i = 0; i < bytes / 2; ++i) static_cast<int16_t*>(part)[i] = sample(i);
        b->Unlock(part, bytes, nullptr, 0);
        EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), S_OK);
        return b;
    }
    // The primary buffer, with volume control.
    IDirectSoundBuffer* Primary(IDirectSound8* ds) {
        DSBUFFERDESC d{};
        d.dwSize = 36;
        d.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME;
        return Made(ds, d);
    }
    void ReleaseAll() {
        for (IDirectSoundBuffer* b : m_buffers) b->Release();
        m_buffers.clear();
    }

  private:
    IDirectSoundBuffer* Made(IDirectSound8* ds, const DSBUFFERDESC& d) {
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), S_OK);
        if (b)
            m_buffers.push_back(b);
        return b;
    }

    std::vector<IDirectSoundBuffer*> m_buffers;
};

}  // namespace testsound

#pragma once

#include <cstdint>
#include <vector>

#include "platform/dsound.h"
#include "platform/sdl_api.h"

namespace mixing {

class MixDevice;

// A streaming buffer: a ring the caller fills through Lock/Unlock and the device's
// callback reads from at the buffer's own rate.
class MixSecondaryBuffer final : public IDirectSoundBuffer, public IDirectSoundNotify {
  public:
    MixSecondaryBuffer(MixDevice& device, DWORD flags, const WAVEFORMATEX& format,
                       std::vector<uint8_t> data);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override;

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT GetStatus(DWORD* status) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetFormat(const WAVEFORMATEX*) override { return DSERR_INVALIDCALL; }
    HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2,
                 DWORD* bytes2, DWORD flags) override;
    HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT Stop() override;
    HRESULT Restore() override { return S_OK; }
    HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) override;

    // Callback thread, device mutex held: adds this buffer's next frames to mix.
    void MixInto(float* mix, int frames, int outChannels, int outRate, float primaryGain);
    bool Playing() const { return m_playing; }

  private:
    friend class ::RefCount;  // the last Release deletes
    ~MixSecondaryBuffer();
    DWORD CursorLocked() const;
    void FireStopLocked();
    // The two ways of reading the ring: frame by frame when it already has the output's
    // rate, through SDL's resampler otherwise. Both answer how many frames of the ring
    // they consumed and whether a one-shot buffer has played out.
    uint64_t MixSameRate(float* mix, int frames, int outChannels, float gain, bool* ended);
    uint64_t MixConverted(float* mix, int frames, int outChannels, int outRate, float gain,
                          bool* ended);
    bool EnsureConverter(int outChannels, int outRate);
    void DropConverter();
    void FireNotificationsLocked(uint64_t fromByte, uint64_t travelled);

    MixDevice& m_device;
    RefCount m_refs;
    const DWORD m_flags;
    const WAVEFORMATEX m_format;
    std::vector<uint8_t> m_data;
    const DWORD m_frames;
    // Guarded by the device mutex.
    uint64_t m_pos = 0;  // the next frame the mix reads, always below m_frames
    bool m_playing = false;
    bool m_looping = false;
    LONG m_volume = 0;
    float m_gain = 1.0f;
    std::vector<DSBPOSITIONNOTIFY> m_notify;
    // Conversion to the output format (callback thread only, device mutex held). Picking
    // the nearest sample instead would fold images of every tone into the audible band.
    SDL_AudioStream* m_converter = nullptr;
    int m_converterRate = 0, m_converterChannels = 0;
    bool m_sourceDone = false;  // a one-shot buffer's last frame is in the converter
    size_t m_pieceFrames = 0;   // frames handed to the converter at a time
    std::vector<uint8_t> m_piece;
    std::vector<float> m_converted;
};

}  // namespace mixing

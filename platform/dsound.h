// The sound-device interfaces, shaped after DirectSound 8 so that the playback code
// keeps the ring-buffer logic it was designed around. The program implements them on
// SDL2 audio; tunewell sees only these abstract classes (header-only, nothing to link),
// so tests can hand it a fake device.
#pragma once

#include "platform/com.h"
#include "platform/event.h"

#pragma pack(push, 1)
// Windows wave format layout, byte for byte (18 bytes).
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr WORD WAVE_FORMAT_PCM = 1;

// Interleaved 16-bit PCM at `rate` with `channels` channels.
constexpr WAVEFORMATEX Pcm16Format(DWORD rate, WORD channels) {
    return WAVEFORMATEX{WAVE_FORMAT_PCM,
                        channels,
                        rate,
                        rate * static_cast<DWORD>(2 * channels),
                        static_cast<WORD>(2 * channels),
                        16,
                        0};
}

struct DSBUFFERDESC {
    DWORD dwSize;  // callers write 36, the size of the Windows structure
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    const WAVEFORMATEX* lpwfxFormat;
    GUID guid3DAlgorithm;
};

struct DSBPOSITIONNOTIFY {
    DWORD dwOffset;
    Event* hEventNotify;
};

struct D3DVECTOR {
    float x, y, z;
};

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr DWORD DSBCAPS_CTRL3D = 0x00000010;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr DWORD DSBCAPS_LOCDEFER = 0x00040000;

constexpr DWORD DSBPLAY_LOOPING = 0x00000001;
constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;
constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DS3D_IMMEDIATE = 0;
constexpr DWORD DS3D_DEFERRED = 1;
constexpr DWORD DSBPN_OFFSETSTOP = 0xFFFFFFFFu;
constexpr DWORD DSBSTATUS_PLAYING = 0x1;
constexpr DWORD DSBSTATUS_LOOPING = 0x4;

constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBVOLUME_MIN = -10000;

constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096);
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001E);
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;

// {279AFA83-4981-11CE-A521-0020AF0BE560}
inline constexpr IID IID_IDirectSound = {
    0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
// {C50A7E93-F395-4834-9EF6-7FA99DE50966}
inline constexpr IID IID_IDirectSound8 = {
    0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};
// {279AFA85-4981-11CE-A521-0020AF0BE560}
inline constexpr IID IID_IDirectSoundBuffer = {
    0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
// {279AFA84-4981-11CE-A521-0020AF0BE560}
inline constexpr IID IID_IDirectSound3DListener = {
    0x279AFA84, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
// {B0210783-89CD-11D0-AF08-00A0C925CD16}
inline constexpr IID IID_IDirectSoundNotify = {
    0xB0210783, 0x89CD, 0x11D0, {0xAF, 0x08, 0x00, 0xA0, 0xC9, 0x25, 0xCD, 0x16}};

class IDirectSoundBuffer : public IUnknown {
  public:
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2,
                         DWORD* bytes2, DWORD flags) = 0;
    virtual HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Restore() = 0;

  protected:
    ~IDirectSoundBuffer() = default;
};

class IDirectSoundNotify : public IUnknown {
  public:
    virtual HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) = 0;

  protected:
    ~IDirectSoundNotify() = default;
};

class IDirectSound3DListener : public IUnknown {
  public:
    virtual HRESULT SetDistanceFactor(float factor, DWORD apply) = 0;
    virtual HRESULT SetPosition(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY,
                                   float topZ, DWORD apply) = 0;
    virtual HRESULT GetDistanceFactor(float* factor) = 0;
    virtual HRESULT GetPosition(D3DVECTOR* position) = 0;
    virtual HRESULT GetOrientation(D3DVECTOR* front, D3DVECTOR* top) = 0;

  protected:
    ~IDirectSound3DListener() = default;
};

class IDirectSound : public IUnknown {
  public:
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                      IUnknown* outer) = 0;
    // The owner window is opaque to the device; it only records it.
    virtual HRESULT SetCooperativeLevel(void* ownerWindow, DWORD level) = 0;

  protected:
    ~IDirectSound() = default;
};

class IDirectSound8 : public IDirectSound {
  protected:
    ~IDirectSound8() = default;
};

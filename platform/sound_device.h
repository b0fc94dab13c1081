// The program's sound device: the default device, its primary buffer at 44.1 kHz 16-bit
// stereo and, with 3D control, the listener at the origin. Made on demand before Ogg
// Vorbis playback or editing and released before anything else plays.
#pragma once

#include <functional>

#include "platform/dsound.h"

class SoundDevice {
  public:
    using Factory = std::function<HRESULT(const GUID*, IDirectSound8**, IUnknown*)>;

    // use3D: false when "/3ds" was on the command line. factory: DirectSoundCreate8
    // unless a test hands in its own.
    explicit SoundDevice(bool use3D = true, Factory factory = {});
    ~SoundDevice();  // releases what is still held
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // TRUE with a device (also when one already exists). A device whose cooperative level
    // could not be set is kept and counts as existing.
    BOOL Create(void* ownerWindow);
    // Puts back the primary volume found at creation, then lets go of everything.
    void Release();
    // Hundredths of a decibel; nothing happens without a primary buffer.
    void SetPrimaryVolume(LONG hundredthsDb);

    IDirectSound8* Device() const { return m_pDS; }
    IDirectSoundBuffer* PrimaryBuffer() const { return m_pPrimary; }
    IDirectSound3DListener* Listener() const { return m_pListener; }
    bool Use3D() const { return m_bUse3D != 0; }
    LONG SavedVolume() const { return m_lSavedVolume; }

  private:
    Factory m_factory;
    bool m_bAllow3D;
    IDirectSound8* m_pDS = nullptr;
    IDirectSoundBuffer* m_pPrimary = nullptr;
    IDirectSound3DListener* m_pListener = nullptr;
    BOOL m_bUse3D = 0;
    LONG m_lSavedVolume = 0;
};

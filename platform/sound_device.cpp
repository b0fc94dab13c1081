#include "platform/sound_device.h"

#include "platform/sdl_sound.h"

namespace {

template <typename T>
void ReleaseAndClear(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

}  // namespace

SoundDevice::SoundDevice(bool use3D, Factory factory)
    : m_factory(factory ? std::move(factory) : Factory(&DirectSoundCreate8)), m_bAllow3D(use3D) {}

SoundDevice::~SoundDevice() {
    Release();
}

BOOL SoundDevice::Create(void* ownerWindow) {
    if (m_pDS)
        return 1;
    if (FAILED(m_factory(nullptr, &m_pDS, nullptr)) || !m_pDS) {
        m_pDS = nullptr;
        return 0;
    }
    if (FAILED(m_pDS->SetCooperativeLevel(ownerWindow, DSSCL_PRIORITY)))
        return 0;

    m_bUse3D = m_bAllow3D ? 1 : 0;
    DSBUFFERDESC desc{};
    desc.dwSize = 36;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | (m_bUse3D ? DSBCAPS_CTRL3D : 0);
    if (FAILED(m_pDS->CreateSoundBuffer(&desc, &m_pPrimary, nullptr)) || !m_pPrimary) {
        m_pPrimary = nullptr;
        return 0;
    }

    const WAVEFORMATEX format = Pcm16Format(44100, 2);
    if (FAILED(m_pPrimary->SetFormat(&format)))
        return 0;

    m_pPrimary->GetVolume(&m_lSavedVolume);

    if (!m_bUse3D)
        return 1;
    void* listener = nullptr;
    if (FAILED(m_pPrimary->QueryInterface(IID_IDirectSound3DListener, &listener)) || !listener)
        return 1;
    m_pListener = static_cast<IDirectSound3DListener*>(listener);
    m_pListener->SetDistanceFactor(1.0f, DS3D_IMMEDIATE);
    m_pListener->SetPosition(0.0f, 0.0f, 0.0f, DS3D_IMMEDIATE);
    m_pListener->SetOrientation(0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, DS3D_IMMEDIATE);
    return 1;
}

void SoundDevice::Release() {
    if (!m_pDS)
        return;
    if (m_pPrimary)
        m_pPrimary->SetVolume(m_lSavedVolume);
    ReleaseAndClear(m_pListener);
    ReleaseAndClear(m_pPrimary);
    ReleaseAndClear(m_pDS);
}

void SoundDevice::SetPrimaryVolume(LONG hundredthsDb) {
    if (m_pPrimary)
        m_pPrimary->SetVolume(hundredthsDb);
}

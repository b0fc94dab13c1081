#include "platform/mix_primary_buffer.h"

#include <cmath>

#include "platform/mix_device.h"

namespace mixing {

MixPrimaryBuffer::MixPrimaryBuffer(MixDevice& device, DWORD flags)
    : m_device(device), m_flags(flags) {
    m_device.AddRef();
}

MixPrimaryBuffer::~MixPrimaryBuffer() {
    m_device.PrimaryGone();
    m_device.Release();
}

HRESULT MixPrimaryBuffer::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsSame(riid, IID_IUnknown) || IsSame(riid, IID_IDirectSoundBuffer))
        *ppv = static_cast<IDirectSoundBuffer*>(this);
    else if (IsSame(riid, IID_IDirectSound3DListener) && (m_flags & DSBCAPS_CTRL3D))
        *ppv = static_cast<IDirectSound3DListener*>(this);
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG MixPrimaryBuffer::Release() {
    return m_refs.Drop(this);
}

HRESULT MixPrimaryBuffer::GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) {
    if (playCursor)
        *playCursor = 0;
    if (writeCursor)
        *writeCursor = 0;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetStatus(DWORD* status) {
    if (!status)
        return DSERR_INVALIDPARAM;
    *status = m_device.OutputOpen() ? (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING) : 0;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetVolume(LONG* volume) {
    if (!volume)
        return DSERR_INVALIDPARAM;
    if (!(m_flags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    *volume = m_device.PrimaryVolume();
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetVolume(LONG volume) {
    if (!(m_flags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    m_device.SetPrimaryVolume(volume);
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetFormat(const WAVEFORMATEX* format) {
    if (!IsPlayablePcm(format))
        return DSERR_INVALIDPARAM;
    return m_device.SetPrimaryFormat(*format);
}

HRESULT MixPrimaryBuffer::SetDistanceFactor(float factor, DWORD) {
    if (!(factor > 0.0f) || !std::isfinite(factor))
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    m_distanceFactor = factor;
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetPosition(float x, float y, float z, DWORD) {
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    m_position = {x, y, z};
    return S_OK;
}

HRESULT MixPrimaryBuffer::SetOrientation(float frontX, float frontY, float frontZ, float topX,
                                         float topY, float topZ, DWORD) {
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    m_front = {frontX, frontY, frontZ};
    m_top = {topX, topY, topZ};
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetDistanceFactor(float* factor) {
    if (!factor)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    *factor = m_distanceFactor;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetPosition(D3DVECTOR* position) {
    if (!position)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    *position = m_position;
    return S_OK;
}

HRESULT MixPrimaryBuffer::GetOrientation(D3DVECTOR* front, D3DVECTOR* top) {
    if (!front || !top)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_listenerMutex);
    *front = m_front;
    *top = m_top;
    return S_OK;
}

}  // namespace mixing

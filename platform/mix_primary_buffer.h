#pragma once

#include <atomic>
#include <mutex>

#include "platform/dsound.h"

namespace mixing {

class MixDevice;

// The primary buffer: the output format, the master volume and the 3D listener values.
class MixPrimaryBuffer final : public IDirectSoundBuffer, public IDirectSound3DListener {
  public:
    MixPrimaryBuffer(MixDevice& device, DWORD flags);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override;

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT GetStatus(DWORD* status) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetFormat(const WAVEFORMATEX* format) override;
    HRESULT Lock(DWORD, DWORD, void**, DWORD*, void**, DWORD*, DWORD) override {
        return DSERR_INVALIDCALL;  // the mix is ours; the primary buffer is not writable
    }
    HRESULT Unlock(void*, DWORD, void*, DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT Play(DWORD, DWORD, DWORD) override { return S_OK; }
    HRESULT Stop() override { return S_OK; }
    HRESULT Restore() override { return S_OK; }

    HRESULT SetDistanceFactor(float factor, DWORD apply) override;
    HRESULT SetPosition(float x, float y, float z, DWORD apply) override;
    HRESULT SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY,
                           float topZ, DWORD apply) override;
    HRESULT GetDistanceFactor(float* factor) override;
    HRESULT GetPosition(D3DVECTOR* position) override;
    HRESULT GetOrientation(D3DVECTOR* front, D3DVECTOR* top) override;

    void AddFlags(DWORD flags) { m_flags |= flags; }

  private:
    friend class ::RefCount;  // the last Release deletes
    ~MixPrimaryBuffer();

    MixDevice& m_device;
    RefCount m_refs;
    std::atomic<DWORD> m_flags;
    // Listener values: kept for whoever asks; the mix itself is plain stereo.
    std::mutex m_listenerMutex;
    float m_distanceFactor = 1.0f;
    D3DVECTOR m_position{0, 0, 0};
    D3DVECTOR m_front{0, 0, 1};
    D3DVECTOR m_top{0, 1, 0};
};

}  // namespace mixing

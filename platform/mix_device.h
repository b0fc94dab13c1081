// The mixing sound device: one output stream at the primary buffer's format, into which
// the output's own thread mixes every playing secondary buffer straight out of its ring.
#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dsound.h"
#include "platform/mix_output.h"

namespace mixing {

class MixPrimaryBuffer;
class MixSecondaryBuffer;

bool IsSame(REFIID a, const IID& b);
// 8- or 16-bit PCM, mono or stereo, at a rate the mix can follow.
bool IsPlayablePcm(const WAVEFORMATEX* format);
// 16-bit stereo at 44100 Hz: the format until the primary buffer is given another.
WAVEFORMATEX DefaultMixFormat();

class MixDevice final : public IDirectSound8, public MixSource {
  public:
    explicit MixDevice(std::unique_ptr<MixOutput> output) : m_output(std::move(output)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsSame(riid, IID_IUnknown) || IsSame(riid, IID_IDirectSound) ||
            IsSame(riid, IID_IDirectSound8)) {
            *ppv = static_cast<IDirectSound8*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override { return m_refs.Drop(this); }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                              IUnknown* outer) override;
    HRESULT SetCooperativeLevel(void* ownerWindow, DWORD level) override {
        if (level < DSSCL_NORMAL || level > 4)
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_owner = ownerWindow;
        m_level = level;
        return S_OK;
    }

    // Everything below is shared with the buffers.
    std::mutex m_mutex;  // taken by the output's thread; never held around an output call
    // When a buffer last stopped (under m_mutex): an open stream that cannot be renamed
    // where it stands is reopened for a new item only once nothing has played for a
    // while, as reopening it cuts off what the server still holds and delays the next
    // sound.
    std::chrono::steady_clock::time_point m_lastStop;

    WAVEFORMATEX PrimaryFormat() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_primaryFormat;
    }
    HRESULT SetPrimaryFormat(const WAVEFORMATEX& format);
    LONG PrimaryVolume() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_primaryVolume;
    }
    void SetPrimaryVolume(LONG volume);
    bool OutputOpen() {
        std::lock_guard<std::mutex> lock(m_openMutex);
        return m_output->IsOpen();
    }

    void Register(MixSecondaryBuffer* b) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_buffers.push_back(b);
    }
    void Unregister(MixSecondaryBuffer* b) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_buffers.erase(std::remove(m_buffers.begin(), m_buffers.end(), b), m_buffers.end());
    }
    void PrimaryGone() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_primary = nullptr;
    }
    // Opens the output at the primary format if it is not open yet.
    bool EnsureOutput();

    // The output's thread: the mix of every playing buffer, at the primary format.
    void Render(uint8_t* stream, size_t bytes) override;

  private:
    friend class ::RefCount;  // the last Release deletes
    ~MixDevice() { CloseOutput(); }
    void CloseOutput();
    // The output's thread: an output that renames its stream where it stands follows the
    // title of what plays, also when one item follows another on the same stream.
    void FollowTitle(size_t frames, DWORD rate);

    RefCount m_refs;
    void* m_owner = nullptr;
    DWORD m_level = 0;
    WAVEFORMATEX m_primaryFormat = DefaultMixFormat();
    LONG m_primaryVolume = 0;
    float m_primaryGain = 1.0f;
    bool m_volumeInStream = false;          // the output carries the primary volume: not in the mix
    MixPrimaryBuffer* m_primary = nullptr;  // not owned: it owns a reference to us
    std::vector<MixSecondaryBuffer*> m_buffers;
    std::vector<float> m_mix;
    WAVEFORMATEX m_mixFormat = DefaultMixFormat();  // what the open stream plays
    // Output calls: separate from m_mutex so the output's thread never waits on them.
    std::mutex m_openMutex;
    const std::unique_ptr<MixOutput> m_output;
    std::string m_openedOutput;
    // The name the stream carries now (a leaf lock: never held around an output call).
    std::mutex m_titleMutex;
    std::string m_streamTitle;
    size_t m_framesSinceTitle = 0;  // the output's thread only
};

}  // namespace mixing

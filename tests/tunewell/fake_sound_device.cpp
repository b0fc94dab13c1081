#include "tests/tunewell/fake_sound_device.h"

#include <chrono>
#include <cstring>

#include "tests/support/wait_until.h"

class FakeSoundBuffer final : public IDirectSoundBuffer, public IDirectSoundNotify {
  public:
    FakeSoundBuffer(FakeSoundDevice& device, DWORD bytes) : m_device(device), m_ring(bytes, 0) {
        ++m_device.m_live;
        m_ticker = std::thread([this] { Tick(); });
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IDirectSoundNotify && !m_device.failNotify) {
            AddRef();
            *ppv = static_cast<IDirectSoundNotify*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override { return m_refs.Drop(this); }

    HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        *play = m_play;
        *write = (m_play + 4410) % m_ring.size();
        return S_OK;
    }
    HRESULT GetStatus(DWORD* status) override {
        *status = m_isPlaying ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
        return S_OK;
    }
    HRESULT GetVolume(LONG* v) override {
        *v = 0;
        return S_OK;
    }
    HRESULT SetVolume(LONG) override { return DSERR_CONTROLUNAVAIL; }
    HRESULT SetFormat(const WAVEFORMATEX*) override { return DSERR_INVALIDCALL; }
    HRESULT Lock(DWORD offset, DWORD bytes, void** p1, DWORD* b1, void** p2, DWORD* b2,
                 DWORD) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (bytes < m_ring.size()) {  // a block write, not the initial clearing
            int n = m_device.m_blockLocks++;
            if (m_device.bufferLostAt == n)
                return DSERR_BUFFERLOST;
            if (m_device.lockFailAfter >= 0 && n >= m_device.lockFailAfter)
                return DSERR_INVALIDCALL;
        }
        if (offset >= m_ring.size() || bytes > m_ring.size())
            return DSERR_INVALIDPARAM;
        *p1 = m_ring.data() + offset;
        *b1 = std::min<DWORD>(bytes, m_ring.size() - offset);
        *p2 = bytes > *b1 ? m_ring.data() : nullptr;
        *b2 = bytes - *b1;
        m_recordWrites = bytes < m_ring.size();
        return S_OK;
    }
    HRESULT Unlock(void* p1, DWORD b1, void* p2, DWORD b2) override {
        if (m_recordWrites) {
            m_device.Append(p1, b1);
            if (p2)
                m_device.Append(p2, b2);
        }
        return S_OK;
    }
    HRESULT Play(DWORD, DWORD, DWORD) override {
        ++m_device.m_plays;
        if (!m_isPlaying.exchange(true))
            ++m_device.m_playing;
        return S_OK;
    }
    HRESULT Stop() override {
        ++m_device.m_stops;
        if (m_isPlaying.exchange(false))
            --m_device.m_playing;
        return S_OK;
    }
    HRESULT Restore() override {
        ++m_device.m_restores;
        return S_OK;
    }
    HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_notes.assign(positions, positions + count);
        std::lock_guard<std::mutex> dlock(m_device.m_mutex);
        m_device.m_offsets.clear();
        for (auto& n : m_notes) m_device.m_offsets.push_back(n.dwOffset);
        return S_OK;
    }

  private:
    friend class ::RefCount;
    ~FakeSoundBuffer() {
        m_quit = true;
        m_ticker.join();
        if (m_isPlaying)
            --m_device.m_playing;
        --m_device.m_live;
    }

    // Each tick plays up to the next notification position and fires it.
    void Tick() {
        while (!m_quit) {
            // The device's own pacing: one segment per tick, as real hardware would play.
            std::this_thread::sleep_for(std::chrono::milliseconds(m_device.m_tickMs));
            if (!m_isPlaying) {
                ++m_device.m_ticks;
                continue;
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_device.m_ticks;
            if (m_notes.empty())
                continue;
            const DSBPOSITIONNOTIFY* next = nullptr;
            for (auto& n : m_notes)
                if (n.dwOffset >= m_play) {
                    next = &n;
                    break;
                }
            if (!next)
                next = &m_notes.front();
            if (next->dwOffset >= m_play)
                m_device.Hear(m_ring.data() + m_play, next->dwOffset + 1 - m_play);
            m_play = (next->dwOffset + 1) % m_ring.size();
            next->hEventNotify->Set();
        }
    }

    FakeSoundDevice& m_device;
    RefCount m_refs;
    std::mutex m_mutex;
    std::vector<uint8_t> m_ring;
    std::vector<DSBPOSITIONNOTIFY> m_notes;
    DWORD m_play = 0;
    bool m_recordWrites = false;
    std::atomic<bool> m_isPlaying{false};
    std::atomic<bool> m_quit{false};
    std::thread m_ticker;
};

HRESULT FakeSoundDevice::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                           IUnknown*) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_desc = *desc;
        if (desc->lpwfxFormat)
            m_format = *desc->lpwfxFormat;
    }
    if (failCreate) {
        *buffer = nullptr;
        return DSERR_OUTOFMEMORY;
    }
    ++m_created;
    *buffer = new FakeSoundBuffer(*this, desc->dwBufferBytes);
    return S_OK;
}

void FakeSoundDevice::Append(const void* data, size_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_written.append(static_cast<const char*>(data), bytes);
}

bool FakeSoundDevice::WaitNoBuffers(int timeoutMs) const {
    return WaitUntil([this] { return m_live.load() == 0; }, timeoutMs);
}

bool FakeSoundDevice::WaitTicks(long ticks, int timeoutMs) const {
    const long until = m_ticks.load() + ticks;
    return WaitUntil([&] { return m_ticks.load() >= until; }, timeoutMs);
}

void FakeSoundDevice::Hear(const void* data, size_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_heard.append(static_cast<const char*>(data), bytes);
}

std::string FakeSoundDevice::Heard() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_heard;
}

std::string FakeSoundDevice::Written() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_written;
}

DSBUFFERDESC FakeSoundDevice::LastDesc() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_desc;
}

WAVEFORMATEX FakeSoundDevice::LastFormat() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_format;
}

std::vector<DWORD> FakeSoundDevice::LastNotifyOffsets() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_offsets;
}

// A sound device that plays nothing: its buffers advance their play cursor one segment
// per tick on a thread of their own, fire the registered notifications, and log every
// byte written into them, so tests see exactly what the library queued for output.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dsound.h"

class FakeSoundDevice final : public IDirectSound {
  public:
    explicit FakeSoundDevice(int tickMs = 1) : m_tickMs(tickMs) {}
    // A device outlives its buffers, as a counted one would: the library may still play
    // out an item's end after the test has closed it.
    ~FakeSoundDevice() { WaitNoBuffers(); }

    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                              IUnknown* outer) override;
    HRESULT SetCooperativeLevel(void*, DWORD) override { return S_OK; }

    // Failure switches, set before playback starts.
    std::atomic<bool> failCreate{false};
    std::atomic<bool> failNotify{false};
    std::atomic<int> lockFailAfter{-1};  // block writes before every Lock fails
    std::atomic<int> bufferLostAt{-1};   // the block write that reports a lost buffer

    // Observations.
    std::string Written() const;
    // Every byte the play cursor has passed over, in order: what a listener heard.
    std::string Heard() const;
    int LiveBuffers() const { return m_live.load(); }
    // True once every buffer is gone; false after `timeoutMs`.
    bool WaitNoBuffers(int timeoutMs = 10000) const;
    int BuffersCreated() const { return m_created.load(); }
    DSBUFFERDESC LastDesc() const;
    WAVEFORMATEX LastFormat() const;
    std::vector<DWORD> LastNotifyOffsets() const;
    int Plays() const { return m_plays.load(); }
    int Stops() const { return m_stops.load(); }
    int Restores() const { return m_restores.load(); }
    bool AnyPlaying() const { return m_playing.load() > 0; }
    // Ticks of the device's clock so far, counted whether a buffer plays or not: what
    // tells a check that the device had its chances to play while something held still.
    long Ticks() const { return m_ticks.load(); }
    // True once the clock has ticked `ticks` more times; false after `timeoutMs`.
    bool WaitTicks(long ticks, int timeoutMs = 30000) const;

  private:
    friend class FakeSoundBuffer;
    void Append(const void* data, size_t bytes);
    void Hear(const void* data, size_t bytes);

    int m_tickMs;
    mutable std::mutex m_mutex;
    std::string m_written;
    std::string m_heard;
    DSBUFFERDESC m_desc{};
    WAVEFORMATEX m_format{};
    std::vector<DWORD> m_offsets;
    std::atomic<int> m_live{0};
    std::atomic<int> m_created{0};
    std::atomic<int> m_plays{0};
    std::atomic<int> m_stops{0};
    std::atomic<int> m_restores{0};
    std::atomic<int> m_playing{0};
    std::atomic<int> m_blockLocks{0};
    std::atomic<long> m_ticks{0};
};

// The playback worker's looping ring on the host's sound device: `segments` segments of
// `segment bytes`, a notification at the end of each, refilled one segment per
// notification. Pause and resume come from the caller's thread while the worker writes,
// so the buffer is guarded; the waits can be woken so that a stop never hangs on a
// device that has gone quiet.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/dsound.h"
#include "platform/event.h"

class SoundStream {
  public:
    enum class WriteResult { Written, Failed, Stopped, Interrupted };

    SoundStream() = default;
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;
    ~SoundStream() { Release(); }

    // Creates the ring, zeroed and held until Start, so that it can be filled before its
    // first sound; 0 when no device or any step fails (what was made is released again,
    // so a later write fails instead of waiting forever).
    int Create(IDirectSound* device, const WAVEFORMATEX& format, DWORD segmentBytes,
               DWORD segments);
    // Waits for the next segment notification, then copies `bytes` into the ring. A raised
    // `interrupt` ends the wait without writing (Interrupted).
    WriteResult Write(const BYTE* block, DWORD bytes, const std::atomic<int>& stopRequest,
                      const std::atomic<int>& interrupt);
    // Copies `bytes` into the ring at once, for filling it before Start.
    WriteResult WriteAhead(const BYTE* block, DWORD bytes);
    // Starts a ring that was filled ahead; 0 when the device refuses.
    int Start() { return Resume(); }
    // Gives up what is queued but not yet played: the next write goes to the segment after
    // the one the device is in, and the result is how many segments may now be written at
    // once (all but that one). The event is cleared, so the count starts afresh.
    DWORD Rewind();
    // Moves the next write back over the last `bytes` written (the zeros that pad an item's
    // last block) so that the next item's sound follows the last one's directly; refused
    // when the device is about to play them (within `margin` bytes) or already has.
    bool TakeBack(DWORD bytes, DWORD margin);
    // Bytes written ahead of the device's write cursor, still to be played.
    DWORD QueuedBytes() const;
    // Bytes that may be written now without touching what the device has yet to play.
    DWORD RoomBytes() const;
    // Waits up to `ms` for one segment notification; true when one came.
    bool WaitNotification(uint32_t ms) { return m_event.Wait(ms); }
    int Pause();
    int Resume();
    int IsPlaying() const;
    void Release();
    // Interrupts a Write that is waiting for a notification.
    void Wake() { m_event.Set(); }

  private:
    WriteResult CopyIn(const BYTE* block, DWORD bytes);  // m_mutex held
    // Bytes from the device's play or write cursor up to the next write (m_mutex held).
    DWORD AheadOfCursor(bool writeCursor) const;

    static constexpr uint32_t kWaitSliceMs = 50;

    mutable std::mutex m_mutex;
    IDirectSoundBuffer* m_pBuffer = nullptr;
    IDirectSoundNotify* m_pNotify = nullptr;
    // Lives as long as the stream object, so the device never holds a dangling event.
    Event m_event{false, false};
    DWORD m_total = 0;
    DWORD m_segment = 0;
    DWORD m_offset = 0;
    int m_state = 0;  // 0 none, 1 stopped (paused), 2 playing
};

// How far a playing buffer's play cursor has gone, summed over its laps: the sound
// device's own clock, for checks that wait for sound to have played rather than for time.
#pragma once

#include <cstdint>

#include "platform/dsound.h"

namespace testsound {

class CursorTravel {
  public:
    // `ringBytes`: the buffer's size. Looked at more often than once a lap, the sum is exact.
    CursorTravel(IDirectSoundBuffer* buffer, DWORD ringBytes)
        : m_buffer(buffer), m_ring(ringBytes), m_last(Cursor()) {}
    // Bytes the cursor has passed over since this was made.
    uint64_t Bytes() {
        const DWORD now = Cursor();
        m_total += (now + m_ring - m_last) % m_ring;
        m_last = now;
        return m_total;
    }

  private:
    DWORD Cursor() const {
        DWORD play = 0;
        if (!m_buffer || m_ring == 0 || FAILED(m_buffer->GetCurrentPosition(&play, nullptr)))
            return m_last;
        return play % m_ring;
    }

    IDirectSoundBuffer* m_buffer;
    DWORD m_ring;
    DWORD m_last = 0;
    uint64_t m_total = 0;
};

}  // namespace testsound

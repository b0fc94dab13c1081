#include "tunewell/sound_stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
constexpr DWORD kStreamFlags = DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GLOBALFOCUS |
                               DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_LOCDEFER;
static_assert(kStreamFlags == 0x58100);
}  // namespace

int SoundStream::Create(IDirectSound* device, const WAVEFORMATEX& format, DWORD segmentBytes,
                        DWORD segments) {
    if (!device || segmentBytes == 0 || segments == 0)
        return 0;
    Release();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_segment = segmentBytes;
    m_total = segmentBytes * segments;

    DSBUFFERDESC desc{};
    desc.dwSize = 36;
    desc.dwFlags = kStreamFlags;
    desc.dwBufferBytes = m_total;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(device->CreateSoundBuffer(&desc, &buffer, nullptr)) || !buffer)
        return 0;
    m_pBuffer = buffer;

    bool ok = false;
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (SUCCEEDED(m_pBuffer->Lock(0, m_total, &part1, &bytes1, &part2, &bytes2, 0))) {
        if (part1)
            std::memset(part1, 0, bytes1);
        if (part2)
            std::memset(part2, 0, bytes2);
        m_pBuffer->Unlock(part1, bytes1, part2, bytes2);
        void* notify = nullptr;
        if (SUCCEEDED(m_pBuffer->QueryInterface(IID_IDirectSoundNotify, &notify)) && notify) {
            m_pNotify = static_cast<IDirectSoundNotify*>(notify);
            m_event.Reset();
            std::vector<DSBPOSITIONNOTIFY> positions(segments);
            for (DWORD i = 0; i < segments; ++i)
                positions[i] = {segmentBytes * (i + 1) - 1, &m_event};
            ok = SUCCEEDED(m_pNotify->SetNotificationPositions(segments, positions.data()));
        }
    }
    if (!ok) {
        SafeRelease(m_pNotify);
        SafeRelease(m_pBuffer);
        return 0;
    }
    m_offset = 0;
    m_state = 1;
    return 1;
}

SoundStream::WriteResult SoundStream::Write(const BYTE* block, DWORD bytes,
                                            const std::atomic<int>& stopRequest,
                                            const std::atomic<int>& interrupt) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pBuffer)
            return WriteResult::Failed;
    }
    // Sliced so that a stop is seen even while a paused buffer gives no notification.
    while (!m_event.Wait(kWaitSliceMs)) {
        if (stopRequest.load())
            return WriteResult::Stopped;
        if (interrupt.load())
            return WriteResult::Interrupted;
    }
    if (stopRequest.load())
        return WriteResult::Stopped;
    if (interrupt.load())
        return WriteResult::Interrupted;

    std::lock_guard<std::mutex> lock(m_mutex);
    return CopyIn(block, bytes);
}

SoundStream::WriteResult SoundStream::WriteAhead(const BYTE* block, DWORD bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return CopyIn(block, bytes);
}

SoundStream::WriteResult SoundStream::CopyIn(const BYTE* block, DWORD bytes) {
    if (!m_pBuffer)
        return WriteResult::Failed;
    DWORD play = 0, write = 0;
    if (m_state == 2 && SUCCEEDED(m_pBuffer->GetCurrentPosition(&play, &write))) {
        // Never fill the stretch the device is about to play.
        if ((play < write && play < m_offset && m_offset < write) ||
            (play > write && (m_offset > play || m_offset < write)))
            m_offset = write;
    }
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    HRESULT hr = m_pBuffer->Lock(m_offset, bytes, &part1, &bytes1, &part2, &bytes2, 0);
    if (hr == DSERR_BUFFERLOST) {
        m_pBuffer->Restore();
        return WriteResult::Written;
    }
    if (FAILED(hr))
        return WriteResult::Failed;
    DWORD first = part1 ? std::min(bytes1, bytes) : 0;
    DWORD second = part2 ? std::min(bytes2, bytes - first) : 0;
    if (first)
        std::memcpy(part1, block, first);
    if (second)
        std::memcpy(part2, block + first, second);
    m_pBuffer->Unlock(part1, first, part2, second);
    m_offset = (m_offset + first + second) % m_total;
    return WriteResult::Written;
}

DWORD SoundStream::AheadOfCursor(bool writeCursor) const {
    DWORD play = 0, write = 0;
    if (!m_pBuffer || m_total == 0 || FAILED(m_pBuffer->GetCurrentPosition(&play, &write)))
        return 0;
    const DWORD cursor = (writeCursor ? write : play) % m_total;
    return (m_offset + m_total - cursor) % m_total;
}

DWORD SoundStream::QueuedBytes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return AheadOfCursor(true);
}

DWORD SoundStream::RoomBytes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pBuffer ? m_total - AheadOfCursor(false) : 0;
}

bool SoundStream::TakeBack(DWORD bytes, DWORD margin) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bytes == 0 || bytes >= m_total || AheadOfCursor(true) < bytes + margin)
        return false;
    m_offset = (m_offset + m_total - bytes) % m_total;
    return true;
}

DWORD SoundStream::Rewind() {
    std::lock_guard<std::mutex> lock(m_mutex);
    DWORD play = 0, write = 0;
    if (!m_pBuffer || m_segment == 0 || FAILED(m_pBuffer->GetCurrentPosition(&play, &write)))
        return 0;
    // Everything before the write cursor is the device's already; the segment it stands in
    // is being played and stays.
    const DWORD segments = m_total / m_segment;
    m_offset = (write % m_total / m_segment + 1) % segments * m_segment;
    m_event.Reset();
    return segments - 1;
}

int SoundStream::Pause() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pBuffer && m_state == 2) {
        if (FAILED(m_pBuffer->Stop()))
            return 0;
        m_state = 1;
    }
    return 1;
}

int SoundStream::Resume() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_pBuffer)
        return 0;
    if (m_state != 2) {
        if (FAILED(m_pBuffer->Play(0, 0, DSBPLAY_LOOPING)))
            return 0;
        m_state = 2;
    }
    return 1;
}

int SoundStream::IsPlaying() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state == 2;
}

void SoundStream::Release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pBuffer)
        m_pBuffer->Stop();
    SafeRelease(m_pNotify);
    SafeRelease(m_pBuffer);
    m_event.Reset();
    m_state = 0;
}

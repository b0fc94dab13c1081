#include "tunewell/player_state.h"

#include <algorithm>
#include <cstring>

PlayerState& Player() {
    // Destroyed when the library is unloaded (or at exit): the worker is ended first.
    static PlayerState state;
    return state;
}

PlayerState::~PlayerState() {
    // Unloading cuts short whatever is still playing out.
    m_linger = kLingerFinishing;
    m_stopRequest = 1;
    m_stream.Wake();
    m_wake.Set();
    m_worker.Release();
    m_stream.Release();
    m_decoder.Clear();
}

uint32_t PlayBlockBytes(const WAVEFORMATEX& format) {
    const uint32_t align = format.nBlockAlign ? format.nBlockAlign : 1;
    const uint64_t bytes = uint64_t{format.nAvgBytesPerSec} * kPlayBlockMs / 1000;
    const uint64_t frames = std::max<uint64_t>(1, bytes / align);
    // The staging buffer holds a block and one read beyond it.
    return static_cast<uint32_t>(std::min<uint64_t>(frames * align, BLOCK_BYTES / align * align));
}

void PlayerState::AdvancePosition(uint32_t blockBytes) {
    int64_t bytes = m_byteCount.fetch_add(blockBytes) + blockBytes;
    if (m_stopRequest.load() || m_format.nAvgBytesPerSec == 0)
        return;
    uint32_t position = static_cast<uint32_t>(bytes * 10 / m_format.nAvgBytesPerSec);
    if (position != m_position.load()) {
        m_position = position;
        Notify(VL_NOTIFY_POSITION, static_cast<int32_t>(position));
    }
}

void PlayerState::EndWorker() {
    if (!m_worker.IsHeld() || IsLingering())
        return;
    if (!m_worker.HasEnded()) {
        m_stopRequest = 1;
        m_stream.Wake();
        m_wake.Set();
    }
    m_worker.Release();
}

void PlayerState::SettleLinger() {
    int expected = kLingerWaiting;
    m_linger.compare_exchange_strong(expected, kLingerFinishing);
    if (IsLingering())
        m_worker.Release();
}

bool PlayerState::AdoptLinger() {
    if (m_linger.load() != kLingerWaiting || m_pDevice != m_pStreamDevice ||
        std::memcmp(&m_format, &m_streamFormat, sizeof m_format) != 0)
        return false;
    int expected = kLingerWaiting;
    return m_linger.compare_exchange_strong(expected, kLingerAdopted);
}

FillResult FillBlock(OggDecoder& decoder, uint8_t* staging, uint32_t& fill, uint32_t blockBytes) {
    while (fill < blockBytes) {
        long got = decoder.Read(reinterpret_cast<char*>(staging + fill), kReadBytes);
        if (got > 0)
            fill += static_cast<uint32_t>(got);
        else if (got == 0)
            return FillResult::EndOfData;
        else if (got == OV_HOLE)
            continue;  // a damaged page: the decoder resynchronises on the next one
        else
            return FillResult::Error;
    }
    return FillResult::Block;
}

#include "tunewell/player_state.h"

#include <cstring>

PlayerState& Player() {
    // Destroyed when the library is unloaded (or at exit): the worker is ended first.
    static PlayerState state;
    return state;
}

PlayerState::~PlayerState() {
    EndWorker();
    m_worker.Release();
    m_stream.Release();
    m_decoder.Clear();
}

void PlayerState::AdvancePosition() {
    int64_t bytes = m_byteCount.fetch_add(BLOCK_BYTES) + BLOCK_BYTES;
    if (m_stopRequest.load() || m_format.nAvgBytesPerSec == 0)
        return;
    uint32_t position = static_cast<uint32_t>(bytes * 10 / m_format.nAvgBytesPerSec);
    if (position != m_position.load()) {
        m_position = position;
        Notify(VL_NOTIFY_POSITION, static_cast<int32_t>(position));
    }
}

void PlayerState::EndWorker() {
    if (!m_worker.IsHeld())
        return;
    if (!m_worker.HasEnded()) {
        m_stopRequest = 1;
        m_stream.Wake();
        m_wake.Set();
    }
    m_worker.Release();
}

FillResult FillBlock(OggDecoder& decoder, uint8_t* staging, uint32_t& fill) {
    while (fill < BLOCK_BYTES) {
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

#include <cstring>

#include "tunewell/player_state.h"

void RunPlaybackWorker(PlayerState& p) {
    // Without a buffer the first write fails and playback ends by itself.
    p.m_stream.Create(p.m_pDevice, p.m_format, BLOCK_BYTES, kSegments);
    uint8_t* staging = p.m_playStaging;
    uint32_t fill = 0;
    int tail = kTailBlocks;
    bool dataSinceRewind = true;
    while (tail > 0) {
        if (p.m_stopRequest.load())
            break;
        if (p.IsPaused()) {
            // Keep the ring from looping stale audio while nobody refills it.
            p.m_stream.Pause();
            p.m_wake.Wait(kPauseSleepMs);
            // A resume between the check and the pause above would leave the ring stopped
            // while the state says playing, and the next write would wait for ever.
            if (!p.IsPaused() && !p.m_stream.IsPlaying())
                p.m_stream.Resume();
            continue;
        }
        FillResult r = FillResult::Block;
        for (;;) {
            uint32_t before = fill;
            r = FillBlock(p.m_decoder, staging, fill);
            if (fill != before)
                dataSinceRewind = true;
            // An empty file would otherwise loop without ever producing a block.
            if (r == FillResult::EndOfData && p.m_loop.load() && dataSinceRewind &&
                p.m_decoder.PcmSeek(0) == 0) {
                dataSinceRewind = false;
                continue;
            }
            break;
        }
        if (r == FillResult::Error)
            break;
        if (r == FillResult::EndOfData) {
            std::memset(staging + fill, 0, BLOCK_BYTES - fill);
            fill = BLOCK_BYTES;
            --tail;
        }
        if (p.m_stream.Write(staging, BLOCK_BYTES, p.m_stopRequest) !=
            SoundStream::WriteResult::Written)
            break;
        p.AdvancePosition();
        fill -= BLOCK_BYTES;
        std::memmove(staging, staging + BLOCK_BYTES, fill);
    }
    if (tail == 0)
        p.m_stream.Drain(kQueuedSegments, p.m_stopRequest);
    p.m_stream.Release();
    if (!p.m_stopRequest.load())
        p.Notify(VL_NOTIFY_END, 0);
}

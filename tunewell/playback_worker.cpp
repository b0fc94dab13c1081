#include <cstring>

#include "tunewell/player_state.h"

void RunPlaybackWorker(PlayerState& p) {
    const uint32_t block = PlayBlockBytes(p.m_format);
    // Without a buffer the first write fails and playback ends by itself.
    p.m_stream.Create(p.m_pDevice, p.m_format, block, kSegments);
    uint8_t* staging = p.m_playStaging;
    uint32_t fill = 0;
    // Blocks written before the ring starts: the first sound is the file's, not silence.
    uint32_t ahead = 0;
    bool started = false;
    bool last = false;
    bool dataSinceRewind = true;
    bool failed = false;
    while (!last) {
        if (p.m_stopRequest.load())
            break;
        if (started && p.IsPaused()) {
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
            r = FillBlock(p.m_decoder, staging, fill, block);
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
        if (r == FillResult::Error) {
            failed = true;
            break;
        }
        if (r == FillResult::EndOfData) {
            std::memset(staging + fill, 0, block - fill);
            fill = block;
            last = true;
        }
        SoundStream::WriteResult w = SoundStream::WriteResult::Failed;
        if (!started) {
            w = p.m_stream.WriteAhead(staging, block);
            ++ahead;
            if (w == SoundStream::WriteResult::Written && (ahead == kSegments || last)) {
                started = true;
                if (!p.IsPaused() && !p.m_stream.Start())
                    w = SoundStream::WriteResult::Failed;
            }
        } else {
            w = p.m_stream.Write(staging, block, p.m_stopRequest);
        }
        if (w != SoundStream::WriteResult::Written) {
            failed = true;
            break;
        }
        p.AdvancePosition(block);
        fill -= block;
        std::memmove(staging, staging + block, fill);
    }
    // The end is reported once the last block has been heard, no later: the next item
    // starts then. A full ring plays its last block out after as many notifications as it
    // has segments; one that never filled up, after the blocks it holds.
    if (last && !failed)
        p.m_stream.Drain(ahead < kSegments ? ahead : kSegments, p.m_stopRequest);
    p.m_stream.Release();
    if (!p.m_stopRequest.load())
        p.Notify(VL_NOTIFY_END, 0);
}

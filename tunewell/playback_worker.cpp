#include <algorithm>
#include <chrono>
#include <cstring>

#include "tunewell/player_state.h"

namespace {

// Segments the ring keeps playing (silence) after the last sound before it is let go: a
// device that converts the rate reads ahead of what is heard, and a next item a little
// late can still carry on the stream.
constexpr uint32_t kGraceSegments = 3;
// How often a lingering worker looks whether a next item has taken its stream over: the
// longest it can keep a next item waiting.
constexpr uint32_t kLingerSliceMs = 2;

const uint8_t kSilence[BLOCK_BYTES] = {};

enum class ItemEnd { Ended, Stopped, Failed };

// The ring as the worker carries it from item to item.
struct Ring {
    uint32_t block;     // bytes of one segment and of one block
    uint32_t writable;  // segments that may be filled at once, without waiting
    bool started;
    uint32_t lastPad;  // zeros that complete the item's last block
};

// Plays the open item into the ring up to its last block.
ItemEnd PlayItem(PlayerState& p, Ring& ring) {
    uint8_t* staging = p.m_playStaging;
    uint32_t fill = 0;
    bool last = false;
    bool dataSinceRewind = true;
    while (!last) {
        if (p.m_stopRequest.load())
            return ItemEnd::Stopped;
        if (ring.started && p.IsPaused()) {
            // Keep the ring from looping stale audio while nobody refills it.
            p.m_stream.Pause();
            p.m_wake.Wait(kPauseSleepMs);
            // A resume between the check and the pause above would leave the ring stopped
            // while the state says playing, and the next write would wait for ever.
            if (!p.IsPaused() && !p.m_stream.IsPlaying())
                p.m_stream.Resume();
            continue;
        }
        if (p.m_seekRequest.exchange(0)) {
            // Heard at once: neither the staged bytes nor the queued blocks of the old
            // position are played out first.
            fill = 0;
            if (ring.started)
                ring.writable = p.m_stream.Rewind();
        }
        FillResult r = FillResult::Block;
        for (;;) {
            uint32_t before = fill;
            r = FillBlock(p.m_decoder, staging, fill, ring.block);
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
            return ItemEnd::Failed;
        if (r == FillResult::EndOfData) {
            std::memset(staging + fill, 0, ring.block - fill);
            ring.lastPad = ring.block - fill;
            fill = ring.block;
            last = true;
        }
        SoundStream::WriteResult w = SoundStream::WriteResult::Failed;
        if (ring.writable > 0) {
            w = p.m_stream.WriteAhead(staging, ring.block);
            --ring.writable;
            // A new ring starts once it is full (or the file is shorter): its first sound
            // is the file's, not silence.
            if (!ring.started && w == SoundStream::WriteResult::Written &&
                (ring.writable == 0 || last)) {
                ring.started = true;
                if (!p.IsPaused() && !p.m_stream.Start())
                    w = SoundStream::WriteResult::Failed;
            }
        } else {
            w = p.m_stream.Write(staging, ring.block, p.m_stopRequest, p.m_seekRequest);
            if (w == SoundStream::WriteResult::Interrupted)
                continue;  // a seek: the block is dropped above
        }
        if (w == SoundStream::WriteResult::Stopped)
            return ItemEnd::Stopped;
        if (w != SoundStream::WriteResult::Written)
            return ItemEnd::Failed;
        p.AdvancePosition(ring.block);
        fill -= ring.block;
        std::memmove(staging, staging + ring.block, fill);
    }
    return ItemEnd::Ended;
}

// After an item's last block: reports the end at once, while the ring still holds its
// last sound, and keeps the ring playing until that has been heard. A next item that
// takes the stream over in that time (AdoptLinger) is written right behind the last
// sound, so nothing is heard between the two. True when one did; ring.writable then
// says how many segments it may fill at once.
bool Linger(PlayerState& p, Ring& ring) {
    // Notifications until the last sound has been played, and some more.
    uint32_t tail = kSegments - ring.writable + kGraceSegments;
    // Zeros queued after the last sound: its block's padding and the silence below.
    uint32_t zeros = ring.lastPad;
    bool silenced = false;
    p.m_linger = kLingerWaiting;
    if (!p.m_stopRequest.load())
        p.Notify(VL_NOTIFY_END, 0);
    // A device that stops notifying (paused, gone) must not keep the worker for ever.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(1000 + kPlayBlockMs * (tail + 1));
    for (;;) {
        if (p.m_stopRequest.load())
            return false;
        if (p.m_linger.load() == kLingerAdopted) {
            p.m_linger = kLingerNone;
            // The next sound goes where the zeros begin, unless the device is about to play
            // them (not so close that its next read could race the write); late, it goes
            // right after the segment the device plays.
            if (!p.m_stream.TakeBack(zeros, ring.block / 2) && silenced) {
                ring.writable = p.m_stream.Rewind();
                return true;
            }
            // Whole blocks of room behind the cursor; the segment it plays stays.
            ring.writable = std::min(kSegments - 1, p.m_stream.RoomBytes() / ring.block);
            return true;
        }
        if (tail == 0 || std::chrono::steady_clock::now() > deadline) {
            int expected = kLingerWaiting;
            if (p.m_linger.compare_exchange_strong(expected, kLingerFinishing) ||
                expected == kLingerFinishing)
                return false;
            continue;  // taken over just now
        }
        if (p.m_stream.WaitNotification(kLingerSliceMs))
            --tail;
        // The cursor, not the count, tells how little is left: notifications that come
        // close together arrive as one, the device reads in pieces of its own, and after
        // a taken-back block the blocks straddle the segments. Two blocks ahead leave room
        // for one such piece.
        if (p.m_stream.QueuedBytes() <= 2 * ring.block) {
            // The ring would come round to audio of an earlier lap next: silence instead.
            if (p.m_stream.WriteAhead(kSilence, ring.block) != SoundStream::WriteResult::Written)
                return false;
            zeros += ring.block;
            silenced = true;
        }
    }
}

}  // namespace

void RunPlaybackWorker(PlayerState& p) {
    Ring ring{PlayBlockBytes(p.m_format), kSegments, false, 0};
    p.m_pStreamDevice = p.m_pDevice;
    p.m_streamFormat = p.m_format;
    p.m_seekRequest = 0;
    // Without a buffer the first write fails and playback ends by itself.
    p.m_stream.Create(p.m_pDevice, p.m_format, ring.block, kSegments);
    ItemEnd end = ItemEnd::Ended;
    do {
        end = PlayItem(p, ring);
    } while (end == ItemEnd::Ended && Linger(p, ring));
    p.m_stream.Release();
    p.m_linger = kLingerNone;
    // An item that ended has reported it already.
    if (end != ItemEnd::Ended && !p.m_stopRequest.load())
        p.Notify(VL_NOTIFY_END, 0);
}

// The process-wide player behind the exports. The caller's thread owns the fields that
// are not atomic; the flags and counters are shared with the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/dsound.h"
#include "platform/event.h"
#include "tunewell/ogg_decoder.h"
#include "tunewell/sound_stream.h"
#include "tunewell/tunewell.h"
#include "tunewell/worker_thread.h"

inline constexpr uint32_t BLOCK_BYTES = 44100;
inline constexpr uint32_t kSegments = 4;
inline constexpr int kReadBytes = 4096;
inline constexpr uint32_t kStagingBytes = BLOCK_BYTES + kReadBytes;
// Playback blocks are sized in time, not bytes, so that a low rate or a single channel
// starts, seeks and ends as quickly as CD sound: the whole ring is four of them.
inline constexpr uint32_t kPlayBlockMs = 30;
// Bytes of one playback block in `format`: whole frames, at least one.
uint32_t PlayBlockBytes(const WAVEFORMATEX& format);
inline constexpr uint32_t kPauseSleepMs = 100;

// After its last block the playback worker lingers while the ring plays out, so that the
// next item, if it has the same format and device, carries on the same stream right
// behind the last sound instead of starting a new one after it.
enum LingerState : int {
    kLingerNone = 0,       // no worker, or one playing an item
    kLingerWaiting = 1,    // the end is reported; a next item may take the stream over
    kLingerAdopted = 2,    // a next item took it over; the worker is about to go on
    kLingerFinishing = 3,  // nobody will take it over: play out and end
};
enum WorkerKind : int { kPlaybackWorker, kWriterWorker };

struct PlayerState {
    IDirectSound* m_pDevice = nullptr;
    std::atomic<VorbisLibCallback> m_pCallback{nullptr};
    std::atomic<int> m_open{0};
    std::atomic<int> m_state{VL_STATE_STOPPED};
    std::atomic<int> m_stopRequest{0};
    std::atomic<int> m_loop{0};
    std::atomic<int64_t> m_byteCount{0};
    std::atomic<uint32_t> m_position{0};
    // Raised by a seek: what the worker has staged and queued belongs to the old position.
    std::atomic<int> m_seekRequest{0};
    std::atomic<int> m_linger{kLingerNone};
    std::atomic<int> m_workerKind{kPlaybackWorker};
    // What the playback worker's stream was made for (written by the worker before it
    // lingers, read by the caller once it sees it lingering).
    IDirectSound* m_pStreamDevice = nullptr;
    WAVEFORMATEX m_streamFormat{};
    double m_endTime = 0.0;
    int16_t m_outputVolume = 100;
    WAVEFORMATEX m_format{};
    OggDecoder m_decoder;
    std::string m_fileName;
    std::string m_wavPath;
    SoundStream m_stream;
    // Wakes a worker that sleeps while paused.
    Event m_wake{false, false};
    uint8_t m_playStaging[kStagingBytes] = {};
    uint8_t m_wavStaging[kStagingBytes] = {};
    // Last, so that it is joined before anything the worker uses goes away.
    WorkerThread m_worker;

    ~PlayerState();

    bool IsPaused() const { return m_open.load() && m_state.load() == VL_STATE_PAUSED; }
    bool IsLingering() const {
        const int l = m_linger.load();
        return l == kLingerWaiting || l == kLingerFinishing;
    }
    void Notify(int32_t code, int32_t value) {
        if (VorbisLibCallback cb = m_pCallback.load())
            cb(code, value, 0);
    }
    // Counts a block handed to output and reports a changed position.
    void AdvancePosition(uint32_t bytes = BLOCK_BYTES);
    // Asks a running worker to end, wakes it and waits for it. A worker that only plays out
    // the end of the last item is left to it.
    void EndWorker();
    // Lets a lingering worker play out what it holds and waits for it to end (about one
    // ring's length); it is no longer taken over.
    void SettleLinger();
    // Hands the lingering stream to the item now open when it can carry it on.
    bool AdoptLinger();
};

PlayerState& Player();

void RunPlaybackWorker(PlayerState& p);
void RunWaveWriterWorker(PlayerState& p);

// Fills p's staging buffer from `fill` up to a whole block. The result says why it stopped.
enum class FillResult { Block, EndOfData, Error };
FillResult FillBlock(OggDecoder& decoder, uint8_t* staging, uint32_t& fill,
                     uint32_t blockBytes = BLOCK_BYTES);

// The fifteen exports over the process-wide player. They are called from the host's
// user-interface thread; a host that calls them from its notification (the worker
// thread) is tolerated: the worker is then never waited for by itself.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "tunewell/player_state.h"
#include "tunewell/tunewell.h"

#define VL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

bool FitsPathBuffer(const char* path) {
    return std::strlen(path) < kVorbisLibMaxPath;
}

void ReleaseEnded(PlayerState& p) {
    if (p.m_worker.IsHeld() && p.m_worker.HasEnded())
        p.m_worker.Release();
}

// A finished worker's handle must not refuse the next start, nor one that only plays out
// the last item's end (it is waited for); a running one does.
bool WorkerSlotFree(PlayerState& p) {
    if (p.IsLingering())
        p.SettleLinger();
    if (!p.m_worker.IsHeld())
        return true;
    return p.m_worker.HasEnded() && p.m_worker.Release();
}

bool WriterRunning(PlayerState& p) {
    return p.m_worker.IsHeld() && !p.m_worker.HasEnded() && p.m_workerKind.load() == kWriterWorker;
}

bool StartWorker(PlayerState& p, WorkerKind kind, void (*body)(PlayerState&)) {
    p.m_wake.Reset();
    p.m_workerKind = kind;
    return p.m_worker.Start([&p, body] { body(p); });
}

}  // namespace

VL_EXPORT void VorbisLibInit(IDirectSound* device, VorbisLibCallback callback) {
    PlayerState& p = Player();
    // Resetting the flags under a live worker or decoder would strand both; the file
    // name is kept all the same.
    p.EndWorker();
    // The stream of a last item playing out can be carried on only on its own device.
    if (p.IsLingering() && device != p.m_pStreamDevice)
        p.SettleLinger();
    p.m_decoder.Clear();
    p.m_open = 0;
    p.m_state = VL_STATE_STOPPED;
    p.m_stopRequest = 0;
    p.m_loop = 0;
    p.m_byteCount = 0;
    p.m_position = 0;
    p.m_endTime = 0.0;
    p.m_pDevice = device;
    p.m_pCallback = callback;
}

VL_EXPORT int32_t VorbisLibOpen(const char* path, double* totalSeconds) {
    if (!path || !FitsPathBuffer(path))
        return 0;
    VorbisLibClose();
    PlayerState& p = Player();
    p.m_fileName = path;
    if (!p.m_decoder.Open(path))
        return 0;
    p.m_decoder.Format(&p.m_format);
    p.m_seekRequest = 0;
    p.m_open = 1;
    if (totalSeconds)
        *totalSeconds = p.m_decoder.TimeTotal();
    return 1;
}

VL_EXPORT void VorbisLibClose(void) {
    VorbisLibStop();
    PlayerState& p = Player();
    // A WAV writer runs with the player stopped; it is ended here (its file keeps the
    // data written so far) rather than left decoding a cleared stream.
    p.EndWorker();
    if (p.m_open.load()) {
        p.m_decoder.Clear();
        p.m_open = 0;
        p.m_fileName.clear();
        p.m_position = 0;
    }
}

VL_EXPORT int32_t VorbisLibPlayFile(const char* path, double* totalSeconds, int32_t loop) {
    PlayerState& p = Player();
    if (path && p.m_fileName == path) {
        p.m_loop = loop;
        return VorbisLibPlay();
    }
    if (!VorbisLibOpen(path, totalSeconds))
        return 0;
    p.m_loop = loop;
    return VorbisLibPlay();
}

VL_EXPORT int32_t VorbisLibPlay(void) {
    PlayerState& p = Player();
    if (!p.m_open.load())
        return 0;
    if (p.m_state.load() == VL_STATE_PAUSED) {
        if (!p.m_stream.IsPlaying())
            p.m_stream.Resume();
        p.m_state = VL_STATE_PLAYING;
        p.m_wake.Set();
        return 1;
    }
    p.m_stopRequest = 0;
    p.m_state = VL_STATE_PLAYING;
    if (p.AdoptLinger())
        return 1;
    if (!WorkerSlotFree(p))
        return 0;
    return StartWorker(p, kPlaybackWorker, RunPlaybackWorker) ? 1 : 0;
}

VL_EXPORT void VorbisLibPause(void) {
    PlayerState& p = Player();
    if (p.m_state.load() != VL_STATE_PLAYING)
        return;
    p.m_state = VL_STATE_PAUSED;
    p.m_stream.Pause();
}

VL_EXPORT void VorbisLibStop(void) {
    PlayerState& p = Player();
    if (p.m_state.load() != VL_STATE_STOPPED) {
        p.EndWorker();
        p.m_state = VL_STATE_STOPPED;
    } else if (WriterRunning(p)) {
        // A stop does not reach a WAV writer, and rewinding under it would corrupt its file.
        return;
    } else {
        ReleaseEnded(p);
    }
    if (p.m_open.load())
        p.m_decoder.PcmSeek(0);
    p.m_byteCount = 0;
    p.m_position = 0;
}

VL_EXPORT int32_t VorbisLibSetTime(double seconds) {
    PlayerState& p = Player();
    if (!p.m_open.load())
        return 0;
    // Out-of-range times cannot be turned into a byte count.
    const double bytes = static_cast<double>(p.m_format.nAvgBytesPerSec) * seconds;
    if (!std::isfinite(seconds) || seconds < 0.0 ||
        bytes >= static_cast<double>(std::numeric_limits<int64_t>::max()) / 16)
        return 0;
    int64_t byteCount = static_cast<int64_t>(bytes);
    p.m_byteCount = byteCount;
    if (p.m_format.nAvgBytesPerSec)
        p.m_position = static_cast<uint32_t>(byteCount * 10 / p.m_format.nAvgBytesPerSec);
    p.m_decoder.TimeSeek(seconds);
    // A playing worker drops what it has queued; one waiting for a notification is woken
    // for it. A lingering one must not be: it counts its notifications.
    p.m_seekRequest = 1;
    if (p.m_linger.load() == kLingerNone)
        p.m_stream.Wake();
    return 1;
}

VL_EXPORT int32_t VorbisLibGetTime(double* seconds) {
    if (!seconds)
        return 0;
    *seconds = static_cast<double>(Player().m_position.load() / 10);
    return 1;
}

VL_EXPORT int32_t VorbisLibIsActive(void) {
    return Player().m_open.load();
}

VL_EXPORT int32_t VorbisLibIsPlay(void) {
    PlayerState& p = Player();
    return p.m_open.load() && p.m_state.load() == VL_STATE_PLAYING ? 1 : 0;
}

VL_EXPORT int32_t VorbisLibIsPause(void) {
    return Player().IsPaused() ? 1 : 0;
}

VL_EXPORT int32_t VorbisLibWaveDest(const char* wavPath, int32_t volumePercent,
                                    const double* startSeconds, const double* endSeconds) {
    PlayerState& p = Player();
    if (!wavPath || !FitsPathBuffer(wavPath) || !p.m_open.load() ||
        p.m_state.load() != VL_STATE_STOPPED)
        return 0;
    // Checked before anything changes: seeking under a running writer would corrupt it.
    if (!WorkerSlotFree(p))
        return 0;
    p.m_wavPath = wavPath;
    p.m_outputVolume = static_cast<int16_t>(volumePercent > 300  ? 300
                                            : volumePercent < 10 ? 10
                                                                 : volumePercent);
    if (startSeconds && *startSeconds != 0.0)
        VorbisLibSetTime(*startSeconds);
    p.m_endTime = endSeconds ? *endSeconds : 0.0;
    p.m_stopRequest = 0;
    return StartWorker(p, kWriterWorker, RunWaveWriterWorker) ? 1 : 0;
}

VL_EXPORT int32_t VorbisLibIsVorbis(const char* path) {
    if (!path)
        return 0;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return 0;
    char magic[4];
    size_t got = std::fread(magic, 1, sizeof(magic), file);
    std::fclose(file);
    return got == sizeof(magic) && std::memcmp(magic, "OggS", 4) == 0 ? 1 : 0;
}

VL_EXPORT void VorbisLibGetFile(char* out) {
    if (!out)
        return;
    // Open refuses names that do not fit, so this never writes past kVorbisLibMaxPath.
    const std::string& name = Player().m_fileName;
    std::memcpy(out, name.c_str(), name.size() + 1);
}

// Drives libtunewell the way the host does: dlopen from the program folder, exports bound
// by name, a context-free callback whose calls are recorded for the test to wait on.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "tunewell/tunewell.h"

struct TunewellApi {
    void* module = nullptr;
    VorbisLibInitFn Init = nullptr;
    VorbisLibOpenFn Open = nullptr;
    VorbisLibCloseFn Close = nullptr;
    VorbisLibPlayFileFn PlayFile = nullptr;
    VorbisLibPlayFn Play = nullptr;
    VorbisLibPauseFn Pause = nullptr;
    VorbisLibStopFn Stop = nullptr;
    VorbisLibSetTimeFn SetTime = nullptr;
    VorbisLibGetTimeFn GetTime = nullptr;
    VorbisLibIsActiveFn IsActive = nullptr;
    VorbisLibIsPlayFn IsPlay = nullptr;
    VorbisLibIsPauseFn IsPause = nullptr;
    VorbisLibWaveDestFn WaveDest = nullptr;
    VorbisLibIsVorbisFn IsVorbis = nullptr;
    VorbisLibGetFileFn GetFile = nullptr;

    bool Load();  // false when the library or any export is missing
    void Unload();
    std::string File() const;
};

// The loaded library shared by the tests of one program (loaded on first use).
TunewellApi& Tunewell();

// Notifications as the callback saw them, in order.
struct Notification {
    int code;
    int value;
};
namespace notes {
int32_t Record(int32_t code, int32_t value, int32_t reserved);
// Same, for a second host user, so tests can tell who was notified.
int32_t RecordOther(int32_t code, int32_t value, int32_t reserved);
void Clear();
std::vector<Notification> All();
std::vector<Notification> Other();
// Waits for VL_NOTIFY_END; false on time-out.
bool WaitEnd(std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Waits for the first VL_NOTIFY_POSITION; false on time-out.
bool WaitFirstPosition(std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Positions reported so far.
std::vector<int> Positions();
int Ends();
}  // namespace notes

// Files this process holds open whose path contains `fragment`.
int OpenHandlesTo(const std::string& fragment);

// Media shared by the tests of one program, generated once.
struct TestMedia {
    std::string dir;
    std::string oneSecond;     // 44100 Hz stereo, exactly 176400 PCM bytes
    std::string threeSeconds;  // 44100 Hz stereo
    std::string mono22k;       // 22050 Hz mono, 2 s
    std::string chained;       // two links back to back
    std::string secondLink;    // the second link on its own (the first is threeSeconds)
    std::string truncated;     // the three-second file cut in half
    std::string notOgg;        // a RIFF WAV file
};
const TestMedia& Media();
// The reference PCM of the chained file: each link decoded on its own.
std::string ChainedPcm();

// The raw PCM that oggdec makes of `ogg` (it decodes the first link only).
std::string OggdecPcm(const std::string& ogg);

// Reads a 16-bit little-endian / 32-bit little-endian value out of a byte string.
uint32_t Le16(const std::string& s, size_t at);
uint32_t Le32(const std::string& s, size_t at);

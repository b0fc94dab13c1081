// libtunewell: one process-wide Ogg Vorbis player that streams through a host-owned sound
// device, and an Ogg-to-WAV decoder. The host loads the library at run time and binds the
// fifteen exports below by name; only plain values cross the boundary.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

class IDirectSound;  // platform/dsound.h; the library never releases it

// Every path the library keeps fits a buffer of this many bytes, terminator included;
// longer paths are refused, so VorbisLibGetFile never writes more than this.
inline constexpr std::size_t kVorbisLibMaxPath = PATH_MAX;

// Notification codes handed to the host's callback.
inline constexpr int32_t VL_NOTIFY_POSITION = 1;  // value: position in tenths of a second
inline constexpr int32_t VL_NOTIFY_END = 2;       // value: 0

// Player states as the library counts them (there is no 1).
inline constexpr int32_t VL_STATE_STOPPED = 0;
inline constexpr int32_t VL_STATE_PLAYING = 2;
inline constexpr int32_t VL_STATE_PAUSED = 3;

extern "C" {

// Called on the library's worker thread, never on the caller's; reserved is always 0 and
// the result is ignored. The host must not block there on a thread that may be calling
// into the library (forward the notification, e.g. as a posted message).
typedef int32_t (*VorbisLibCallback)(int32_t code, int32_t value, int32_t reserved);

void VorbisLibInit(IDirectSound* device, VorbisLibCallback callback);
int32_t VorbisLibOpen(const char* path, double* totalSeconds);
void VorbisLibClose(void);
int32_t VorbisLibPlayFile(const char* path, double* totalSeconds, int32_t loop);
int32_t VorbisLibPlay(void);
void VorbisLibPause(void);
void VorbisLibStop(void);
int32_t VorbisLibSetTime(double seconds);
int32_t VorbisLibGetTime(double* seconds);
int32_t VorbisLibIsActive(void);
int32_t VorbisLibIsPlay(void);
int32_t VorbisLibIsPause(void);
int32_t VorbisLibWaveDest(const char* wavPath, int32_t volumePercent, const double* startSeconds,
                          const double* endSeconds);
int32_t VorbisLibIsVorbis(const char* path);
// out must hold kVorbisLibMaxPath bytes.
void VorbisLibGetFile(char* out);

// Pointer types for binding the exports with dlsym.
typedef void (*VorbisLibInitFn)(IDirectSound*, VorbisLibCallback);
typedef int32_t (*VorbisLibOpenFn)(const char*, double*);
typedef void (*VorbisLibCloseFn)(void);
typedef int32_t (*VorbisLibPlayFileFn)(const char*, double*, int32_t);
typedef int32_t (*VorbisLibPlayFn)(void);
typedef void (*VorbisLibPauseFn)(void);
typedef void (*VorbisLibStopFn)(void);
typedef int32_t (*VorbisLibSetTimeFn)(double);
typedef int32_t (*VorbisLibGetTimeFn)(double*);
typedef int32_t (*VorbisLibIsActiveFn)(void);
typedef int32_t (*VorbisLibIsPlayFn)(void);
typedef int32_t (*VorbisLibIsPauseFn)(void);
typedef int32_t (*VorbisLibWaveDestFn)(const char*, int32_t, const double*, const double*);
typedef int32_t (*VorbisLibIsVorbisFn)(const char*);
typedef void (*VorbisLibGetFileFn)(char*);

}  // extern "C"

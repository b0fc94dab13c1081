// Run-time binding of libtunewell. The program does not link the library: it loads it
// from the program's folder (then the library path) and binds the exports by name. While
// the library is missing every wrapper does nothing and answers 0, and Ogg Vorbis simply
// counts as an unknown kind.
//
// The library's player is process-wide: the main window and the editor each own one
// OggBackend over the same loaded library and take turns; the last VorbisLibInit decides
// which callback is notified. The callback runs on tunewell's worker thread: forward it to
// the user-interface thread (post, never send), and never call back into the library or
// wait for the user-interface thread from it.
#pragma once

#include <cstddef>
#include <string>

#include "platform/shared_library.h"
#include "tunewell/tunewell.h"

class OggBackend {
  public:
    OggBackend() = default;
    OggBackend(const OggBackend&) = delete;
    OggBackend& operator=(const OggBackend&) = delete;
    virtual ~OggBackend();

    // Loads libtunewell.so from the program's folder, else from ../lib/veltra/ beside it,
    // else through the library path.
    // True when loaded; a missing library is no error.
    bool Load();
    // Same, trying `folder` (with or without a trailing '/') before the library path.
    bool Load(const std::string& folder);
    // Closes the player's file (stopping playback) and releases the library.
    void Unload();
    bool IsLoaded() const { return m_bLoaded != 0; }

    virtual void VorbisLibInit(IDirectSound* device, VorbisLibCallback callback);
    virtual int VorbisLibOpen(const std::string& path, double* totalSeconds);
    virtual void VorbisLibClose();
    virtual int VorbisLibPlay();
    virtual void VorbisLibPause();
    virtual void VorbisLibStop();
    virtual int VorbisLibSetTime(double seconds);
    virtual int VorbisLibGetTime(double* seconds);
    virtual int VorbisLibIsActive();
    virtual int VorbisLibIsPlay();
    virtual int VorbisLibIsPause();
    virtual int VorbisLibWaveDest(const std::string& wavPath, int volumePercent,
                                  const double* startSeconds, const double* endSeconds);
    // The player's file name into `buffer` of `size` bytes (always terminated; empty when
    // unbound or when the name does not fit).
    virtual void VorbisLibGetFile(char* buffer, std::size_t size);
    // The player's file name; empty when unbound.
    std::string VorbisLibGetFile();

  private:
    SharedLibrary m_Module;
    int m_bLoaded = 0;
    VorbisLibInitFn m_pInit = nullptr;
    VorbisLibOpenFn m_pOpen = nullptr;
    VorbisLibCloseFn m_pClose = nullptr;
    VorbisLibPlayFileFn m_pPlayFile = nullptr;
    VorbisLibPlayFn m_pPlay = nullptr;
    VorbisLibPauseFn m_pPause = nullptr;
    VorbisLibStopFn m_pStop = nullptr;
    VorbisLibSetTimeFn m_pSetTime = nullptr;
    VorbisLibGetTimeFn m_pGetTime = nullptr;
    VorbisLibIsActiveFn m_pIsActive = nullptr;
    VorbisLibIsPlayFn m_pIsPlay = nullptr;
    VorbisLibIsPauseFn m_pIsPause = nullptr;
    VorbisLibWaveDestFn m_pWaveDest = nullptr;
    VorbisLibIsVorbisFn m_pIsVorbis = nullptr;
    VorbisLibGetFileFn m_pGetFile = nullptr;

    bool BindFrom(const SharedLibrary& module);
};

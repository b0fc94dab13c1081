// The one libvorbisfile decoder of the player. The caller's thread seeks and clears it
// while the worker reads from it, so every call goes through one lock.
#pragma once

#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <mutex>

#include "platform/dsound.h"

class OggDecoder {
  public:
    OggDecoder();
    OggDecoder(const OggDecoder&) = delete;
    OggDecoder& operator=(const OggDecoder&) = delete;
    ~OggDecoder();

    // Opens `path` as an Ogg Vorbis stream, closing any earlier one.
    bool Open(const char* path);
    // Closes the stream and its file.
    void Clear();
    bool IsOpen() const;

    // PCM of the first link as 16-bit signed little-endian; false when not open.
    bool Format(WAVEFORMATEX* format) const;
    // Duration over all links in seconds; 0 when unknown.
    double TimeTotal();

    // Up to `bytes` bytes of interleaved PCM: > 0 bytes read, 0 end of data, < 0 an
    // ov_read error (OV_EINVAL when nothing is open).
    long Read(char* buffer, int bytes);
    int PcmSeek(int64_t sample);
    int TimeSeek(double seconds);

  private:
    mutable std::mutex m_mutex;
    OggVorbis_File m_vf;
    bool m_bOpen = false;
};

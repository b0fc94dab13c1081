// A 16-bit PCM WAV file written aside and renamed over the target when complete, so a
// failed or cut-short output never destroys a file that was there before. The header is
// the 46-byte form (18-byte format chunk), written last at offset 0.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dsound.h"

inline constexpr uint32_t kWavHeaderBytes = 46;

// The header for `dataBytes` of PCM in `format`.
void BuildWavHeader(const WAVEFORMATEX& format, uint32_t dataBytes, uint8_t out[kWavHeaderBytes]);

// Multiplies each 16-bit sample by volume / 100, truncated toward zero and limited to
// the 16-bit range.
void ScaleSamples(uint8_t* pcm, uint32_t bytes, int volumePercent);

class WavFileWriter {
  public:
    WavFileWriter() = default;
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;
    ~WavFileWriter() { Discard(); }

    // Creates the aside file next to `path` with room for the header.
    bool Create(const std::string& path);
    // False once any write has failed; later writes are skipped.
    bool Write(const uint8_t* data, uint32_t bytes);
    // Writes the header and renames the file over the target.
    bool Finish(const WAVEFORMATEX& format, uint32_t dataBytes);
    // Removes the aside file; the target is left as it was.
    void Discard();
    bool Failed() const { return m_bFailed; }

  private:
    bool WriteAt(const uint8_t* data, uint32_t bytes, int64_t offset);

    int m_fd = -1;
    bool m_bFailed = false;
    int64_t m_offset = 0;
    std::string m_target;
    std::string m_aside;
};

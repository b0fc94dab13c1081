#include <cstring>

#include "tunewell/player_state.h"
#include "tunewell/wav_file.h"

namespace {
// The data length field is 32 bits, and the RIFF size adds the header on top of it.
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - (kWavHeaderBytes - 8);
}  // namespace

void RunWaveWriterWorker(PlayerState& p) {
    WavFileWriter out;
    if (!out.Create(p.m_wavPath))
        return;
    uint8_t* staging = p.m_wavStaging;
    uint32_t dataBytes = 0;
    uint32_t fill = 0;
    while (!p.m_stopRequest.load()) {
        if (p.IsPaused()) {
            p.m_wake.Wait(kPauseSleepMs);
            continue;
        }
        FillResult r = FillBlock(p.m_decoder, staging, fill);
        if (r != FillResult::Block) {
            // End of data or a decoding error: what was decoded is kept either way.
            uint32_t valid = fill;
            if (p.m_outputVolume != 100)
                ScaleSamples(staging, valid, p.m_outputVolume);
            if (valid <= kMaxDataBytes - dataBytes && out.Write(staging, valid))
                dataBytes += valid;
            break;
        }
        if (p.m_outputVolume != 100)
            ScaleSamples(staging, BLOCK_BYTES, p.m_outputVolume);
        if (BLOCK_BYTES > kMaxDataBytes - dataBytes || !out.Write(staging, BLOCK_BYTES))
            break;
        dataBytes += BLOCK_BYTES;
        p.AdvancePosition();
        fill -= BLOCK_BYTES;
        std::memmove(staging, staging + BLOCK_BYTES, fill);
        if (p.m_endTime != 0.0 && p.m_position.load() >= p.m_endTime * 10)
            break;
    }
    bool written = !out.Failed() && out.Finish(p.m_format, dataBytes);
    if (!written)
        out.Discard();
    if (!p.m_stopRequest.load())
        p.Notify(VL_NOTIFY_END, 0);
}

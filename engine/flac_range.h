// The frames of a FLAC stream that hold a range of its samples, exact to the sample: the
// frames at the range's edges are decoded and the range's part of them encoded again, which
// loses nothing in a lossless format; every frame between is the source's, restamped. The
// stream counts samples (variable block size) where its first frame is a shortened one.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <memory>
#include <vector>

class FlacRange {
  public:
    // A frame to write: its first sample counted from the range's start.
    struct Frame {
        std::vector<uint8_t> data;
        int64_t first = 0;
        int samples = 0;
    };

    // start and end in samples of the source's time line.
    FlacRange(int64_t start, int64_t end);
    ~FlacRange();
    FlacRange(const FlacRange&) = delete;
    FlacRange& operator=(const FlacRange&) = delete;

    // False when no FLAC decoder or encoder takes the stream's settings.
    bool Open(const AVCodecParameters* source);
    // The source's next frame, whose first sample is `first`; what of it belongs to the range
    // goes to out. False on a frame that cannot be read or made again.
    bool Take(const uint8_t* data, int size, int64_t first, std::vector<Frame>* out);
    // The source ended: what is still held goes out.
    bool Finish(std::vector<Frame>* out);
    // Every sample of the range has gone out.
    bool Done() const { return m_Written >= m_End - m_Start; }

    int64_t Samples() const { return m_Written; }
    // The smallest block but the last, and the largest, for the stream header.
    int MinBlockSize() const;
    int MaxBlockSize() const { return m_MaxBlock; }

  private:
    bool Emit(std::vector<uint8_t> frame, int samples, std::vector<Frame>* out);
    bool DecodeInto(const uint8_t* data, int size, int64_t from, int64_t until);
    bool EncodeHeld(std::vector<Frame>* out);

    int64_t m_Start, m_End;
    AVCodecContext* m_pDecoder = nullptr;
    bool m_Variable = false;
    bool m_Decided = false;
    int m_FrameBlock = 0;         // the source's block size, for frame numbers
    std::vector<uint8_t> m_Held;  // interleaved samples waiting to be encoded
    int m_HeldSamples = 0;
    AVSampleFormat m_Format = AV_SAMPLE_FMT_NONE;
    int m_BitsPerSample = 0;
    int64_t m_Written = 0;
    int m_MinBlock = 0, m_MaxBlock = 0, m_LastBlock = 0;
};

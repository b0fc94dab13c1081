// Re-encodes the few frames between a cut's start and the next keyframe so that the copied
// stream behind them can start anywhere: an encoder set up like the source stream (codec,
// profile, level, size, pixel format, colour, aspect, time base), no reordered frames, and
// its parameter sets sent in-band with its first frame, so that the stream stays one stream
// for a decoder that first read the source's own configuration.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <vector>

class HeadEncoder {
  public:
    HeadEncoder() = default;
    ~HeadEncoder();
    HeadEncoder(const HeadEncoder&) = delete;
    HeadEncoder& operator=(const HeadEncoder&) = delete;

    // False when no encoder of this codec is at hand or it refuses the source's settings.
    bool Open(const AVStream* source, const AVCodecContext* decoder, const AVFrame* first);
    // Frames in the source stream's time base, in presentation order.
    bool Add(const AVFrame* frame);
    // Drains the encoder; the packets are then ready in Packets().
    bool Finish();
    // Encoded packets, pts and dts in the source stream's time base, shaped for the output
    // stream (length-prefixed NAL units when the stream's configuration is avcC or hvcC).
    std::vector<AVPacket*>& Packets() { return m_Packets; }

    // The source's own parameter sets (from its avcC or hvcC) as length-prefixed NAL
    // units: the copied keyframe after a re-encoded head carries them in-band, as the
    // head's own sets replaced the configuration's for the decoder. Empty for Annex B
    // streams, whose keyframes carry their sets already.
    static std::vector<uint8_t> SourceParameterSets(const AVCodecParameters* par);
    // Whether the head's parameter sets took the place of the source's for a decoder, so
    // that the copied keyframe has to bring the source's again. Not so for H.264, whose
    // head numbers its sets apart from the source's.
    bool ReplacesSourceSets() const { return !m_OwnSetIds; }

  private:
    bool Drain();
    bool Reshape(AVPacket* packet);

    AVCodecContext* m_pEnc = nullptr;
    int m_LengthSize = 0;  // 0: Annex B as the encoder gives it
    bool m_OwnSetIds = false;
    bool m_ForcedP = false;  // every picture after the first is made a P picture
    std::vector<AVPacket*> m_Packets;
};

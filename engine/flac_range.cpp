#include "engine/flac_range.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstring>

#include "engine/flac_frame.h"

namespace {

// Below this a block may be only the stream's last.
constexpr int kSmallestBlock = 16;

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};

}  // namespace

FlacRange::FlacRange(int64_t start, int64_t end) : m_Start(start), m_End(end) {}

FlacRange::~FlacRange() {
    avcodec_free_context(&m_pDecoder);
}

bool FlacRange::Open(const AVCodecParameters* source) {
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_FLAC);
    if (!decoder || !avcodec_find_encoder(AV_CODEC_ID_FLAC))
        return false;
    m_pDecoder = avcodec_alloc_context3(decoder);
    if (!m_pDecoder || avcodec_parameters_to_context(m_pDecoder, source) < 0)
        return false;
    return avcodec_open2(m_pDecoder, decoder, nullptr) >= 0;
}

int FlacRange::MinBlockSize() const {
    return m_MinBlock ? m_MinBlock : m_LastBlock;
}

bool FlacRange::Take(const uint8_t* data, int size, int64_t first, std::vector<Frame>* out) {
    FlacFrameHeader header;
    if (!ReadFlacFrameHeader(data, size, &header))
        return false;
    const int64_t n = header.blockSize;
    if (first + n <= m_Start || Done())
        return true;
    if (!m_Decided) {
        // A stream of fixed blocks numbers its frames; a shortened first one only fits a
        // stream that counts samples.
        m_Decided = true;
        m_Variable = header.variable || first < m_Start;
        m_FrameBlock = header.blockSize;
    }
    const int64_t from = std::max(m_Start, first);
    const int64_t until = std::min(m_End, first + n);
    if (from == first && until == first + n && m_HeldSamples == 0)
        return Emit(RestampFlacFrame(data, size, m_Variable,
                                     m_Variable ? m_Written : m_Written / m_FrameBlock),
                    header.blockSize, out);
    if (!DecodeInto(data, size, from - first, until - first))
        return false;
    if (m_HeldSamples >= kSmallestBlock || until == m_End)
        return EncodeHeld(out);
    return true;
}

bool FlacRange::Finish(std::vector<Frame>* out) {
    return m_HeldSamples == 0 || EncodeHeld(out);
}

bool FlacRange::Emit(std::vector<uint8_t> frame, int samples, std::vector<Frame>* out) {
    if (frame.empty())
        return false;
    out->push_back(Frame{std::move(frame), m_Written, samples});
    m_Written += samples;
    if (m_LastBlock)
        m_MinBlock = m_MinBlock ? std::min(m_MinBlock, m_LastBlock) : m_LastBlock;
    m_LastBlock = samples;
    m_MaxBlock = std::max(m_MaxBlock, samples);
    return true;
}

// Appends the frame's samples from..until (counted from its first) to those held.
bool FlacRange::DecodeInto(const uint8_t* data, int size, int64_t from, int64_t until) {
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (!packet || !frame || av_new_packet(packet.get(), size) < 0)
        return false;
    std::memcpy(packet->data, data, size);
    if (avcodec_send_packet(m_pDecoder, packet.get()) < 0 ||
        avcodec_receive_frame(m_pDecoder, frame.get()) < 0)
        return false;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    if (av_sample_fmt_is_planar(format) || until > frame->nb_samples ||
        (m_Format != AV_SAMPLE_FMT_NONE && format != m_Format))
        return false;
    m_Format = format;
    m_BitsPerSample = m_pDecoder->bits_per_raw_sample;
    const int stride = av_get_bytes_per_sample(format) * frame->ch_layout.nb_channels;
    const uint8_t* samples = frame->extended_data[0];
    m_Held.insert(m_Held.end(), samples + from * stride, samples + until * stride);
    m_HeldSamples += static_cast<int>(until - from);
    return true;
}

bool FlacRange::EncodeHeld(std::vector<Frame>* out) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_FLAC);
    std::unique_ptr<AVCodecContext, ContextFree> c(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!c || !frame || !packet)
        return false;
    c->sample_rate = m_pDecoder->sample_rate;
    c->time_base = AVRational{1, c->sample_rate};
    c->sample_fmt = m_Format;
    c->bits_per_raw_sample = m_BitsPerSample;
    // One frame of all the held samples; a block too small to open the encoder with can
    // only be the last, which the encoder takes short.
    c->frame_size = std::max(m_HeldSamples, kSmallestBlock);
    if (av_channel_layout_copy(&c->ch_layout, &m_pDecoder->ch_layout) < 0 ||
        avcodec_open2(c.get(), codec, nullptr) < 0)
        return false;
    frame->nb_samples = m_HeldSamples;
    frame->format = m_Format;
    frame->sample_rate = c->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    std::memcpy(frame->data[0], m_Held.data(), m_Held.size());
    frame->pts = 0;
    if (avcodec_send_frame(c.get(), frame.get()) < 0 || avcodec_send_frame(c.get(), nullptr) < 0)
        return false;
    std::vector<uint8_t> encoded;
    int packets = 0;
    while (avcodec_receive_packet(c.get(), packet.get()) >= 0) {
        // The closing packet carries only the encoder's own stream header.
        if (packet->size > 0) {
            encoded.assign(packet->data, packet->data + packet->size);
            ++packets;
        }
        av_packet_unref(packet.get());
    }
    if (packets != 1)
        return false;
    const int samples = m_HeldSamples;
    m_Held.clear();
    m_HeldSamples = 0;
    return Emit(RestampFlacFrame(encoded.data(), static_cast<int>(encoded.size()), m_Variable,
                                 m_Variable ? m_Written : m_Written / m_FrameBlock),
                samples, out);
}

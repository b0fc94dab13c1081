#include "engine/head_encoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// The number the head's H.264 sequence and picture sets carry. Encoders number theirs from
// 0 and seldom use more, so the source's are all below it.
constexpr int kHeadSetId = 31;

const char* EncoderNameFor(AVCodecID id) {
    switch (id) {
        case AV_CODEC_ID_H264:
            return "libx264";
        case AV_CODEC_ID_HEVC:
            return "libx265";
        case AV_CODEC_ID_VP9:
            return "libvpx-vp9";
        case AV_CODEC_ID_VP8:
            return "libvpx";
        case AV_CODEC_ID_AV1:
            return "libaom-av1";
        default:
            return nullptr;
    }
}

const char* X264Profile(int profile) {
    switch (profile) {
        case FF_PROFILE_H264_BASELINE:
        case FF_PROFILE_H264_CONSTRAINED_BASELINE:
            return "baseline";
        case FF_PROFILE_H264_MAIN:
            return "main";
        case FF_PROFILE_H264_HIGH_10:
            return "high10";
        case FF_PROFILE_H264_HIGH_422:
            return "high422";
        case FF_PROFILE_H264_HIGH_444_PREDICTIVE:
            return "high444";
        default:
            return "high";
    }
}

// The NAL length size an avcC or hvcC configuration declares; 0 for Annex B streams.
int NalLengthSize(const AVCodecParameters* par) {
    const uint8_t* x = par->extradata;
    if (!x || par->extradata_size < 7 || x[0] != 1)
        return 0;
    if (par->codec_id == AV_CODEC_ID_H264)
        return (x[4] & 3) + 1;
    if (par->codec_id == AV_CODEC_ID_HEVC && par->extradata_size >= 23)
        return (x[21] & 3) + 1;
    return 0;
}

}  // namespace

std::vector<uint8_t> HeadEncoder::SourceParameterSets(const AVCodecParameters* par) {
    std::vector<uint8_t> out;
    const int lengthSize = NalLengthSize(par);
    if (!lengthSize)
        return out;
    const uint8_t* x = par->extradata;
    const int n = par->extradata_size;
    auto append = [&](int at, int size) {
        if (at + size > n)
            return false;
        for (int b = lengthSize - 1; b >= 0; --b)
            out.push_back(static_cast<uint8_t>(size >> (8 * b)));
        out.insert(out.end(), x + at, x + at + size);
        return true;
    };
    int at = 0;
    // Both layouts list their sets as a two-byte size and the set's bytes.
    auto appendSets = [&](int count) {
        for (int i = 0; i < count; ++i) {
            if (at + 2 > n)
                return false;
            const int size = (x[at] << 8) | x[at + 1];
            if (!append(at + 2, size))
                return false;
            at += 2 + size;
        }
        return true;
    };
    if (par->codec_id == AV_CODEC_ID_H264) {
        at = 5;
        for (int list = 0; list < 2; ++list) {
            if (at >= n)
                return {};
            const int count = list == 0 ? (x[at] & 0x1f) : x[at];
            ++at;
            if (!appendSets(count))
                return {};
        }
    } else {
        at = 22;
        if (at >= n)
            return {};
        const int arrays = x[at++];
        for (int a = 0; a < arrays; ++a) {
            if (at + 3 > n)
                return {};
            const int count = (x[at + 1] << 8) | x[at + 2];
            at += 3;
            if (!appendSets(count))
                return {};
        }
    }
    return out;
}

HeadEncoder::~HeadEncoder() {
    for (AVPacket* p : m_Packets) av_packet_free(&p);
    avcodec_free_context(&m_pEnc);
}

bool HeadEncoder::Open(const AVStream* source, const AVCodecContext* decoder,
                       const AVFrame* first) {
    const AVCodecParameters* par = source->codecpar;
    const char* name = EncoderNameFor(par->codec_id);
    const AVCodec* codec = name ? avcodec_find_encoder_by_name(name) : nullptr;
    if (!codec)
        return false;
    m_pEnc = avcodec_alloc_context3(codec);
    if (!m_pEnc)
        return false;
    AVCodecContext* c = m_pEnc;
    c->width = first->width;
    c->height = first->height;
    c->pix_fmt = static_cast<AVPixelFormat>(first->format);
    c->sample_aspect_ratio =
        par->sample_aspect_ratio.num ? par->sample_aspect_ratio : first->sample_aspect_ratio;
    c->time_base = source->time_base;
    c->framerate = source->avg_frame_rate.num ? source->avg_frame_rate : source->r_frame_rate;
    c->color_range = decoder->color_range;
    c->color_primaries = par->color_primaries;
    c->color_trc = par->color_trc;
    c->colorspace = par->color_space;
    c->chroma_sample_location = par->chroma_location;
    c->field_order = par->field_order;
    c->level = par->level;
    // Reordered frames would need decoding times before the copied keyframe's; without
    // them every re-encoded frame decodes when it shows.
    c->max_b_frames = 0;
    c->gop_size = 1 << 20;
    c->thread_count = 0;
    AVDictionary* opts = nullptr;
    switch (par->codec_id) {
        case AV_CODEC_ID_H264:
            av_dict_set(&opts, "profile", X264Profile(par->profile), 0);
            av_dict_set(&opts, "preset", "veryfast", 0);
            av_dict_set(&opts, "crf", "15", 0);
            // Sets of their own number leave the source's (from its configuration) in
            // force for the copied keyframe, so that it goes out as the source's bytes.
            av_dict_set(&opts, "x264-params", ("sps-id=" + std::to_string(kHeadSetId)).c_str(), 0);
            m_OwnSetIds = true;
            break;
        case AV_CODEC_ID_HEVC: {
            av_dict_set(&opts, "preset", "veryfast", 0);
            av_dict_set(&opts, "crf", "16", 0);
            // The head's sets announce the source's reordering, though every picture of
            // the head is a P picture that decodes when it shows: a reader that sized its
            // picture buffer from the first sets keeps it for the copied pictures behind.
            const int reorder = std::min(decoder->has_b_frames, 2);
            std::string params = "log-level=error";
            if (reorder > 0) {
                params += ":bframes=" + std::to_string(reorder) +
                          ":b-pyramid=" + std::to_string(reorder > 1 ? 1 : 0);
                m_ForcedP = true;
            }
            av_dict_set(&opts, "x265-params", params.c_str(), 0);
            break;
        }
        case AV_CODEC_ID_VP9:
        case AV_CODEC_ID_VP8:
            c->profile = par->profile;
            c->bit_rate = 0;
            av_dict_set(&opts, "crf", "20", 0);
            av_dict_set(&opts, "deadline", "good", 0);
            av_dict_set(&opts, "cpu-used", "4", 0);
            av_dict_set(&opts, "lag-in-frames", "0", 0);
            av_dict_set(&opts, "auto-alt-ref", "0", 0);
            break;
        default:
            c->profile = par->profile;
            av_dict_set(&opts, "cpu-used", "8", 0);
            av_dict_set(&opts, "lag-in-frames", "0", 0);
            break;
    }
    const int opened = avcodec_open2(c, codec, &opts);
    av_dict_free(&opts);
    m_LengthSize = NalLengthSize(par);
    return opened >= 0;
}

bool HeadEncoder::Add(const AVFrame* frame) {
    AVFrame* f = av_frame_clone(frame);
    if (!f)
        return false;
    f->pts = frame->best_effort_timestamp;
    // The first frame opens the stream; the rest are the encoder's choice, or P pictures
    // where the encoder was set up for reordering only to say so.
    const AVPictureType later = m_ForcedP ? AV_PICTURE_TYPE_P : AV_PICTURE_TYPE_NONE;
    f->pict_type = m_Packets.empty() && !m_pEnc->frame_number ? AV_PICTURE_TYPE_I : later;
    const int sent = avcodec_send_frame(m_pEnc, f);
    av_frame_free(&f);
    return sent >= 0 && Drain();
}

bool HeadEncoder::Finish() {
    return avcodec_send_frame(m_pEnc, nullptr) >= 0 && Drain();
}

bool HeadEncoder::Drain() {
    for (;;) {
        AVPacket* p = av_packet_alloc();
        if (!p)
            return false;
        const int r = avcodec_receive_packet(m_pEnc, p);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) {
            av_packet_free(&p);
            return true;
        }
        if (r < 0 || !Reshape(p)) {
            av_packet_free(&p);
            return false;
        }
        m_Packets.push_back(p);
    }
}

bool HeadEncoder::Reshape(AVPacket* packet) {
    if (!m_LengthSize)
        return true;
    // Annex B start codes become the big-endian lengths the stream's configuration uses.
    const uint8_t* d = packet->data;
    const int n = packet->size;
    std::vector<std::pair<int, int>> units;
    int i = 0;
    auto startCode = [&](int at) {
        return at + 3 <= n && d[at] == 0 && d[at + 1] == 0 && d[at + 2] == 1;
    };
    while (i < n && !startCode(i)) ++i;
    while (i < n) {
        const int begin = i + 3;
        int end = begin;
        while (end < n && !startCode(end)) ++end;
        int last = end;
        while (last > begin && d[last - 1] == 0 && end < n)  // a four-byte code's zero
            --last;
        units.emplace_back(begin, last - begin);
        i = end;
    }
    std::vector<uint8_t> out;
    for (const auto& [at, size] : units) {
        if (size <= 0)
            continue;
        if (m_LengthSize < 4 && size >= (1 << (8 * m_LengthSize)))
            return false;
        for (int b = m_LengthSize - 1; b >= 0; --b)
            out.push_back(static_cast<uint8_t>(size >> (8 * b)));
        out.insert(out.end(), d + at, d + at + size);
    }
    AVPacket* shaped = av_packet_alloc();
    if (!shaped || av_new_packet(shaped, static_cast<int>(out.size())) < 0) {
        av_packet_free(&shaped);
        return false;
    }
    std::memcpy(shaped->data, out.data(), out.size());
    av_packet_copy_props(shaped, packet);
    av_packet_unref(packet);
    av_packet_move_ref(packet, shaped);
    av_packet_free(&shaped);
    return true;
}

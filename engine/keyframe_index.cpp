#include "engine/keyframe_index.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <algorithm>
#include <memory>

namespace {

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// Sorted, with the repeats a damaged or doubled packet leaves taken out.
void SortUnique(std::vector<double>* times) {
    std::sort(times->begin(), times->end());
    times->erase(std::unique(times->begin(), times->end()), times->end());
}

}  // namespace

FrameTimes ReadFrameTimes(const std::string& path, const std::atomic<bool>* cancel) {
    FrameTimes result;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return result;
    std::unique_ptr<AVFormatContext, InputCloser> in(raw);
    if (avformat_find_stream_info(in.get(), nullptr) < 0)
        return result;
    const int video = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0 || (in->streams[video]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        result.ok = true;  // a sound file: nothing to show
        return result;
    }
    // Only the picture stream's packets are of interest; the demuxer skips the others.
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (static_cast<int>(i) != video)
            in->streams[i]->discard = AVDISCARD_ALL;
    AVStream* stream = in->streams[video];
    const AVRational rate =
        stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        result.frameRate = av_q2d(rate);
    const double unit = av_q2d(stream->time_base);
    const int64_t originUs = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
    const double origin = originUs / static_cast<double>(AV_TIME_BASE);

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!packet)
        return result;
    while (av_read_frame(in.get(), packet.get()) >= 0) {
        if (cancel && cancel->load())
            return FrameTimes{};
        AVPacket* p = packet.get();
        const int64_t pts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        const bool shown = !(p->flags & AV_PKT_FLAG_DISCARD);
        if (p->stream_index == video && pts != AV_NOPTS_VALUE && shown) {
            // The origin is rounded to microseconds: the first picture may fall a hair
            // before it.
            const double t = std::max(0.0, pts * unit - origin);
            if (pts * unit - origin > -1e-3) {
                result.frames.push_back(t);
                if (p->flags & AV_PKT_FLAG_KEY)
                    result.keyframes.push_back(t);
            }
        }
        av_packet_unref(p);
    }
    SortUnique(&result.frames);
    SortUnique(&result.keyframes);
    result.ok = true;
    return result;
}

#include "engine/nominal_frame_rate.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

bool Plausible(FrameRate r) {
    return r.num > 0 && r.den > 0 && r.num <= 1000LL * r.den && r.num >= r.den;
}

}  // namespace

FrameRate NominalFrameRate(const std::string& path) {
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0)
        return {};
    FrameRate rate;
    if (avformat_find_stream_info(in, nullptr) >= 0) {
        const int video = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video >= 0) {
            const AVRational r = in->streams[video]->r_frame_rate;
            if (Plausible({r.num, r.den}))
                rate = {r.num, r.den};
        }
    }
    avformat_close_input(&in);
    return rate;
}

FrameRate ConstantRateFor(const std::string& path, FrameRate decoded, FrameRate fallback) {
    if (Plausible(decoded))
        return decoded;
    const FrameRate nominal = NominalFrameRate(path);
    return Plausible(nominal) ? nominal : fallback;
}

#include "engine/recent_frames.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/com.h"

// Sees every frame and caps event on the renderer's input, on the streaming thread.
struct RecentFramesProbe {
    static GstPadProbeReturn Callback(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto* frames = static_cast<std::shared_ptr<RecentFrames>*>(data)->get();
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (!buffer)
            return GST_PAD_PROBE_OK;
        GstCaps* caps = gst_pad_get_current_caps(pad);
        if (!caps)
            return GST_PAD_PROBE_OK;
        frames->Keep(gst_sample_new(buffer, caps, nullptr, nullptr));
        gst_caps_unref(caps);
        return GST_PAD_PROBE_OK;
    }
};

RecentFrames::~RecentFrames() {
    Clear();
}

void RecentFrames::Watch(GstPad* pad, const std::shared_ptr<RecentFrames>& frames) {
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, RecentFramesProbe::Callback,
                      new std::shared_ptr<RecentFrames>(frames), [](gpointer data) {
                          delete static_cast<std::shared_ptr<RecentFrames>*>(data);
                      });
}

void RecentFrames::Keep(GstSample* sample) {
    GstSample* gone = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        gone = m_Before;
        m_Before = m_Newest;
        m_Newest = sample;
    }
    if (gone)
        gst_sample_unref(gone);
}

void RecentFrames::Clear() {
    GstSample* a = nullptr;
    GstSample* b = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        std::swap(a, m_Newest);
        std::swap(b, m_Before);
    }
    for (GstSample* s : {a, b})
        if (s)
            gst_sample_unref(s);
}

GstSample* RecentFrames::Shown(GstElement* sink) const {
    GstClockTime shownAt = GST_CLOCK_TIME_NONE;
    if (sink) {
        GstSample* last = nullptr;
        g_object_get(sink, "last-sample", &last, nullptr);
        if (last) {
            if (GstBuffer* b = gst_sample_get_buffer(last))
                shownAt = GST_BUFFER_PTS(b);
            gst_sample_unref(last);
        }
    }
    std::lock_guard<std::mutex> lock(m_Mutex);
    GstSample* pick = m_Newest;
    // While playing, the newest frame may still wait for its time behind the one shown.
    if (GST_CLOCK_TIME_IS_VALID(shownAt) && m_Before && m_Newest &&
        GST_BUFFER_PTS(gst_sample_get_buffer(m_Newest)) != shownAt &&
        GST_BUFFER_PTS(gst_sample_get_buffer(m_Before)) == shownAt)
        pick = m_Before;
    return pick ? gst_sample_ref(pick) : nullptr;
}

namespace {

// Converts the sample into a frame of the given layout, stretched to fill it.
bool Convert(GstSample* sample, GstVideoFormat format, int width, int height, uint8_t* dest,
             int stride) {
    GstCaps* caps = sample ? gst_sample_get_caps(sample) : nullptr;
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    GstVideoInfo in;
    if (!caps || !buffer || !gst_video_info_from_caps(&in, caps) || width <= 0 || height <= 0)
        return false;
    GstVideoInfo out;
    if (!gst_video_info_set_format(&out, format, static_cast<guint>(width),
                                   static_cast<guint>(height)))
        return false;
    // The converter changes the picture only; the timing and layout stay the frame's.
    out.fps_n = in.fps_n;
    out.fps_d = in.fps_d;
    out.interlace_mode = in.interlace_mode;
    out.stride[0] = stride;
    out.size = static_cast<gsize>(stride) * static_cast<gsize>(height);
    GstVideoFrame src;
    if (!gst_video_frame_map(&src, &in, buffer, GST_MAP_READ))
        return false;
    GstBuffer* target = gst_buffer_new_wrapped_full(static_cast<GstMemoryFlags>(0), dest, out.size,
                                                    0, out.size, nullptr, nullptr);
    GstVideoFrame dst;
    bool ok = gst_video_frame_map(&dst, &out, target, GST_MAP_WRITE);
    if (ok) {
        GstVideoConverter* converter = gst_video_converter_new(&in, &out, nullptr);
        ok = converter != nullptr;
        if (converter) {
            gst_video_converter_frame(converter, &src, &dst);
            gst_video_converter_free(converter);
        }
        gst_video_frame_unmap(&dst);
    }
    gst_buffer_unref(target);
    gst_video_frame_unmap(&src);
    return ok;
}

}  // namespace

QImage FrameImage(GstSample* sample, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull() || !Convert(sample, GST_VIDEO_FORMAT_BGRx, size.width(), size.height(),
                                   image.bits(), static_cast<int>(image.bytesPerLine())))
        return {};
    return image;
}

uint8_t* FrameDib(GstSample* sample) {
    GstVideoInfo info;
    GstCaps* caps = sample ? gst_sample_get_caps(sample) : nullptr;
    if (!caps || !gst_video_info_from_caps(&info, caps))
        return nullptr;
    const auto w = static_cast<int32_t>(GST_VIDEO_INFO_WIDTH(&info));
    const auto h = static_cast<int32_t>(GST_VIDEO_INFO_HEIGHT(&info));
    const size_t stride = ((static_cast<size_t>(w) * 24 + 31) / 32) * 4;
    const size_t size = 40 + stride * static_cast<size_t>(h);
    auto* dib = static_cast<uint8_t*>(CoTaskMemAlloc(size));
    if (!dib)
        return nullptr;
    std::memset(dib, 0, size);
    uint8_t* rows = dib + 40;
    if (!Convert(sample, GST_VIDEO_FORMAT_BGR, w, h, rows, static_cast<int>(stride))) {
        CoTaskMemFree(dib);
        return nullptr;
    }
    // The converter writes rows top-down; a bitmap with a positive height stores them
    // bottom-up.
    std::vector<uint8_t> swap(stride);
    for (int32_t y = 0; y < h / 2; ++y) {
        uint8_t* top = rows + stride * static_cast<size_t>(y);
        uint8_t* bottom = rows + stride * static_cast<size_t>(h - 1 - y);
        std::memcpy(swap.data(), top, stride);
        std::memcpy(top, bottom, stride);
        std::memcpy(bottom, swap.data(), stride);
    }
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(w));
    put32(8, static_cast<uint32_t>(h));
    dib[12] = 1;   // planes
    dib[14] = 24;  // bits per pixel
    put32(20, static_cast<uint32_t>(stride * static_cast<size_t>(h)));
    return dib;
}

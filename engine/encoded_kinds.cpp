#include "engine/encoded_kinds.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <QDebug>
#include <algorithm>
#include <initializer_list>

#include "engine/graph_routing.h"

namespace {

// What a cut of a long source may buffer per stream while the other stream's encoder
// (H.264 looks ahead) holds the muxer back.
constexpr guint64 kBranchQueueTime = 5 * GST_SECOND;
// The volume element's own limit.
constexpr int32_t kMaxVolumePercent = 1000;
// Above what VP9 at the kind's quality needs for any picture size a cut meets (b/s).
constexpr gint kVp9RateCeiling = 200000000;

GstElement* Make(const char* factory, const char* name = nullptr) {
    GstElement* e = gst_element_factory_make(factory, name);
    if (!e)
        qWarning("engine: element %s is not available", factory);
    return e;
}

// The first factory of the list that is installed.
GstElement* MakeFirst(std::initializer_list<const char*> factories, const char* name) {
    for (const char* f : factories) {
        GstElementFactory* factory = gst_element_factory_find(f);
        if (!factory)
            continue;
        gst_object_unref(factory);
        return Make(f, name);
    }
    qWarning("engine: none of the encoders for %s is available", name);
    return nullptr;
}

// Links the branch's last element to a new pad of the muxer made from the template, so
// that a sound branch never lands on a picture pad while their caps are still open.
bool LinkToMuxer(GstElement* last, GstElement* mux, const char* padTemplate) {
    GstPad* sink = gst_element_request_pad_simple(mux, padTemplate);
    if (!sink)
        return false;
    GstPad* src = gst_element_get_static_pad(last, "src");
    bool ok = src && gst_pad_link(src, sink) == GST_PAD_LINK_OK;
    if (src)
        gst_object_unref(src);
    gst_object_unref(sink);
    return ok;
}

GstElement* FileSink(const std::string& path) {
    GstElement* sink = Make("filesink", "File Writer");
    if (sink)
        // Unbuffered, so a full disk fails the write that hit it rather than a late flush.
        g_object_set(sink, "location", path.c_str(), "buffer-mode", 2, "async", FALSE, nullptr);
    return sink;
}

GstElement* BranchQueue() {
    GstElement* q = Make("queue");
    if (q)
        g_object_set(q, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
                     kBranchQueueTime, nullptr);
    return q;
}

GstPadProbeReturn DropOrientation(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    if (!ev || GST_EVENT_TYPE(ev) != GST_EVENT_TAG)
        return GST_PAD_PROBE_OK;
    GstTagList* tags = nullptr;
    gst_event_parse_tag(ev, &tags);
    if (!tags || !gst_tag_list_get_tag_size(tags, GST_TAG_IMAGE_ORIENTATION))
        return GST_PAD_PROBE_OK;
    GstTagList* kept = gst_tag_list_copy(tags);
    gst_tag_list_remove_tag(kept, GST_TAG_IMAGE_ORIENTATION);
    GstEvent* replacement = gst_event_new_tag(kept);
    gst_event_set_seqnum(replacement, gst_event_get_seqnum(ev));
    gst_event_unref(ev);
    GST_PAD_PROBE_INFO_DATA(info) = replacement;
    return GST_PAD_PROBE_OK;
}

// The colorimetry the encoder is to receive and state for pictures of the given caps: the
// source's, with what the source leaves unsaid filled in by the size's usual standard. A
// stream that states none leaves each reader to guess its matrix and range, and readers
// guess differently. The range stays the source's: the converter of GStreamer 1.22 keeps
// full-range YUV samples as they are when asked for limited range, so a stated change
// would darken the pictures.
std::string EncoderColorimetry(GstCaps* caps) {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, caps))
        return {};
    GstVideoColorimetry c = info.colorimetry;
    const bool hd = info.height > 576 || info.width > 1024;
    if (c.matrix == GST_VIDEO_COLOR_MATRIX_UNKNOWN || c.matrix == GST_VIDEO_COLOR_MATRIX_RGB)
        c.matrix = hd ? GST_VIDEO_COLOR_MATRIX_BT709 : GST_VIDEO_COLOR_MATRIX_BT601;
    if (c.transfer == GST_VIDEO_TRANSFER_UNKNOWN)
        c.transfer = GST_VIDEO_TRANSFER_BT709;
    if (c.primaries == GST_VIDEO_COLOR_PRIMARIES_UNKNOWN)
        c.primaries = c.matrix == GST_VIDEO_COLOR_MATRIX_BT601 ? GST_VIDEO_COLOR_PRIMARIES_SMPTE170M
                                                               : GST_VIDEO_COLOR_PRIMARIES_BT709;
    if (c.range == GST_VIDEO_COLOR_RANGE_UNKNOWN)
        c.range = GST_VIDEO_COLOR_RANGE_16_235;
    gchar* text = gst_video_colorimetry_to_string(&c);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

// Sets the picture branch's format filter (user data) from each caps that reach the
// converter ahead of it, so that the converter turns them into what the encoder states.
GstPadProbeReturn FollowSourceColorimetry(GstPad*, GstPadProbeInfo* info, gpointer format) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    if (!ev || GST_EVENT_TYPE(ev) != GST_EVENT_CAPS)
        return GST_PAD_PROBE_OK;
    GstCaps* caps = nullptr;
    gst_event_parse_caps(ev, &caps);
    const std::string colorimetry = caps ? EncoderColorimetry(caps) : std::string();
    GstCaps* want = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", nullptr);
    if (!colorimetry.empty())
        gst_caps_set_simple(want, "colorimetry", G_TYPE_STRING, colorimetry.c_str(), nullptr);
    g_object_set(format, "caps", want, nullptr);
    gst_caps_unref(want);
    return GST_PAD_PROBE_OK;
}

// The sound of a cut at the volume asked for, in the format the encoder takes.
bool AddSoundHead(GstElement* graph, int32_t volumePercent, GstElement** first, GstElement** last) {
    GstElement* convert = Make("audioconvert", "AudioConvert");
    GstElement* resample = Make("audioresample");
    GstElement* volume = Make("volume", "Volume");
    GstElement* toEncoder = Make("audioconvert");
    if (volume)
        g_object_set(volume, "volume", std::clamp(volumePercent, 0, kMaxVolumePercent) / 100.0,
                     nullptr);
    if (!AddChain(graph, {convert, resample, volume, toEncoder}))
        return false;
    *first = convert;
    *last = toEncoder;
    return true;
}

// What the restamping of a picture branch has seen so far.
struct FrameGrid {
    gint fpsNum = 0, fpsDen = 1;  // 0: the source states no constant rate
    GstSegment segment;
    gint64 last = -1;  // the last frame's number on the grid
};

// Puts every picture of a constant-rate source on the grid of its rate, counted from the
// range's start. Sources whose frames sit off that grid (Matroska and edited MP4 files
// often carry an offset of a fraction of a frame) otherwise gave a clipped first frame and
// frame times, and a stated rate, that were not the source's. Each picture keeps its
// place: the nearest grid point, or the one after the previous picture's.
GstPadProbeReturn SnapToFrameGrid(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* grid = static_cast<FrameGrid*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(ev) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(ev, &caps);
            const GstStructure* st = caps ? gst_caps_get_structure(caps, 0) : nullptr;
            if (!st || !gst_structure_get_fraction(st, "framerate", &grid->fpsNum, &grid->fpsDen) ||
                grid->fpsDen <= 0)
                grid->fpsNum = 0;
        } else if (GST_EVENT_TYPE(ev) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(ev, &segment);
            gst_segment_copy_into(segment, &grid->segment);
            grid->last = -1;
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (grid->fpsNum <= 0 || grid->segment.format != GST_FORMAT_TIME || !buffer ||
        !GST_BUFFER_PTS_IS_VALID(buffer))
        return GST_PAD_PROBE_OK;
    const guint64 running =
        gst_segment_to_running_time(&grid->segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    if (running == GST_CLOCK_TIME_NONE)
        return GST_PAD_PROBE_OK;
    const guint64 base =
        gst_segment_to_running_time(&grid->segment, GST_FORMAT_TIME, grid->segment.start);
    const guint64 since = running - std::min(running, base == GST_CLOCK_TIME_NONE ? 0 : base);
    const auto num = static_cast<guint64>(grid->fpsNum), den = static_cast<guint64>(grid->fpsDen);
    gint64 n = static_cast<gint64>(gst_util_uint64_scale_round(since, num, den * GST_SECOND));
    n = std::max(n, grid->last + 1);
    grid->last = n;
    const guint64 at = gst_segment_position_from_running_time(
        &grid->segment, GST_FORMAT_TIME,
        (base == GST_CLOCK_TIME_NONE ? 0 : base) +
            gst_util_uint64_scale(static_cast<guint64>(n), den * GST_SECOND, num));
    if (at == GST_CLOCK_TIME_NONE)
        return GST_PAD_PROBE_OK;
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_PTS(buffer) = at;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(GST_SECOND, den, num);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

void DeleteFrameGrid(gpointer grid) {
    delete static_cast<FrameGrid*>(grid);
}

bool AddPictureBranch(GstElement* graph, EncodedKind kind, GstElement* mux, GstElement** in) {
    GstElement* upright = MakeUprightPictures();
    GstElement* convert = Make("videoconvert", "ColorConvert");
    GstElement* format = Make("capsfilter");
    GstElement* encoder = nullptr;
    if (kind == EncodedKind::Mp4) {
        encoder = Make("x264enc", "Video Encoder");
        if (encoder) {
            // Constant quality, as a person cutting a clip expects from any tool.
            gst_util_set_object_arg(G_OBJECT(encoder), "pass", "qual");
            gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "veryfast");
            // x264enc turns its bit rate (2 Mb/s unless set) into a rate cap even in this
            // mode, which starved 1080p pictures; at its largest it never binds.
            g_object_set(encoder, "quantizer", 21u, "bitrate", 2048000u, nullptr);
        }
    } else {
        encoder = Make("vp9enc", "Video Encoder");
        if (encoder) {
            gst_util_set_object_arg(G_OBJECT(encoder), "end-usage", "cq");
            // In this mode libvpx still holds the rate under its target (256 kb/s unless
            // set), which blurred every picture after the first keyframe; this one never
            // binds, so the quality level alone decides.
            g_object_set(encoder, "cq-level", 32, "target-bitrate", kVp9RateCeiling, "deadline",
                         G_GINT64_CONSTANT(1), "cpu-used", 5, "row-mt", TRUE, nullptr);
        }
    }
    if (format && convert) {
        // 4:2:0, which every player decodes; the size and rate stay the source's.
        GstCaps* caps = gst_caps_from_string("video/x-raw,format=I420");
        g_object_set(format, "caps", caps, nullptr);
        gst_caps_unref(caps);
        GstPad* sink = gst_element_get_static_pad(convert, "sink");
        gst_pad_add_probe(sink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, FollowSourceColorimetry,
                          format, nullptr);
        gst_object_unref(sink);
        auto* grid = new FrameGrid;
        gst_segment_init(&grid->segment, GST_FORMAT_UNDEFINED);
        GstPad* out = gst_element_get_static_pad(format, "src");
        gst_pad_add_probe(out,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          SnapToFrameGrid, grid, DeleteFrameGrid);
        gst_object_unref(out);
    }
    GstElement* queue = BranchQueue();
    if (!AddChain(graph, {upright, convert, format, encoder, queue}) ||
        !LinkToMuxer(queue, mux, "video_%u"))
        return false;
    *in = upright;
    return true;
}

}  // namespace

bool KindHoldsPictures(EncodedKind kind) {
    return kind == EncodedKind::Mp4 || kind == EncodedKind::WebM;
}

const char* KindExtension(EncodedKind kind) {
    switch (kind) {
        case EncodedKind::Mp4:
            return "mp4";
        case EncodedKind::WebM:
            return "webm";
        case EncodedKind::Flac:
            return "flac";
        case EncodedKind::Opus:
            return "opus";
        case EncodedKind::Mp3:
            return "mp3";
    }
    return "";
}

bool EncodedKindForTarget(const std::string& target, EncodedKind* kind) {
    struct Entry {
        const char* ext;
        EncodedKind kind;
    };
    static const Entry table[] = {{".mp4", EncodedKind::Mp4},   {".m4v", EncodedKind::Mp4},
                                  {".webm", EncodedKind::WebM}, {".flac", EncodedKind::Flac},
                                  {".opus", EncodedKind::Opus}, {".mp3", EncodedKind::Mp3}};
    for (const Entry& e : table) {
        if (HasExtension(target, {e.ext})) {
            if (kind)
                *kind = e.kind;
            return true;
        }
    }
    return false;
}

GstElement* MakeUprightPictures() {
    GstElement* flip = Make("videoflip", "Upright");
    if (!flip)
        return nullptr;
    gst_util_set_object_arg(G_OBJECT(flip), "video-direction", "auto");
    GstPad* src = gst_element_get_static_pad(flip, "src");
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, DropOrientation, nullptr, nullptr);
    gst_object_unref(src);
    return flip;
}

bool AddEncodedWriter(GstElement* graph, EncodedKind kind, const std::string& path,
                      int32_t volumePercent, bool withVideo, bool withAudio, GstElement** videoIn,
                      GstElement** audioIn) {
    *videoIn = nullptr;
    *audioIn = nullptr;
    withVideo = withVideo && KindHoldsPictures(kind);
    if (!withVideo && !withAudio)
        return false;

    GstElement* soundFirst = nullptr;
    GstElement* soundLast = nullptr;
    if (withAudio && !AddSoundHead(graph, volumePercent, &soundFirst, &soundLast))
        return false;

    switch (kind) {
        case EncodedKind::Mp4:
        case EncodedKind::WebM: {
            const bool mp4 = kind == EncodedKind::Mp4;
            GstElement* mux = Make(mp4 ? "mp4mux" : "webmmux", "Mux");
            // The index ahead of the data, so that a player starts before it has it all.
            if (mux && mp4)
                g_object_set(mux, "faststart", TRUE, nullptr);
            if (!AddChain(graph, {mux, FileSink(path)}))
                return false;
            if (withVideo && !AddPictureBranch(graph, kind, mux, videoIn))
                return false;
            if (withAudio) {
                GstElement* encoder = mp4 ? MakeFirst({"avenc_aac", "voaacenc"}, "Audio Encoder")
                                          : Make("opusenc", "Audio Encoder");
                if (encoder)
                    g_object_set(encoder, "bitrate", mp4 ? 192000 : 128000, nullptr);
                GstElement* queue = BranchQueue();
                if (!AddChain(graph, {encoder, queue}) || !gst_element_link(soundLast, encoder) ||
                    !LinkToMuxer(queue, mux, "audio_%u"))
                    return false;
            }
            break;
        }
        case EncodedKind::Flac: {
            GstElement* encoder = Make("flacenc", "Audio Encoder");
            if (!AddChain(graph, {encoder, FileSink(path)}) ||
                !gst_element_link(soundLast, encoder))
                return false;
            break;
        }
        case EncodedKind::Opus: {
            GstElement* encoder = Make("opusenc", "Audio Encoder");
            if (encoder)
                g_object_set(encoder, "bitrate", 128000, nullptr);
            if (!AddChain(graph, {encoder, Make("oggmux"), FileSink(path)}) ||
                !gst_element_link(soundLast, encoder))
                return false;
            break;
        }
        case EncodedKind::Mp3: {
            GstElement* encoder = Make("lamemp3enc", "Audio Encoder");
            if (encoder) {
                gst_util_set_object_arg(G_OBJECT(encoder), "target", "bitrate");
                g_object_set(encoder, "bitrate", 192, "cbr", TRUE, nullptr);
            }
            // The Xing frame gives seeking and the length; the ID3 tag keeps the metadata.
            if (!AddChain(graph, {encoder, Make("xingmux"), Make("id3v2mux"), FileSink(path)}) ||
                !gst_element_link(soundLast, encoder))
                return false;
            break;
        }
    }
    *audioIn = soundFirst;
    return true;
}

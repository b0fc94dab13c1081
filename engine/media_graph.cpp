#include "engine/media_graph.h"

#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <strings.h>
#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine/adts_length.h"
#include "engine/graph_report.h"
#include "engine/graph_shared.h"
#include "engine/mp3_length.h"
#include "engine/program_stream_span.h"
#include "engine/video_surface.h"
#include "platform/event.h"
#include "platform/messages.h"
#include "platform/window_message.h"

namespace {

constexpr int64_t kUnitsPerTenth = 1000000;  // 100-ns media time per tenth of a second
constexpr const char* kVideoRendererName = "VideoRenderer";
constexpr const char* kSoundRendererName = "DirectSound";
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Building a graph waits for its first frame; a file that never prerolls fails instead
// of hanging the window.
constexpr auto kPrerollBound = std::chrono::seconds(15);
// How far before its position a seek on a program stream is sent: its demuxer lands up to
// about a second late (a mux delay and a group of pictures).
constexpr int64_t kProgramStreamSeekLead = 2 * GST_SECOND;

const QEvent::Type kFrameEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

int64_t NsToUnits(gint64 ns) {
    return ns / 100;
}
gint64 UnitsToNs(int64_t units) {
    return units * 100;
}

bool FakeAudio() {
    const char* v = std::getenv("VELTRA_FAKE_AUDIO");
    return v && *v && std::strcmp(v, "0") != 0;
}

void EnsureGstInit() {
    static bool done = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)done;
}

// Maps a GStreamer error to the result the build failure texts carry.
HRESULT ResultOfError(GError* err) {
    if (!err)
        return E_FAIL;
    if (err->domain == GST_RESOURCE_ERROR) {
        switch (err->code) {
            case GST_RESOURCE_ERROR_NOT_FOUND:
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            case GST_RESOURCE_ERROR_OPEN_READ:
            case GST_RESOURCE_ERROR_OPEN_WRITE:
            case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
            case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
                return E_ACCESSDENIED;
            case GST_RESOURCE_ERROR_NO_SPACE_LEFT:
                return HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL);
            case GST_RESOURCE_ERROR_WRITE:
                return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
            default:
                return E_FAIL;
        }
    }
    if (err->domain == GST_STREAM_ERROR) {
        switch (err->code) {
            case GST_STREAM_ERROR_TYPE_NOT_FOUND:
            case GST_STREAM_ERROR_WRONG_TYPE:
                return VFW_E_UNKNOWN_FILE_TYPE;
            case GST_STREAM_ERROR_CODEC_NOT_FOUND:
                return VFW_E_UNSUPPORTED_STREAM;
            case GST_STREAM_ERROR_DECODE:
            case GST_STREAM_ERROR_DEMUX:
            case GST_STREAM_ERROR_FORMAT:
                return VFW_E_INVALID_FILE_FORMAT;
            default:
                return VFW_E_CANNOT_RENDER;
        }
    }
    if (err->domain == GST_CORE_ERROR && err->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return VFW_E_UNSUPPORTED_STREAM;
    return E_FAIL;
}

HRESULT ResultOfMessage(GstMessage* msg) {
    GError* err = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(msg, &err, &debug);
    qWarning("engine: %s (%s)", err ? err->message : "error", debug ? debug : "");
    HRESULT hr = ResultOfError(err);
    if (err)
        g_error_free(err);
    g_free(debug);
    return hr;
}

}  // namespace

// Carries frames from streaming threads to the video area on the UI thread. One event is
// in flight at most; it always shows the newest frame, so a slow UI drops frames instead
// of queueing them.
class FrameRelay : public QObject {
  public:
    explicit FrameRelay(GraphShared* shared) : m_shared(shared) {}

    void Attach(VideoSurface* surface) {
        m_surface = surface;
        m_widget = surface ? surface->SurfaceWidget() : nullptr;
    }

    bool event(QEvent* e) override {
        if (e->type() != kFrameEventType)
            return QObject::event(e);
        m_shared->framePending = false;
        QImage frame;
        {
            std::lock_guard<std::mutex> lock(m_shared->frameMutex);
            frame = m_shared->lastFrame;
        }
        if (m_surface && m_widget && !frame.isNull())
            m_surface->PresentFrame(frame);
        return true;
    }

  private:
    GraphShared* m_shared;
    VideoSurface* m_surface = nullptr;
    QPointer<QWidget> m_widget;
};

namespace {

GstFlowReturn TakeSample(GstAppSink* sink, GstSample* sample, GraphShared* shared) {
    (void)sink;
    if (!sample)
        return GST_FLOW_OK;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (caps && buffer && gst_video_info_from_caps(&info, caps)) {
        GstVideoFrame vf;
        if (gst_video_frame_map(&vf, &info, buffer, GST_MAP_READ)) {
            QImage view(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0)),
                        GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                        GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0), QImage::Format_RGB32);
            QImage copy = view.copy();
            gst_video_frame_unmap(&vf);
            {
                std::lock_guard<std::mutex> lock(shared->frameMutex);
                shared->lastFrame = std::move(copy);
            }
            if (shared->relay && !shared->framePending.exchange(true))
                QCoreApplication::postEvent(shared->relay, new QEvent(kFrameEventType));
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data) {
    return TakeSample(sink, gst_app_sink_pull_sample(sink), static_cast<GraphShared*>(data));
}

GstFlowReturn OnNewPreroll(GstAppSink* sink, gpointer data) {
    return TakeSample(sink, gst_app_sink_pull_preroll(sink), static_cast<GraphShared*>(data));
}

// Before the range of a conversion has been sought, decoded data from the file's start
// must not reach the writers.
GstPadProbeReturn HoldUntilSeek(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    (void)pad;
    auto* shared = static_cast<GraphShared*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
        if (buf && GST_BUFFER_PTS_IS_VALID(buf))
            shared->lastStreamTime = static_cast<int64_t>(GST_BUFFER_PTS(buf));
        return GST_PAD_PROBE_DROP;
    }
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    if (!ev)
        return GST_PAD_PROBE_OK;
    switch (GST_EVENT_TYPE(ev)) {
        case GST_EVENT_FLUSH_STOP:
            if (shared->seekSent)
                return GST_PAD_PROBE_REMOVE;  // everything from here on is the range
            return GST_PAD_PROBE_OK;
        case GST_EVENT_SEGMENT:
        case GST_EVENT_GAP:
        case GST_EVENT_EOS:
            return GST_PAD_PROBE_DROP;
        default:
            return GST_PAD_PROBE_OK;
    }
}

GstPadProbeReturn TrackStreamTime(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* shared = static_cast<GraphShared*>(data);
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    // What a program stream decodes ahead of the range is no progress through it.
    if (buf && GST_BUFFER_PTS_IS_VALID(buf) &&
        static_cast<int64_t>(GST_BUFFER_PTS(buf)) >= shared->clipBefore)
        shared->lastStreamTime = static_cast<int64_t>(GST_BUFFER_PTS(buf));
    return GST_PAD_PROBE_OK;
}

// The first timestamp of every stream the source offers, routed or not, gives the start
// of a program stream's time line.
GstPadProbeReturn NoteFirstPts(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buf || !GST_BUFFER_PTS_IS_VALID(buf))
        return GST_PAD_PROBE_OK;
    auto* shared = static_cast<GraphShared*>(data);
    auto pts = static_cast<int64_t>(GST_BUFFER_PTS(buf));
    int64_t seen = shared->firstPts;
    while ((seen < 0 || pts < seen) && !shared->firstPts.compare_exchange_weak(seen, pts)) {
    }
    return GST_PAD_PROBE_REMOVE;
}

// Each decoded stream of a program stream, kept to the range of the last seek.
struct RangeClip {
    GraphShared* shared;
    // The stream has been given its end; cleared by the flush of the next seek, which
    // arrives on the seeking thread.
    std::atomic<bool> ended{false};
};

// Cuts a decoded sound buffer to [from, to) (ns); null when nothing of it is left. Decoders
// may hand out planar sound, described by a meta rather than by the buffer's size.
GstBuffer* CutSound(GstPad* pad, GstBuffer* buf, int64_t from, int64_t to) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    GstAudioInfo audio;
    bool isAudio = caps && gst_audio_info_from_caps(&audio, caps) && GST_AUDIO_INFO_BPF(&audio) > 0;
    if (caps)
        gst_caps_unref(caps);
    if (!isAudio)
        return buf;  // pictures are kept whole
    const gsize bpf = GST_AUDIO_INFO_BPF(&audio);
    const int rate = GST_AUDIO_INFO_RATE(&audio);
    GstAudioMeta* meta = gst_buffer_get_audio_meta(buf);
    const gsize samples = meta ? meta->samples : gst_buffer_get_size(buf) / bpf;
    const auto pts = static_cast<int64_t>(GST_BUFFER_PTS(buf));
    guint64 skip = from > pts ? gst_util_uint64_scale_round(from - pts, rate, GST_SECOND) : 0;
    guint64 keep = samples;
    if (to >= 0)
        keep = to > pts ? std::min<guint64>(samples,
                                            gst_util_uint64_scale_round(to - pts, rate, GST_SECOND))
                        : 0;
    if (skip >= keep) {
        gst_buffer_unref(buf);
        return nullptr;
    }
    if (skip == 0 && keep == samples)
        return buf;
    GstBuffer* cut = gst_audio_buffer_truncate(buf, static_cast<gint>(bpf), skip, keep - skip);
    cut = gst_buffer_make_writable(cut);
    GST_BUFFER_PTS(cut) = pts + gst_util_uint64_scale(skip, GST_SECOND, rate);
    GST_BUFFER_DURATION(cut) = gst_util_uint64_scale(keep - skip, GST_SECOND, rate);
    return cut;
}

// A program stream's demuxer lands well after the position of a seek and ends every
// stream as soon as one passes the stop, while the others still lag behind in the file.
// So its seeks are sent early and without a close stop, and each decoded stream is kept
// to the range here: what comes before the position is dropped, sound cut at the exact
// sample (the picture on screen at the position, which started before it, stays, as after
// an accurate seek on any other source), and each stream ends on its own at the stop. The
// segment moves to the position, so the graph does not wait out the dropped stretch.
GstPadProbeReturn ClipToRange(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* clip = static_cast<RangeClip*>(data);
    const int64_t from = clip->shared->clipBefore;
    const int64_t to = clip->shared->clipAfter;
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_FLUSH) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP)
            clip->ended = false;  // a new seek: a new range
        return GST_PAD_PROBE_OK;
    }
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(ev) == GST_EVENT_EOS && clip->ended)
            return GST_PAD_PROBE_DROP;  // given already
        if (GST_EVENT_TYPE(ev) != GST_EVENT_SEGMENT || from < 0)
            return GST_PAD_PROBE_OK;
        const GstSegment* in = nullptr;
        gst_event_parse_segment(ev, &in);
        if (!in || in->format != GST_FORMAT_TIME || in->start >= static_cast<guint64>(from) ||
            in->rate < 0)
            return GST_PAD_PROBE_OK;
        GstSegment moved;
        gst_segment_copy_into(in, &moved);
        moved.time += from - in->start;
        moved.start = from;
        moved.position = from;
        if (to >= 0)
            moved.stop = to;
        GstEvent* replacement = gst_event_new_segment(&moved);
        gst_event_set_seqnum(replacement, gst_event_get_seqnum(ev));
        gst_event_unref(ev);
        GST_PAD_PROBE_INFO_DATA(info) = replacement;
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buf || !GST_BUFFER_PTS_IS_VALID(buf))
        return GST_PAD_PROBE_OK;
    if (clip->ended)
        return GST_PAD_PROBE_DROP;
    auto pts = static_cast<int64_t>(GST_BUFFER_PTS(buf));
    int64_t end =
        GST_BUFFER_DURATION_IS_VALID(buf) ? pts + int64_t(GST_BUFFER_DURATION(buf)) : pts + 1;
    if (to >= 0 && pts >= to) {
        gst_pad_push_event(pad, gst_event_new_eos());  // passes this probe: not ended yet
        clip->ended = true;
        return GST_PAD_PROBE_DROP;
    }
    if (from >= 0 && end <= from)
        return GST_PAD_PROBE_DROP;
    if ((from >= 0 && pts < from) || (to >= 0 && end > to)) {
        GstBuffer* cut = CutSound(pad, buf, from, to);
        GST_PAD_PROBE_INFO_DATA(info) = cut;
        if (!cut)
            return GST_PAD_PROBE_DROP;  // the buffer is already gone
    }
    return GST_PAD_PROBE_OK;
}

void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* shared = static_cast<GraphShared*>(data);
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, NoteFirstPts, shared, nullptr);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const char* media = caps && gst_caps_get_size(caps)
                            ? gst_structure_get_name(gst_caps_get_structure(caps, 0))
                            : "";
    GstElement* target = nullptr;
    if (g_str_has_prefix(media, "video/") && !shared->soundOnly)
        target = shared->videoTarget;
    else if (g_str_has_prefix(media, "audio/"))
        target = shared->audioTarget;
    if (caps)
        gst_caps_unref(caps);
    if (!target)
        return;
    GstPad* sinkPad = gst_element_get_static_pad(target, "sink");
    if (!sinkPad)
        return;
    // Only the first stream of each kind is rendered, as a renderer has one input.
    if (!gst_pad_is_linked(sinkPad)) {
        if (shared->holdUntilSeek) {
            gst_pad_add_probe(pad,
                              static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                           GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                           GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                              HoldUntilSeek, shared, nullptr);
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, TrackStreamTime, shared, nullptr);
            std::lock_guard<std::mutex> lock(shared->padsMutex);
            shared->heldPads.push_back(GST_PAD(gst_object_ref(pad)));
        }
        if (shared->programStream || shared->stopByGraph)
            gst_pad_add_probe(pad,
                              static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                           GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                           GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                              ClipToRange, new RangeClip{shared},
                              [](gpointer data) { delete static_cast<RangeClip*>(data); });
        if (gst_pad_link(pad, sinkPad) == GST_PAD_LINK_OK)
            ++shared->linkedPads;
        else
            qWarning("engine: could not link a %s stream", media);
    }
    gst_object_unref(sinkPad);
}

// What decodebin's "autoplug-select" answers: try the factory, expose the pad as it is.
constexpr gint kAutoplugTry = 0;
constexpr gint kAutoplugExpose = 1;

// A sound-only graph leaves pictures encoded: decoding them only to throw them away would
// cost more than the sound it writes.
gint SelectDecoder(GstElement*, GstPad*, GstCaps*, GstElementFactory* factory, gpointer data) {
    auto* shared = static_cast<GraphShared*>(data);
    if (!shared->soundOnly || !factory)
        return kAutoplugTry;
    const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    if (klass && std::strstr(klass, "Decoder") &&
        (std::strstr(klass, "Video") || std::strstr(klass, "Image")))
        return kAutoplugExpose;
    return kAutoplugTry;
}

void OnNoMorePads(GstElement* decoder, gpointer data) {
    static_cast<GraphShared*>(data)->noMorePads = true;
    // Wakes the preroll wait, which can now drop the renderers that got no stream.
    gst_element_post_message(
        decoder, gst_message_new_application(GST_OBJECT(decoder),
                                             gst_structure_new_empty("veltra-no-more-pads")));
}

// MIDI is synthesised with the installed General MIDI soundfont; a program stream is
// known by its demuxer.
void OnDeepElementAdded(GstBin*, GstBin*, GstElement* element, gpointer data) {
    GstElementFactory* f = gst_element_get_factory(element);
    if (!f)
        return;
    if (std::strcmp(GST_OBJECT_NAME(f), "fluiddec") == 0 && std::filesystem::exists(kSoundFont))
        g_object_set(element, "soundfont", kSoundFont, nullptr);
    if (std::strcmp(GST_OBJECT_NAME(f), "mpegpsdemux") == 0)
        static_cast<GraphShared*>(data)->programStream = true;
}

GstElement* MakeVideoRenderer(GraphShared* shared) {
    GstElement* bin = gst_bin_new(kVideoRendererName);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", "videosink");
    if (!bin || !convert || !sink) {
        if (bin)
            gst_object_unref(bin);
        if (convert)
            gst_object_unref(convert);
        if (sink)
            gst_object_unref(sink);
        return nullptr;
    }
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 1u, "drop", TRUE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks = {};
    callbacks.new_preroll = OnNewPreroll;
    callbacks.new_sample = OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, shared, nullptr);
    gst_bin_add_many(GST_BIN(bin), convert, sink, nullptr);
    gst_element_link(convert, sink);
    GstPad* pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    return bin;
}

GstElement* MakeSoundRenderer() {
    GstElement* bin = gst_bin_new(kSoundRendererName);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* volume = gst_element_factory_make("volume", "volume");
    GstElement* sink = nullptr;
    if (FakeAudio()) {
        sink = gst_element_factory_make("fakesink", "audiosink");
        if (sink)
            g_object_set(sink, "sync", TRUE, nullptr);
    } else {
        sink = gst_element_factory_make("autoaudiosink", "audiosink");
    }
    if (!bin || !convert || !resample || !volume || !sink) {
        for (GstElement* e : {bin, convert, resample, volume, sink})
            if (e)
                gst_object_unref(e);
        return nullptr;
    }
    gst_bin_add_many(GST_BIN(bin), convert, resample, volume, sink, nullptr);
    gst_element_link_many(convert, resample, volume, sink, nullptr);
    GstPad* pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    return bin;
}

bool IsLinked(GstElement* element) {
    if (!element)
        return false;
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    bool linked = pad && gst_pad_is_linked(pad);
    if (pad)
        gst_object_unref(pad);
    return linked;
}

bool HasExtension(const std::string& path, std::initializer_list<const char*> exts) {
    for (const char* ext : exts) {
        size_t n = std::strlen(ext);
        if (path.size() > n && strcasecmp(path.c_str() + path.size() - n, ext) == 0)
            return true;
    }
    return false;
}

// One picture's time in 100-ns units by the renderer's frame rate; 0 when unknown.
int64_t FrameUnits(GstElement* videoRenderer) {
    if (!videoRenderer)
        return 0;
    int64_t units = 0;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(videoRenderer), "videosink");
    GstPad* pad = sink ? gst_element_get_static_pad(sink, "sink") : nullptr;
    if (GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr) {
        int num = 0, den = 1;
        if (gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den) &&
            num > 0)
            units = gst_util_uint64_scale(10000000, den, num);
        gst_caps_unref(caps);
    }
    if (pad)
        gst_object_unref(pad);
    if (sink)
        gst_object_unref(sink);
    return units;
}

// Decoded pictures carry a frame rate of 0.
bool IsStillPicture(GstElement* videoRenderer) {
    if (!videoRenderer)
        return false;
    bool still = false;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(videoRenderer), "videosink");
    GstPad* pad = sink ? gst_element_get_static_pad(sink, "sink") : nullptr;
    if (GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr) {
        int num = 0, den = 1;
        still =
            gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den) &&
            num == 0;
        gst_caps_unref(caps);
    }
    if (pad)
        gst_object_unref(pad);
    if (sink)
        gst_object_unref(sink);
    return still;
}

}  // namespace

MediaGraph::MediaGraph() : m_Shared(std::make_shared<GraphShared>()) {
    m_pRelay = std::make_unique<FrameRelay>(m_Shared.get());
    m_Shared->relay = m_pRelay.get();
}

MediaGraph::~MediaGraph() {
    Close();
}

double MediaGraph::LinearGain(int32_t hundredthsDb) {
    if (hundredthsDb > 0)
        hundredthsDb = 0;
    if (hundredthsDb < -10000)
        hundredthsDb = -10000;
    return std::pow(10.0, hundredthsDb / 2000.0);
}

bool MediaGraph::SetPipelineState(int state) {
    if (!m_pGB)
        return false;
    GstStateChangeReturn r = gst_element_set_state(m_pGB, static_cast<GstState>(state));
    return r != GST_STATE_CHANGE_FAILURE;
}

BOOL MediaGraph::SetWindows(QObject* notify, VideoSurface* owner, const QRect* rect) {
    if (owner && !rect)
        return FALSE;
    bool stopped = true;
    if (m_pGB && !m_bSpent)
        stopped = SetPipelineState(GST_STATE_PAUSED);
    m_State = GraphState::Ended;
    m_hwndNotify = notify;
    m_pSurface = owner;
    m_hwnd = owner ? static_cast<QObject*>(owner->SurfaceWidget()) : notify;
    if (rect)
        m_Rect = *rect;
    Close();
    return stopped ? TRUE : FALSE;
}

HRESULT MediaGraph::Open(const char* path, BOOL run) {
    if (!path || std::strlen(path) >= kMaxPath) {
        // Refused rather than cut short: a truncated path could name another file.
        ReportError("FAILED(hr=0x%x) m_pGB->RenderFile( wFile, NULL )\n",
                    static_cast<unsigned>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)));
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    // A graph still open would be overwritten under its running event thread.
    if (m_pGB)
        Close();
    m_Shared->soundOnly = false;
    m_szFile = path;
    m_State = GraphState::Idle;
    m_Volume = 0;
    HRESULT hr = BuildPlaybackGraph(m_szFile.c_str(), run);
    if (hr == 0)
        Close();
    return hr;
}

HRESULT MediaGraph::RenderFile(const std::string& path) {
    GstElement* src = gst_element_factory_make("filesrc", "source");
    GstElement* decode = gst_element_factory_make("decodebin", "decoder");
    if (!src || !decode) {
        if (src)
            gst_object_unref(src);
        if (decode)
            gst_object_unref(decode);
        return VFW_E_CANNOT_RENDER;
    }
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(m_pGB), src, decode, nullptr);
    // Bitmap and TIFF decoding have no parser in front of them: the decoder must see the
    // whole picture in one buffer, so the file is pushed in one block instead of pulled in
    // small ones. AIFF is pushed as well: pulling, its parser sends before the decoder has
    // linked its output, and the file fails to open about every other time.
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    const bool whole = !ec && size > 0 && size <= 64u * 1024 * 1024 &&
                       HasExtension(path, {".bmp", ".tif", ".tiff"});
    GstElement* push = whole || HasExtension(path, {".aif", ".aiff"})
                           ? gst_element_factory_make("queue", nullptr)
                           : nullptr;
    if (push) {
        if (whole)
            g_object_set(src, "blocksize", static_cast<guint>(size), nullptr);
        gst_bin_add(GST_BIN(m_pGB), push);
        gst_element_link_many(src, push, decode, nullptr);
    } else {
        gst_element_link(src, decode);
    }
    g_signal_connect(decode, "pad-added", G_CALLBACK(OnPadAdded), m_Shared.get());
    g_signal_connect(decode, "no-more-pads", G_CALLBACK(OnNoMorePads), m_Shared.get());
    g_signal_connect(decode, "deep-element-added", G_CALLBACK(OnDeepElementAdded), m_Shared.get());
    g_signal_connect(decode, "autoplug-select", G_CALLBACK(SelectDecoder), m_Shared.get());

    if (!std::filesystem::exists(path))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (gst_element_set_state(m_pGB, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        GstMessage* msg = gst_bus_pop_filtered(m_pME, GST_MESSAGE_ERROR);
        HRESULT hr = msg ? ResultOfMessage(msg) : VFW_E_CANNOT_RENDER;
        if (msg)
            gst_message_unref(msg);
        return hr;
    }
    return WaitForPreroll();
}

// Waits, bounded, until every stream has been routed; then removes the renderers that got
// no stream (an unconnected sink would hold the preroll forever) and waits for the first
// frame.
HRESULT MediaGraph::WaitForPreroll() {
    auto deadline = std::chrono::steady_clock::now() + kPrerollBound;
    bool pruned = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!pruned && m_Shared->noMorePads) {
            pruned = true;
            if (m_Shared->linkedPads == 0)
                return VFW_E_CANNOT_RENDER;
            if (m_Shared->videoTarget && !IsLinked(m_Shared->videoTarget))
                RemoveRenderer(GST_OBJECT_NAME(m_Shared->videoTarget));
            if (m_Shared->audioTarget && !IsLinked(m_Shared->audioTarget))
                RemoveRenderer(GST_OBJECT_NAME(m_Shared->audioTarget));
        }
        GstMessage* msg = gst_bus_timed_pop_filtered(
            m_pME, 20 * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE |
                                        GST_MESSAGE_EOS | GST_MESSAGE_APPLICATION));
        if (!msg)
            continue;
        GstMessageType type = GST_MESSAGE_TYPE(msg);
        HRESULT hr = S_OK;
        if (type == GST_MESSAGE_ERROR)
            hr = ResultOfMessage(msg);
        gst_message_unref(msg);
        if (type == GST_MESSAGE_ERROR)
            return hr;
        if (type == GST_MESSAGE_ASYNC_DONE && pruned)
            return S_OK;
        if (type == GST_MESSAGE_EOS && m_Shared->linkedPads == 0)
            return VFW_E_CANNOT_RENDER;
        if (type == GST_MESSAGE_ASYNC_DONE && m_Shared->noMorePads) {
            pruned = true;
            return S_OK;
        }
    }
    return VFW_E_TIMEOUT;
}

void MediaGraph::RemoveRenderer(const char* name) {
    GstElement* e = gst_bin_get_by_name(GST_BIN(m_pGB), name);
    if (!e)
        return;
    gst_element_set_locked_state(e, TRUE);
    gst_element_set_state(e, GST_STATE_NULL);
    if (e == m_Shared->videoTarget)
        m_Shared->videoTarget = nullptr;
    if (e == m_Shared->audioTarget)
        m_Shared->audioTarget = nullptr;
    gst_bin_remove(GST_BIN(m_pGB), e);
    gst_object_unref(e);
}

HRESULT MediaGraph::BuildPlaybackGraph(const char* path, BOOL run) {
    // GStreamer reads its plugin registry only when the first file opens, which keeps it
    // off the program's start.
    EnsureGstInit();
    m_LastError = S_OK;
    m_bSpent = false;
    m_pGB = gst_pipeline_new("graph");
    if (!m_pGB) {
        ReportError(
            "FAILED(hr=0x%x) CoCreateInstance(CLSID_FilterGraph, NULL, "
            "CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&m_pGB)\n",
            static_cast<unsigned>(E_OUTOFMEMORY));
        return E_OUTOFMEMORY;
    }
    m_pME = gst_element_get_bus(m_pGB);
    // The end of the stream or an error wakes the event thread at once instead of at its
    // next round, so a finished conversion is reported without delay.
    gst_bus_set_sync_handler(
        m_pME,
        [](GstBus*, GstMessage* msg, gpointer data) {
            if (GST_MESSAGE_TYPE(msg) & (GST_MESSAGE_EOS | GST_MESSAGE_ERROR))
                static_cast<MediaGraph*>(data)->m_Wake.Set();
            return GST_BUS_PASS;
        },
        this, nullptr);
    {
        std::lock_guard<std::mutex> lock(m_Shared->padsMutex);
        for (GstPad* p : m_Shared->heldPads) gst_object_unref(p);
        m_Shared->heldPads.clear();
    }
    m_Shared->noMorePads = false;
    m_Shared->linkedPads = 0;
    m_Shared->holdUntilSeek = false;
    m_Shared->seekSent = false;
    m_Shared->lastStreamTime = -1;
    m_Shared->programStream = false;
    m_Shared->stopByGraph = HasExtension(path, {".flv", ".ape"});
    m_Shared->firstPts = -1;
    m_Shared->clipBefore = -1;
    m_Shared->clipAfter = -1;
    m_StartOffset = 0;
    {
        std::lock_guard<std::mutex> lock(m_Shared->frameMutex);
        m_Shared->lastFrame = QImage();
    }

    GstElement* video = MakeVideoRenderer(m_Shared.get());
    if (!video || !gst_bin_add(GST_BIN(m_pGB), video))
        return 0;
    GstElement* sound = MakeSoundRenderer();
    if (!sound || !gst_bin_add(GST_BIN(m_pGB), sound))
        return 0;
    m_Shared->videoTarget = video;
    m_Shared->audioTarget = sound;

    HRESULT hr = RenderFile(path);
    if (FAILED(hr)) {
        m_LastError = hr;
        ReportError("FAILED(hr=0x%x) m_pGB->RenderFile( wFile, NULL )\n",
                    static_cast<unsigned>(hr));
        return hr;
    }

    // Prerolled from the file's start: its first timestamps have passed.
    if (m_Shared->programStream && m_Shared->firstPts > 0)
        m_StartOffset = m_Shared->firstPts;

    m_pVW = m_Shared->videoTarget;
    if (m_Shared->audioTarget)
        m_pBA = gst_bin_get_by_name(GST_BIN(m_Shared->audioTarget), "volume");
    ClassifyContent();
    if (m_Content != MediaContent::AudioOnly) {
        m_pRelay->Attach(m_pSurface);
        hr = InitVideoWindow(m_Rect);
        if (FAILED(hr)) {
            ReportError("FAILED(hr=0x%x) InitVideoWindow(&m_Rect)\n", static_cast<unsigned>(hr));
            return hr;
        }
        if (m_pSurface) {
            m_pSurface->SetVideoVisible(true);
            if (QWidget* w = m_pSurface->SurfaceWidget()) {
                w->setFocus();
                w->raise();
            }
        }
    }

    // Parsers of streams without a length in their header estimate it from the first
    // frames, which may take a moment after the preroll; pictures never have one.
    // Sound whose parser gives no length at once walks its frame headers before waiting.
    m_TotalTime = 0;
    bool headerRead = false;
    for (int attempt = 0; attempt < 5; ++attempt) {
        gint64 ns = 0;
        if (gst_element_query_duration(m_pGB, GST_FORMAT_TIME, &ns) && ns > 0) {
            m_TotalTime = NsToUnits(ns);
            break;
        }
        if (IsStillPicture(m_pVW))
            break;
        if (!headerRead && m_Content == MediaContent::AudioOnly) {
            headerRead = true;
            // Raw AAC frames look like MPEG audio to the MP3 walk; they are told first.
            m_TotalTime = AdtsLength(path);
            if (m_TotalTime == 0)
                m_TotalTime = Mp3Length(path);
            if (m_TotalTime > 0)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // A program stream's demuxer gives the span of its pack clock, short of the last
    // pictures by the mux delay; its packets' own timestamps tell the whole length (up to
    // the end of the last picture). A span far beyond the demuxer's figure means the
    // timestamps jump, and then the demuxer's figure stands.
    if (m_Shared->programStream && m_TotalTime > 0) {
        int64_t ticks = ProgramStreamSpan(path);
        if (ticks > 0) {
            int64_t units = ticks * 1000 / 9 + FrameUnits(m_pVW);
            if (units > m_TotalTime && units < m_TotalTime + 20 * kUnitsPerTenth)  // 2 s
                m_TotalTime = units;
        }
    }

    if (run)
        return Run() ? 1 : 0;
    return 1;  // prerolled: the first frame is already on screen
}

void MediaGraph::ClassifyContent() {
    if (m_pBA && !m_pVW)
        m_Content = MediaContent::AudioOnly;
    else if (!m_pBA && m_pVW)
        m_Content = MediaContent::VideoOnly;
    else
        m_Content = MediaContent::AudioVideo;
}

HRESULT MediaGraph::InitVideoWindow(const QRect& rect) {
    int32_t w = 0, h = 0;
    if (!GetVideoDimensions(&w, &h)) {
        ReportError("FAILED(hr=0x%x) m_pBV->GetVideoSize(&lWidth, &lHeight)\n",
                    static_cast<unsigned>(VFW_E_NOT_CONNECTED));
        return VFW_E_NOT_CONNECTED;
    }
    if (m_pSurface)
        m_pSurface->SetVideoRect(rect);
    return S_OK;
}

BOOL MediaGraph::SetVideoPosition(const QRect& rect) {
    if (!m_pGB || !m_pVW)
        return FALSE;
    if (m_pSurface)
        m_pSurface->SetVideoRect(rect);
    return TRUE;
}

BOOL MediaGraph::GetVideoDimensions(int32_t* width, int32_t* height) {
    if (!width || !height || !m_pVW)
        return FALSE;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(m_pVW), "videosink");
    if (!sink)
        return FALSE;
    BOOL ok = FALSE;
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    if (pad) {
        if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
            GstStructure* s = gst_caps_get_structure(caps, 0);
            int w = 0, h = 0;
            if (gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h)) {
                *width = w;
                *height = h;
                ok = TRUE;
            }
            gst_caps_unref(caps);
        }
        gst_object_unref(pad);
    }
    gst_object_unref(sink);
    return ok;
}

BOOL MediaGraph::Run() {
    if (!m_pGB || m_bSpent)
        return FALSE;
    if (!SetPipelineState(GST_STATE_PLAYING))
        return FALSE;
    m_State = GraphState::Running;
    if (!m_bThreadAlive) {
        if (m_hThread.joinable())
            m_hThread.join();
        m_bThreadAlive = true;
        m_Wake.Reset();
        try {
            m_hThread = std::thread(&MediaGraph::EventThread, this);
        } catch (...) {
            m_bThreadAlive = false;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL MediaGraph::PlayPause() {
    if (!m_pGB || m_bSpent)
        return FALSE;
    GraphState s = m_State;
    if (s == GraphState::Idle || s == GraphState::Paused)
        return Run();
    bool ok = SetPipelineState(GST_STATE_PAUSED);
    m_State = GraphState::Paused;
    // The picture renderer takes the frame it was waiting to show as the one it keeps on
    // screen; once the pause is complete that frame is the current image, so a still
    // taken now is the picture left on screen, not the one before it.
    if (ok)
        gst_element_get_state(m_pGB, nullptr, nullptr, 2 * GST_SECOND);
    return ok ? TRUE : FALSE;
}

BOOL MediaGraph::StopAndRewind() {
    if (!m_pGB)
        return FALSE;
    if (m_State == GraphState::Idle)
        return TRUE;
    // A finished conversion is spent: stopping it must not start writing again.
    if (m_bSpent)
        return TRUE;
    if (!SetPipelineState(GST_STATE_PAUSED))
        return FALSE;
    if (m_State == GraphState::Ended)
        return TRUE;
    m_State = GraphState::Idle;
    SeekStream(0, -1);
    if (!SetPipelineState(GST_STATE_PAUSED))
        return FALSE;
    gst_element_get_state(m_pGB, nullptr, nullptr, 5 * GST_SECOND);
    return TRUE;
}

BOOL MediaGraph::Restart() {
    if (!m_pGB)
        return TRUE;
    if (m_bSpent)
        return FALSE;
    if (m_State != GraphState::Idle && !SetPipelineState(GST_STATE_PAUSED))
        return FALSE;
    m_State = GraphState::Idle;
    // Wait (bounded) for the pause so that the seek lands on a prerolled graph.
    gst_element_get_state(m_pGB, nullptr, nullptr, 10 * GST_SECOND);
    SeekStream(0, -1);
    return Run();
}

BOOL MediaGraph::Seek(double tenths) {
    if (!m_pGB || m_bSpent)
        return FALSE;
    bool wasRunning = m_State == GraphState::Running;
    if (wasRunning) {
        if (!SetPipelineState(GST_STATE_PAUSED))
            return FALSE;
        bool paused = false;
        for (int attempt = 0; attempt < 20 && !paused; ++attempt) {
            GstState cur = GST_STATE_NULL;
            GstStateChangeReturn r = gst_element_get_state(m_pGB, &cur, nullptr, 10 * GST_SECOND);
            paused = r != GST_STATE_CHANGE_FAILURE && cur == GST_STATE_PAUSED;
            if (!paused)
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        if (!paused) {
            SetPipelineState(GST_STATE_PLAYING);
            m_State = GraphState::Running;
            return FALSE;
        }
    }
    auto units = static_cast<int64_t>(tenths * 1000000.0);
    // A position before the start is the start; GStreamer refuses negative positions.
    gint64 ns = units < 0 ? 0 : UnitsToNs(units);
    gboolean ok = SeekStream(ns, -1);
    if (wasRunning) {
        SetPipelineState(GST_STATE_PLAYING);
        m_State = GraphState::Running;
    } else if (ok) {
        // A paused graph reports the new position, and shows its frame, once it has
        // prerolled there again.
        gst_element_get_state(m_pGB, nullptr, nullptr, 5 * GST_SECOND);
    }
    return ok ? TRUE : FALSE;
}

int32_t MediaGraph::GetPosition() {
    if (!m_pGB)
        return 0;
    gint64 ns = 0;
    if (!m_ConvTarget.empty()) {
        // Writers answer no time queries; the decoded stream tells how far the range is.
        int64_t t = m_Shared->lastStreamTime;
        if (t < 0)
            return 0;
        ns = t;
    } else if (!gst_element_query_position(m_pGB, GST_FORMAT_TIME, &ns)) {
        return 0;
    }
    int64_t units = NsToUnits(ns - m_StartOffset);
    // The last picture or sound block ends a little after the length the source gives.
    if (m_TotalTime > 0 && units > m_TotalTime)
        units = m_TotalTime;
    if (units < 0)
        units = 0;
    return static_cast<int32_t>(units / kUnitsPerTenth);
}

int32_t MediaGraph::GetDuration() const {
    if (!m_pGB || m_TotalTime == 0)
        return 0;
    return static_cast<int32_t>(m_TotalTime / kUnitsPerTenth);
}

BOOL MediaGraph::SetVolume(int32_t v) {
    if (!m_pGB || !m_pBA)
        return TRUE;
    if (v > 0)
        v = 0;
    if (v < -10000)
        v = -10000;
    g_object_set(m_pBA, "volume", LinearGain(v), nullptr);
    m_Volume = v;
    return TRUE;
}

BOOL MediaGraph::GetFileName(char* buffer) {
    if (!buffer)
        return FALSE;
    std::memset(buffer, 0, kMaxPath);
    std::memcpy(buffer, m_szFile.data(), std::min(m_szFile.size(), kMaxPath - 1));
    return TRUE;
}

BOOL MediaGraph::CaptureCurrentImage(uint8_t** out) {
    if (!out)
        return FALSE;
    *out = nullptr;
    if (!m_pGB || !m_pVW)
        return FALSE;
    QImage frame;
    {
        std::lock_guard<std::mutex> lock(m_Shared->frameMutex);
        frame = m_Shared->lastFrame;
    }
    if (frame.isNull())
        return FALSE;
    const int32_t w = frame.width(), h = frame.height();
    const size_t stride = ((static_cast<size_t>(w) * 24 + 31) / 32) * 4;
    const size_t size = 40 + stride * static_cast<size_t>(h);
    auto* dib = static_cast<uint8_t*>(CoTaskMemAlloc(size));
    if (!dib)
        return FALSE;
    std::memset(dib, 0, size);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(w));
    put32(8, static_cast<uint32_t>(h));
    dib[12] = 1;   // planes
    dib[14] = 24;  // bits per pixel
    put32(20, static_cast<uint32_t>(stride * h));
    for (int32_t y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        uint8_t* row = dib + 40 + stride * static_cast<size_t>(h - 1 - y);
        for (int32_t x = 0; x < w; ++x) {
            row[3 * x] = static_cast<uint8_t>(qBlue(src[x]));
            row[3 * x + 1] = static_cast<uint8_t>(qGreen(src[x]));
            row[3 * x + 2] = static_cast<uint8_t>(qRed(src[x]));
        }
    }
    *out = dib;
    return TRUE;
}

bool MediaGraph::SeekStream(int64_t positionNs, int64_t stopNs, GstPad* target) {
    int64_t position = positionNs + m_StartOffset;
    int64_t stop = stopNs < 0 ? -1 : stopNs + m_StartOffset;
    int64_t sentPosition = position, sentStop = stop;
    if (m_Shared->programStream) {
        m_Shared->clipBefore = position > 0 ? position : -1;
        m_Shared->clipAfter = stop;
        sentPosition = std::max<int64_t>(0, position - kProgramStreamSeekLead);
        if (stop >= 0)
            sentStop = stop + kProgramStreamSeekLead;
    } else if (m_Shared->stopByGraph) {
        m_Shared->clipAfter = stop;
        sentStop = -1;
    }
    GstEvent* seek = gst_event_new_seek(
        1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
        sentPosition, sentStop < 0 ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET,
        sentStop < 0 ? GST_CLOCK_TIME_NONE : static_cast<GstClockTime>(sentStop));
    if (target)
        return gst_pad_send_event(target, seek);
    return gst_element_send_event(m_pGB, seek);
}

void MediaGraph::JoinEventThread() {
    m_Wake.Set();
    if (m_hThread.joinable())
        m_hThread.join();
    m_bThreadAlive = false;
}

void MediaGraph::Close() {
    if (m_pGB) {
        m_State = GraphState::Idle;
        gst_element_set_state(m_pGB, GST_STATE_NULL);
    }
    m_State = GraphState::Ended;
    JoinEventThread();
    AbandonConversion();
    ReleaseInterfaces();
}

void MediaGraph::ReleaseInterfaces() {
    m_Content = MediaContent::None;
    if (m_pVW) {
        if (m_pSurface)
            m_pSurface->SetVideoVisible(false);
        m_pRelay->Attach(nullptr);
    }
    if (m_pBA) {
        gst_object_unref(m_pBA);
        m_pBA = nullptr;
    }
    m_pVW = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_Shared->padsMutex);
        for (GstPad* p : m_Shared->heldPads) gst_object_unref(p);
        m_Shared->heldPads.clear();
    }
    m_Shared->videoTarget = nullptr;
    m_Shared->audioTarget = nullptr;
    if (m_pME) {
        gst_bus_set_sync_handler(m_pME, nullptr, nullptr, nullptr);
        gst_object_unref(m_pME);
        m_pME = nullptr;
    }
    if (m_pGB) {
        gst_element_set_state(m_pGB, GST_STATE_NULL);
        gst_object_unref(m_pGB);
        m_pGB = nullptr;
    }
    // Frames still queued for the relay belong to the released graph.
    QCoreApplication::removePostedEvents(m_pRelay.get(), kFrameEventType);
    m_Shared->framePending = false;
}

void MediaGraph::EventThread() {
    auto finish = [this](int message, intptr_t wParam) {
        QObject* notify = m_hwndNotify;
        m_bThreadAlive = false;
        if (!m_bQuietEnd)
            PostWindowMessage(notify, message, wParam, 0);
    };
    if (m_State == GraphState::Ended) {
        m_Wake.Wait(300);
        finish(UM_GRAPH_STOPPED, 0);
        return;
    }
    int finalMessage = UM_GRAPH_STOPPED;
    intptr_t finalParam = 0;
    // The first round does not wait, so the window learns the position as soon as the
    // graph runs.
    GstClockTime timeout = 0;
    while (m_State != GraphState::Ended) {
        GstMessage* msg = gst_bus_timed_pop_filtered(
            m_pME, timeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        while (msg) {
            GstMessageType type = GST_MESSAGE_TYPE(msg);
            HRESULT hr = type == GST_MESSAGE_ERROR ? ResultOfMessage(msg) : S_OK;
            gst_message_unref(msg);
            msg = nullptr;
            if (type == GST_MESSAGE_EOS) {
                if (!m_ConvTarget.empty() && !FinishConversion()) {
                    m_State = GraphState::Ended;  // failed at its very end; STOPPED tells
                    break;
                }
                m_State = GraphState::Ended;
                finalMessage = UM_GRAPH_COMPLETE;
                finalParam = kGraphCompleteCode;
                break;
            }
            if (type == GST_MESSAGE_ERROR) {
                m_LastError = hr;
                m_State = GraphState::Ended;
                if (!m_ConvTarget.empty()) {
                    // A conversion that failed must not look like a finished file.
                    std::error_code ec;
                    std::filesystem::remove(m_ConvPartial, ec);
                } else {
                    // A stream that breaks off mid-play ends like a finished one, so the
                    // list moves on instead of standing still.
                    finalMessage = UM_GRAPH_COMPLETE;
                    finalParam = kGraphCompleteCode;
                }
                break;
            }
            msg = gst_bus_pop_filtered(
                m_pME, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        }
        if (m_State == GraphState::Ended)
            break;
        if (m_State == GraphState::Running)
            PostWindowMessage(m_hwndNotify, UM_GRAPH_POSITION, GetPosition(), 0);
        m_Wake.Wait(200);
        timeout = 100 * GST_MSECOND;
    }
    finish(finalMessage, finalParam);
}

#include "engine/graph_routing.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <strings.h>
#include <QDebug>
#include <algorithm>
#include <cstring>

#include "engine/graph_shared.h"
#include "engine/subtitle_source.h"
#include "platform/file_system.h"

// Decoders may hand out planar sound, described by a meta rather than by the buffer's size.
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

namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

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
        // Past its end the stream's writer takes nothing more: what the decoder still
        // hands on (its own end, a tag or segment it had pending) goes no further.
        if (clip->ended)
            return GST_PAD_PROBE_DROP;
        if (from >= 0)
            MoveProbedSegmentStart(info, from, to);
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buf || !GST_BUFFER_PTS_IS_VALID(buf))
        return GST_PAD_PROBE_OK;
    auto pts = static_cast<int64_t>(GST_BUFFER_PTS(buf));
    int64_t end =
        GST_BUFFER_DURATION_IS_VALID(buf) ? pts + int64_t(GST_BUFFER_DURATION(buf)) : pts + 1;
    if (clip->ended || (to >= 0 && pts >= to)) {
        // The end goes straight to the writer's input. Pushed on this pad it would mark
        // the decoder's outer pad ended while its inner one is not, and the next event
        // the decoder sends through would fail as a stream error, stopping the other
        // streams mid-cut. The decoder hears of the end as any end: from its next push.
        if (!clip->ended) {
            clip->ended = true;
            if (GstPad* peer = gst_pad_get_peer(pad)) {
                gst_pad_send_event(peer, gst_event_new_eos());
                gst_object_unref(peer);
            }
        }
        gst_buffer_unref(buf);
        GST_PAD_PROBE_INFO_DATA(info) = nullptr;
        GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_EOS;
        return GST_PAD_PROBE_HANDLED;
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
    const char* input = "sink";
    const bool subtitle = IsSubtitleMedia(media);
    if (g_str_has_prefix(media, "video/") && !shared->soundOnly)
        target = shared->videoTarget;
    else if (g_str_has_prefix(media, "audio/"))
        target = shared->audioTarget;
    else if (subtitle && !shared->soundOnly)
        target = shared->videoTarget, input = kSubtitlePadName;
    if (caps)
        gst_caps_unref(caps);
    if (!target)
        return;
    // Only a renderer that draws the file's own subtitles has a pad for them.
    GstPad* sinkPad = gst_element_get_static_pad(target, input);
    if (!sinkPad)
        return;
    if (subtitle) {
        // Subtitles ride on the picture: they are neither a renderer's stream nor a range's.
        if (!gst_pad_is_linked(sinkPad) && gst_pad_link(pad, sinkPad) != GST_PAD_LINK_OK)
            qWarning("engine: could not link a %s stream", media);
        gst_object_unref(sinkPad);
        return;
    }
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
    if (std::strcmp(GST_OBJECT_NAME(f), "fluiddec") == 0 && KindOf(kSoundFont) != PathKind::Missing)
        g_object_set(element, "soundfont", kSoundFont, nullptr);
    if (std::strcmp(GST_OBJECT_NAME(f), "mpegpsdemux") == 0)
        static_cast<GraphShared*>(data)->programStream = true;
}

}  // namespace

void RouteDecodedStreams(GstElement* decoder, GraphShared* shared) {
    // Styled subtitles stay as they are, for libass to draw with their styles; the rest of
    // what the decoder hands out is its default.
    GstCaps* raw = gst_caps_from_string(
        "video/x-raw(ANY); audio/x-raw(ANY); text/x-raw(ANY); subpicture/x-dvd; "
        "subpicture/x-dvb; subpicture/x-pgs; application/x-ass; application/x-ssa");
    g_object_set(decoder, "caps", raw, nullptr);
    gst_caps_unref(raw);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(OnPadAdded), shared);
    g_signal_connect(decoder, "no-more-pads", G_CALLBACK(OnNoMorePads), shared);
    g_signal_connect(decoder, "deep-element-added", G_CALLBACK(OnDeepElementAdded), shared);
    g_signal_connect(decoder, "autoplug-select", G_CALLBACK(SelectDecoder), shared);
}

void ReplaceProbedSegment(GstPadProbeInfo* info, GstEvent* event, const GstSegment& segment) {
    GstEvent* replacement = gst_event_new_segment(&segment);
    gst_event_set_seqnum(replacement, gst_event_get_seqnum(event));
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = replacement;
}

const GstSegment* ProbedTimeSegment(GstPadProbeInfo* info) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    if (!ev || GST_EVENT_TYPE(ev) != GST_EVENT_SEGMENT)
        return nullptr;
    const GstSegment* in = nullptr;
    gst_event_parse_segment(ev, &in);
    return in && in->format == GST_FORMAT_TIME ? in : nullptr;
}

void MoveProbedSegmentStart(GstPadProbeInfo* info, int64_t startNs, int64_t stopNs) {
    const GstSegment* in = ProbedTimeSegment(info);
    if (!in || in->rate < 0 || in->start >= static_cast<guint64>(startNs))
        return;
    GstSegment moved;
    gst_segment_copy_into(in, &moved);
    moved.time += startNs - in->start;
    moved.start = startNs;
    moved.position = startNs;
    if (stopNs >= 0)
        moved.stop = stopNs;
    ReplaceProbedSegment(info, GST_PAD_PROBE_INFO_EVENT(info), moved);
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

// Adds the elements to the graph and links them in order; false (nothing added) when one
// is missing.
bool AddChain(GstElement* graph, std::initializer_list<GstElement*> chain) {
    for (GstElement* e : chain) {
        if (!e) {
            for (GstElement* o : chain)
                if (o)
                    gst_object_unref(o);
            return false;
        }
    }
    GstElement* prev = nullptr;
    for (GstElement* e : chain) {
        gst_bin_add(GST_BIN(graph), e);
        if (prev && !gst_element_link(prev, e)) {
            qWarning("engine: cannot link %s to %s", GST_OBJECT_NAME(prev), GST_OBJECT_NAME(e));
            return false;
        }
        prev = e;
    }
    return true;
}

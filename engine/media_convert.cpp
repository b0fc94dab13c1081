// Conversion: the playback graph of the open file is torn down to its source, given file
// writing branches in place of its renderers, sought to the range and run until the
// range's end.
#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <QDebug>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include <QCoreApplication>

#include "engine/graph_messages.h"
#include "engine/graph_routing.h"
#include "engine/graph_shared.h"
#include "engine/media_graph.h"
#include "engine/nominal_frame_rate.h"
#include "engine/open_runner.h"
#include "engine/profiles.h"
#include "engine/sound_renderer.h"
#include "engine/transport_runner.h"
#include "engine/video_output.h"
#include "engine/wav_filter.h"
#include "platform/window_message.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kRoutingBound = std::chrono::seconds(15);
// A parser may expose its stream before it has read as far as its data, and it refuses a
// seek until then (AIFF's does, pushed); the seek is tried again for this long.
constexpr auto kSeekAcceptBound = std::chrono::seconds(2);
// The Windows Media Audio encoder refuses anything below this; the dial-up profiles ask
// for less and get this much instead of no file at all.
constexpr int32_t kWmaMinimumBitrate = 24000;
// The AVI writer's own default, for a video whose rate nothing tells.
constexpr FrameRate kFallbackAviRate{25000, 1001};

GstElement* Make(const char* factory, const char* name) {
    GstElement* e = gst_element_factory_make(factory, name);
    if (!e)
        qWarning("engine: element %s is not available", factory);
    return e;
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    std::error_code ec;
    if (fs::exists(b, ec) && fs::equivalent(a, b, ec))
        return true;
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

GstElement* FileWriter(const std::string& path) {
    GstElement* sink = Make("filesink", "File Writer");
    if (sink)
        // Unbuffered, so a full disk fails the write that hit it rather than a late flush.
        g_object_set(sink, "location", path.c_str(), "buffer-mode", 2, "async", FALSE, nullptr);
    return sink;
}

GstElement* NullRenderer(const char* name) {
    GstElement* sink = Make("fakesink", name);
    if (sink)
        g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    return sink;
}

// The ASF writer stores each packet's timestamp as it arrives. Encoders may shift their
// output far into the future (the video encoder starts at 1000 hours so that no decoding
// time is ever negative), and a range starts wherever the source was sought to; both
// streams are therefore handed to the writer on one clock that starts at zero with the
// range.
struct RunningTimeStamp {
    GstSegment segment;
    bool haveSegment = false;
};

GstPadProbeReturn StampRunningTime(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* stamp = static_cast<RunningTimeStamp*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        const GstSegment* in = ProbedTimeSegment(info);
        if (!in)
            return GST_PAD_PROBE_OK;
        gst_segment_copy_into(in, &stamp->segment);
        stamp->haveSegment = true;
        GstSegment out;
        gst_segment_init(&out, GST_FORMAT_TIME);
        ReplaceProbedSegment(info, GST_PAD_PROBE_INFO_EVENT(info), out);
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buf || !stamp->haveSegment)
        return GST_PAD_PROBE_OK;
    buf = gst_buffer_make_writable(buf);
    GST_PAD_PROBE_INFO_DATA(info) = buf;
    auto toRunning = [&](GstClockTime t) -> GstClockTime {
        if (!GST_CLOCK_TIME_IS_VALID(t))
            return t;
        guint64 running = 0;
        int sign = gst_segment_to_running_time_full(&stamp->segment, GST_FORMAT_TIME, t, &running);
        return sign > 0 ? running : 0;  // before the range: at its start
    };
    GST_BUFFER_PTS(buf) = toRunning(GST_BUFFER_PTS(buf));
    GST_BUFFER_DTS(buf) = toRunning(GST_BUFFER_DTS(buf));
    return GST_PAD_PROBE_OK;
}

void StampOnRunningTime(GstElement* element) {
    GstPad* pad = gst_element_get_static_pad(element, "src");
    if (!pad)
        return;
    gst_pad_add_probe(pad,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      StampRunningTime, new RunningTimeStamp,
                      [](gpointer data) { delete static_cast<RunningTimeStamp*>(data); });
    gst_object_unref(pad);
}

// A decoder hands on the picture on screen at the start of a range with its time moved to
// the start and its duration cut to what is left of it. When most of its time lies before
// the start, the next picture is the one of the start; the retimed one would take its slot.
struct RangeHead {
    GstClockTime start = GST_CLOCK_TIME_NONE;
    GstClockTime frame = 0;  // the constant rate's frame duration
};

GstPadProbeReturn DropPictureBeforeRange(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* head = static_cast<RangeHead*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        if (const GstSegment* segment = ProbedTimeSegment(info))
            head->start = segment->start;
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buf || !GST_CLOCK_TIME_IS_VALID(head->start) || !GST_BUFFER_PTS_IS_VALID(buf))
        return GST_PAD_PROBE_OK;
    const bool atStart = GST_BUFFER_PTS(buf) <= head->start;
    const bool mostlyBefore =
        GST_BUFFER_DURATION_IS_VALID(buf) && 2 * GST_BUFFER_DURATION(buf) < head->frame;
    if (atStart && mostlyBefore) {
        head->start = GST_CLOCK_TIME_NONE;  // one picture only
        return GST_PAD_PROBE_DROP;
    }
    if (!atStart)
        head->start = GST_CLOCK_TIME_NONE;
    return GST_PAD_PROBE_OK;
}

void DropPictureBeforeRangeAt(GstElement* element, FrameRate rate) {
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    if (!pad)
        return;
    auto* head = new RangeHead;
    head->frame = gst_util_uint64_scale(GST_SECOND, rate.den, rate.num);
    gst_pad_add_probe(pad,
                      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      DropPictureBeforeRange, head,
                      [](gpointer data) { delete static_cast<RangeHead*>(data); });
    gst_object_unref(pad);
}

}  // namespace

BOOL MediaGraph::Convert(const char* source, ConversionMode mode, const char* target, double start,
                         double stop, int32_t extra) {
    return AwaitConversionStart(ConvertAsync(source, mode, target, start, stop, extra));
}

BOOL MediaGraph::ConvertEncoded(const char* source, EncodedKind kind, const char* target,
                                double start, double stop, int32_t volumePercent) {
    return AwaitConversionStart(
        ConvertEncodedAsync(source, kind, target, start, stop, volumePercent));
}

BOOL MediaGraph::AwaitConversionStart(BOOL started) {
    if (!started)
        return FALSE;
    m_Opener->Await();
    // Its report is for a caller that does not wait; this one has the outcome already.
    if (m_hwndNotify)
        QCoreApplication::removePostedEvents(m_hwndNotify,
                                             WindowMessage::TypeOf(UM_GRAPH_CONVERSION_STARTED));
    return FinishConversion(m_OpenTicket) == S_OK ? TRUE : FALSE;
}

BOOL MediaGraph::ConvertAsync(const char* source, ConversionMode mode, const char* target,
                              double start, double stop, int32_t extra) {
    int m = static_cast<int>(mode);
    if (m < 0 || m > 2)
        return FALSE;
    // A sound cut of a video is made on a graph of its own that leaves the pictures
    // undecoded.
    return StartConversion(source, target, start, stop, mode == ConversionMode::Wav,
                           [this, mode, extra](const char* partial) -> BOOL {
                               switch (mode) {
                                   case ConversionMode::Wav:
                                       return BuildWavGraph(partial, extra);
                                   case ConversionMode::Avi:
                                       return BuildAviGraph(partial);
                                   case ConversionMode::Asf:
                                       return BuildAsfGraph(partial, extra);
                               }
                               return FALSE;
                           });
}

BOOL MediaGraph::ConvertEncodedAsync(const char* source, EncodedKind kind, const char* target,
                                     double start, double stop, int32_t volumePercent) {
    int k = static_cast<int>(kind);
    if (k < 0 || k > static_cast<int>(EncodedKind::Mp3))
        return FALSE;
    return StartConversion(source, target, start, stop, !KindHoldsPictures(kind),
                           [this, kind, volumePercent](const char* partial) -> BOOL {
                               return BuildEncodedGraph(partial, kind, volumePercent);
                           });
}

BOOL MediaGraph::StartConversion(const char* source, const char* target, double start, double stop,
                                 bool soundOnly, std::function<BOOL(const char*)> build) {
    m_Notices.clear();
    if (!source || !target)
        return FALSE;
    if (std::strlen(source) >= kMaxPath || std::strlen(target) >= kMaxPath || !*target) {
        m_LastError = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    if (SamePath(source, target)) {
        qWarning("engine: refusing to write a conversion over its own source %s", target);
        m_LastError = E_INVALIDARG;
        return FALSE;
    }
    auto startUnits = static_cast<int64_t>(start * 1000000.0);
    auto stopUnits = static_cast<int64_t>(stop * 1000000.0);
    if (startUnits < 0)
        startUnits = 0;
    // An empty or inverted range has nothing to write.
    if (stopUnits <= startUnits) {
        m_LastError = E_INVALIDARG;
        Close();
        return FALSE;
    }
    // The preview's graph goes quietly when it must make way: its end is not the
    // conversion's.
    // An animation's own source cannot go to a range: the file is opened anew.
    const bool rebuild = !m_pGB || m_bSpent || m_bOpening || m_szFile != source ||
                         (soundOnly && m_pVW) || !m_AnimationSize.isEmpty();
    if (rebuild) {
        m_bQuietEnd = m_pGB != nullptr;
        Close();
        m_bQuietEnd = false;
        m_szFile = source;
        m_State = GraphState::Idle;
        m_Shared->soundOnly = soundOnly;
        // Made here: the renderers are made on the interface thread. The file is read on
        // the open's thread.
        HRESULT hr = MakePlaybackGraph(m_szFile);
        if (FAILED(hr)) {
            NoteBuildFailure(hr);
            Close();
            return FALSE;
        }
    }
    // The preview's event thread ends quietly: its end is not the conversion's.
    m_State = GraphState::Ended;
    m_bQuietEnd = true;
    JoinEventThread();
    m_bQuietEnd = false;
    {
        // A preview step still on its way tells nothing of the graph being rewired.
        std::lock_guard<std::mutex> lock(m_StateLock);
        ++m_Generation;
    }
    m_Transport->Abandon();
    m_SeekTarget = -1;

    m_bOpening = true;
    m_bConverting = true;
    HandToRunner(
        [this, rebuild, file = std::string(target), startUnits, stopUnits,
         build = std::move(build)](const std::atomic<bool>& cancelled) -> intptr_t {
            m_StartResult =
                PrepareConversion(rebuild, file, startUnits, stopUnits, build, cancelled);
            return SUCCEEDED(m_StartResult) ? 1 : 0;
        },
        UM_GRAPH_CONVERSION_STARTED);
    return TRUE;
}

HRESULT MediaGraph::PrepareConversion(bool rebuilt, const std::string& target, int64_t startUnits,
                                      int64_t stopUnits,
                                      const std::function<BOOL(const char*)>& build,
                                      const std::atomic<bool>& cancelled) {
    if (rebuilt) {
        HRESULT hr = AdoptPreroll(PrerollFile(m_szFile, cancelled));
        if (FAILED(hr))
            return hr;
    }
    // A range that begins after the end has nothing to write.
    if (m_TotalTime > 0 && startUnits >= m_TotalTime) {
        m_LastError = E_INVALIDARG;
        return E_INVALIDARG;
    }
    if (cancelled)
        return E_ABORT;
    if (!SetPipelineState(GST_STATE_NULL))
        return E_FAIL;
    m_State = GraphState::Idle;

    const std::string partial = m_Conversion.Begin(target);
    if (build(partial.c_str()) && StartRange(startUnits, stopUnits, cancelled))
        return S_OK;
    if (SUCCEEDED(m_LastError.load()))
        m_LastError = E_FAIL;
    return m_LastError.load();
}

HRESULT MediaGraph::FinishConversion(uintptr_t ticket) {
    if (!m_bOpening || !m_bConverting || ticket != m_OpenTicket)
        return S_FALSE;
    // Returns at once, as the start has posted its end: the graph is ours again.
    m_Opener->Cancel();
    m_bOpening = false;
    m_bConverting = false;
    HRESULT hr = m_StartResult;
    if (SUCCEEDED(hr) && Run()) {
        m_bSpent = true;
        return S_OK;
    }
    if (SUCCEEDED(m_LastError.load()))
        m_LastError = E_FAIL;
    if (SUCCEEDED(hr))
        hr = E_FAIL;
    Close();
    return hr;
}

// Takes the renderer out of the graph by its name: the decoded stream it received is
// routed to the writer branch that replaces it.
bool MediaGraph::DetachRenderer(const char* name) {
    GstElement* e = gst_bin_get_by_name(GST_BIN(m_pGB), name);
    if (!e)
        return false;
    gst_object_unref(e);
    RemoveRenderer(name);
    return true;
}

BOOL MediaGraph::BuildWavGraph(const char* target, int32_t volume) {
    if (!m_pBA) {
        m_LastError = VFW_E_NOT_FOUND;  // no sound to write
        return FALSE;
    }
    HRESULT hr = S_OK;
    GstElement* wave = CreateWaveDestElement(volume, &m_szFilterPath, &hr);
    if (!wave) {
        m_LastError = hr;
        return FALSE;
    }
    bool hadVideo = m_pVW != nullptr;
    m_pVW = nullptr;
    gst_object_unref(m_pBA);
    m_pBA = nullptr;
    DetachRenderer(kVideoRendererName);
    DetachRenderer(kSoundRendererName);
    GstElement* convert = Make("audioconvert", "AudioConvert");
    GstElement* format = Make("capsfilter", nullptr);
    GstElement* writer = FileWriter(target);
    if (!convert || !format || !writer) {
        gst_object_unref(wave);
        for (GstElement* e : {convert, format, writer})
            if (e)
                gst_object_unref(e);
        return FALSE;
    }
    // A WAV cut is 16-bit PCM whatever the decoder hands out (many give floating point),
    // which is also what the filter's volume works on.
    GstCaps* caps = gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved");
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    // The bin takes a reference of its own to the wave filter, which was made for us.
    gst_bin_add_many(GST_BIN(m_pGB), convert, format, wave, writer, nullptr);
    gst_object_unref(wave);
    if (!gst_element_link_many(convert, format, wave, writer, nullptr))
        return FALSE;
    m_Shared->audioTarget = convert;
    if (hadVideo) {
        GstElement* null = NullRenderer("Null VideoRender");
        if (!AddChain(m_pGB, {null}))
            return FALSE;
        m_Shared->videoTarget = null;
    }
    return TRUE;
}

// An encoded kind takes what the source offers of what it can hold: pictures and sound,
// or either alone.
BOOL MediaGraph::BuildEncodedGraph(const char* target, EncodedKind kind, int32_t volumePercent) {
    const bool video = KindHoldsPictures(kind) && m_pVW != nullptr;
    const bool audio = m_pBA != nullptr;
    if (!video && !audio) {
        m_LastError = VFW_E_NOT_FOUND;
        return FALSE;
    }
    const bool hadVideo = m_pVW != nullptr;
    m_pVW = nullptr;
    if (m_pBA)
        gst_object_unref(m_pBA);
    m_pBA = nullptr;
    DetachRenderer(kVideoRendererName);
    DetachRenderer(kSoundRendererName);
    GstElement* videoIn = nullptr;
    GstElement* audioIn = nullptr;
    if (!AddEncodedWriter(m_pGB, kind, target, volumePercent, video, audio, &videoIn, &audioIn))
        return FALSE;
    m_Shared->videoTarget = videoIn;
    m_Shared->audioTarget = audioIn;
    if (hadVideo && !video) {
        GstElement* null = NullRenderer("Null VideoRender");
        if (!AddChain(m_pGB, {null}))
            return FALSE;
        m_Shared->videoTarget = null;
    }
    return TRUE;
}

// A video cut needs both streams of the source; their renderers make way for the writer.
bool MediaGraph::DetachBothRenderers() {
    if (!m_pVW || !m_pBA) {
        m_LastError = VFW_E_NOT_FOUND;
        return false;
    }
    m_pVW = nullptr;
    gst_object_unref(m_pBA);
    m_pBA = nullptr;
    if (!DetachRenderer(kVideoRendererName))
        return false;
    return DetachRenderer(kSoundRendererName);
}

BOOL MediaGraph::BuildAviGraph(const char* target) {
    // An AVI has one frame rate for the whole file: frames are repeated through a slower
    // stretch of the source and dropped through a faster one, so that each shows at its
    // time. The rate is read while the preview's branch still holds the decoded caps.
    FrameRate decoded;
    if (m_pVideo)
        m_pVideo->FrameRate(&decoded.num, &decoded.den);
    const FrameRate rate = ConstantRateFor(m_szFile, decoded, kFallbackAviRate);
    if (!DetachBothRenderers())
        return FALSE;
    GstElement* retime = Make("videorate", nullptr);
    GstElement* rated = Make("capsfilter", nullptr);
    if (rated) {
        GstCaps* caps = gst_caps_new_simple("video/x-raw", "framerate", GST_TYPE_FRACTION, rate.num,
                                            rate.den, nullptr);
        g_object_set(rated, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
    GstElement* mux = Make("avimux", "Avi Mux");
    GstElement* writer = FileWriter(target);
    GstElement* convert = Make("videoconvert", "ColorConvert");
    GstElement* format = Make("capsfilter", nullptr);
    if (format) {
        // Uncompressed 24-bit frames, as the colour converter hands them on.
        GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGR");
        g_object_set(format, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
    GstElement* upright = MakeUprightPictures();
    if (!AddChain(m_pGB, {upright, retime, rated, convert, format, mux, writer}))
        return FALSE;
    DropPictureBeforeRangeAt(retime, rate);
    m_Shared->videoTarget = upright;
    GstElement* null = NullRenderer("Null AudioRender");
    if (!AddChain(m_pGB, {null}))
        return FALSE;
    m_Shared->audioTarget = null;
    return TRUE;
}

BOOL MediaGraph::BuildAsfGraph(const char* target, int32_t profileIndex) {
    SystemProfile profile;
    HRESULT hr = MapProfile(profileIndex, &profile);
    if (FAILED(hr)) {
        std::printf("Failed to map profile ID!  hr=0x%x\n", static_cast<unsigned>(hr));
        std::fflush(stdout);
        m_LastError = hr;
        return FALSE;
    }
    if (!DetachBothRenderers())
        return FALSE;

    // libav's ASF writer: GStreamer's own pads its data packets in a way that other
    // readers reject ("invalid padsize"), and leaves no duration when streamable.
    GstElement* mux = Make("avmux_asf", "Asf Mux");
    if (!AddChain(m_pGB, {mux, FileWriter(target)}))
        return FALSE;

    GstElement* vconvert = Make("videoconvert", "ColorConvert");
    GstElement* vscale = Make("videoscale", nullptr);
    GstElement* vrate = Make("videorate", nullptr);
    GstElement* vcaps = Make("capsfilter", nullptr);
    GstElement* venc = Make("avenc_wmv2", "Video Encoder");
    GstElement* vqueue = Make("queue", nullptr);
    if (vcaps) {
        GstCaps* caps = gst_caps_new_simple(
            "video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT, profile.videoWidth,
            "height", G_TYPE_INT, profile.videoHeight, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1,
            1, "framerate", GST_TYPE_FRACTION, profile.frameRateNum, profile.frameRateDen, nullptr);
        g_object_set(vcaps, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
    if (vscale)
        g_object_set(vscale, "add-borders", TRUE, nullptr);
    if (venc)
        g_object_set(venc, "bitrate", profile.videoBitrate, nullptr);
    // The Windows Media encoder takes whole pictures only; interlaced ones (DVD, broadcast)
    // are woven into them first, and progressive ones pass untouched.
    GstElement* weave = Make("deinterlace", nullptr);
    GstElement* upright = MakeUprightPictures();
    if (!AddChain(m_pGB, {upright, weave, vconvert, vscale, vrate, vcaps, venc, vqueue}) ||
        !gst_element_link(vqueue, mux))
        return FALSE;
    StampOnRunningTime(venc);
    m_Shared->videoTarget = upright;

    GstElement* aconvert = Make("audioconvert", "AudioConvert");
    GstElement* aresample = Make("audioresample", nullptr);
    GstElement* acaps = Make("capsfilter", nullptr);
    GstElement* aenc = Make("avenc_wmav2", "Audio Encoder");
    GstElement* aqueue = Make("queue", nullptr);
    if (acaps) {
        GstCaps* caps = gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, profile.audioRate,
                                            "channels", G_TYPE_INT, profile.audioChannels, nullptr);
        g_object_set(acaps, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
    if (aenc)
        g_object_set(aenc, "bitrate", std::max(profile.audioBitrate, kWmaMinimumBitrate), nullptr);
    if (!AddChain(m_pGB, {aconvert, aresample, acaps, aenc, aqueue}) ||
        !gst_element_link(aqueue, mux))
        return FALSE;
    StampOnRunningTime(aenc);
    m_Shared->audioTarget = aconvert;
    return TRUE;
}

// Brings the rewired graph up with the decoded streams held back, then seeks the source
// to the range: the demuxer jumps to the start through its index instead of decoding from
// the beginning, and the stop position makes the source end the stream there.
bool MediaGraph::StartRange(int64_t startUnits, int64_t stopUnits,
                            const std::atomic<bool>& cancelled) {
    bool wantVideo = m_Shared->videoTarget != nullptr;
    m_Shared->noMorePads = false;
    m_Shared->linkedPads = 0;
    m_Shared->seekSent = false;
    m_Shared->lastStreamTime = -1;
    m_Shared->holdUntilSeek = true;
    if (gst_element_set_state(m_pGB, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        m_LastError = E_ACCESSDENIED;  // typically the writer could not create its file
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + kRoutingBound;
    while (!m_Shared->noMorePads && std::chrono::steady_clock::now() < deadline) {
        if (cancelled)
            return false;
        GstMessage* msg = gst_bus_timed_pop_filtered(m_pME, 20 * GST_MSECOND, GST_MESSAGE_ERROR);
        if (msg) {
            gst_message_unref(msg);
            m_LastError = VFW_E_CANNOT_CONNECT;
            return false;
        }
    }
    int expected = (wantVideo ? 1 : 0) + (m_Shared->audioTarget ? 1 : 0);
    if (!m_Shared->noMorePads || m_Shared->linkedPads < expected) {
        m_LastError = m_Shared->noMorePads ? VFW_E_CANNOT_CONNECT : VFW_E_TIMEOUT;
        return false;
    }
    GstPad* pad = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_Shared->padsMutex);
        if (!m_Shared->heldPads.empty())
            pad = GST_PAD(gst_object_ref(m_Shared->heldPads.front()));
    }
    if (!pad)
        return false;
    m_Shared->seekSent = true;
    const auto seekDeadline = std::chrono::steady_clock::now() + kSeekAcceptBound;
    bool ok = SeekStream(*m_Shared, m_pGB, pad, startUnits * 100, stopUnits * 100);
    while (!ok && !cancelled && std::chrono::steady_clock::now() < seekDeadline) {
        // The held pads drop whatever comes meanwhile, its end included.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ok = SeekStream(*m_Shared, m_pGB, pad, startUnits * 100, stopUnits * 100);
    }
    gst_object_unref(pad);
    if (!ok) {
        qWarning("engine: the source cannot be positioned to the range");
        m_LastError = VFW_E_WRONG_STATE;
    }
    return ok;
}

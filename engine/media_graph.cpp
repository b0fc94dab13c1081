#include "engine/media_graph.h"

#include <gst/gst.h>

#include <QCoreApplication>
#include <QLocale>
#include <QWidget>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

#include "engine/animated_picture.h"
#include "engine/graph_errors.h"
#include "engine/graph_messages.h"
#include "engine/graph_report.h"
#include "engine/graph_routing.h"
#include "engine/graph_shared.h"
#include "engine/graph_units.h"
#include "engine/item_branch.h"
#include "engine/mp3_length.h"
#include "engine/open_runner.h"
#include "engine/picture_bound.h"
#include "engine/pipeline_retirer.h"
#include "engine/program_stream_span.h"
#include "engine/sound_length.h"
#include "engine/sound_renderer.h"
#include "engine/source_branch.h"
#include "engine/subtitle_source.h"
#include "engine/transport_runner.h"
#include "engine/video_output.h"
#include "engine/video_sink_choice.h"
#include "engine/video_surface.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "platform/user_prompts.h"
#include "platform/window_message.h"

namespace {

// The joining element went on to another input: when it is the prepared item's, that
// item is heard now (a streaming thread; the event thread reports it).
void OnJoinSwitched(GObject* join, GParamSpec*, gpointer data) {
    auto* shared = static_cast<GraphShared*>(data);
    GstPad* active = nullptr;
    g_object_get(join, "active-pad", &active, nullptr);
    GstPad* expected = shared->queuedJoinPad.load();
    if (active && active == expected &&
        shared->queuedJoinPad.compare_exchange_strong(expected, nullptr))
        gst_element_post_message(
            GST_ELEMENT(join), gst_message_new_application(
                                   GST_OBJECT(join), gst_structure_new_empty(kNextStartedMessage)));
    if (active)
        gst_object_unref(active);
}

// Building a graph waits for its first frame; a file that never prerolls fails instead
// of hanging the window.
constexpr auto kPrerollBound = std::chrono::seconds(15);

// Set once GStreamer is ready here; another thread may have begun its initialisation, and
// a second caller waits for that to end.
std::atomic<bool> g_gstReady{false};

void EnsureGstInit() {
    static bool done = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)done;
    g_gstReady = true;
}

// Set once the picture's sink is chosen and the renderers' plugins are loaded.
std::atomic<bool> g_picturesReady{false};

// What making the first graph (the first with a picture) would otherwise do on the
// interface thread: read the registry, open the display to choose the picture's sink, load
// the renderers' plugins. Any thread; a second caller waits for the first.
void PrepareGraphs(bool picture) {
    EnsureGstInit();
    if (!picture || g_picturesReady)
        return;
    ChooseVideoSink();
    for (const char* name :
         {"filesrc", "decodebin", "queue", "capsfilter", "videoconvertscale", "videoconvert",
          "videoscale", "videoflip", "subtitleoverlay", "appsink", "fakesink", "pulsesink",
          "volume", "audioconvert", "audioresample", "concat", "taginject"}) {
        GstElementFactory* factory = gst_element_factory_find(name);
        if (!factory)
            continue;
        if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory)))
            gst_object_unref(loaded);
        gst_object_unref(factory);
    }
    g_picturesReady = true;
}

}  // namespace

MediaGraph::MediaGraph() : m_Shared(std::make_shared<GraphShared>()) {
    m_Transport = std::make_unique<TransportRunner>();
    m_Retirer = std::make_unique<PipelineRetirer>();
    m_Opener = std::make_unique<OpenRunner>();
    m_pVideo = std::make_unique<VideoOutput>();
    m_pVideo->SetSurfaceGoneHandler([this] { OnSurfaceGone(); });
}

MediaGraph::~MediaGraph() {
    Close();
    // Waits until every pipeline given up is freed: until then their streaming threads may
    // still call into the blocks they share with this graph, post to the video output and
    // wake this graph's event wait. Bounded only by the pipelines themselves, so a source
    // that stalls for good holds the end of the program; only at its exit is a graph
    // destroyed while one may still stall, and leaving a pipeline running into the
    // process's teardown (its plugins unloaded under its threads) would be worse.
    m_Retirer.reset();
    m_pVideo->SetSurface(nullptr);
}

bool MediaGraph::AwaitRetired(int ms) {
    return m_Retirer->Drain(std::chrono::milliseconds(ms));
}

void MediaGraph::OnSurfaceGone() {
    m_pSurface = nullptr;
    m_hwnd = m_hwndNotify;
    Close();
}

BOOL MediaGraph::SetWindows(QObject* notify, VideoSurface* owner, const QRect* rect) {
    if (owner && !rect)
        return FALSE;
    CancelOpen();
    bool stopped = true;
    if (m_pGB && !m_bSpent)
        stopped = SetPipelineState(GST_STATE_PAUSED);
    m_State = GraphState::Ended;
    m_hwndNotify = notify;
    m_pSurface = owner;
    m_pVideo->SetSurface(owner);
    m_hwnd = owner ? static_cast<QObject*>(owner->SurfaceWidget()) : notify;
    if (rect)
        m_Rect = *rect;
    Close();
    return stopped ? TRUE : FALSE;
}

namespace {

// A picture declaring more pixels than the bound is never handed to a decoder: the
// decoder would allocate all of them at once, on the thread that prerolls the graph. The
// refusal's box, when it is refused.
std::optional<Notice> TooLargeRefusal(const char* path) {
    // Only a regular file is read ahead of the graph: a pipe would be drained (or waited
    // on) here, on the user-interface thread.
    if (KindOf(path) != PathKind::File)
        return std::nullopt;
    PictureSize size;
    if (!PictureTooLarge(path, &size))
        return std::nullopt;
    qWarning("[graph] %s declares %ux%u pixels; refused", path, size.width, size.height);
    const QString text =
        QCoreApplication::translate("MediaGraph",
                                    "画像が大きすぎるため開けません（%1 × %2 ピクセル、上限 %3 "
                                    "ピクセル）。")
            .arg(size.width)
            .arg(size.height)
            .arg(QLocale().toString(qulonglong(kMaxPicturePixels)));
    return Notice{text.toStdString(), "VELTRA", MB_OK | MB_ICONEXCLAMATION};
}

}  // namespace

HRESULT MediaGraph::PrepareOpen(const char* path) {
    if (!path || std::strlen(path) >= kMaxPath) {
        // Refused rather than cut short: a truncated path could name another file.
        m_Notices.push_back(
            GraphWarning("FAILED(hr=0x%x) m_pGB->RenderFile( wFile, NULL )\n",
                         static_cast<unsigned>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE))));
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    // A graph still open would be overwritten under its running event thread.
    if (m_pGB || m_bOpening)
        Close();
    if (std::optional<Notice> refusal = TooLargeRefusal(path)) {
        m_Notices.push_back(*refusal);
        return E_OUTOFMEMORY;
    }
    m_Shared->soundOnly = false;
    // Sound without a picture plays through a renderer that can join the next item.
    m_bJoinable = m_pSurface == nullptr;
    m_szFile = path;
    m_State = GraphState::Idle;
    m_Volume = 0;
    if (!m_pSurface || !IsAnimatedPicture(path, &m_AnimationSize))
        m_AnimationSize = QSize();
    HRESULT hr = MakePlaybackGraph(m_szFile);
    if (FAILED(hr)) {
        Close();
        NoteBuildFailure(hr);
    }
    return hr;
}

void MediaGraph::NoteBuildFailure(HRESULT hr) {
    if (hr == E_OUTOFMEMORY)
        m_Notices.push_back(
            GraphWarning("FAILED(hr=0x%x) CoCreateInstance(CLSID_FilterGraph, NULL, "
                         "CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&m_pGB)\n",
                         static_cast<unsigned>(hr)));
    else if (hr != E_FAIL)  // a renderer that could not be made has no text
        m_Notices.push_back(GraphWarning("FAILED(hr=0x%x) m_pGB->RenderFile( wFile, NULL )\n",
                                         static_cast<unsigned>(hr)));
}

Notices MediaGraph::TakeNotices() {
    return std::exchange(m_Notices, {});
}

HRESULT MediaGraph::Open(const char* path, BOOL run) {
    m_Notices.clear();
    HRESULT hr = PrepareOpen(path);
    if (FAILED(hr))
        return hr;
    const std::atomic<bool> goOn{false};
    return TakePreroll(PrerollFile(m_szFile, goOn), run);
}

HRESULT MediaGraph::OpenAsync(const char* path, BOOL run) {
    m_Notices.clear();
    // The first open of the process reads GStreamer's plugin registry (most of a second
    // where it has no cache yet), and the first with a picture chooses its sink: on the
    // runner's thread as well, before the graph is made.
    const bool picture = m_pSurface != nullptr;
    if ((!g_gstReady || (picture && !g_picturesReady)) && path && std::strlen(path) < kMaxPath) {
        if (m_pGB || m_bOpening)
            Close();
        m_szFile = path;
        m_bOpening = true;
        m_bAwaitingRegistry = true;
        m_bRunWhenOpen = run;
        HandToRunner(
            [picture](const std::atomic<bool>&) -> intptr_t {
                PrepareGraphs(picture);
                return 0;
            },
            UM_GRAPH_OPENED);
        return S_OK;
    }
    HRESULT hr = PrepareOpen(path);
    if (FAILED(hr))
        return hr;
    m_bOpening = true;
    m_bRunWhenOpen = run;
    HandToRunner(
        [this, file = m_szFile](const std::atomic<bool>& cancelled) -> intptr_t {
            m_Preroll = PrerollFile(file, cancelled);
            return 0;
        },
        UM_GRAPH_OPENED);
    return S_OK;
}

void MediaGraph::HandToRunner(std::function<intptr_t(const std::atomic<bool>&)> work, int message) {
    const uintptr_t ticket = ++m_OpenTicket;
    // The notify object as it is now: the interface thread gives this open up (and waits
    // for it) before it changes the object or lets it go.
    QObject* notify = m_hwndNotify;
    m_Opener->Start(
        [work = std::move(work), ticket, notify, message](const std::atomic<bool>& cancelled) {
            const intptr_t outcome = work(cancelled);
            if (!cancelled)
                PostWindowMessage(notify, message, static_cast<intptr_t>(ticket), outcome);
        });
}

HRESULT MediaGraph::FinishOpen(uintptr_t ticket) {
    m_Notices.clear();
    if (!m_bOpening || m_bConverting || ticket != m_OpenTicket)
        return S_FALSE;
    // Returns at once, as the open has posted its end: what it found is ours to read now.
    m_Opener->Cancel();
    m_bOpening = false;
    if (m_bAwaitingRegistry) {
        // The registry is read: the graph is made now and its file read as for any open.
        m_bAwaitingRegistry = false;
        const std::string path = m_szFile;
        HRESULT hr = OpenAsync(path.c_str(), m_bRunWhenOpen);
        return FAILED(hr) ? hr : S_FALSE;
    }
    return TakePreroll(m_Preroll, m_bRunWhenOpen);
}

void MediaGraph::CancelOpen() {
    if (!m_bOpening)
        return;
    // The open gives up within one round of its wait; the pipeline is then ours again.
    m_Opener->Cancel();
    m_bOpening = false;
    m_bConverting = false;
    m_bAwaitingRegistry = false;
}

HRESULT MediaGraph::BuildPlaybackGraph(const char* path, BOOL run) {
    HRESULT hr = MakePlaybackGraph(path);
    if (FAILED(hr)) {
        NoteBuildFailure(hr);
        return hr;
    }
    const std::atomic<bool> goOn{false};
    return TakePreroll(PrerollFile(path, goOn), run);
}

HRESULT MediaGraph::MakePlaybackGraph(const std::string& path) {
    // GStreamer reads its plugin registry only when the first file opens, which keeps it
    // off the program's start.
    EnsureGstInit();
    m_LastError = S_OK;
    m_bSpent = false;
    m_pGB = gst_pipeline_new("graph");
    if (!m_pGB)
        return E_OUTOFMEMORY;
    m_pME = gst_element_get_bus(m_pGB);
    // The end of the stream or an error wakes the event thread at once instead of at its
    // next round, so a finished conversion is reported without delay.
    gst_bus_set_sync_handler(
        m_pME,
        [](GstBus*, GstMessage* msg, gpointer data) {
            if (GST_MESSAGE_TYPE(msg) &
                (GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_APPLICATION))
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
    m_Shared->queuedJoinPad = nullptr;
    m_StartOffset = 0;
    m_TotalTime = 0;

    // The renderers are made here, on the interface thread: the picture's needs the video
    // area's window.
    GstElement* video =
        m_pVideo->MakeRenderer(m_Rect, m_pSurface ? SideSubtitleFor(path) : std::string());
    if (!video || !gst_bin_add(GST_BIN(m_pGB), video))
        return E_FAIL;
    const bool joinable = m_bJoinable && !m_Shared->soundOnly;
    GstElement* sound = MakeSoundRenderer(path.c_str(), joinable);
    if (!sound || !gst_bin_add(GST_BIN(m_pGB), sound))
        return E_FAIL;
    if (joinable)
        g_signal_connect(JoinOf(sound), "notify::active-pad", G_CALLBACK(OnJoinSwitched),
                         m_Shared.get());
    m_Shared->videoTarget = video;
    m_Shared->audioTarget = sound;

    SourceBranch source =
        m_AnimationSize.isEmpty()
            ? AddSourceBranch(m_pGB, path, "source", "decoder")
            : AddAnimatedPicture(m_pGB, path, m_AnimationSize, "source", "decoder");
    if (!source.decoder) {
        m_LastError = VFW_E_CANNOT_RENDER;
        return VFW_E_CANNOT_RENDER;
    }
    if (m_bJoinable && m_Shared->audioTarget) {
        GstPad* input = gst_element_get_static_pad(m_Shared->audioTarget, "sink");
        m_Current = std::make_unique<ItemBranch>(m_pGB, source.elements, input);
        gst_object_unref(input);  // the renderer keeps its pad
    }
    RouteDecodedStreams(source.decoder, m_Shared.get());
    return S_OK;
}

HRESULT MediaGraph::RenderFile(const std::string& path, const std::atomic<bool>& cancelled) {
    // A name the file system cannot even look up (one too long for it) is as missing.
    if (KindOf(path) == PathKind::Missing)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (gst_element_set_state(m_pGB, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        GstMessage* msg = gst_bus_pop_filtered(m_pME, GST_MESSAGE_ERROR);
        HRESULT hr = msg ? ResultOfMessage(msg) : VFW_E_CANNOT_RENDER;
        if (msg)
            gst_message_unref(msg);
        return hr;
    }
    return WaitForPreroll(cancelled);
}

// Waits, bounded, until every stream has been routed; then removes the renderers that got
// no stream (an unconnected sink would hold the preroll forever) and waits for the first
// frame. A cancelled open gives up within one round.
HRESULT MediaGraph::WaitForPreroll(const std::atomic<bool>& cancelled) {
    auto deadline = std::chrono::steady_clock::now() + kPrerollBound;
    bool pruned = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (cancelled)
            return E_ABORT;
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

MediaGraph::Preroll MediaGraph::PrerollFile(const std::string& path,
                                            const std::atomic<bool>& cancelled) {
    Preroll found;
    found.hr = RenderFile(path, cancelled);
    if (FAILED(found.hr))
        return found;

    // Prerolled from the file's start: its first timestamps have passed.
    // A transport stream's clock starts wherever the broadcast's did, often hours in; its
    // demuxer counts from the first clock reference, ahead of the first picture.
    if ((m_Shared->programStream || HasExtension(path, {".ts", ".m2ts", ".mts"})) &&
        m_Shared->firstPts > 0)
        found.startOffset = m_Shared->firstPts.load();
    else if (HasExtension(path, {".mp3"}))
        found.startOffset = Mp3GaplessLead(path);  // the music starts after the encoder's delay

    // A stream without a length in its header gets one from its parser once the first
    // frames have passed (DURATION_CHANGED, reported by the event thread); sound whose
    // parser gives none at once walks its frame headers instead.
    gint64 ns = 0;
    if (gst_element_query_duration(m_pGB, GST_FORMAT_TIME, &ns) && ns > 0)
        found.totalTime = NsToUnits(ns);
    else if (SoundOnlyRouted())
        found.totalTime = SoundFrameLength(path);

    // A program stream's demuxer gives the span of its pack clock, short of the last
    // pictures by the mux delay; its packets' own timestamps tell the whole length (up to
    // the end of the last picture). A span far beyond the demuxer's figure means the
    // timestamps jump, and then the demuxer's figure stands.
    if (m_Shared->programStream && found.totalTime > 0) {
        int64_t ticks = ProgramStreamSpan(path);
        if (ticks > 0) {
            int num = 0, den = 1;
            int64_t frame = m_pVideo->FrameRate(&num, &den) && num > 0
                                ? gst_util_uint64_scale(10000000, den, num)
                                : 0;
            int64_t units = ticks * 1000 / 9 + frame;
            if (units > found.totalTime && units < found.totalTime + 20 * kUnitsPerTenth)  // 2 s
                found.totalTime = units;
        }
    }
    return found;
}

bool MediaGraph::SoundOnlyRouted() const {
    // As ClassifyContent will see it: a sound renderer with its volume, and no picture.
    GstElement* sound = m_Shared->audioTarget;
    GstElement* volume = sound ? gst_bin_get_by_name(GST_BIN(sound), kSoundVolumeName) : nullptr;
    if (!volume)
        return false;
    gst_object_unref(volume);
    return m_Shared->videoTarget == nullptr;
}

HRESULT MediaGraph::AdoptPreroll(const Preroll& preroll) {
    if (FAILED(preroll.hr)) {
        m_LastError = preroll.hr;
        NoteBuildFailure(preroll.hr);
        return preroll.hr;
    }
    m_StartOffset = preroll.startOffset;
    m_pVW = m_Shared->videoTarget;
    if (m_Shared->audioTarget)
        m_pBA = gst_bin_get_by_name(GST_BIN(m_Shared->audioTarget), kSoundVolumeName);
    ClassifyContent();
    int32_t w = 0, h = 0;
    if (m_Content != MediaContent::AudioOnly && !GetVideoDimensions(&w, &h)) {
        // InitVideoWindow's own text first, as it would tell it.
        NoteNoVideoSize();
        m_Notices.push_back(GraphWarning("FAILED(hr=0x%x) InitVideoWindow(&m_Rect)\n",
                                         static_cast<unsigned>(VFW_E_NOT_CONNECTED)));
        return VFW_E_NOT_CONNECTED;
    }
    m_TotalTime = preroll.totalTime;
    return S_OK;
}

HRESULT MediaGraph::TakePreroll(const Preroll& preroll, BOOL run) {
    HRESULT hr = AdoptPreroll(preroll);
    if (FAILED(hr)) {
        Close();
        return hr;
    }
    if (m_Content != MediaContent::AudioOnly) {
        InitVideoWindow(m_Rect);
        m_pVideo->Attach();
        if (m_pSurface) {
            if (QWidget* w = m_pSurface->SurfaceWidget()) {
                w->setFocus();
                w->raise();
            }
        }
    }
    if (run && !Run()) {
        Close();
        return E_FAIL;
    }
    // An animated picture runs on its own from its first frame; to the transport it stays
    // a cued picture.
    if (!run && !m_AnimationSize.isEmpty() && !Animate()) {
        Close();
        return E_FAIL;
    }
    return S_OK;  // prerolled: the first frame is already on screen
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
        NoteNoVideoSize();
        return VFW_E_NOT_CONNECTED;
    }
    SetVideoPosition(rect);
    return S_OK;
}

void MediaGraph::NoteNoVideoSize() {
    m_Notices.push_back(GraphWarning("FAILED(hr=0x%x) m_pBV->GetVideoSize(&lWidth, &lHeight)\n",
                                     static_cast<unsigned>(VFW_E_NOT_CONNECTED)));
}

BOOL MediaGraph::SetVideoPosition(const QRect& rect) {
    if (!m_pGB || !m_pVW)
        return FALSE;
    m_Rect = rect;
    if (m_pSurface)
        m_pSurface->SetVideoRect(rect);
    m_pVideo->SetVideoRect(rect);
    return TRUE;
}

void MediaGraph::ShowSubtitles(bool shown) {
    m_pVideo->ShowSubtitles(shown);
}

bool MediaGraph::SubtitlesShown() const {
    return m_pVideo->SubtitlesShown();
}

BOOL MediaGraph::GetVideoDimensions(int32_t* width, int32_t* height) {
    if (!width || !height || !m_pVW)
        return FALSE;
    return m_pVideo->VideoSize(width, height) ? TRUE : FALSE;
}

BOOL MediaGraph::GetFrameRate(int* num, int* den) {
    if (!num || !den || !m_pVW)
        return FALSE;
    return m_pVideo->FrameRate(num, den) && *num > 0 && *den > 0 ? TRUE : FALSE;
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
    *out = m_pVideo->CaptureDib();
    return *out ? TRUE : FALSE;
}

void MediaGraph::Close() {
    CancelOpen();
    m_State = GraphState::Ended;
    // The event thread's last word (UM_GRAPH_STOPPED) is posted before it is joined; from
    // here on nothing more of the file is told.
    JoinEventThread();
    m_Conversion.Abandon();
    ReleaseInterfaces();
    {
        std::lock_guard<std::mutex> lock(m_LandedLock);
        m_SeekTarget = -1;
        m_LandedSignal.notify_all();
    }
    ForgetQueuedReports();
}

namespace {

GstPadProbeReturn DropData(GstPad*, GstPadProbeInfo*, gpointer) {
    return GST_PAD_PROBE_DROP;
}

// Nothing more of a pipeline given up is shown or heard: what reaches its renderers from
// here on is dropped (a huge picture still being decoded included).
void SilenceRenderer(GstElement* renderer) {
    GstPad* input = renderer ? gst_element_get_static_pad(renderer, "sink") : nullptr;
    if (!input)
        return;
    gst_pad_add_probe(
        input,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        DropData, nullptr, nullptr);
    gst_object_unref(input);
}

// A pipeline given up, with what only it uses, freed in order on the retiring thread.
struct RetiredPipeline {
    GstElement* pipeline = nullptr;
    GstBus* bus = nullptr;
    std::shared_ptr<GraphShared> shared;
    std::unique_ptr<ItemBranch> current;
    std::unique_ptr<ItemBranch> queued;
    std::unique_ptr<TransportRunner> transport;  // its step in hand still holds the pipeline

    void Free() {
        if (pipeline)
            gst_element_set_state(pipeline, GST_STATE_NULL);
        // A prepared item's branch keeps its own state: the pipeline's stop does not reach it.
        for (auto* branch : {&queued, &current}) {
            if (*branch)
                (*branch)->Remove(shared->audioTarget);
            branch->reset();
        }
        // A step blocked in the pipeline returns once it has stopped.
        transport.reset();
        if (bus)
            gst_object_unref(bus);
        if (pipeline)
            gst_object_unref(pipeline);
        {
            std::lock_guard<std::mutex> lock(shared->padsMutex);
            for (GstPad* p : shared->heldPads) gst_object_unref(p);
            shared->heldPads.clear();
        }
        // Last: the pipeline's callbacks read the block until it has stopped.
        shared.reset();
    }
};

}  // namespace

void MediaGraph::RetirePipeline() {
    {
        // A transport step of this pipeline still on its way reports nothing from here on.
        std::lock_guard<std::mutex> lock(m_StateLock);
        ++m_Generation;
    }
    auto retired = std::make_shared<RetiredPipeline>();
    if (!m_Transport->Abandon()) {
        // Its thread is held by the pipeline: the next file's steps get a thread of their own.
        retired->transport = std::move(m_Transport);
        m_Transport = std::make_unique<TransportRunner>();
    }
    if (m_pME)
        gst_bus_set_sync_handler(m_pME, nullptr, nullptr, nullptr);
    SilenceRenderer(m_Shared->videoTarget);
    SilenceRenderer(m_Shared->audioTarget);
    m_QueuedWatch = nullptr;
    m_Shared->queuedJoinPad = nullptr;
    retired->pipeline = std::exchange(m_pGB, nullptr);
    retired->bus = std::exchange(m_pME, nullptr);
    retired->current = std::move(m_Current);
    retired->queued = std::move(m_Queued);
    retired->shared = std::exchange(m_Shared, std::make_shared<GraphShared>());
    if (retired->pipeline || retired->transport)
        m_Retirer->Retire([retired] { retired->Free(); });
}

void MediaGraph::ReleaseInterfaces() {
    m_Content = MediaContent::None;
    m_AnimationSize = QSize();
    if (m_pBA) {
        gst_object_unref(m_pBA);
        m_pBA = nullptr;
    }
    m_pVW = nullptr;
    RetirePipeline();
    // The frames of the pipeline given up go to a block of its own renderer's, no longer
    // to the video area.
    m_pVideo->Release();
}

void MediaGraph::ForgetQueuedReports() {
    // Only the graph's own reports: a conversion's end or failure may come from a stream
    // copy as well, and the notify object's other messages are not the graph's.
    if (!m_hwndNotify)
        return;
    for (int message : {UM_GRAPH_POSITION, UM_GRAPH_DURATION, UM_GRAPH_SEEK_DONE, UM_GRAPH_REWOUND,
                        UM_GRAPH_NEXT_STARTED})
        QCoreApplication::removePostedEvents(m_hwndNotify, WindowMessage::TypeOf(message));
}

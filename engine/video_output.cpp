#include "engine/video_output.h"

#include "engine/subtitle_source.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <mutex>

namespace {

const QEvent::Type kFrameEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kEmbeddedFrameEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kStillEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

GstElement* Make(const char* factory, const char* name = nullptr) {
    return gst_element_factory_make(factory, name);
}

void SetIfPresent(GstElement* e, const char* property, gboolean value) {
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(e), property))
        g_object_set(e, property, value, nullptr);
}

// The caps of the scaling pass: the picture rectangle's size (at the video's proportions
// already), in the format of the widget's images when frames are painted.
GstCaps* ScaledCaps(QSize size, bool painted) {
    GstCaps* caps = gst_caps_new_empty_simple("video/x-raw");
    if (painted)
        gst_caps_set_simple(caps, "format", G_TYPE_STRING, "BGRx", nullptr);
    if (size.width() > 0 && size.height() > 0)
        gst_caps_set_simple(caps, "width", G_TYPE_INT, size.width(), "height", G_TYPE_INT,
                            size.height(), nullptr);
    return caps;
}

}  // namespace

struct VideoOutput::Painted {
    std::mutex mutex;
    QImage frame;
    std::atomic<bool> pending{false};
    // After a resize: the embedded window is shown again once a frame at this size comes.
    std::atomic<bool> awaitingSize{false};
    std::atomic<int> width{0};
    std::atomic<int> height{0};
    QObject* relay = nullptr;
    // Cleared when the renderer is released: a pipeline being retired reports nothing more.
    std::atomic<bool> live{true};
};

struct VideoOutput::ScaledStill {
    std::mutex mutex;
    QImage still;
    unsigned ticket = 0;
};

namespace {

// Callbacks and probes get a reference of their own to the renderer's block, dropped by
// GStreamer once no call can come any more.
gpointer HoldPainted(const std::shared_ptr<VideoOutput::Painted>& painted) {
    return new std::shared_ptr<VideoOutput::Painted>(painted);
}

void DropPainted(gpointer data) {
    delete static_cast<std::shared_ptr<VideoOutput::Painted>*>(data);
}

VideoOutput::Painted* PaintedOf(gpointer data) {
    return static_cast<std::shared_ptr<VideoOutput::Painted>*>(data)->get();
}

struct MappedFrame {
    GstVideoFrame frame;
};

void UnmapFrame(void* data) {
    auto* mapped = static_cast<MappedFrame*>(data);
    gst_video_frame_unmap(&mapped->frame);
    delete mapped;
}

// The frame becomes the widget's image as it is: the image keeps the buffer mapped and
// referenced until its last copy goes.
GstFlowReturn PaintSample(GstSample* sample, VideoOutput::Painted* painted) {
    if (!sample)
        return GST_FLOW_OK;
    if (!painted->live) {
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (caps && buffer && gst_video_info_from_caps(&info, caps)) {
        auto* mapped = new MappedFrame;
        if (gst_video_frame_map(&mapped->frame, &info, buffer, GST_MAP_READ)) {
            QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, 0)),
                         GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                         GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, 0), QImage::Format_RGB32,
                         UnmapFrame, mapped);
            {
                std::lock_guard<std::mutex> lock(painted->mutex);
                painted->frame = std::move(image);
            }
            if (!painted->pending.exchange(true))
                QCoreApplication::postEvent(painted->relay, new QEvent(kFrameEvent));
        } else {
            delete mapped;
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data) {
    return PaintSample(gst_app_sink_pull_sample(sink), PaintedOf(data));
}

GstFlowReturn OnNewPreroll(GstAppSink* sink, gpointer data) {
    return PaintSample(gst_app_sink_pull_preroll(sink), PaintedOf(data));
}

// Frames leaving the scaling pass of an embedded X image sink: the first at the area's new
// size brings the embedded window back.
GstPadProbeReturn WatchScaledSize(GstPad* pad, GstPadProbeInfo*, gpointer data) {
    auto* painted = PaintedOf(data);
    if (!painted->live || !painted->awaitingSize)
        return GST_PAD_PROBE_OK;
    if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        int w = 0, h = 0;
        const GstStructure* s = gst_caps_get_structure(caps, 0);
        if (gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h) &&
            w == painted->width && h == painted->height && painted->awaitingSize.exchange(false))
            QCoreApplication::postEvent(painted->relay, new QEvent(kEmbeddedFrameEvent));
        gst_caps_unref(caps);
    }
    return GST_PAD_PROBE_OK;
}

// Converts and scales in one pass; the older pair of elements where the joint one is
// missing. Adds them to the bin and returns the first and the last.
bool AddScaler(GstBin* bin, GstElement** first, GstElement** last) {
    if (GstElement* both = Make("videoconvertscale")) {
        g_object_set(both, "add-borders", FALSE, nullptr);
        gst_bin_add(bin, both);
        *first = *last = both;
        return true;
    }
    GstElement* convert = Make("videoconvert");
    GstElement* scale = Make("videoscale");
    if (!convert || !scale) {
        for (GstElement* e : {convert, scale})
            if (e)
                gst_object_unref(e);
        return false;
    }
    g_object_set(scale, "add-borders", FALSE, nullptr);
    gst_bin_add_many(bin, convert, scale, nullptr);
    gst_element_link(convert, scale);
    *first = convert;
    *last = scale;
    return true;
}

}  // namespace

VideoOutput::VideoOutput() : m_pStill(std::make_unique<ScaledStill>()) {
    RenewFrameBlocks();
    m_pScaler = std::make_unique<StillScaler>(
        [this, slot = m_pStill.get()](const QImage& still, unsigned ticket) {
            {
                std::lock_guard<std::mutex> lock(slot->mutex);
                slot->still = still;
                slot->ticket = ticket;
            }
            QCoreApplication::postEvent(this, new QEvent(kStillEvent));
        });
}

void VideoOutput::RenewFrameBlocks() {
    if (m_pPainted)
        m_pPainted->live = false;
    auto painted = std::make_shared<Painted>();
    painted->relay = this;
    if (m_pPainted) {
        painted->width = m_pPainted->width.load();
        painted->height = m_pPainted->height.load();
    }
    m_pPainted = std::move(painted);
    m_Recent = std::make_shared<RecentFrames>();
}

VideoOutput::~VideoOutput() {
    Release();
    if (m_pSurface)
        m_pSurface->SetClient(nullptr);
}

void VideoOutput::SetSurface(VideoSurface* surface) {
    if (m_pSurface == surface)
        return;
    if (m_pSurface) {
        // The picture leaves the old area; the new one shows nothing until a graph is built.
        if (m_bAttached) {
            m_pSurface->ShowEmbedded(false);
            m_pSurface->SetVideoVisible(false);
        }
        m_pSurface->SetClient(nullptr);
    }
    m_bAttached = false;
    m_pSurface = surface;
    if (m_pSurface)
        m_pSurface->SetClient(this);
}

GstElement* VideoOutput::MakeRenderer(const QRect& rect, const std::string& sideSubtitle) {
    Release();
    m_Size = rect.size();
    m_Choice = VideoSinkChoice{};
    m_Path = VideoPath::Hidden;
    if (m_pSurface) {
        m_Choice = ChooseVideoSink();
        if (m_Choice.kind != VideoSinkKind::Painted && m_pSurface->EmbedWindow() == 0)
            m_Choice = VideoSinkFor(VideoSinkKind::Painted);
        m_Path = m_Choice.kind == VideoSinkKind::Painted ? VideoPath::Painted : VideoPath::Embedded;
    }

    GstElement* bin = gst_bin_new(kVideoRendererName);
    GstElement* sink =
        Make(m_Path == VideoPath::Hidden ? "fakesink" : m_Choice.factory, "videosink");
    if (!bin || !sink) {
        for (GstElement* e : {bin, sink})
            if (e)
                gst_object_unref(e);
        return nullptr;
    }
    GstElement* first = nullptr;
    GstElement* last = nullptr;
    GstElement* filter = nullptr;
    bool ok = true;
    switch (m_Choice.kind) {
        case VideoSinkKind::Painted:
        case VideoSinkKind::XImage:
            if (m_Path == VideoPath::Hidden)
                break;
            filter = Make("capsfilter");
            ok = filter && AddScaler(GST_BIN(bin), &first, &last);
            if (ok) {
                GstCaps* caps = ScaledCaps(m_Size, m_Path == VideoPath::Painted);
                g_object_set(filter, "caps", caps, nullptr);
                gst_caps_unref(caps);
                gst_bin_add(GST_BIN(bin), filter);
                gst_element_link(last, filter);
                last = filter;
            }
            break;
        case VideoSinkKind::XVideo:
            // Formats the adaptor takes pass untouched; anything else is converted.
            if (GstElement* convert = Make("videoconvert")) {
                gst_bin_add(GST_BIN(bin), convert);
                first = last = convert;
            } else {
                ok = false;
            }
            break;
        case VideoSinkKind::OpenGl:
            break;
    }
    if (!ok) {
        if (filter && !GST_OBJECT_PARENT(filter))
            gst_object_unref(filter);
        gst_object_unref(sink);
        gst_object_unref(bin);
        return nullptr;
    }

    // Subtitles go onto the picture after its scaling pass, so that the text is drawn at
    // the size it is seen, sharp; a sink that scales draws them with the picture.
    const char* firstPad = "sink";
    GstElement* subtitles =
        m_Path == VideoPath::Hidden ? nullptr : AddSubtitleOverlay(GST_BIN(bin), sideSubtitle);
    if (subtitles) {
        ShowSubtitleOverlay(subtitles, m_bSubtitlesShown);
        if (last)
            gst_element_link_pads(last, "src", subtitles, "video_sink");
        else
            first = subtitles, firstPad = "video_sink";
        last = subtitles;
    }

    g_object_set(sink, "sync", TRUE, "enable-last-sample", TRUE, nullptr);
    if (m_Path == VideoPath::Painted) {
        g_object_set(sink, "max-buffers", 1u, "drop", TRUE, nullptr);
        GstAppSinkCallbacks callbacks = {};
        callbacks.new_preroll = OnNewPreroll;
        callbacks.new_sample = OnNewSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, HoldPainted(m_pPainted),
                                   DropPainted);
    } else if (m_Path == VideoPath::Embedded) {
        // The sink leaves the window's input to Qt and draws when told to.
        SetIfPresent(sink, "handle-events", FALSE);
        SetIfPresent(sink, "handle-expose", FALSE);
        // The area is already at the picture's proportions; the sink keeps them as well
        // (pixels that are not square included) rather than stretch.
        SetIfPresent(sink, "force-aspect-ratio", TRUE);
        if (m_Choice.kind == VideoSinkKind::XImage)
            g_object_set(sink, "pixel-aspect-ratio", "1/1", nullptr);
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), m_pSurface->EmbedWindow());
        if (!m_Size.isEmpty())
            gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(sink), 0, 0, m_Size.width(),
                                                   m_Size.height());
    }
    gst_bin_add(GST_BIN(bin), sink);
    if (last)
        gst_element_link(last, sink);
    else
        first = sink;
    // A camera's rotation tag turns the picture upright here, ahead of any scaling, so that
    // the area, the stills and the reported size all see it the way it was filmed. Only
    // formats the turn cannot take are converted first; the rest pass untouched.
    GstElement* orient = Make("videoconvert");
    GstElement* flip = Make("videoflip", "orientation");
    if (orient && flip) {
        gst_util_set_object_arg(G_OBJECT(flip), "video-direction", "auto");
        gst_bin_add_many(GST_BIN(bin), orient, flip, nullptr);
        gst_element_link(orient, flip);
        gst_element_link_pads(flip, "src", first, firstPad);
        first = orient, firstPad = "sink";
    } else {
        for (GstElement* e : {orient, flip})
            if (e)
                gst_object_unref(e);
        flip = nullptr;
    }
    if (filter && m_Path == VideoPath::Embedded) {
        GstPad* scaled = gst_element_get_static_pad(filter, "src");
        gst_pad_add_probe(scaled, GST_PAD_PROBE_TYPE_BUFFER, WatchScaledSize,
                          HoldPainted(m_pPainted), DropPainted);
        gst_object_unref(scaled);
    }
    GstPad* input = gst_element_get_static_pad(first, firstPad);
    GstPad* ghost = gst_ghost_pad_new("sink", input);
    gst_object_unref(input);
    gst_element_add_pad(bin, ghost);
    GstPad* upright = flip ? gst_element_get_static_pad(flip, "src") : nullptr;
    RecentFrames::Watch(upright ? upright : ghost, m_Recent);
    m_pUpright = upright ? upright : GST_PAD(gst_object_ref(ghost));

    m_pBin = GST_ELEMENT(gst_object_ref(bin));
    m_pSink = GST_ELEMENT(gst_object_ref(sink));
    m_pFilter = filter ? GST_ELEMENT(gst_object_ref(filter)) : nullptr;
    m_pSubtitles = subtitles ? GST_ELEMENT(gst_object_ref(subtitles)) : nullptr;
    m_pPainted->width = m_Size.width();
    m_pPainted->height = m_Size.height();
    return bin;
}

void VideoOutput::Attach() {
    if (!m_pBin)
        return;
    m_bAttached = true;
    if (!m_pSurface)
        return;
    m_pSurface->ShowEmbedded(m_Path == VideoPath::Embedded);
    m_pSurface->SetVideoVisible(true);
}

void VideoOutput::SetVideoRect(const QRect& rect) {
    const QSize size = rect.size();
    const bool resized = size != m_Size;
    m_Size = size;
    if (!m_pBin || !m_pSurface || size.isEmpty())
        return;
    if (m_Path == VideoPath::Embedded && m_Choice.scales) {
        gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(m_pSink), 0, 0, size.width(),
                                               size.height());
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_pSink));
        return;
    }
    if (!resized)
        return;
    SetTargetSize(size);
    // A paused graph sends no frame at the new size: the one on screen is shown at it
    // until frames come again.
    ShowStill(size);
}

void VideoOutput::ShowSubtitles(bool shown) {
    m_bSubtitlesShown = shown;
    ShowSubtitleOverlay(m_pSubtitles, shown);
}

void VideoOutput::SetTargetSize(QSize size) {
    m_pPainted->width = size.width();
    m_pPainted->height = size.height();
    if (m_pFilter) {
        GstCaps* caps = ScaledCaps(size, m_Path == VideoPath::Painted);
        g_object_set(m_pFilter, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
    if (m_Path == VideoPath::Embedded)
        gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(m_pSink), 0, 0, size.width(),
                                               size.height());
}

void VideoOutput::ShowStill(QSize size) {
    if (!m_bAttached)
        return;
    GstSample* shown = m_Recent->Shown(m_pSink);
    if (!shown)
        return;
    // A later still, or the graph's end, makes one still being scaled stale.
    const unsigned ticket = ++m_StillTicket;
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(shown);
    if (caps && gst_video_info_from_caps(&info, caps) &&
        static_cast<long long>(GST_VIDEO_INFO_WIDTH(&info)) * GST_VIDEO_INFO_HEIGHT(&info) >
            kStillScaledAtOnce) {
        m_pScaler->Request(shown, size, ticket);
        return;
    }
    QImage still = FrameImage(shown, size);
    gst_sample_unref(shown);
    PresentStill(still);
}

void VideoOutput::PresentStill(const QImage& still) {
    if (still.isNull() || !m_pSurface)
        return;
    m_pSurface->PresentFrame(still);
    if (m_Path == VideoPath::Embedded) {
        m_pPainted->awaitingSize = true;
        m_pSurface->ShowEmbedded(false);
    }
}

void VideoOutput::Release() {
    if (m_pSurface && m_bAttached) {
        m_pSurface->ShowEmbedded(false);
        m_pSurface->SetVideoVisible(false);
    }
    m_bAttached = false;
    if (m_pUpright) {
        gst_object_unref(m_pUpright);
        m_pUpright = nullptr;
    }
    for (GstElement** e : {&m_pSubtitles, &m_pFilter, &m_pSink, &m_pBin}) {
        if (*e) {
            gst_object_unref(*e);
            *e = nullptr;
        }
    }
    // The released pipeline may still be stopping: its threads keep their own blocks.
    RenewFrameBlocks();
    ++m_StillTicket;
    m_pScaler->Drop();
    {
        std::lock_guard<std::mutex> lock(m_pStill->mutex);
        m_pStill->still = QImage();
    }
    // Frames still queued belong to the released graph.
    QCoreApplication::removePostedEvents(this, kFrameEvent);
    QCoreApplication::removePostedEvents(this, kEmbeddedFrameEvent);
    QCoreApplication::removePostedEvents(this, kStillEvent);
    m_pPainted->pending = false;
}

bool VideoOutput::event(QEvent* e) {
    if (e->type() == kFrameEvent) {
        m_pPainted->pending = false;
        QImage frame;
        {
            std::lock_guard<std::mutex> lock(m_pPainted->mutex);
            frame = m_pPainted->frame;
        }
        if (m_pSurface && m_bAttached && m_Path == VideoPath::Painted && !frame.isNull())
            m_pSurface->PresentFrame(frame);
        return true;
    }
    if (e->type() == kStillEvent) {
        QImage still;
        unsigned ticket = 0;
        {
            std::lock_guard<std::mutex> lock(m_pStill->mutex);
            std::swap(still, m_pStill->still);
            ticket = m_pStill->ticket;
        }
        if (ticket == m_StillTicket && m_bAttached)
            PresentStill(still);
        return true;
    }
    if (e->type() == kEmbeddedFrameEvent) {
        if (m_pSurface && m_bAttached && m_Path == VideoPath::Embedded)
            m_pSurface->ShowEmbedded(true);
        return true;
    }
    return QObject::event(e);
}

void VideoOutput::SurfaceExposed() {
    if (m_pSink && m_Path == VideoPath::Embedded)
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_pSink));
}

void VideoOutput::SurfaceGone() {
    // Nothing may touch the widget being destroyed, nor draw into its window.
    m_pSurface = nullptr;
    if (m_OnGone)
        m_OnGone();
}

namespace {

GstCaps* InputCaps(GstPad* pad) {
    return pad ? gst_pad_get_current_caps(pad) : nullptr;
}

}  // namespace

bool VideoOutput::VideoSize(int32_t* width, int32_t* height) const {
    GstCaps* caps = InputCaps(m_pUpright);
    if (!caps)
        return false;
    int w = 0, h = 0;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    bool ok = gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h);
    gst_caps_unref(caps);
    if (ok) {
        *width = w;
        *height = h;
    }
    return ok;
}

bool VideoOutput::FrameRate(int* num, int* den) const {
    GstCaps* caps = InputCaps(m_pUpright);
    if (!caps)
        return false;
    bool ok = gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", num, den);
    gst_caps_unref(caps);
    return ok;
}

uint8_t* VideoOutput::CaptureDib() const {
    GstSample* shown = m_Recent->Shown(m_pSink);
    if (!shown)
        return nullptr;
    uint8_t* dib = FrameDib(shown);
    gst_sample_unref(shown);
    return dib;
}

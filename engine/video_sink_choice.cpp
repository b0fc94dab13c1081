#include "engine/video_sink_choice.h"

#include <gst/gst.h>

#include <QGuiApplication>
#include <QLoggingCategory>
#include <cstdlib>
#include <cstring>

#include <xcb/xcb.h>

Q_LOGGING_CATEGORY(lcVideo, "veltra.video", QtWarningMsg)

namespace {

// Whether the sink can open the display: an XVideo sink without an adaptor, or an X sink
// without a server, fails here rather than in the middle of a graph.
bool WorksOnDisplay(const char* factory) {
    GstElement* sink = gst_element_factory_make(factory, nullptr);
    if (!sink)
        return false;
    bool ok = gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
    return ok;
}

// Direct rendering (DRI) is what the server offers clients that render on the graphics
// hardware; without it OpenGL is rasterised in software, in this process.
bool ServerRendersInHardware() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    for (const char* name : {"DRI3", "DRI2"}) {
        xcb_query_extension_cookie_t cookie =
            xcb_query_extension(c, static_cast<uint16_t>(std::strlen(name)), name);
        xcb_query_extension_reply_t* reply = xcb_query_extension_reply(c, cookie, nullptr);
        bool present = reply && reply->present;
        std::free(reply);
        if (present)
            return true;
    }
    return false;
}

VideoSinkChoice Decide() {
    if (const char* forced = std::getenv("VELTRA_VIDEO_SINK"); forced && *forced) {
        if (std::strcmp(forced, "xvimagesink") == 0)
            return VideoSinkFor(VideoSinkKind::XVideo);
        if (std::strcmp(forced, "glimagesink") == 0)
            return VideoSinkFor(VideoSinkKind::OpenGl);
        if (std::strcmp(forced, "ximagesink") == 0)
            return VideoSinkFor(VideoSinkKind::XImage);
        return VideoSinkFor(VideoSinkKind::Painted);
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return VideoSinkFor(VideoSinkKind::Painted);
    if (WorksOnDisplay("xvimagesink"))
        return VideoSinkFor(VideoSinkKind::XVideo);
    if (ServerRendersInHardware() && WorksOnDisplay("glimagesink"))
        return VideoSinkFor(VideoSinkKind::OpenGl);
    if (WorksOnDisplay("ximagesink"))
        return VideoSinkFor(VideoSinkKind::XImage);
    return VideoSinkFor(VideoSinkKind::Painted);
}

}  // namespace

VideoSinkChoice VideoSinkFor(VideoSinkKind kind) {
    switch (kind) {
        case VideoSinkKind::XVideo:
            return {kind, "xvimagesink", true};
        case VideoSinkKind::OpenGl:
            return {kind, "glimagesink", true};
        case VideoSinkKind::XImage:
            return {kind, "ximagesink", false};
        case VideoSinkKind::Painted:
            break;
    }
    return {};
}

VideoSinkChoice ChooseVideoSink() {
    static const VideoSinkChoice choice = [] {
        VideoSinkChoice c = Decide();
        qCInfo(lcVideo, "video through %s", c.factory);
        return c;
    }();
    return choice;
}

// Which way the display takes the picture, decided once per process on first need.
//
// On an X display a sink draws into a native window of the video area: XVideo when the
// server has an adaptor (the graphics hardware converts and scales), OpenGL when the server
// renders through the hardware (direct rendering offered), otherwise plain X images, which
// the renderer converts and scales in one pass. Elsewhere (offscreen, Wayland), or when no
// X sink works, frames are painted by the widget.
#pragma once

#include <string>

enum class VideoSinkKind { Painted, XVideo, OpenGl, XImage };

struct VideoSinkChoice {
    VideoSinkKind kind = VideoSinkKind::Painted;
    const char* factory = "appsink";
    // The sink scales the picture to its window itself.
    bool scales = false;
};

VideoSinkChoice ChooseVideoSink();

// The choice for a kind, as named by VELTRA_VIDEO_SINK ("xvimagesink", "glimagesink",
// "ximagesink" or "appsink"); the default choice for anything else.
VideoSinkChoice VideoSinkFor(VideoSinkKind kind);

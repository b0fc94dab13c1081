// The seam between the video renderer of a MediaGraph and the widget that shows its
// frames. The renderer never touches a widget from its streaming thread: frames and
// requests reach the surface on the user-interface thread only.
//
// A surface shows the picture one of two ways: a sink of the media framework draws into a
// native window the surface keeps over the video rectangle (the display scales and
// converts, nothing is copied), or decoded frames, already at the rectangle's size, are
// handed over and painted as they are.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>

class QWidget;

// What the renderer answers to its surface.
class VideoSurfaceClient {
  public:
    virtual ~VideoSurfaceClient() = default;
    // The embedded window was uncovered or resized: its picture must be drawn again.
    virtual void SurfaceExposed() = 0;
    // The surface is being destroyed: nothing may draw into it any more.
    virtual void SurfaceGone() = 0;
};

class VideoSurface {
  public:
    virtual ~VideoSurface() = default;

    // The widget that holds the video: the graph's owner window. Mouse and key input over
    // it is left to its parent (the dialog holding the video area).
    virtual QWidget* SurfaceWidget() = 0;

    // A new frame to paint (UI thread). The image is shared, not copied; it is normally
    // the video rectangle's size already.
    virtual void PresentFrame(const QImage& frame) = 0;

    // Where inside the widget the video is drawn, in widget coordinates.
    virtual void SetVideoRect(const QRect& rect) = 0;

    // Shown while a graph renders into the surface; hidden (and blank) once detached.
    virtual void SetVideoVisible(bool visible) = 0;

    // The native window over the video rectangle that a sink may draw into, made on first
    // request; 0 where the platform offers none, and frames must be painted.
    virtual uintptr_t EmbedWindow() = 0;

    // Whether the picture comes from the embedded window (true) or from painted frames.
    virtual void ShowEmbedded(bool embedded) = 0;

    // Who is told about exposure and destruction; null for nobody.
    virtual void SetClient(VideoSurfaceClient* client) = 0;
};

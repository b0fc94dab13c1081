// The seam between the video renderer of a MediaGraph and the widget that shows its
// frames. The renderer never touches a widget from its streaming thread: frames reach
// the surface on the user-interface thread only.
#pragma once

#include <QImage>
#include <QRect>

class QWidget;

class VideoSurface {
  public:
    virtual ~VideoSurface() = default;

    // The widget that holds the video: the graph's owner window. Mouse and key input over
    // it is left to its parent (the dialog holding the video area).
    virtual QWidget* SurfaceWidget() = 0;

    // A new decoded frame (UI thread). The image is shared, not copied.
    virtual void PresentFrame(const QImage& frame) = 0;

    // Where inside the widget the video is drawn, in widget coordinates.
    virtual void SetVideoRect(const QRect& rect) = 0;

    // Shown while a graph renders into the surface; hidden (and blank) once detached.
    virtual void SetVideoVisible(bool visible) = 0;
};

// A plain video area: shows the picture in its video rectangle, black around it. The
// editor's preview uses it as is; the viewer's video area derives from it.
//
// Painted frames are drawn at their own size when they match the rectangle, which is the
// rule: the renderer scales them there. An embedded sink draws into a native child window
// laid over the rectangle; the child lets mouse input through to this widget's parents.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include "engine/video_surface.h"

class VideoWidget : public QWidget, public VideoSurface {
    Q_OBJECT
  public:
    explicit VideoWidget(QWidget* parent = nullptr);
    ~VideoWidget() override;

    QWidget* SurfaceWidget() override { return this; }
    void PresentFrame(const QImage& frame) override;
    void SetVideoRect(const QRect& rect) override;
    void SetVideoVisible(bool visible) override;
    uintptr_t EmbedWindow() override;
    void ShowEmbedded(bool embedded) override;
    void SetClient(VideoSurfaceClient* client) override { m_pClient = client; }

    // For tests and captures of what is on screen.
    QImage CurrentFrame() const { return m_Frame; }
    QRect VideoRect() const { return m_VideoRect; }
    bool IsVideoVisible() const { return m_bVideoVisible; }
    bool IsEmbedded() const { return m_bEmbedded; }
    QWidget* EmbeddedWindow() const { return m_pEmbed; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class EmbeddedVideoWindow;
    QRect Target() const;
    void PlaceEmbedded();
    void EmbeddedExposed();

    QImage m_Frame;
    QRect m_VideoRect;  // empty: fill the whole widget
    bool m_bVideoVisible = false;
    bool m_bEmbedded = false;
    QWidget* m_pEmbed = nullptr;  // made on first request
    VideoSurfaceClient* m_pClient = nullptr;
};

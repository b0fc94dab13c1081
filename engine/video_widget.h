// A plain video area: paints the latest frame scaled into its video rectangle, black
// around it. The editor's preview uses it as is; the viewer's video area derives from it.
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

    // For tests and captures of what is on screen.
    QImage CurrentFrame() const { return m_Frame; }
    QRect VideoRect() const { return m_VideoRect; }
    bool IsVideoVisible() const { return m_bVideoVisible; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage m_Frame;
    QRect m_VideoRect;  // empty: fill the whole widget
    bool m_bVideoVisible = false;
};

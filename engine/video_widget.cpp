#include "engine/video_widget.h"

#include <QPaintEvent>
#include <QPainter>

VideoWidget::VideoWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

VideoWidget::~VideoWidget() = default;

void VideoWidget::PresentFrame(const QImage& frame) {
    m_Frame = frame;
    update();
}

void VideoWidget::SetVideoRect(const QRect& rect) {
    m_VideoRect = rect;
    update();
}

void VideoWidget::SetVideoVisible(bool visible) {
    m_bVideoVisible = visible;
    if (!visible)
        m_Frame = QImage();
    update();
}

void VideoWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::black);
    if (!m_bVideoVisible || m_Frame.isNull())
        return;
    QRect target = m_VideoRect.isEmpty() ? rect() : m_VideoRect;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, m_Frame);
}

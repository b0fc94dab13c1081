#include "engine/video_widget.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>

// The native window an embedded sink draws into. Qt never paints it; an exposure only
// asks the sink to draw its picture again.
class EmbeddedVideoWindow : public QWidget {
  public:
    explicit EmbeddedVideoWindow(VideoWidget* owner) : QWidget(owner), m_pOwner(owner) {
        // Only this window is native: its parents and siblings stay painted by Qt.
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_OpaquePaintEvent);
        // Clicks and double clicks over the picture belong to the dialog around it.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }
    QPaintEngine* paintEngine() const override { return nullptr; }

  protected:
    void paintEvent(QPaintEvent*) override { m_pOwner->EmbeddedExposed(); }

  private:
    VideoWidget* m_pOwner;
};

VideoWidget::VideoWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

VideoWidget::~VideoWidget() {
    // The sink must stop drawing before the native window goes with this widget.
    if (m_pClient)
        m_pClient->SurfaceGone();
}

void VideoWidget::PresentFrame(const QImage& frame) {
    m_Frame = frame;
    update(Target());
}

QRect VideoWidget::Target() const {
    return m_VideoRect.isEmpty() ? rect() : m_VideoRect;
}

void VideoWidget::SetVideoRect(const QRect& rect) {
    m_VideoRect = rect;
    PlaceEmbedded();
    update();
}

void VideoWidget::SetVideoVisible(bool visible) {
    m_bVideoVisible = visible;
    if (!visible)
        m_Frame = QImage();
    PlaceEmbedded();
    update();
}

uintptr_t VideoWidget::EmbedWindow() {
    // Other platforms (offscreen, Wayland) offer no window a sink could draw into.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return 0;
    if (!m_pEmbed) {
        m_pEmbed = new EmbeddedVideoWindow(this);
        m_pEmbed->hide();
        PlaceEmbedded();
    }
    return static_cast<uintptr_t>(m_pEmbed->winId());
}

void VideoWidget::ShowEmbedded(bool embedded) {
    m_bEmbedded = embedded;
    PlaceEmbedded();
    update();
}

void VideoWidget::PlaceEmbedded() {
    if (!m_pEmbed)
        return;
    m_pEmbed->setGeometry(Target());
    m_pEmbed->setVisible(m_bEmbedded && m_bVideoVisible);
}

void VideoWidget::EmbeddedExposed() {
    if (m_pClient && m_bEmbedded)
        m_pClient->SurfaceExposed();
}

void VideoWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_VideoRect.isEmpty())
        PlaceEmbedded();
}

void VideoWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect target = Target();
    const bool framed = m_bVideoVisible && !m_bEmbedded && !m_Frame.isNull();
    // Only what the picture leaves free is cleared: the frame covers the rest.
    QRegion black(event->rect());
    if (framed || (m_bEmbedded && m_bVideoVisible))
        black -= target;
    for (const QRect& r : black) p.fillRect(r, Qt::black);
    if (!framed)
        return;
    if (m_Frame.size() == target.size()) {
        p.drawImage(target.topLeft(), m_Frame);
    } else {
        // A frame from before the latest resize, until one at the new size comes.
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, m_Frame);
    }
}

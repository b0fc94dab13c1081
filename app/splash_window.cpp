#include "app/splash_window.h"

#include "app/resource_picture.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

namespace {

constexpr int kStartPictureId = 138;

constexpr const char* kTagline =
    QT_TRANSLATE_NOOP("SplashWindow", "再生する。切り出す。大切なところを残す。");
constexpr const char* kWhatItIs = QT_TRANSLATE_NOOP("SplashWindow", "メディアプレーヤー＆カッター");

SplashWindow* g_splash = nullptr;
int g_durationMs = 0;

QString ResourceFor(int bitmapId) {
    if (bitmapId == kStartPictureId)
        return QStringLiteral(":/resources/splash.bmp");
    return QStringLiteral(":/resources/bitmap%1.bmp").arg(bitmapId);
}

}  // namespace

void SplashWindow::SetSplashDuration(int milliseconds) {
    g_durationMs = milliseconds;
}
int SplashWindow::SplashDuration() {
    return g_durationMs;
}
SplashWindow* SplashWindow::Current() {
    return g_splash;
}

void SplashWindow::ShowSplash(int bitmapId, QWidget* owner) {
    if (g_splash)
        return;
    QPixmap picture = LoadResourcePicture(ResourceFor(bitmapId), "bmp");
    if (picture.isNull())
        return;  // no picture: start-up simply goes on without one
    // Deletes itself when closed (WA_DeleteOnClose), or with its owner.
    g_splash = new SplashWindow(picture, bitmapId == kStartPictureId, owner);
    // Painted with the main window in the same turn of the event loop; start-up is too
    // short now for an early synchronous paint to show anything sooner.
    g_splash->show();
}

SplashWindow::SplashWindow(const QPixmap& picture, bool startPicture, QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_bitmap(picture),
      m_startPicture(startPicture),
      m_owner(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    if (m_startPicture) {
        setAccessibleName(tr(kTagline));
        setAccessibleDescription(tr(kWhatItIs));
    }
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_bitmap.deviceIndependentSize().toSize());
    move(0, 0);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
    if (g_durationMs >= 1)
        m_timerId = startTimer(g_durationMs);
}

SplashWindow::~SplashWindow() {
    if (g_splash == this)
        g_splash = nullptr;
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
    if (!m_startPicture)
        return;
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(200, 216, 246));
    // Two lines under the name, each shrunk until it fits between the picture's margins.
    const int left = 42;
    const int room = width() - 2 * left + 20;
    auto line = [&](const char* text, int pixels, int baseline) {
        const QString shown = tr(text);
        QFont font = this->font();
        font.setPixelSize(pixels);
        while (font.pixelSize() > 9 && QFontMetrics(font).horizontalAdvance(shown) > room)
            font.setPixelSize(font.pixelSize() - 1);
        painter.setFont(font);
        painter.drawText(QPointF(left, baseline), shown);
    };
    line(kTagline, 15, 178);
    line(kWhatItIs, 14, 202);
}

void SplashWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId || m_timerId == 0) {
        QWidget::timerEvent(event);
        return;
    }
    killTimer(m_timerId);
    m_timerId = 0;
    QPointer<QWidget> owner = m_owner;
    close();
    // The main window was drawn under the picture; show it whole again at once.
    if (owner)
        owner->window()->repaint();
}

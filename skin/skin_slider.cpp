#include "skin/skin_slider.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "skin/focus_mark.h"
#include "skin/skin_file.h"

namespace {

bool OwnWindowActive() {
    return QApplication::activeWindow() != nullptr;
}

// Skin images are painted on the window's background, which shows in their corners.
QColor BackgroundOf(const QImage& image) {
    return image.isNull() ? QColor(Qt::white) : image.pixelColor(0, 0);
}

QColor Mix(QColor a, QColor b, double towardB) {
    auto m = [towardB](int x, int y) { return static_cast<int>(x + (y - x) * towardB + 0.5); };
    return QColor(m(a.red(), b.red()), m(a.green(), b.green()), m(a.blue(), b.blue()));
}

// A thumb that cannot be taken: without colour and half way into the background.
QPixmap Greyed(const QPixmap& thumb) {
    if (thumb.isNull())
        return {};
    QImage image = thumb.toImage().convertToFormat(QImage::Format_RGB32);
    const QColor background = BackgroundOf(image);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            image.setPixelColor(x, y, Mix(QColor(grey, grey, grey), background, 0.5));
        }
    return QPixmap::fromImage(image);
}

// The part of a gauge that is not reached: most of the way into the background, so its
// outline still shows where it ends.
QPixmap Faded(const QPixmap& channel) {
    if (channel.isNull())
        return {};
    QImage image = channel.toImage().convertToFormat(QImage::Format_RGB32);
    const QColor background = BackgroundOf(image);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, Mix(image.pixelColor(x, y), background, 0.7));
    return QPixmap::fromImage(image);
}

}  // namespace

SkinSlider::SkinSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // moves without a button bring the hover back after a click
    setPageStep(std::max(1, (maximum() - minimum()) / 5));
}

SkinSlider::~SkinSlider() = default;

bool SkinSlider::SetSkinBitmaps(const QPixmap* normalThumb, const QPixmap* pressedThumb,
                                const QPixmap* hoverThumb, const QPixmap* channel) {
    if (!normalThumb || !pressedThumb || !hoverThumb || !channel)
        return false;
    m_NormalThumb = *normalThumb;
    m_PressedThumb = *pressedThumb;
    m_HoverThumb = *hoverThumb;
    m_Channel = *channel;
    m_DisabledThumb = Greyed(m_NormalThumb);
    m_FadedChannel = Faded(m_Channel);
    update();
    return true;
}

bool SkinSlider::SetSkinBitmaps(const SliderImages& images) {
    return SetSkinBitmaps(&images.normal, &images.pressed, &images.hover, &images.channel);
}

void SkinSlider::FitToSkin() {
    if (!m_Channel.isNull())
        setFixedSize(m_Channel.size());
    update();
}

bool SkinSlider::SetInteractive(bool wheel) {
    const bool old = m_bWheel;
    m_bWheel = wheel;
    return old;
}

void SkinSlider::SetFillToThumb(bool fill) {
    m_bFillToThumb = fill;
    update();
}

bool SkinSlider::event(QEvent* e) {
    // As with the buttons: another program in front ends the hover (not a drag, which
    // keeps its pressed thumb until the release).
    if (e->type() == QEvent::WindowDeactivate && !OwnWindowActive() && m_bHover && !m_bPressed) {
        m_bHover = false;
        update();
    }
    return QSlider::event(e);
}

void SkinSlider::sliderChange(SliderChange change) {
    if (change == SliderRangeChange)
        setPageStep(std::max(1, (maximum() - minimum()) / 5));
    QSlider::sliderChange(change);
}

void SkinSlider::EnableWindow(bool enable) {
    if (m_bHover) {
        m_bHover = false;
        update();
    }
    setEnabled(enable);
}

int SkinSlider::ThumbLength() const {
    const bool horizontal = orientation() == Qt::Horizontal;
    if (!m_NormalThumb.isNull())
        return horizontal ? m_NormalThumb.width() : m_NormalThumb.height();
    return style()->pixelMetric(QStyle::PM_SliderLength, nullptr, this);
}

QRect SkinSlider::ThumbRect() const {
    const bool horizontal = orientation() == Qt::Horizontal;
    const int length = ThumbLength();
    const int span = std::max(0, (horizontal ? width() : height()) - length);
    const int at = QStyle::sliderPositionFromValue(minimum(), maximum(), value(), span);
    const int across = horizontal ? (m_NormalThumb.isNull() ? height() : m_NormalThumb.height())
                                  : (m_NormalThumb.isNull() ? width() : m_NormalThumb.width());
    return horizontal ? QRect(at, 0, length, across) : QRect(0, at, across, length);
}

int SkinSlider::ValueAt(int pixel) const {
    const bool horizontal = orientation() == Qt::Horizontal;
    const int span = std::max(0, (horizontal ? width() : height()) - ThumbLength());
    return QStyle::sliderValueFromPosition(minimum(), maximum(), pixel, span);
}

const QPixmap& SkinSlider::CurrentThumb() const {
    if (!isEnabled())
        return m_DisabledThumb;
    if (!m_bHover)
        return m_NormalThumb;
    return m_bPressed ? m_PressedThumb : m_HoverThumb;
}

void SkinSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintSkin(p);
    if (ShowsFocusMark(*this, m_bKeyboardFocus)) {
        p.setClipping(false);
        DrawFocusMark(p, rect());
    }
}

void SkinSlider::PaintSkin(QPainter& p) {
    const QPixmap& thumb = CurrentThumb();
    QRegion clip(rect());
    if (!thumb.isNull()) {
        const QRect r = ThumbRect();
        const QPoint at = orientation() == Qt::Horizontal ? QPoint(r.x(), 0) : QPoint(0, r.y());
        p.drawPixmap(at, thumb);
        clip -= QRect(at, thumb.size());
    }
    if (m_Channel.isNull())
        return;
    p.setClipRegion(clip);
    if (!m_bFillToThumb) {
        p.drawPixmap(0, 0, m_Channel);
        return;
    }
    // Full up to the middle of the thumb, faded beyond it.
    const QRect r = ThumbRect();
    const bool horizontal = orientation() == Qt::Horizontal;
    const int split = horizontal ? r.center().x() + 1 : r.center().y() + 1;
    const QRect reached =
        horizontal ? QRect(0, 0, split, m_Channel.height()) : QRect(0, 0, m_Channel.width(), split);
    const QRect beyond = horizontal ? QRect(split, 0, m_Channel.width(), m_Channel.height())
                                    : QRect(0, split, m_Channel.width(), m_Channel.height());
    p.drawPixmap(reached.topLeft(), m_Channel, reached);
    p.drawPixmap(beyond.topLeft(), m_FadedChannel, beyond);
}

void SkinSlider::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !isEnabled() || minimum() == maximum()) {
        e->ignore();
        return;
    }
    e->accept();
    const QPoint p = e->position().toPoint();
    const QRect thumb = ThumbRect();
    const bool horizontal = orientation() == Qt::Horizontal;
    if (thumb.contains(p)) {
        m_bPressed = true;
        m_bHover = true;
        m_DragOffset = horizontal ? p.x() - thumb.x() : p.y() - thumb.y();
        setSliderDown(true);
        update();
        // The grab itself is the first tracking report, as with the platform trackbar.
        emit Scrolled(kScrollThumbTrack, value());
        return;
    }
    // A click beside the thumb pages towards it, as a trackbar does.
    const int clicked = horizontal ? p.x() : p.y();
    const int thumbAt = horizontal ? thumb.x() : thumb.y();
    const bool towardsMax = clicked > thumbAt;
    triggerAction(towardsMax ? SliderPageStepAdd : SliderPageStepSub);
    emit Scrolled(towardsMax ? kScrollPageDown : kScrollPageUp, value());
    emit Scrolled(kScrollEnd, value());
}

void SkinSlider::TrackHover(QPoint p) {
    const bool hover = isEnabled() && rect().contains(p) && OwnWindowActive();
    if (hover != m_bHover) {
        m_bHover = hover;
        update();
    }
}

void SkinSlider::mouseMoveEvent(QMouseEvent* e) {
    if (!m_bPressed) {
        TrackHover(e->position().toPoint());
        e->ignore();
        return;
    }
    e->accept();
    const QPoint p = e->position().toPoint();
    const int pixel = (orientation() == Qt::Horizontal ? p.x() : p.y()) - m_DragOffset;
    setSliderPosition(ValueAt(pixel));
    emit Scrolled(kScrollThumbTrack, sliderPosition());
}

void SkinSlider::mouseReleaseEvent(QMouseEvent* e) {
    if (!m_bPressed || e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    e->accept();
    m_bPressed = false;
    setSliderDown(false);
    m_bHover = rect().contains(e->position().toPoint()) && OwnWindowActive();
    update();
    emit Scrolled(kScrollThumbPosition, value());
    emit Scrolled(kScrollEnd, value());
}

void SkinSlider::wheelEvent(QWheelEvent* e) {
    if (!m_bWheel) {
        e->accept();  // swallowed: the parent must not scroll either
        return;
    }
    const int before = value();
    if (m_nWheelStep > 0) {
        e->accept();
        const QPoint delta = e->angleDelta();
        m_nWheelRest += delta.y() != 0 ? delta.y() : delta.x();
        const int notches = m_nWheelRest / 120;
        m_nWheelRest -= notches * 120;
        if (notches != 0) {
            // Wide enough for a long item's tenths times many notches.
            const long long target =
                static_cast<long long>(before) + static_cast<long long>(notches) * m_nWheelStep;
            setSliderPosition(
                static_cast<int>(std::clamp<long long>(target, minimum(), maximum())));
        }
    } else {
        QSlider::wheelEvent(e);
    }
    if (value() != before) {
        emit Scrolled(value() > before ? kScrollLineDown : kScrollLineUp, value());
        emit Scrolled(kScrollEnd, value());
    }
}

void SkinSlider::keyPressEvent(QKeyEvent* e) {
    const int before = value();
    QSlider::keyPressEvent(e);
    if (!e->isAccepted())
        return;
    const bool up = value() < before;
    const bool moved = value() != before;
    int code = -1;
    switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            code = moved ? (up ? kScrollLineUp : kScrollLineDown) : kScrollLineUp;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            code = moved ? (up ? kScrollLineUp : kScrollLineDown) : kScrollLineDown;
            break;
        case Qt::Key_PageUp:
            code = moved ? (up ? kScrollPageUp : kScrollPageDown) : kScrollPageUp;
            break;
        case Qt::Key_PageDown:
            code = moved ? (up ? kScrollPageUp : kScrollPageDown) : kScrollPageDown;
            break;
        case Qt::Key_Home:
            code = kScrollTop;
            break;
        case Qt::Key_End:
            code = kScrollBottom;
            break;
        default:
            return;
    }
    emit Scrolled(code, value());
    emit Scrolled(kScrollEnd, value());
}

void SkinSlider::focusInEvent(QFocusEvent* e) {
    QSlider::focusInEvent(e);
    const Qt::FocusReason reason = e->reason();
    m_bKeyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                       reason == Qt::ShortcutFocusReason;
    update();
}

void SkinSlider::focusOutEvent(QFocusEvent* e) {
    QSlider::focusOutEvent(e);
    m_bKeyboardFocus = false;
    update();
}

void SkinSlider::enterEvent(QEnterEvent* e) {
    QSlider::enterEvent(e);
    TrackHover(e->position().toPoint());
}

void SkinSlider::leaveEvent(QEvent* e) {
    QSlider::leaveEvent(e);
    // A dragged thumb keeps its pressed look outside the control until it is let go.
    if (m_bHover && !m_bPressed) {
        m_bHover = false;
        update();
    }
}

void SkinSlider::changeEvent(QEvent* e) {
    QSlider::changeEvent(e);
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        if (m_bPressed) {
            m_bPressed = false;
            setSliderDown(false);
        }
        m_bHover = false;
        update();
    }
}

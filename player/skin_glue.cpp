#include "player/skin_glue.h"

#ifndef VELTRA_PLAYER_SKINNED
#include <QFontMetrics>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>
#include <QWindow>

#include "app/window_placement.h"

SkinDialog::SkinDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
}

SkinDialog::~SkinDialog() {
    SavePlacementNow();
}

void SkinDialog::SavePlacementNow() {
    if (m_bRemember && !m_bFullScreen && m_bInitialised)
        SaveWindowPlacement(this, m_Section.c_str(), m_Key.c_str());
    m_bRemember = false;  // once, at the end
}

void SkinDialog::OnInitDialog() {
    m_bInitialised = true;
}

void SkinDialog::AddAnchor(QWidget* control, Anchor anchor) {
    int ax = 0, ay = 0;
    switch (anchor) {
        case kAnchorTopRight:
            ax = 100;
            ay = 0;
            break;
        case kAnchorBottomCenter:
            ax = 50;
            ay = 100;
            break;
        case kAnchorBottomLeft:
            ax = 0;
            ay = 100;
            break;
        case kAnchorBottomRight:
            ax = 100;
            ay = 100;
            break;
    }
    QPoint origin(ax * width() / 100, ay * height() / 100);
    m_Layout.push_back({control, ax, ay, control->pos() - origin});
}

void SkinDialog::ArrangeLayout() {
    for (const Entry& e : m_Layout)
        e.control->move(e.ax * width() / 100 + e.margin.x(), e.ay * height() / 100 + e.margin.y());
}

void SkinDialog::SetMinTrackSize(int cx, int cy) {
    setMinimumSize(cx, cy);
}
void SkinDialog::SetMaxTrackSize(int cx, int cy) {
    setMaximumSize(cx, cy);
}

bool SkinDialog::RememberPlacement(const char* section, const char* key) {
    m_bRemember = true;
    m_Section = section;
    m_Key = key;
    PlacementLimits limits;
    limits.hasMin = true;
    limits.min = minimumSize();
    limits.hasMax = maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    limits.max = maximumSize();
    return RestoreWindowPlacement(this, section, key, limits);
}

bool SkinDialog::EnterFullScreen() {
    if (m_bFullScreen)
        return true;
    QRect screenRect = screen() ? screen()->geometry() : QRect();
    if (minimumWidth() > screenRect.width() || minimumHeight() > screenRect.height())
        return false;
    m_bFullScreen = true;
    m_SavedMin = minimumSize();
    m_SavedMax = maximumSize();
    m_SavedRect = geometry();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (screenRect.width() > 0 && screenRect.height() > 0)
        setGeometry(screenRect);
    return true;
}

void SkinDialog::LeaveFullScreen() {
    if (!m_bFullScreen)
        return;
    setMinimumSize(m_SavedMin);
    setMaximumSize(m_SavedMax);
    m_bFullScreen = false;
    setGeometry(m_SavedRect);
}

void SkinDialog::DrawSkinFrame(QPainter& painter, const std::array<QPixmap, 8>&) {
    painter.save();
    painter.setClipping(false);
    painter.setPen(QColor(120, 140, 180));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.restore();
}

void SkinDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (m_bInitialised && !m_bFullScreen)
        ArrangeLayout();
}

void SkinDialog::mousePressEvent(QMouseEvent* e) {
    // The top band moves the window, the bottom-right corner resizes it.
    if (e->button() == Qt::LeftButton && windowHandle() && !m_bFullScreen) {
        QPoint p = e->position().toPoint();
        if (p.y() < 30) {
            windowHandle()->startSystemMove();
            return;
        }
        if (m_bShowGrip && p.x() >= width() - 16 && p.y() >= height() - 16) {
            windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
            return;
        }
    }
    QDialog::mousePressEvent(e);
}

SkinButton::SkinButton(QWidget* parent) : QPushButton(parent) {}

SkinSlider::SkinSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {}

bool SkinSlider::SetInteractive(bool wheel) {
    bool old = m_bWheel;
    m_bWheel = wheel;
    return old;
}

void SkinSlider::wheelEvent(QWheelEvent* e) {
    if (m_bWheel)
        QSlider::wheelEvent(e);
    else
        e->accept();
}

namespace {
void SizeButton(SkinButton* b) {
    QFontMetrics fm(b->font());
    b->resize(std::max(28, fm.horizontalAdvance(b->text().remove('&')) + 16), 24);
}
}  // namespace

bool LoadViewerSkin(QWidget*, std::array<QPixmap, 8>*, QPixmap*, SkinButton* close,
                    SkinButton* fullScreen) {
    SizeButton(close);
    SizeButton(fullScreen);
    return true;
}

bool LoadMainSkin(QWidget* window, std::array<QPixmap, 8>*, std::array<QPixmap, 3>*, QPixmap*,
                  QPixmap*) {
    for (SkinButton* b : window->findChildren<SkinButton*>(QString(), Qt::FindDirectChildrenOnly))
        SizeButton(b);
    for (SkinSlider* s : window->findChildren<SkinSlider*>(QString(), Qt::FindDirectChildrenOnly))
        s->resize(s->objectName() == "volume" ? 150 : 340, 22);
    return true;
}
#endif

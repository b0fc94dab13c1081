#include "skin/skin_dialog.h"

#include <QApplication>
#include <QDebug>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <algorithm>

#include "platform/window_placement.h"

namespace {

// How close to an edge a press must be to resize rather than fall through to the window.
constexpr int kEdgeBand = 4;

int Percent(int percent, int length) {
    // C++ integer division truncates toward zero, as the layout's arithmetic requires.
    return percent * length / 100;
}

// Top-level windows live in screen coordinates; a press must be measured there, since the
// window itself moves under the pointer while it is dragged.
QPoint GlobalOf(const QMouseEvent* e) {
    return e->globalPosition().toPoint();
}

bool TrySystemMove(QWidget* window) {
    QWindow* handle = window->windowHandle();
    return handle && handle->startSystemMove();
}

}  // namespace

void TileHorizontally(QPainter& painter, const QPixmap& image, int y, int fromX, int toX) {
    const int w = image.width();
    if (image.isNull() || w <= 0)
        return;
    for (int x = fromX; x < toX; x += w)
        painter.drawPixmap(x, y, image, 0, 0, std::min(w, toX - x), image.height());
}

void TileVertically(QPainter& painter, const QPixmap& image, int x, int fromY, int toY) {
    const int h = image.height();
    if (image.isNull() || h <= 0)
        return;
    for (int y = fromY; y < toY; y += h)
        painter.drawPixmap(x, y, image, 0, 0, image.width(), std::min(h, toY - y));
}

void DrawSkinFrame(QPainter& painter, QSize client, const std::array<QPixmap, 8>& frame) {
    const auto& [bottomLeft, bottom, bottomRight, left, right, topLeft, top, topRight] = frame;
    const int w = client.width(), h = client.height();
    // Corners first, then the edges between them: the order the artwork was made for.
    painter.drawPixmap(0, 0, topLeft);
    const int topRightX = w - topRight.width();
    painter.drawPixmap(topRightX, 0, topRight);
    TileHorizontally(painter, top, 0, topLeft.width(), topRightX);
    const int bottomY = h - bottomLeft.height();
    painter.drawPixmap(0, bottomY, bottomLeft);
    const int bottomRightX = w - bottomRight.width();
    painter.drawPixmap(bottomRightX, bottomY, bottomRight);
    TileHorizontally(painter, bottom, bottomY, bottomLeft.width(), bottomRightX);
    TileVertically(painter, left, 0, topLeft.height(), h - bottom.height());
    TileVertically(painter, right, w - right.width(), topLeft.height(), h - bottom.height());
}

CaptionDrag::CaptionDrag(QWidget* window, int band)
    : QObject(window), m_pWindow(window), m_Band(band) {
    if (m_pWindow)
        m_pWindow->installEventFilter(this);
}

bool CaptionDrag::eventFilter(QObject* watched, QEvent* e) {
    if (watched != m_pWindow)
        return false;
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() != Qt::LeftButton || me->position().y() >= m_Band ||
                me->position().y() < 0)
                return false;
            if (TrySystemMove(m_pWindow))
                return true;
            m_bDragging = true;
            m_GrabOffset = GlobalOf(me) - m_pWindow->pos();
            return true;
        }
        case QEvent::MouseMove:
            if (!m_bDragging)
                return false;
            m_pWindow->move(GlobalOf(static_cast<QMouseEvent*>(e)) - m_GrabOffset);
            return true;
        case QEvent::MouseButtonRelease:
            if (!m_bDragging)
                return false;
            m_bDragging = false;
            return true;
        default:
            return false;
    }
}

SkinDialog::SkinDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_GripSize = QSize(extent > 0 ? extent : 16, extent > 0 ? extent : 16);
    m_GripRect = GripRect();
    // A desktop that changes size moves the upper size limit with it.
    if (QScreen* primary = QGuiApplication::primaryScreen())
        connect(primary, &QScreen::availableGeometryChanged, this, [this] {
            const QSize desktop = DesktopSize();
            if (m_bFullScreen && m_bSavedMaxSize)
                m_SavedMax = desktop;
            else if (m_bMaxSize)
                SetMaxTrackSize(desktop.width(), desktop.height());
        });
}

SkinDialog::~SkinDialog() {
    if (m_bFullScreen) {
        // The placement saved before full screen stays; only the bookkeeping is undone.
        if (m_bGripWasShown)
            m_bShowGrip = true;
        m_bGripWasShown = false;
        m_bFullScreen = false;
        m_bRemember = false;
    }
    SavePlacementNow();
    m_Layout.clear();
}

void SkinDialog::OnInitDialog() {
    m_GripRect = GripRect();
    SetMinTrackSize(width(), height());
    m_bInitialised = true;
}

QRect SkinDialog::GripRect() const {
    return QRect(width() - m_GripSize.width(), height() - m_GripSize.height(), m_GripSize.width(),
                 m_GripSize.height());
}

void SkinDialog::AddAnchor(QWidget* control, Anchor first, Anchor second) {
    if (!control)
        return;
    if (second == kAnchorUnset)
        second = first;
    QRect r = control->geometry();
    if (control->parentWidget() != this)
        r.moveTopLeft(control->mapTo(this, QPoint(0, 0)));
    const int w = width(), h = height();
    LayoutEntry entry;
    entry.control = control;
    entry.listBox = qobject_cast<QListWidget*>(control) != nullptr;
    entry.refresh = qobject_cast<QLabel*>(control) != nullptr;
    entry.first = first;
    entry.second = second;
    entry.firstMargin = QPoint(r.x() - Percent(first.x, w), r.y() - Percent(first.y, h));
    entry.secondMargin =
        QPoint(r.x() + r.width() - Percent(second.x, w), r.y() + r.height() - Percent(second.y, h));
    m_Layout.push_back(entry);
}

void SkinDialog::ArrangeLayout() {
    update(m_GripRect);
    m_GripRect = GripRect();
    update(m_GripRect);
    const int w = width(), h = height();
    for (const LayoutEntry& e : m_Layout) {
        const int left = Percent(e.first.x, w) + e.firstMargin.x();
        const int top = Percent(e.first.y, h) + e.firstMargin.y();
        const int right = Percent(e.second.x, w) + e.secondMargin.x();
        const int bottom = Percent(e.second.y, h) + e.secondMargin.y();
        const QRect wanted(left, top, std::max(0, right - left), std::max(0, bottom - top));
        QRect current = e.control->geometry();
        if (e.control->parentWidget() != this)
            current.moveTopLeft(e.control->mapTo(this, QPoint(0, 0)));
        if (wanted == current)
            continue;
        // Controls are placed in this window's coordinates; one inside a container is
        // moved in its parent's.
        QRect target = wanted;
        if (e.control->parentWidget() && e.control->parentWidget() != this)
            target.moveTopLeft(e.control->parentWidget()->mapFrom(this, wanted.topLeft()));
        if (target.size() == e.control->size())
            e.control->move(target.topLeft());
        else
            e.control->setGeometry(target);
    }
    for (const LayoutEntry& e : m_Layout)
        if (e.refresh)
            e.control->update();
}

void SkinDialog::SetMinTrackSize(int cx, int cy) {
    m_bMinSize = true;
    m_MinTrack = QSize(cx, cy);
    if (!m_bFullScreen)
        setMinimumSize(m_MinTrack);
}

void SkinDialog::SetMaxTrackSize(int cx, int cy) {
    m_bMaxSize = true;
    m_MaxTrack = QSize(cx, cy);
    if (!m_bFullScreen)
        setMaximumSize(m_MaxTrack);
}

void SkinDialog::SetShowGrip(bool show) {
    if (show == m_bShowGrip)
        return;
    m_bShowGrip = show;
    update(GripRect());
}

bool SkinDialog::RememberPlacement(const char* section, const char* key) {
    if (!section || !key)
        return false;
    m_bRemember = true;
    m_Section = section;
    m_Key = key;
    PlacementLimits limits;
    limits.hasMin = m_bMinSize;
    limits.min = m_MinTrack;
    limits.hasMax = m_bMaxSize;
    limits.max = m_MaxTrack;
    return RestoreWindowPlacement(this, section, key, limits);
}

void SkinDialog::SavePlacementNow() {
    if (m_bRemember && !m_bFullScreen)
        SaveWindowPlacement(this, m_Section.c_str(), m_Key.c_str());
    m_bRemember = false;  // once: the end of the window's life is what is remembered
}

bool SkinDialog::EnterFullScreen() {
    if (m_bFullScreen)
        return true;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return false;
    const QRect screenRect = s->geometry();
    if (m_bMinSize &&
        (m_MinTrack.width() > screenRect.width() || m_MinTrack.height() > screenRect.height()))
        return false;
    m_bFullScreen = true;
    m_bSavedMinSize = m_bMinSize;
    m_SavedMin = m_MinTrack;
    m_bSavedMaxSize = m_bMaxSize;
    m_SavedMax = m_MaxTrack;
    m_bMinSize = m_bMaxSize = false;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_SavedRect = geometry();
    if (m_bShowGrip) {
        SetShowGrip(false);
        m_bGripWasShown = true;
    }
    m_DragEdges = {};
    m_bMoving = false;
    setGeometry(screenRect);
    return true;
}

void SkinDialog::LeaveFullScreen() {
    if (!m_bFullScreen)
        return;
    if (m_bGripWasShown) {
        SetShowGrip(true);
        m_bGripWasShown = false;
    }
    m_bFullScreen = false;
    if (m_bSavedMinSize)
        SetMinTrackSize(m_SavedMin.width(), m_SavedMin.height());
    if (m_bSavedMaxSize)
        SetMaxTrackSize(m_SavedMax.width(), m_SavedMax.height());
    m_bSavedMinSize = m_bSavedMaxSize = false;
    setGeometry(m_SavedRect);
    update();
}

void SkinDialog::DrawSkinFrame(QPainter& painter, const std::array<QPixmap, 8>& frame) const {
    ::DrawSkinFrame(painter, size(), frame);
}

QRect SkinDialog::DrawSkinGrip(QPainter& painter, const QPixmap& grip) const {
    if (grip.isNull())
        return {};
    QRect g(width() - grip.width(), height() - grip.height(), grip.width(), grip.height());
    painter.drawPixmap(g.topLeft(), grip);
    return g;
}

void SkinDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (m_bInitialised && !m_bFullScreen)
        ArrangeLayout();
}

Qt::Edges SkinDialog::ResizeEdgesAt(QPoint p) const {
    if (m_bFullScreen || !rect().contains(p))
        return {};
    // The top band moves the window, even at its very edge.
    if (p.y() < kCaptionBand)
        return {};
    if (m_bShowGrip && GripRect().contains(p))
        return Qt::BottomEdge | Qt::RightEdge;
    Qt::Edges edges;
    if (p.x() < kEdgeBand)
        edges |= Qt::LeftEdge;
    if (p.x() >= width() - kEdgeBand)
        edges |= Qt::RightEdge;
    if (p.y() >= height() - kEdgeBand)
        edges |= Qt::BottomEdge;
    return edges;
}

void SkinDialog::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || m_bFullScreen) {
        QDialog::mousePressEvent(e);
        return;
    }
    const QPoint p = e->position().toPoint();
    const Qt::Edges edges = ResizeEdgesAt(p);
    m_PressGlobal = GlobalOf(e);
    m_PressGeometry = geometry();
    if (p.y() >= 0 && p.y() < kCaptionBand) {
        if (!TrySystemMove(this))
            m_bMoving = true;
        e->accept();
        return;
    }
    if (edges) {
        QWindow* handle = windowHandle();
        if (!handle || !handle->startSystemResize(edges))
            m_DragEdges = edges;
        e->accept();
        return;
    }
    QDialog::mousePressEvent(e);
}

void SkinDialog::mouseMoveEvent(QMouseEvent* e) {
    const QPoint delta = GlobalOf(e) - m_PressGlobal;
    if (m_bMoving) {
        move(m_PressGeometry.topLeft() + delta);
        e->accept();
        return;
    }
    if (m_DragEdges) {
        QRect r = m_PressGeometry;
        const QSize lo = minimumSize(), hi = maximumSize();
        if (m_DragEdges & Qt::RightEdge)
            r.setWidth(std::clamp(m_PressGeometry.width() + delta.x(), lo.width(), hi.width()));
        if (m_DragEdges & Qt::LeftEdge) {
            const int w = std::clamp(m_PressGeometry.width() - delta.x(), lo.width(), hi.width());
            r.setLeft(m_PressGeometry.x() + m_PressGeometry.width() - w);
        }
        if (m_DragEdges & Qt::BottomEdge)
            r.setHeight(std::clamp(m_PressGeometry.height() + delta.y(), lo.height(), hi.height()));
        setGeometry(r);
        e->accept();
        return;
    }
    QDialog::mouseMoveEvent(e);
}

void SkinDialog::mouseReleaseEvent(QMouseEvent* e) {
    if (m_bMoving || m_DragEdges) {
        m_bMoving = false;
        m_DragEdges = {};
        e->accept();
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

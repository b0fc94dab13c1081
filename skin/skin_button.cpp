#include "skin/skin_button.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

#include "skin/focus_mark.h"
#include "skin/relabel.h"
#include "skin/skin_file.h"

namespace {

// While another program is in front the pointer only passes over the window; lighting
// up a button there would suggest it takes the click. Any window of the program counts as
// its own: the hover shows over the main window while the viewer is the active one.
bool OwnWindowActive() {
    return QApplication::activeWindow() != nullptr;
}

}  // namespace

SkinButton::SkinButton(QWidget* parent) : QPushButton(parent) {
    setAttribute(Qt::WA_Hover, false);
    setAutoDefault(false);
    // Moves without a button held must arrive too: they bring the hover back after a click.
    setMouseTracking(true);
}

SkinButton::~SkinButton() = default;

bool SkinButton::SetSkinBitmaps(const QPixmap* normal, const QPixmap* pressed, const QPixmap* hover,
                                const QPixmap* disabled) {
    if (!normal)
        return false;
    // Copies of a QPixmap share the image until one is changed, so two buttons given the
    // same set hold it once and each lets go of it on its own.
    m_Normal = *normal;
    m_Pressed = pressed ? *pressed : QPixmap();
    m_Hover = hover ? *hover : QPixmap();
    m_Disabled = disabled ? *disabled : QPixmap();
    update();
    return true;
}

bool SkinButton::SetSkinBitmaps(const ButtonImages& images) {
    return SetSkinBitmaps(&images.normal, &images.pressed, &images.hover, &images.disabled);
}

void SkinButton::SizeToContent() {
    if (!m_Normal.isNull())
        setFixedSize(m_Normal.size());
}

void SkinButton::EnableWindow(bool enable) {
    SetHover(false);
    setEnabled(enable);
}

const QPixmap& SkinButton::CurrentImage() const {
    if (!isEnabled() && !m_Disabled.isNull())
        return m_Disabled;
    if (isDown() && !m_Pressed.isNull())
        return m_Pressed;
    if (m_bHover && !m_Hover.isNull())
        return m_Hover;
    return m_Normal;
}

void SkinButton::paintEvent(QPaintEvent*) {
    const QPixmap& image = CurrentImage();
    if (image.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, image);
    if (!m_Label.isEmpty()) {
        // The face's words sit in its middle; its edges, rounded, stay as drawn.
        const int edge = std::min(6, image.width() / 4);
        Relabel(p, QPoint(0, 0), image, QRect(edge, 0, image.width() - 2 * edge, image.height()),
                m_Label, 10, !isEnabled());
    }
    if (ShowsFocusMark(*this, m_bKeyboardFocus))
        DrawFocusMark(p, rect());
}

void SkinButton::SetDrawnLabel(const QString& label) {
    m_Label = label;
    update();
}

void SkinButton::TrackHover(QPoint p) {
    SetHover(isEnabled() && !isDown() && rect().contains(p) && OwnWindowActive());
}

void SkinButton::enterEvent(QEnterEvent* e) {
    QPushButton::enterEvent(e);
    TrackHover(e->position().toPoint());
}

void SkinButton::leaveEvent(QEvent* e) {
    QPushButton::leaveEvent(e);
    SetHover(false);
}

void SkinButton::mousePressEvent(QMouseEvent* e) {
    SetHover(false);
    QPushButton::mousePressEvent(e);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* e) {
    const QPointer<SkinButton> self(this);
    QPushButton::mouseReleaseEvent(e);  // may click, and the click may hide or delete us
    // Where the pointer is now: a click may have run a menu or a dialog meanwhile.
    if (self && e->button() == Qt::LeftButton && isVisible())
        TrackHover(mapFromGlobal(QCursor::pos()));
}

void SkinButton::mouseMoveEvent(QMouseEvent* e) {
    QPushButton::mouseMoveEvent(e);
    if (!(e->buttons() & Qt::LeftButton))
        TrackHover(e->position().toPoint());
}

void SkinButton::focusInEvent(QFocusEvent* e) {
    QPushButton::focusInEvent(e);
    const Qt::FocusReason reason = e->reason();
    m_bKeyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                       reason == Qt::ShortcutFocusReason;
    update();
}

void SkinButton::focusOutEvent(QFocusEvent* e) {
    QPushButton::focusOutEvent(e);
    m_bKeyboardFocus = false;
    SetHover(false);
    update();
}

void SkinButton::keyPressEvent(QKeyEvent* e) {
    // The dialog around the button must not take Return for a default button of its own.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == 0) {
        click();
        e->accept();
        return;
    }
    QPushButton::keyPressEvent(e);
}

void SkinButton::changeEvent(QEvent* e) {
    QPushButton::changeEvent(e);
    if (e->type() == QEvent::EnabledChange && !isEnabled())
        SetHover(false);
}

bool SkinButton::event(QEvent* e) {
    // The focused button answers its own keys before any shortcut of the window.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->modifiers() == 0 && (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
                                      key->key() == Qt::Key_Enter)) {
            e->accept();
            return true;
        }
    }
    // The window's deactivation reaches its visible controls; by then the application
    // knows whether one of its own windows took over.
    if (e->type() == QEvent::WindowDeactivate && !OwnWindowActive())
        SetHover(false);
    return QPushButton::event(e);
}

void SkinButton::SetHover(bool hover) {
    if (hover == m_bHover)
        return;
    m_bHover = hover;
    update();
}

#include "skin/focus_mark.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

void DrawFocusMark(QPainter& painter, const QRect& rect) {
    painter.save();
    QPen pen(QColor(24, 52, 120));
    pen.setStyle(Qt::DotLine);
    pen.setWidth(1);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(1, 1, -2, -2));
    painter.restore();
}

bool ShowsFocusMark(const QWidget& widget, bool focusByKeyboard) {
    return focusByKeyboard && widget.hasFocus();
}

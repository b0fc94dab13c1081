#include "skin/relabel.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

void CoverWords(QPainter& p, QPoint at, const QPixmap& picture, const QRect& band) {
    const QRect inside = band.intersected(picture.rect());
    if (inside.isEmpty())
        return;
    p.drawPixmap(inside.translated(at), picture,
                 QRect(inside.left(), inside.top(), 1, inside.height()));
}

QColor InkOn(const QPixmap& picture, QPoint point) {
    const QImage image = picture.toImage();
    if (!image.rect().contains(point))
        return QColor(30, 40, 60);
    // By how light the eye finds it: a saturated blue face reads as dark.
    return qGray(image.pixel(point)) < 160 ? QColor(255, 255, 255) : QColor(30, 40, 60);
}

void Relabel(QPainter& p, QPoint at, const QPixmap& picture, const QRect& band, const QString& text,
             int pointSize, bool dimmed) {
    CoverWords(p, at, picture, band);
    QColor ink = InkOn(picture, QPoint(band.left(), band.center().y()));
    if (dimmed) {
        const QColor face = picture.toImage().pixelColor(band.left(), band.center().y());
        ink = QColor((ink.red() + face.red()) / 2, (ink.green() + face.green()) / 2,
                     (ink.blue() + face.blue()) / 2);
    }
    QFont font = p.font();
    for (int size = pointSize; size >= 6; --size) {
        font.setPointSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= band.width() - 2)
            break;
    }
    p.save();
    p.setFont(font);
    p.setPen(ink);
    p.drawText(band.translated(at), Qt::AlignCenter, text);
    p.restore();
}

#include "playlist/playlist_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "playlist/media_kind.h"

namespace {

QPixmap Draw(int kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QColor colours[] = {QColor(70, 110, 190), QColor(60, 150, 80), QColor(200, 120, 40)};
    p.setPen(QPen(colours[kind].darker(140), s / 16));
    p.setBrush(colours[kind]);
    p.drawRoundedRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8), s * 0.12, s * 0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (kind == kIconVideo) {
        QPainterPath play;
        play.moveTo(s * 0.38, s * 0.3);
        play.lineTo(s * 0.72, s * 0.5);
        play.lineTo(s * 0.38, s * 0.7);
        play.closeSubpath();
        p.drawPath(play);
    } else if (kind == kIconImage) {
        QPainterPath hill;
        hill.moveTo(s * 0.2, s * 0.75);
        hill.lineTo(s * 0.42, s * 0.45);
        hill.lineTo(s * 0.58, s * 0.62);
        hill.lineTo(s * 0.68, s * 0.52);
        hill.lineTo(s * 0.8, s * 0.75);
        hill.closeSubpath();
        p.drawPath(hill);
        p.drawEllipse(QPointF(s * 0.68, s * 0.32), s * 0.08, s * 0.08);
    } else {
        p.drawEllipse(QPointF(s * 0.4, s * 0.68), s * 0.11, s * 0.09);
        p.drawRect(QRectF(s * 0.47, s * 0.25, s * 0.05, s * 0.44));
        p.drawRect(QRectF(s * 0.47, s * 0.25, s * 0.2, s * 0.07));
    }
    return pixmap;
}

}  // namespace

std::vector<QIcon> MakePlaylistIcons() {
    std::vector<QIcon> icons;
    for (int kind : {kIconVideo, kIconImage, kIconAudio}) {
        QIcon icon;
        icon.addPixmap(Draw(kind, 16));
        icon.addPixmap(Draw(kind, 32));
        icons.push_back(icon);
    }
    return icons;
}
